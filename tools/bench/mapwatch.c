// SPDX-License-Identifier: GPL-3.0-or-later
/* Waits until N top-level windows have been mapped on the X display (the window manager maps a
 * frame for each client window), then prints the milliseconds since it started and exits.
 * Used by the start-up benchmark: polling the window list would cost more than the thing measured. */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <xcb/xcb.h>

static long long now_ms(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

int main(int argc, char **argv)
{
    int want = argc > 1 ? atoi(argv[1]) : 1, seen = 0;
    xcb_connection_t *c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c))
        return 2;
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    printf("ready\n");
    fflush(stdout);
    long long t0 = now_ms();
    xcb_generic_event_t *ev;
    while (seen < want && (ev = xcb_wait_for_event(c))) {
        if ((ev->response_type & 0x7f) == XCB_MAP_NOTIFY && !((xcb_map_notify_event_t *)ev)->override_redirect)
            ++seen;
        free(ev);
    }
    printf("%lld\n", now_ms() - t0);
    xcb_disconnect(c);
    return seen < want;
}
