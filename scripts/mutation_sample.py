#!/usr/bin/env python3
"""Mutation sampling: how many small faults in src/ the dev tests catch.

For each sample it makes one small change on one code line of src/, rebuilds
the dev preset, runs the dev tests and counts the change as caught when a
test fails (or the run times out).  A change that does not compile is not
counted.  The file is put back after every sample, and on any exit.

The changes and how samples are drawn, kept and found again are in
scripts/mutation_draw.py.

  mutation_sample.py N SEED [--list FILE] [--replay FILE] [--out FILE]

--list FILE    writes the drawn samples (file, line text, change) and stops
--replay FILE  runs the samples of such a list instead of drawing new ones;
               a sample is found again by its line's text, so a list drawn
               before a change of the code can be replayed after it; a line
               moved to another file of its directory is followed there, and
               one indented anew is found without the indentation
--out FILE     one tab-separated line a sample: result, file, line, change,
               and the tests that failed
--every-test   runs every test on each sample instead of stopping at the
               first failure: slower, but the failed tests of each sample
               show which tests catch what no other test catches
--every-short-test
               runs every short test (not the server sessions) on each
               sample, without stopping: which unit tests catch which sample
--first FILE   an earlier --out file: the tests that caught a sample there
               run first on that sample (only when they exist still), so a
               replay spends the full run on the samples that survive; an
               --out file of the same list (one row a sample) is read row by
               row, which follows lines moved to other files
--in PATH      draws from this file or directory of src/ only (repeatable);
               with a count above the candidates there, every change of
               those files is tried, in the order of their lines

The tests run in stages, each stopping at its first failure: the tests that
caught the sample before (--first), then the short tests (everything but the
server sessions), then the server sessions.  A failure counts when the
failed tests fail again on a second run, so a session that missed its time
on a busy machine does not count as a caught change.
"""
import argparse
import os
import re
import signal
import subprocess
import sys
import time

from mutation_draw import ROOT, draw, every_change, read_list, write_list

BUILD_TIMEOUT = 600
# The dev tests take under a minute, two on a loaded machine: a change that
# makes them run longer than this has made something loop, and is caught.
TEST_TIMEOUT = 240
# Tests that run whole server sessions or outside tools: seconds each, so they
# run after the short tests, several at once (they mostly wait on the clock).
SESSIONS = r"^(scenario|soak|monitoring|runner|hostsim)\."


def run(command, timeout):
    """The command's exit status, or None when it ran out of time; then it and
    everything it started (a server looping for ever under a test) is killed."""
    process = subprocess.Popen(command, cwd=ROOT, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               start_new_session=True)
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
        return None


def failed_tests():
    """The names ctest wrote as failed in its last run."""
    path = os.path.join(ROOT, "build", "dev", "Testing", "Temporary", "LastTestsFailed.log")
    try:
        with open(path, encoding="utf-8") as f:
            return [row.strip().split(":", 1)[-1] for row in f if row.strip()]
    except OSError:
        return []


def ctest(*arguments):
    return run(["ctest", "--preset", "dev", "--output-on-failure"] + list(arguments), TEST_TIMEOUT)


def failures(status):
    """(caught, failed test names) after a run that did not stop at a failure;
    ctest keeps its list of failed tests from an earlier run when all pass."""
    if status is None:
        return True, ["(timed out)"]
    return status != 0, (failed_tests() if status != 0 else [])


def exact(names):
    return "^(" + "|".join(re.escape(n) for n in names) + ")$"


def test_sample(first, every_test, every_short_test=False):
    """(caught, failed test names) for the code as it is now."""
    if every_short_test:
        status = ctest("-j4", "-E", SESSIONS)
        return failures(status)
    if every_test:
        status = ctest("-j8")
        return failures(status)
    stages = []
    if first:
        stages.append(["-R", exact(first), "-j4"])
    stages += [["-E", SESSIONS, "-j4"], ["-R", SESSIONS, "-j8"]]
    for stage in stages:
        status = ctest("--stop-on-failure", *stage)
        if status is None:
            return True, ["(timed out)"]
        if status == 0:
            continue
        failed = failed_tests()
        if not failed:
            continue  # no test matched the stage's names
        again = ctest("-R", exact(failed))
        if again is None:
            return True, ["(timed out)"]
        if again != 0:
            return True, failed
    return False, []


