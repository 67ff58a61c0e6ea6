#!/usr/bin/env python3
"""Reads values from a Qt INI settings file the way QSettings (Qt 6) reads them.

Python's configparser knows nothing of Qt's quoting and escapes, so the tests use this
small reader instead.

  readstore.py FILE get GROUP KEY   print the value (UTF-8, no newline); exit 1 if absent
  readstore.py FILE keys GROUP      print the group's keys, one a line, in file order
  readstore.py FILE groups          print the group names, one a line
  readstore.py FILE field GROUP KEY N
                                    print field N of the note record (fields end at U+00FF)
  readstore.py FILE nfields GROUP KEY
                                    print how many field separators the record holds
"""
import sys

ESCAPES = {'a': '\a', 'b': '\b', 'f': '\f', 'n': '\n', 'r': '\r', 't': '\t',
           'v': '\v', '"': '"', '?': '?', "'": "'", '\\': '\\'}
HEX = '0123456789abcdefABCDEF'


def split_lines(data):
    """Cuts the file into logical lines as Qt does: a newline inside quotes or after a
    backslash does not end a line; ';' outside quotes starts a comment."""
    lines = []
    i, n = 0, len(data)
    while i < n:
        # skip blank lines
        while i < n and data[i] in '\r\n':
            i += 1
        if i >= n:
            break
        if data[i] == ';':
            while i < n and data[i] not in '\r\n':
                i += 1
            continue
        start = i
        in_quotes = False
        while i < n:
            ch = data[i]
            if ch == '\\':
                i += 2
                if i - 1 < n and data[i - 1] in '\r\n' and i < n and data[i] in '\r\n' \
                        and data[i] != data[i - 1]:
                    i += 1
                continue
            if ch == '"':
                in_quotes = not in_quotes
            elif ch in '\r\n' and not in_quotes:
                break
            elif ch == ';' and not in_quotes:
                break
            i += 1
        lines.append(data[start:i])
        if i < n and data[i] == ';':
            while i < n and data[i] not in '\r\n':
                i += 1
    return lines


def unescape_key(key):
    out, i = [], 0
    while i < len(key):
        ch = key[i]
        if ch == '%' and key[i + 1:i + 2] == 'U' and all(c in HEX for c in key[i + 2:i + 6]) \
                and len(key) >= i + 6:
            out.append(chr(int(key[i + 2:i + 6], 16)))
            i += 6
        elif ch == '%' and len(key) >= i + 3 and all(c in HEX for c in key[i + 1:i + 3]):
            out.append(chr(int(key[i + 1:i + 3], 16)))
            i += 3
        else:
            out.append(ch)
            i += 1
    return ''.join(out)


def chop_trailing_spaces(s, limit):
    while len(s) > limit and s[-1] in ' \t':
        s = s[:-1]
    return s


def unescape_value(s):
    """Returns (list_of_strings, is_list)."""
    items, cur = [], ''
    quoted_now = False
    is_list = False
    in_quotes = False
    i, n = 0, len(s)

    def skip_spaces(i):
        while i < n and s[i] in ' \t':
            i += 1
        return i

    i = skip_spaces(i)
    chop_limit = 0
    while i < n:
        ch = s[i]
        if ch == '\\':
            i += 1
            if i >= n:
                break
            ch = s[i]
            i += 1
            if ch in ESCAPES:
                cur += ESCAPES[ch]
            elif ch == 'x':
                val = 0
                while i < n and s[i] in HEX:
                    val = val * 16 + int(s[i], 16)
                    i += 1
                cur += chr(val)
            elif ch in '01234567':
                val = int(ch)
                while i < n and s[i] in '01234567':
                    val = val * 8 + int(s[i])
                    i += 1
                cur += chr(val)
            elif ch in '\r\n':
                if i < n and s[i] in '\r\n' and s[i] != ch:
                    i += 1
            # any other escaped character is dropped, as Qt does
            chop_limit = len(cur)
        elif ch == '"':
            i += 1
            quoted_now = True
            in_quotes = not in_quotes
            if not in_quotes:
                i = skip_spaces(i)
                chop_limit = len(cur)
        elif ch == ',' and not in_quotes:
            if not quoted_now:
                cur = chop_trailing_spaces(cur, chop_limit)
            is_list = True
            items.append(cur)
            cur = ''
            quoted_now = False
            i = skip_spaces(i + 1)
            chop_limit = 0
        else:
            j = i + 1
            while j < n and s[j] not in '\\",':
                j += 1
            cur += s[i:j]
            i = j
    if not quoted_now:
        cur = chop_trailing_spaces(cur, chop_limit)
    items.append(cur)
    return items, is_list


def parse(path):
    with open(path, 'rb') as f:
        data = f.read().decode('utf-8', errors='surrogateescape')
    groups = {}
    order = []
    group = 'General'
    for line in split_lines(data):
        stripped = line.strip()
        if stripped.startswith('['):
            end = stripped.find(']')
            group = unescape_key(stripped[1:end if end >= 0 else len(stripped)])
            if group not in groups:
                groups[group] = {}
                order.append(group)
            continue
        eq = -1
        in_quotes = False
        for k, ch in enumerate(line):
            if ch == '"':
                in_quotes = not in_quotes
            elif ch == '=' and not in_quotes:
                eq = k
                break
        if eq < 0:
            continue
        key = unescape_key(line[:eq].strip())
        items, is_list = unescape_value(line[eq + 1:])
        if not is_list:
            v = items[0]
            if v.startswith('@@'):
                items[0] = v[1:]
            elif v.endswith(')') and (v.startswith('@String(') or v.startswith('@ByteArray(')):
                items[0] = v[v.index('(') + 1:-1]
        if group not in groups:
            groups[group] = {}
            order.append(group)
        groups[group][key] = (items, is_list)
    return groups, order


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    path, cmd = argv[1], argv[2]
    try:
        groups, order = parse(path)
    except FileNotFoundError:
        sys.stderr.write('readstore: no file %s\n' % path)
        return 1
    out = sys.stdout.buffer
    if cmd == 'groups':
        for g in order:
            out.write((g + '\n').encode('utf-8', errors='surrogateescape'))
        return 0
    if cmd == 'keys' and len(argv) == 4:
        for k in groups.get(argv[3], {}):
            out.write((k + '\n').encode('utf-8', errors='surrogateescape'))
        return 0
    if cmd == 'get' and len(argv) == 5:
        entry = groups.get(argv[3], {}).get(argv[4])
        if entry is None:
            return 1
        items, is_list = entry
        if is_list:
            sys.stderr.write('readstore: %s/%s is a list, not a string\n' % (argv[3], argv[4]))
            return 3
        out.write(items[0].encode('utf-8', errors='surrogateescape'))
        return 0
    if cmd in ('field', 'nfields') and len(argv) == 5 + (cmd == 'field'):
        entry = groups.get(argv[3], {}).get(argv[4])
        if entry is None or entry[1]:
            return 1
        pieces = entry[0][0].split('\u00ff')
        if cmd == 'nfields':
            out.write(b'%d\n' % (len(pieces) - 1))
            return 0
        n = int(argv[5])
        if n >= len(pieces) - 1:
            return 1
        out.write(pieces[n].encode('utf-8', errors='surrogateescape'))
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))
