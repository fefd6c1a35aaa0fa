#!/usr/bin/python3
"""kandorelle-cli as a CI job runs it: many scripts, shards, a time limit, a
SIGTERM in the middle, and a JUnit report that a CI server reads right.

The report is checked against tests/host/junit.xsd with xmllint and read back
with junitparser, a JUnit consumer from Debian. Exit status 0 passed,
1 failed, 77 skipped (xmllint or junitparser missing), which CTest reports as
skipped.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what, file=sys.stderr)


def write(folder, name, text):
    path = os.path.join(os.fsencode(folder), name if isinstance(name, bytes) else name.encode())
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def run(runner, folder, *arguments):
    start = time.monotonic()
    done = subprocess.run([runner, *arguments], cwd=folder, capture_output=True, timeout=120)
    return done, time.monotonic() - start


def valid(schema, report):
    done = subprocess.run(["xmllint", "--noout", "--schema", schema, report], capture_output=True, text=True)
    check(done.returncode == 0, f"{report} follows the JUnit schema: {done.stderr.strip()}")


def cases(junitparser, report):
    """Each test case of the report by name: (case, kind of result or None, its message)."""
    suites = list(junitparser.JUnitXml.fromfile(report))
    out = {}
    for case in suites[0]:
        result = case.result[0] if case.result else None
        kind = type(result).__name__ if result is not None else None
        out[case.name] = (case, kind, result.message if result is not None else None)
    return suites[0], out


def check_report(runner, schema, junitparser, folder):
    # Short scripts beside one that hangs: a loaded machine or a sanitizer
    # build must not push them over the time limit. The first takes long
    # enough that the suite's wall-clock time is clearly below the sum of
    # the case times.
    write(folder, "ok.txt", "tick 40000\nexpect page 0\n")
    write(folder, "check.txt", "tick 30\nexpect page 3\n")
    write(folder, "checkerr.txt", "tick 10\nexpect page 3\nstate load missing.json\n")
    write(folder, "bad.txt", "tick 300\nbogus\n")
    write(folder, "hang.txt", "tick 10000000\n")
    write(folder, b"we\xffird <&>.txt", "tick 1\n")
    names = ["ok.txt", "check.txt", "checkerr.txt", "bad.txt", "hang.txt"]
    done, elapsed = run(runner, folder, "-j", "2", "--timeout", "5", "--junit", "r.xml", *names, b"we\xffird <&>.txt")
    check(done.returncode == 2, f"the worst status is 2, not {done.returncode}")
    lines = ["", "", ""] + done.stdout.decode(errors="replace").splitlines()
    check(re.fullmatch(r"2 passed, 1 failed, 3 errors in [0-9.]+ s", lines[-2]), f"summary line: {lines[-2:]}")
    check(lines[-1] == "scripts: 2 passed, 4 failed", f"plain summary line: {lines[-1]}")
    check(lines[-3].startswith("slowest: hang.txt "), f"slowest scripts: {lines[-3]}")
    report = os.path.join(folder, "r.xml")
    valid(schema, report)
    suite, by_name = cases(junitparser, report)
    check((suite.tests, suite.failures, suite.errors) == (6, 1, 3), f"counts {suite.tests} {suite.failures} {suite.errors}")
    # Wall-clock time, not the sum of the case times: the scripts ran side by
    # side, and the runner's own clock lies within the run's.
    check(suite.time <= elapsed + 0.01, f"suite time {suite.time} within the run's {elapsed:.2f} s")
    expected = {
        "ok.txt": (None, None),
        "check.txt": ("Failure", "check.txt:2: expected page 3 outside-temperature-and-flow-rate, got 0 start-page"),
        "checkerr.txt": ("Error", "checkerr.txt:3: state: missing.json:1: cannot read the state file"),
        "bad.txt": ("Error", "bad.txt:2: unknown command 'bogus'"),
        "hang.txt": ("Error", "hang.txt:1: tick: timed out after 5.0 s (--timeout 5) at tick "),
        "we\ufffdird <&>.txt": (None, None),
    }
    for name, (kind, message) in expected.items():
        case, got_kind, got_message = by_name.get(name, (None, "missing", None))
        check(got_kind == kind, f"{name}: {got_kind}, not {kind}")
        check(message is None or (got_message or "").startswith(message), f"{name}: message {got_message!r}")
    check(by_name["checkerr.txt"][0]._elem.get("line") == "2", "checkerr.txt: the line of the first failure")


def check_shards(runner, junitparser, folder):
    scripts = [f"s{i:02}.txt" for i in range(30)]
    for name in scripts:
        write(folder, name, "tick 1\n")
    played = []
    for shard in (1, 2, 3):
        done, _ = run(runner, folder, "-j", "2", "--shard", f"{shard}/3", "--junit", f"shard{shard}.xml", *scripts)
        check(done.returncode == 0, f"shard {shard}: status {done.returncode}")
        _, by_name = cases(junitparser, os.path.join(folder, f"shard{shard}.xml"))
        check(len(by_name) == 10, f"shard {shard} plays 10 scripts, not {len(by_name)}")
        played += list(by_name)
    check(sorted(played) == scripts, "the three shards together play each script exactly once")


def children(pid):
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as f:
            return [int(p) for p in f.read().split()]
    except OSError:
        return []


def check_sigterm(runner, schema, junitparser, folder):
    write(folder, "hang.txt", "tick 10000000\n")
    write(folder, "hang2.txt", "tick 10000000\n")
    write(folder, "ok.txt", "tick 1\n")
    suite = subprocess.Popen([runner, "-j", "2", "--junit", "term.xml", "hang.txt", "hang2.txt", "ok.txt"],
                             cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    deadline = time.monotonic() + 20
    while len(children(suite.pid)) < 2 and time.monotonic() < deadline:
        time.sleep(0.05)
    started = children(suite.pid)
    time.sleep(0.5)
    suite.send_signal(signal.SIGTERM)
    suite.communicate(timeout=30)
    check(suite.returncode == -signal.SIGTERM, f"the runner dies of SIGTERM, not {suite.returncode}")
    check(len(started) == 2 and not any(os.path.exists(f"/proc/{p}") for p in started), "no script's process is left")
    report = os.path.join(folder, "term.xml")
    valid(schema, report)
    _, by_name = cases(junitparser, report)
    for name in ("hang.txt", "hang2.txt"):
        check((by_name[name][2] or "").startswith(f"{name}:1: tick: interrupted (SIGTERM) at tick "),
              f"{name}: {by_name[name][2]!r}")
    check(by_name["ok.txt"][1:] == ("Error", "ok.txt:0: interrupted before it started"), f"ok.txt: {by_name['ok.txt'][1:]}")


def check_fail_fast(runner, schema, junitparser, folder):
    write(folder, "bad.txt", "bogus\n")
    write(folder, "ok.txt", "tick 1\n")
    done, _ = run(runner, folder, "-j", "1", "--fail-fast", "--junit", "fast.xml", "bad.txt", "ok.txt")
    check(done.returncode == 2, f"--fail-fast: status {done.returncode}")
    check(done.stdout.decode().splitlines()[-1] == "scripts: 0 passed, 1 failed, 1 skipped", "--fail-fast summary")
    valid(schema, os.path.join(folder, "fast.xml"))
    _, by_name = cases(junitparser, os.path.join(folder, "fast.xml"))
    check(by_name["ok.txt"][1] == "Skipped", f"ok.txt is skipped, not {by_name['ok.txt'][1]}")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--runner", required=True)
    parser.add_argument("--schema", required=True)
    args = parser.parse_args()
    try:
        import junitparser
    except ImportError:
        print("junitparser is not installed (Debian: python3-junitparser); skipped")
        return SKIP
    if shutil.which("xmllint") is None:
        print("xmllint is not installed (Debian: libxml2-utils); skipped")
        return SKIP
    for step in (check_report, check_shards, check_sigterm, check_fail_fast):
        with tempfile.TemporaryDirectory(prefix="kandorelle-suite-") as folder:
            arguments = (args.runner, junitparser, folder) if step is check_shards else (
                args.runner, args.schema, junitparser, folder)
            step(*arguments)
    print(f"{len(failures)} failed" if failures else "every check passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
