#!/usr/bin/env python3
"""Sends plant values to a running panel (kandorelle --plant-udp PORT).

Each call sends one datagram that holds the given lines "NAME VALUE"; the
panel applies all of them or none and answers "ok" or the error line, which
this script prints.

    tools/plantsend/plantsend.py --port 47000 "collector 95.5" "frost on"
    printf 'fault 22\\nstatus 9\\n' | tools/plantsend/plantsend.py --port 47000 -

Exit status: 0 the panel answered ok, 1 it refused the datagram, 2 bad usage
or no answer.
"""

import argparse
import socket
import sys


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("lines", nargs="+", help='"NAME VALUE" lines, or - to read them from standard input')
    parser.add_argument("--host", default="127.0.0.1", help="the panel's address (default 127.0.0.1)")
    parser.add_argument("--port", type=int, required=True, help="the port given to --plant-udp")
    parser.add_argument("--timeout", type=float, default=2.0, help="seconds to wait for the answer (default 2)")
    args = parser.parse_args()

    lines = sys.stdin.read().splitlines() if args.lines == ["-"] else args.lines
    datagram = "\n".join(lines).encode("utf-8")
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.settimeout(args.timeout)
        try:
            sock.sendto(datagram, (args.host, args.port))
            answer, _ = sock.recvfrom(8192)
        except (socket.timeout, OSError) as error:
            print(f"plantsend: no answer from {args.host}:{args.port} ({error})", file=sys.stderr)
            return 2
    text = answer.decode("utf-8", errors="replace")
    if text == "ok":
        print(text)
        return 0
    print(text, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
