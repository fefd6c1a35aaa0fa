"""What a call from Python costs above the C++ it wraps.

Run by ./dev.sh bench against the optimised build's module
(PYTHONPATH=build-bench/python). Targets: a Python loop of 100,000 tick()
calls within 3 x the time of tick(100000), each from the same fresh panel on
the settled menu (the cheapest tick, so the call's own cost weighs most);
screen() of a settled page under 50 us. Each time is the best of five runs,
in processor time, as the machine may be busy with other work.
"""

import sys
import time

from kandorelle import Panel

TICKS = 100_000
SCREENS = 10_000
RUNS = 5


def settled_menu() -> Panel:
    p = Panel()
    p.tap("menu")
    p.wait_page("menu")
    p.wait_settled()
    return p


def best(measure) -> float:
    times = []
    for _ in range(RUNS):
        with settled_menu() as p:
            times.append(measure(p))
    return min(times)


def one_call(p: Panel) -> float:
    start = time.process_time()
    p.tick(TICKS)
    return time.process_time() - start


def many_calls(p: Panel) -> float:
    tick = p.tick
    start = time.process_time()
    for _ in range(TICKS):
        tick()
    return time.process_time() - start


def screens(p: Panel) -> float:
    screen = p.screen
    start = time.process_time()
    for _ in range(SCREENS):
        screen()
    return (time.process_time() - start) / SCREENS


def main() -> int:
    whole = best(one_call)
    looped = best(many_calls)
    ratio = looped / whole
    screen = best(screens)
    met_ticks = ratio <= 3.0
    met_screen = screen < 50e-6
    print(f"tick({TICKS})                 {whole * 1e3:8.1f} ms  ({whole / TICKS * 1e6:.2f} us a tick)")
    print(f"{TICKS} x tick()             {looped * 1e3:8.1f} ms  ({ratio:.2f} x; target 3 x: {'met' if met_ticks else 'MISSED'})")
    print(f"screen() of a settled page {screen * 1e6:8.2f} us  (target 50 us: {'met' if met_screen else 'MISSED'})")
    return 0 if met_ticks and met_screen else 1


if __name__ == "__main__":
    sys.exit(main())
