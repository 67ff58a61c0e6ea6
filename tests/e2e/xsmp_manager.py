#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A minimal X session manager (XSMP over ICE, through libSM and libICE) for the end-to-end tests.
Usage: xsmp_manager.py FILE. Listens on local ICE sockets only; writes the value for SESSION_MANAGER to FILE.
Registers every client and, as a real manager does, asks a new one for its state at once. A logout comes in
two steps, so that a test sees what the clients had saved when they said they were done, as while a manager
waits for a slower client: SIGUSR1 asks every client to save (both kinds, shutting down, any interaction),
SIGUSR2 tells every client still there to die. SIGTERM ends the manager. All that happens is logged."""
import ctypes as C, os, pathlib, select, signal, socket, sys, time

sm, ice = C.CDLL("libSM.so.6"), C.CDLL("libICE.so.6")
SmSaveLocal, SmSaveBoth, SmInteractStyleNone, SmInteractStyleAny = 1, 2, 0, 2  # <X11/SM/SM.h>
IceConnectPending, IceConnectAccepted, IceProcessMessagesSuccess, IceProcessMessagesIOError = 0, 1, 0, 1
p, i, s = C.c_void_p, C.c_int, C.c_char_p
for lib, restype, argtypes, names in [  # pointers must not pass through ctypes' int default
        (ice, i, [p], "IceConnectionStatus IceConnectionNumber IceCloseConnection IceGetListenConnectionNumber"),
        (ice, s, [p], "IceGetListenConnectionString"), (ice, None, [p, p], "IceSetHostBasedAuthProc"),
        (ice, None, [p, i], "IceSetShutdownNegotiation"), (ice, p, [p], "IceSetIOErrorHandler"),
        (ice, p, [p, C.POINTER(i)], "IceAcceptConnection"), (ice, i, [p, p, p], "IceProcessMessages"),
        (ice, s, [i, p], "IceComposeNetworkIdList"), (ice, None, [i, p], "IceFreeListenObjs"),
        (ice, i, [C.POINTER(i), p, i, s], "IceListenForConnections"), (sm, i, [s, s, p, p, p, i, s], "SmsInitialize"),
        (sm, s, [p], "SmsGenerateClientID"),  # malloc'ed: a few bytes left behind per client
        (sm, None, [p], "SmsDie SmsCleanUp SmsInteract SmsSaveYourselfPhase2"), (sm, p, [p], "SmsGetIceConnection"),
        (sm, i, [p, s], "SmsRegisterClientReply"), (sm, None, [p, i, i, i, i], "SmsSaveYourself")]:
    for name in names.split():
        getattr(lib, name).restype, getattr(lib, name).argtypes = restype, argtypes

def log(msg): print(f"[{time.strftime('%H:%M:%S')}] {msg}", flush=True)
class SmPropValue(C.Structure): _fields_ = [("length", i), ("value", p)]
class SmProp(C.Structure): _fields_ = [("name", s), ("type", s), ("num_vals", i), ("vals", C.POINTER(SmPropValue))]

# The callbacks, each called with the SmsConn and our manager_data (none) first. clients: SmsConn -> id once
# registered; leaving: those asked to save for the logout; conns: ICE connection -> its socket (being set up too).
clients, leaving, conns = {}, set(), {}

def register_client(c, _, previous):
    cid = sm.SmsGenerateClientID(c) or f"e2e-{len(clients)}".encode()
    clients[c] = cid.decode()
    log(f"client registered: {clients[c]} (previous id {previous and previous.decode()})")
    sm.SmsRegisterClientReply(c, cid)
    if not previous:  # a new client: its first save, of its state only, as the protocol expects
        sm.SmsSaveYourself(c, SmSaveLocal, False, SmInteractStyleNone, False)
    return 1
def interact_request(c, _, dialog_type):
    log(f"interaction asked by {clients.get(c)} (dialog type {dialog_type}), granted")
    sm.SmsInteract(c)
def set_properties(c, _, n, props):  # not freed (SmFreeProperty): a few bytes per save
    for pr in (props[k].contents for k in range(n)):
        vals = [C.string_at(pr.vals[v].value, pr.vals[v].length) for v in range(pr.num_vals)]
        log(f"property {pr.name.decode()} = "
            f"{vals[0][0] if pr.type == b'CARD8' else b' '.join(vals).decode(errors='replace')}")
def close_connection(c, _, n, reasons):
    log(f"connection closed by {clients.pop(c, None)}: {[reasons[k] for k in range(n)]}")
    ice_conn = sm.SmsGetIceConnection(c)
    sm.SmsCleanUp(c)
    ice.IceSetShutdownNegotiation(ice_conn, False)
    ice.IceCloseConnection(ice_conn)  # done once IceProcessMessages returns

callbacks = {  # kept alive here for as long as libSM may call them
    "register_client": C.CFUNCTYPE(i, p, p, s)(register_client),
    "interact_request": C.CFUNCTYPE(None, p, p, i)(interact_request),
    "interact_done": C.CFUNCTYPE(None, p, p, i)(lambda c, _, cancel: log(f"interaction done, cancel {cancel}")),
    "save_yourself_request": C.CFUNCTYPE(None, p, p, i, i, i, i, i)(lambda c, _, *a: log(f"save asked: {a}")),
    "save_yourself_phase2_request": C.CFUNCTYPE(None, p, p)(lambda c, _: sm.SmsSaveYourselfPhase2(c)),
    "save_yourself_done": C.CFUNCTYPE(None, p, p, i)(lambda c, _, ok: log(
        f"save-yourself-done from {clients.get(c)}{' for the logout' if c in leaving else ''}: success {ok}")),
    "close_connection": C.CFUNCTYPE(None, p, p, i, C.POINTER(s))(close_connection),
    "set_properties": C.CFUNCTYPE(None, p, p, i, C.POINTER(C.POINTER(SmProp)))(set_properties),
    "delete_properties": C.CFUNCTYPE(None, p, p, i, C.POINTER(s))(lambda *a: None),
    "get_properties": C.CFUNCTYPE(None, p, p)(lambda *a: None)}  # our clients never ask

class SmsCallbacks(C.Structure):  # as <X11/SM/SMlib.h> has it: {callback, manager_data} each
    _fields_ = [(name + part, p) for name in callbacks for part in ("", "_data")]

@C.CFUNCTYPE(i, p, p, C.POINTER(C.c_ulong), C.POINTER(SmsCallbacks), p)
def new_client(c, _, mask, callbacks_ret, failure):
    callbacks_ret[0] = SmsCallbacks(*[x for f in callbacks.values() for x in (C.cast(f, p), None)])
    mask[0] = (1 << len(callbacks)) - 1
    return 1
@C.CFUNCTYPE(i, s)
def local_only(host):  # no ICE authority file: only peers on this machine's sockets get in
    log(f"connection from {host.decode()}: {'accepted' if host.startswith(b'local/') else 'refused'}")
    return host.startswith(b"local/")
io_error = C.CFUNCTYPE(None, p)(lambda _: None)  # libICE's default one ends the process; IceProcessMessages tells us

def main():
    err = C.create_string_buffer(256)
    if not sm.SmsInitialize(b"quadrelo-e2e", b"1.0", new_client, None, local_only, 256, err):
        sys.exit(f"SmsInitialize: {err.value.decode()}")
    ice.IceSetIOErrorHandler(io_error)
    count, objs = i(), C.POINTER(p)()
    if not ice.IceListenForConnections(C.byref(count), C.byref(objs), 256, err):
        sys.exit(f"IceListenForConnections: {err.value.decode()}")
    listeners = {ice.IceGetListenConnectionNumber(objs[k]): objs[k] for k in range(count.value)
                 if ice.IceGetListenConnectionString(objs[k]).startswith(b"local/")}
    local = (p * len(listeners))(*listeners.values())
    for obj in local:
        ice.IceSetHostBasedAuthProc(obj, local_only)
    address = ice.IceComposeNetworkIdList(len(local), local).decode()
    pathlib.Path(sys.argv[1] + ".new").write_text(address + "\n")  # whole once it is there
    os.replace(sys.argv[1] + ".new", sys.argv[1])
    log(f"listening: SESSION_MANAGER={address}")
    wake_r, wake_w = socket.socketpair()  # the signals, seen by select()
    wake_w.setblocking(False)
    signal.set_wakeup_fd(wake_w.fileno())
    for sig in (signal.SIGUSR1, signal.SIGUSR2, signal.SIGTERM):
        signal.signal(sig, lambda *_: None)
    while True:
        for fd in select.select([wake_r, *listeners, *conns.values()], [], [])[0]:
            if fd is wake_r:
                for sig in wake_r.recv(64):
                    if sig == signal.SIGTERM:
                        ice.IceFreeListenObjs(count, objs)  # removes the sockets
                        return log("manager ended")
                    step = "save-yourself" if sig == signal.SIGUSR1 else "die"
                    log(f"logout: {step} sent to {len(clients)} client(s)")
                    for c in clients:
                        if sig == signal.SIGUSR1:
                            leaving.add(c)
                            sm.SmsSaveYourself(c, SmSaveBoth, True, SmInteractStyleAny, False)
                        else:
                            sm.SmsDie(c)
            elif fd in listeners:
                conn = ice.IceAcceptConnection(listeners[fd], C.byref(i()))
                if conn:
                    conns[conn] = ice.IceConnectionNumber(conn)
            else:
                conn = next(k for k, v in conns.items() if v == fd)
                status = ice.IceProcessMessages(conn, None, None)
                if status != IceProcessMessagesSuccess:  # closed as asked above, or the peer is gone
                    log("connection lost" if status == IceProcessMessagesIOError else "connection ended")
                    del conns[conn]
                    for c in [c for c in clients if sm.SmsGetIceConnection(c) == conn]:
                        sm.SmsCleanUp(c)
                        del clients[c]
                    if status == IceProcessMessagesIOError:
                        ice.IceSetShutdownNegotiation(conn, False)
                        ice.IceCloseConnection(conn)
                elif ice.IceConnectionStatus(conn) not in (IceConnectPending, IceConnectAccepted):
                    log("connection refused")
                    del conns[conn]
                    ice.IceCloseConnection(conn)

main()
