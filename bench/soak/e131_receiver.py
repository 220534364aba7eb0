#!/usr/bin/env python3
"""E1.31 receiver on 127.0.0.1: one line per packet whose D0..D7 changed.

    e131_receiver.py PORT OUT.txt [wall]
Each line: receive time (s, monotonic; with `wall` s since 1970), sequence number, the byte
of channels 1..8, the packets received so far.
"""
import socket
import sys
import time

DATA = 126  # the first slot after the start code


def main():
    port, path = int(sys.argv[1]), sys.argv[2]
    clock = time.time if sys.argv[3:] == ["wall"] else time.monotonic
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", port))
    last = None
    packets = 0
    with open(path, "w", buffering=1) as out:
        while True:
            data, _ = sock.recvfrom(1024)
            packets += 1
            if len(data) < DATA + 8:
                continue
            value = sum(1 << i for i in range(8) if data[DATA + i])
            if value != last:
                out.write(f"{clock():.6f} {data[111]} {value} {packets}\n")
                last = value


if __name__ == "__main__":
    main()
