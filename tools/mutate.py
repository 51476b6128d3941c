#!/usr/bin/env python3
"""Mutation check: how many small faults in the product code the unit tests catch.

    tools/mutate.py [--count 120] [--seed 19] [--build build-mutate] [--report FILE] FILES...

Makes every mutant of the given product files that the operators below allow, picks a fixed,
seeded sample of them, and for each one builds the unit test program with the mutant in place and
runs it with a time limit. A mutant is killed when the program fails or runs out of time, and
stillborn when it does not build (those do not count). The same files and seed give the same
mutants, so two versions of the tests can be measured against one sample; a mutant is drawn by
its line's text, so lines added or changed elsewhere leave the others in the sample. --list
prints the sample and runs nothing. Each file is put back as it was, whatever happens.

The operators: a comparison or arithmetic operator swapped, a whole-number constant off by one, a
statement removed, a condition negated, && and || swapped.
"""

import argparse
import collections
import hashlib
import json
import os
import pathlib
import re
import signal
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent

# Operators stand between spaces in this code base; template brackets and arrows do not.
SWAPS = [(rf"(?<=\s){re.escape(a)}(?=\s)", b) for a, b in [
    ("==", "!="), ("!=", "=="), ("<=", "<"), (">=", ">"), ("<", "<="), (">", ">="),
    ("&&", "||"), ("||", "&&"), ("+", "-"), ("-", "+"), ("*", "/"),
]]
NUMBER = re.compile(r"(?<![\w.])(\d+)(?![\w.])")
CONDITION = re.compile(r"\b(if|while) \((.*)\) \{$")


def is_code(line):
    text = line.strip()
    return (text and not text.startswith(("//", "#", "*", "/*")) and "template" not in text
            and "operator" not in text and "include" not in text)


def mutants_of(path):
    """Every (line number, description, new line, line) of one file, in a fixed order."""
    found = []
    lines = path.read_text().split("\n")
    for number, line in enumerate(lines, 1):
        if not is_code(line) or "static_assert" in line or "constexpr" in line and "=" in line \
                and "(" not in line:
            continue
        code = line.split("//")[0]
        if "QStringLiteral" in code or '"' in code:
            continue  # texts and their markup are no place for operators
        for pattern, new in SWAPS:
            for match in re.finditer(pattern, code):
                found.append((number, f"{match.group(0)} -> {new}",
                              line[:match.start()] + new + line[match.end():], line))
        for match in NUMBER.finditer(code):
            value = int(match.group(1))
            found.append((number, f"{value} -> {value + 1}",
                          line[:match.start()] + str(value + 1) + line[match.end():], line))
        condition = CONDITION.search(line)
        if condition:
            found.append((number, "condition negated",
                          line[:condition.start(2)] + "!(" + condition.group(2) + ")"
                          + line[condition.end(2):], line))
        text = line.strip()
        if (text.endswith(";") and not text.startswith(("return", "const ", "auto ", "case ",
                                                        "using ", "break", "continue"))
                and "=" not in text.split("(")[0][-3:] and lines[number - 2].strip() != ""
                and not re.match(r"^[\w:<>,\s*&]+\s\w+(\{.*\})?;$", text)
                and text.count("(") == text.count(")")):
            found.append((number, "statement removed", line[:len(line) - len(line.lstrip())]
                          + "static_cast<void>(0);", line))
    return found


