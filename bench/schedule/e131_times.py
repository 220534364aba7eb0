#!/usr/bin/env python3
"""E1.31 receiver on 127.0.0.1 for the schedule bench: one line per change of D0..D7.

    e131_times.py PORT OUT.txt
Each line: receive time (s since 1970, wall clock), the byte of channels 1..8.
"""
import socket
import sys
import time

DATA = 126  # the first slot after the start code


def main():
    port, path = int(sys.argv[1]), sys.argv[2]
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", port))
    last = None
    with open(path, "w", buffering=1) as out:
        while True:
            data, _ = sock.recvfrom(1024)
            if len(data) < DATA + 8:
                continue
            value = sum(1 << i for i in range(8) if data[DATA + i])
            if value != last:
                out.write(f"{time.time():.6f} {value}\n")
                last = value


if __name__ == "__main__":
    main()
