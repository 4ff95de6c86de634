#!/usr/bin/python3
"""Pings a window the way a window manager does before it offers to end a
program (_NET_WM_PING), one ping at a time, until the file STOP appears.

Usage: wm_ping.py WINDOW STARTED ENDED STOP

A ping counts as one during the work when the file STARTED exists by the time
it is answered and the file ENDED did not exist when it was sent. Prints the number of such pings and the slowest answer
to one of them, in milliseconds (a ping never answered counts as 60000).
"""
import os
import select
import sys
import time

from Xlib import X, display
from Xlib.protocol import event

NO_ANSWER_MS = 60000


def main():
    window_id = int(sys.argv[1], 0)
    started, ended, stop = sys.argv[2:5]
    dpy = display.Display()
    root = dpy.screen().root
    # The answer goes to the root window, for the window manager; programs
    # send it with either of these masks.
    root.change_attributes(event_mask=X.StructureNotifyMask | X.SubstructureNotifyMask)
    window = dpy.create_resource_object("window", window_id)
    wm_protocols = dpy.intern_atom("WM_PROTOCOLS")
    net_wm_ping = dpy.intern_atom("_NET_WM_PING")

    during_work = []
    serial = 0
    give_up = time.monotonic() + 600
    while not os.path.exists(stop) and time.monotonic() < give_up:
        serial += 1
        ended_before = os.path.exists(ended)
        ping = event.ClientMessage(window=window, client_type=wm_protocols,
                                   data=(32, [net_wm_ping, serial, window_id, 0, 0]))
        window.send_event(ping, event_mask=0)
        dpy.flush()
        sent = time.monotonic()
        answer_ms = None
        while answer_ms is None and time.monotonic() - sent < NO_ANSWER_MS / 1000:
            if dpy.pending_events() == 0:
                select.select([dpy], [], [], 0.05)
                if dpy.pending_events() == 0:
                    continue
            reply = dpy.next_event()
            if (reply.type == X.ClientMessage and reply.client_type == wm_protocols
                    and reply.data[1][0] == net_wm_ping and reply.data[1][1] == serial):
                answer_ms = (time.monotonic() - sent) * 1000
        if os.path.exists(started) and not ended_before:
            during_work.append(answer_ms if answer_ms is not None else NO_ANSWER_MS)
        time.sleep(0.05)

    slowest = max(during_work) if during_work else 0
    print(f"{len(during_work)} {slowest:.0f}")


if __name__ == "__main__":
    main()