def earlier_catchers(path, count):
    """lookup(number, place, change, changed line) -> the tests that caught
    the sample in an earlier --out file.  When that file has one row a sample
    (a run of the same list) its rows are taken in order, which follows a line
    moved to another place or file; else a sample is looked up by file:line,
    change and changed line, or by change and changed line alone when the
    changed line says more than a bare ";"."""
    rows = []
    if path:
        with open(path, encoding="utf-8") as f:
            for row in f:
                fields = row.rstrip("\n").split("\t") + ["", "", "", "", ""]
                caught = fields[0] == "caught" and fields[4] and fields[4] != "(timed out)"
                rows.append((tuple(fields[1:4]), fields[4].split() if caught else []))
    if rows and len(rows) == count:
        return lambda number, *_: rows[number - 1][1]
    by_place, by_change = {}, {}
    for key, names in rows:
        if names:
            by_place[key] = names
            if key[2] != ";":
                by_change.setdefault(key[1:], []).extend(names)
    return lambda _number, place, name, mutated: by_place.get((place, name, mutated)) or by_change.get((name, mutated), [])


def existing_tests():
    listing = subprocess.run(["ctest", "--preset", "dev", "-N"], cwd=ROOT, capture_output=True, text=True).stdout
    return set(re.findall(r"Test\s+#\d+: (\S+)", listing))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("count", type=int)
    parser.add_argument("seed", type=int)
    parser.add_argument("--list")
    parser.add_argument("--replay")
    parser.add_argument("--out")
    parser.add_argument("--every-test", action="store_true")
    parser.add_argument("--every-short-test", action="store_true")
    parser.add_argument("--first")
    parser.add_argument("--in", dest="only", action="append")
    args = parser.parse_args()

    if args.replay:
        samples = read_list(args.replay)
    elif args.only:
        samples = every_change(args.only)
    else:
        samples = draw(args.count, args.seed)
    samples = samples[:args.count]
    if args.list:
        write_list(samples, args.list)
        print(f"{len(samples)} samples written to {args.list}")
        return 0

    if run(["cmake", "--preset", "dev"], BUILD_TIMEOUT) != 0 or run(["cmake", "--build", "--preset", "dev"], BUILD_TIMEOUT) != 0:
        print("mutation-sample: the dev preset does not build unchanged", file=sys.stderr)
        return 2
    if ctest("-j8") != 0:
        print("mutation-sample: the dev tests fail unchanged", file=sys.stderr)
        return 2

    catchers = earlier_catchers(args.first, len(samples))
    tests = existing_tests()
    restore = {}

    def put_back(*_):
        for path, text in restore.items():
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
        restore.clear()

    signal.signal(signal.SIGTERM, lambda *a: (put_back(), sys.exit(130)))
    out = open(args.out, "w", encoding="utf-8") if args.out else None
    caught = survived = uncompiled = missing = 0
    start = time.time()
    try:
        for number, (rel, line, name, _column, mutated) in enumerate(samples, 1):
            path = os.path.join(ROOT, rel)
            failed = ""
            if line < 0:
                result = "missing"
                missing += 1
            else:
                text = open(path, encoding="utf-8").read()
                lines = text.split("\n")
                restore[path] = text
                lines[line] = mutated
                with open(path, "w", encoding="utf-8") as f:
                    f.write("\n".join(lines))
                if run(["cmake", "--build", "--preset", "dev"], BUILD_TIMEOUT) != 0:
                    result = "uncompiled"
                    uncompiled += 1
                else:
                    earlier = catchers(number, f"{rel}:{line + 1}", name, mutated.strip())
                    first = sorted({t for t in earlier if t in tests})
                    was_caught, names = test_sample(first, args.every_test, args.every_short_test)
                    result = "caught" if was_caught else "survived"
                    failed = " ".join(names)
                    if was_caught:
                        caught += 1
                    else:
                        survived += 1
                put_back()
                os.utime(path)  # the next build rebuilds the file as it was
            row = f"{result}\t{rel}:{line + 1}\t{name}\t{mutated.strip()}\t{failed}"
            print(f"[{number}/{len(samples)}] {row}", flush=True)
            if out:
                out.write(row + "\n")
                out.flush()
    finally:
        put_back()
        run(["cmake", "--build", "--preset", "dev"], BUILD_TIMEOUT)
    counted = caught + survived
    score = 100.0 * caught / counted if counted else 0.0
    print(f"mutation score: {caught} of {counted} compiled samples caught ({score:.1f} %), "
          f"{uncompiled} did not compile, {missing} not found; seed {args.seed}; {time.time() - start:.0f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