def run(command, timeout):
    try:
        return subprocess.run(command, cwd=ROOT, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return None


def tests_pass(program, timeout, shards=2, kills=None):
    """The unit tests in shards side by side: most of their time is waiting on sockets. With a
    kills set, every test runs and the names of those that fail are added to it; a shard that
    crashes or runs out of time adds the test it was in."""
    # Line-buffered, so that a shard that crashes or is killed has said which test it was in.
    command = [program, "--gtest_fail_fast", "--gtest_brief=1"] if kills is None \
        else ["stdbuf", "-oL", program]
    # Each shard writes to a file of its own: through a pipe, a shard with much to say would stop
    # while the one before it is waited for, and its time run out as if the mutant had hung it.
    outputs = [tempfile.TemporaryFile("w+") for _ in range(shards)]
    runs = [subprocess.Popen(command, cwd=ROOT, stdout=outputs[i], stderr=subprocess.DEVNULL,
                             env={**os.environ, "GTEST_TOTAL_SHARDS": str(shards),
                                  "GTEST_SHARD_INDEX": str(i)}) for i in range(shards)]
    passed = True
    deadline = time.monotonic() + timeout
    for shard, written in zip(runs, outputs):
        try:
            ok = shard.wait(max(1, deadline - time.monotonic())) == 0
        except subprocess.TimeoutExpired:
            shard.kill()
            shard.wait()
            ok = False
        passed &= ok
        written.seek(0)
        output = written.read()
        written.close()
        if kills is not None and not ok:
            failed = re.findall(r"^\[  FAILED  \] (\S+?),? (?:where .* )?\(\d+ ms\)$", output, re.M)
            ended = re.findall(r"^\[ +(?:OK|FAILED) +\] (\S+?),? ", output, re.M)
            running = re.findall(r"^\[ RUN      \] (\S+)$", output, re.M)
            # A test that began and never ended is the one the shard crashed or hung in.
            unfinished = running[-1:] if running and running[-1] not in ended else []
            kills.update(failed + unfinished or ["(before any test)"])
    return passed


def main():
    options = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    options.add_argument("--count", type=int, default=120)
    options.add_argument("--seed", type=int, default=19)
    options.add_argument("--build", default="build-mutate")
    options.add_argument("--report", default="-")
    options.add_argument("--time-limit", type=int, default=240, help="seconds for one test run")
    options.add_argument("--only", default="",
                         help="mutant names (M001,M017) to run again, updating the report's rows")
    options.add_argument("--list", action="store_true", help="print the sample, run nothing")
    options.add_argument("--kills", default="",
                         help="run every test on each mutant and write which ones fail to this "
                              "JSON file: the tests that alone catch a mutant are the ones to keep")
    options.add_argument("files", nargs="+")
    args = options.parse_args()
    # Stopped from outside, the run still puts back the file it was changing.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))

    # Each mutant's place in the draw comes from its file, its line's text and its change, not
    # from its line number or from how many mutants there are: an edit elsewhere in a file, or a
    # line added, leaves the rest of the sample as it was.
    drawn = []
    for name in sorted(args.files):
        seen = collections.Counter()
        for number, what, new, line in mutants_of(ROOT / name):
            key = (name, line.strip(), what, new.strip())
            seen[key] += 1
            digest = hashlib.sha256(repr((args.seed, *key, seen[key])).encode()).hexdigest()
            drawn.append((digest, name, number, what, new))
    drawn.sort()
    sample = sorted((name, number, what, new) for _, name, number, what, new in drawn[:args.count])

    if args.list:
        for name, number, what, new in sample:
            print(f"{name}:{number}\t{what}\t{new.strip()}")
        return

    build = ROOT / args.build
    subprocess.run(["cmake", "-S", ".", "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
                    "-DKELVARA_WERROR=OFF", "-DKELVARA_BUILD_TESTS=ON",
                    "-DKELVARA_BUILD_BENCHMARKS=OFF"], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build), "--target", "kelvara_tests"], cwd=ROOT,
                   check=True, stdout=subprocess.DEVNULL)
    tests = str(build / "tests" / "kelvara_tests")
    if not tests_pass(tests, args.time_limit):
        sys.exit("the tests fail without a mutant: nothing to measure")

    only = set(filter(None, args.only.split(",")))
    previous = {}
    # A report written again keeps what was added to it by hand: the text between its first
    # paragraph and the table, and everything after the table.
    earlier_text = ""
    between, after = [], []
    if only and args.report != "-" and pathlib.Path(args.report).exists():
        earlier_text = pathlib.Path(args.report).read_text()
        lines = earlier_text.splitlines()
        table = []
        for number, line in enumerate(lines):
            cells = [c.strip().replace("\\|", "|") for c in re.split(r"(?<!\\)\|", line)[1:-1]]
            if len(cells) == 4 and re.fullmatch(r"M\d{3}", cells[0]):
                previous[cells[0]] = (cells[0], cells[1], cells[2].strip("`"), cells[3])
                table.append(number)
        if table:
            header = table[0] - 2  # the column names and the rule above the first row
            paragraph_end = lines.index("", 2) if "" in lines[2:header] else header
            between = lines[paragraph_end:header]
            after = lines[table[-1] + 1:]
    rows = []
    kills = {}
    started = time.monotonic()
    for index, (name, number, what, new) in enumerate(sample, 1):
        if only and f"M{index:03}" not in only:
            rows.append(previous.get(f"M{index:03}", (f"M{index:03}", f"{name}:{number}", what,
                                                      "not run")))
            continue
        path = ROOT / name
        original = path.read_text()
        lines = original.split("\n")
        lines[number - 1] = new
        try:
            path.write_text("\n".join(lines))
            built = run(["cmake", "--build", str(build), "--target", "kelvara_tests"], 600)
            if built != 0:
                outcome = "stillborn"
            elif args.kills:
                failing = set()
                outcome = "survived" if tests_pass(tests, args.time_limit, 4, failing) \
                    else "killed"
                kills[f"M{index:03}"] = sorted(failing)
                pathlib.Path(args.kills).write_text(json.dumps(kills, indent=1) + "\n")
            else:
                outcome = "survived" if tests_pass(tests, args.time_limit) else "killed"
        finally:
            path.write_text(original)
        rows.append((f"M{index:03}", f"{name}:{number}", what, outcome))
        print(f"{rows[-1][0]} {rows[-1][1]} {what}: {outcome}", file=sys.stderr, flush=True)
    subprocess.run(["cmake", "--build", str(build), "--target", "kelvara_tests"], cwd=ROOT,
                   stdout=subprocess.DEVNULL)

    killed = sum(1 for row in rows if row[3] == "killed")
    survived = sum(1 for row in rows if row[3] == "survived")
    minutes = (time.monotonic() - started) / 60
    again = ""
    took = f", in {minutes:.0f} minute{'' if round(minutes) == 1 else 's'}"
    if only:
        # The whole run's time, where the report gives it: a rerun of a few says nothing of it.
        earlier = re.search(r", in \d+ minutes?", earlier_text)
        took = earlier.group(0) if earlier else ""
        again = (f" {', '.join(sorted(only))} {'was' if len(only) == 1 else 'were'} run again on"
                 " a later version of the tests.")
    out = [f"# Mutation check, seed {args.seed}", "",
           f"{len(rows)} mutants of {len(args.files)} files, {killed} killed, {survived} survived, "
           f"{len(rows) - killed - survived} stillborn: {100 * killed / max(1, killed + survived):.1f}% "
           f"of those that built killed{took}.{again}"]
    out += between or [""]
    out += ["| mutant | where | change | outcome |", "|---|---|---|---|"]
    out += [f"| {a} | {b} | `{c.replace('|', chr(92) + '|')}` | {d} |" for a, b, c, d in rows]
    out += after
    text = "\n".join(out) + "\n"
    if args.report == "-":
        sys.stdout.write(text)
    else:
        pathlib.Path(args.report).write_text(text)


if __name__ == "__main__":
    main()
