// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <pulse/pulseaudio.h>

// The sound server's client library, opened when the program first wants a sound instead of at
// start: with the sound-file libraries it brings in, it keeps about 1.5 MB resident, which a
// session without alarms never needs.
struct PulseLibrary {
// The library's functions the sound worker calls, without their "pa_" prefix.
#define QUADRELO_PULSE_FUNCTIONS(F)                                                                                    \
    F(mainloop_new)                                                                                                    \
    F(mainloop_free)                                                                                                   \
    F(mainloop_wakeup)                                                                                                 \
    F(mainloop_prepare)                                                                                                \
    F(mainloop_poll)                                                                                                   \
    F(mainloop_dispatch)                                                                                               \
    F(mainloop_get_api)                                                                                                \
    F(context_new)                                                                                                     \
    F(context_connect)                                                                                                 \
    F(context_get_state)                                                                                               \
    F(context_set_subscribe_callback)                                                                                  \
    F(context_subscribe)                                                                                               \
    F(context_get_sink_info_list)                                                                                      \
    F(context_disconnect)                                                                                              \
    F(context_unref)                                                                                                   \
    F(operation_unref)                                                                                                 \
    F(stream_new)                                                                                                      \
    F(stream_set_write_callback)                                                                                       \
    F(stream_connect_playback)                                                                                         \
    F(stream_write)                                                                                                    \
    F(stream_disconnect)                                                                                               \
    F(stream_unref)                                                                                                    \
    F(stream_get_state)                                                                                                \
    F(usec_to_bytes)                                                                                                   \
    F(sample_spec_valid)
// NOLINTNEXTLINE(bugprone-macro-parentheses): the argument names a member, not an expression
#define QUADRELO_PULSE_MEMBER(name) decltype(&::pa_##name) name = nullptr;
    QUADRELO_PULSE_FUNCTIONS(QUADRELO_PULSE_MEMBER)
#undef QUADRELO_PULSE_MEMBER

    // The library, opened on the first call and kept open; null when it is not installed or lacks
    // one of the functions, and then the program plays no sounds.
    static const PulseLibrary *get();
};
