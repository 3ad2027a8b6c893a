#!/usr/bin/env python3
"""Mutation check: how many small faults in the library does the suite catch?

Makes N mutants of the sources in src/util, src/settings, src/master and
src/platform (a comparison flipped, an integer constant off by one, a
condition negated, a statement removed), chosen at random with a fixed seed
and spread evenly over the four folders. Each mutant is built incrementally
in build/mutants (the suite's own AddressSanitizer/UBSan configuration, with
ccache so that putting a file back costs nothing) and only the test programs
that cover the mutated file run, the quickest first, until one fails or runs
out of time. A mutant that does not compile is passed over and the next
candidate of its folder taken, so the sample of N is the same on every run
over the same sources.

Which program runs which line comes from the coverage build (build/coverage):
each program runs there alone and gcovr tells the lines it executed. A mutant
on a line that no program runs survives without being built. The map is kept in build/mutants and made again when the sources or
the tests change.

usage: tools/mutants.py [N] [--seed S] [--jobs J]
"""
import argparse
import hashlib
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
WORK = ROOT / "build" / "mutants"
TREE = WORK / "tree"          # a copy of the sources that mutants are written into
BUILD = WORK / "build"
COVERAGE = ROOT / "build" / "coverage"
FOLDERS = ["src/util", "src/settings", "src/master", "src/platform"]
SOURCE_SUFFIXES = (".cpp", ".h")

TEST_ENV = {
    "ASAN_OPTIONS": "detect_leaks=1:abort_on_error=0:halt_on_error=1",
    "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1",
    "LC_ALL": "C.UTF-8",
    # The import killed a hundred times takes minutes on its own; it guards
    # the journal of the command-line program, not the library's code.
    "GTEST_FILTER": "-CmdtoolJournal.AnImportKilledAtAnyMoment*",
}


def log(*args):
    print(*args, flush=True)


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


# ------------------------------------------------------------------ the tree

def tracked_files():
    out = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=ROOT,
                         check=True, capture_output=True).stdout
    return [p for p in out.decode().split("\0") if p and not p.startswith("build/")]


def sync_tree():
    """Copies the working tree into TREE, writing only files whose bytes
    differ, so that ninja rebuilds no more than what changed."""
    wanted = set()
    for rel in tracked_files():
        src = ROOT / rel
        if not src.is_file():
            continue
        wanted.add(rel)
        dst = TREE / rel
        data = src.read_bytes()
        if dst.is_file() and dst.read_bytes() == data:
            continue
        dst.parent.mkdir(parents=True, exist_ok=True)
        dst.write_bytes(data)
        shutil.copymode(src, dst)
    for path in TREE.rglob("*"):
        if path.is_file() and str(path.relative_to(TREE)) not in wanted:
            path.unlink()


def configure_and_build():
    env = dict(os.environ)
    if shutil.which("ccache"):
        env.update(CMAKE_CXX_COMPILER_LAUNCHER="ccache", CMAKE_C_COMPILER_LAUNCHER="ccache",
                   CCACHE_BASEDIR=str(TREE), CCACHE_NOHASHDIR="1")
    if not (BUILD / "build.ninja").is_file():
        run(["cmake", "-S", str(TREE), "-B", str(BUILD), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
             "-DCMD_SANITIZE=ON", "-DCMD_TESTS=ON"], env=env, stdout=subprocess.DEVNULL)
    run(["cmake", "--build", str(BUILD), "-j", str(os.cpu_count() or 2)], env=env,
        stdout=subprocess.DEVNULL)


def test_programs(build):
    tests = build / "tests"
    return sorted(p.name for p in tests.glob("test_*") if p.is_file() and os.access(p, os.X_OK))


# ------------------------------------------------------------ running tests

def run_program(build, name, timeout):
    """True when the program passes within its time."""
    with tempfile.TemporaryDirectory(prefix="mutant-") as cwd:
        env = dict(os.environ, TMPDIR=cwd, **TEST_ENV)
        try:
            r = subprocess.run([str(build / "tests" / name), "--gtest_brief=1"], cwd=cwd, env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               timeout=timeout, start_new_session=True)
        except subprocess.TimeoutExpired:
            return False
    return r.returncode == 0


def baseline_times(programs):
    times = {}
    for name in programs:
        start = time.monotonic()
        if not run_program(BUILD, name, timeout=1800):
            sys.exit(f"mutants: {name} fails without any mutant; fix the suite first")
        times[name] = time.monotonic() - start
        log(f"  {name}: {times[name]:.1f} s")
    return times


# ------------------------------------------------------------- coverage map

def sources_digest():
    h = hashlib.sha256()
    for rel in sorted(tracked_files()):
        if rel == "tools/mutants.py":
            continue
        if rel.startswith(("src/", "tests/", "tools/", "include/")) or rel.endswith("CMakeLists.txt"):
            h.update(rel.encode())
            h.update((ROOT / rel).read_bytes())
    return h.hexdigest()


def coverage_map(programs):
    """{source file: {"programs": [programs that execute a line of it],
    "lines": {line: [programs that execute it]}, "executable": [lines gcov
    counts]}} from the coverage build."""
    cache = WORK / "covermap.json"
    digest = sources_digest()
    if cache.is_file():
        cached = json.loads(cache.read_text())
        if cached.get("digest") == digest:
            return cached["map"]
    log("mutants: mapping which test program covers which line (coverage build)")
    WORK.mkdir(parents=True, exist_ok=True)
    run(["cmake", "-S", str(ROOT), "-B", str(COVERAGE), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
         "-DCMD_COVERAGE=ON", "-DCMD_TESTS=ON"], stdout=subprocess.DEVNULL)
    run(["cmake", "--build", str(COVERAGE), "-j", str(os.cpu_count() or 2)], stdout=subprocess.DEVNULL)
    covers = {}
    for name in programs:
        for gcda in COVERAGE.rglob("*.gcda"):
            gcda.unlink()
        with tempfile.TemporaryDirectory(prefix="cover-") as cwd:
            subprocess.run([str(COVERAGE / "tests" / name)], cwd=cwd, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, env=dict(os.environ, TMPDIR=cwd, LC_ALL="C.UTF-8"))
        detail = WORK / f"coverage-{name}.json"
        run(["gcovr", "--root", str(ROOT), "--json", str(detail), "--exclude-throw-branches"] +
            sum((["--filter", str(ROOT / f) + "/"] for f in FOLDERS), []) + ["."],
            cwd=COVERAGE, stdout=subprocess.DEVNULL)
        for entry in json.loads(detail.read_text())["files"]:
            info = covers.setdefault(entry["file"], {"programs": [], "lines": {}, "executable": []})
            executed = [str(line["line_number"]) for line in entry["lines"] if line["count"] > 0]
            info["executable"] = sorted(set(info["executable"]) |
                                        {str(line["line_number"]) for line in entry["lines"]})
            if executed:
                info["programs"].append(name)
            for line in executed:
                info["lines"].setdefault(line, []).append(name)
        log(f"  {name}: {sum(name in v['programs'] for v in covers.values())} files")
    cache.write_text(json.dumps({"digest": digest, "map": covers}, indent=1))
    return covers


def covering_programs(covers, m):
    """The programs that run the mutated line; for a line gcov does not count
    (table data, constants), those that run any line of the file."""
    info = covers.get(m["file"])
    if not info:
        return []
    line = str(m["line"])
    if line in info["executable"]:
        return info["lines"].get(line, [])
    return info["programs"]


# ---------------------------------------------------------------- mutations

COMPARISON = re.compile(r"(?<=[\w)\]'\"] )(==|!=|<=|>=|<|>)(?= [\w(!'\"*&:-])")
FLIPPED = {"==": "!=", "!=": "==", "<": ">=", ">=": "<", ">": "<=", "<=": ">"}
INTEGER = re.compile(r"(?<![\w.'])(0[xX][0-9a-fA-F]+|\d+)(?![\w.'])")
CONDITION = re.compile(r"\b(if|while) \(")
# "Type name ...;" (a declaration, which cannot be removed and still build)
# and the keywords that begin a statement rather than a declaration.
DECLARATION = re.compile(r"^(?!(delete|throw|goto|else|do)\b)[\w:<>,*& ]+\s[*&]?\w+\s*(=|\{|\(|;|\[)")
STRING_OR_CHAR = re.compile(r"u?8?[LuU]?\"(?:\\.|[^\"\\])*\"|u?[LuU]?'(?:\\.|[^'\\])+'")


def masked(line):
    """The line with string and character literals blanked out, so that
    nothing inside them is taken for an operator or a constant."""
    return STRING_OR_CHAR.sub(lambda m: " " * len(m.group(0)), line)


def code_lines(text):
    """(index, line) of the lines that hold code: no comments, no
    preprocessor lines, no static assertions."""
    in_block = False
    for i, line in enumerate(text.split("\n")):
        stripped = line.strip()
        if in_block:
            if "*/" in stripped:
                in_block = False
            continue
        if stripped.startswith("/*"):
            in_block = "*/" not in stripped
            continue
        if not stripped or stripped.startswith(("//", "#", "static_assert")):
            continue
        yield i, line


def balanced_end(line, start):
    depth = 0
    for j in range(start, len(line)):
        if line[j] == "(":
            depth += 1
        elif line[j] == ")":
            depth -= 1
            if depth == 0:
                return j
    return None


def candidates_of(rel, text):
    """Every mutant of one file, in order: (line index, kind, new line)."""
    previous_code = ""
    for i, line in code_lines(text):
        code = masked(line)
        cut = code.find("//")
        if cut >= 0:
            code = code[:cut]
        for m in COMPARISON.finditer(code):
            op = m.group(1)
            yield i, f"comparison {op} -> {FLIPPED[op]}", line[:m.start()] + FLIPPED[op] + line[m.end():]
        for m in INTEGER.finditer(code):
            literal = m.group(1)
            value = int(literal, 0) if not (literal.startswith("0") and len(literal) > 1
                                            and literal[1] in "0123456789") else int(literal, 8)
            new = value + 1 if value == 0 or (i + m.start()) % 2 == 0 else value - 1
            new_text = hex(new) if literal.lower().startswith("0x") else str(new)
            yield i, f"constant {literal} -> {new_text}", line[:m.start()] + new_text + line[m.end():]
        for m in CONDITION.finditer(code):
            open_at = m.end() - 1
            close_at = balanced_end(code, open_at)
            if close_at is None:
                continue
            inner = line[open_at + 1:close_at]
            if ";" in inner:
                continue
            yield i, f"condition of {m.group(1)} negated", \
                line[:open_at + 1] + "!(" + inner + ")" + line[close_at:]
        statement = code.strip()
        if (statement.endswith(";") and previous_code.endswith((";", "{", "}", ":"))
                and not statement.startswith(("return", "}", "case ", "default"))
                and not DECLARATION.match(statement)):
            yield i, "statement removed", ""
        previous_code = code.strip() or previous_code


def all_candidates():
    by_folder = {}
    for folder in FOLDERS:
        found = []
        for path in sorted((ROOT / folder).rglob("*")):
            if path.suffix not in SOURCE_SUFFIXES:
                continue
            rel = str(path.relative_to(ROOT))
            for i, kind, new in candidates_of(rel, path.read_text()):
                found.append({"file": rel, "line": i + 1, "kind": kind, "new": new})
        by_folder[folder] = found
    return by_folder


def ordered_candidates(seed):
    """The candidates of each folder shuffled with the seed, taken in turn
    from the folders so that every folder gets its share of the sample."""
    rng = random.Random(seed)
    queues = []
    for folder, found in all_candidates().items():
        rng.shuffle(found)
        queues.append(found)
    while any(queues):
        for q in queues:
            if q:
                yield q.pop(0)


# ------------------------------------------------------------------ running

def build_targets(targets):
    env = dict(os.environ)
    r = subprocess.run(["cmake", "--build", str(BUILD), "-j", str(os.cpu_count() or 2), "--target"]
                       + targets, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return r.returncode == 0


def try_mutant(m, programs, times):
    path = TREE / m["file"]
    original = path.read_text()
    lines = original.split("\n")
    lines[m["line"] - 1] = m["new"]
    path.write_text("\n".join(lines))
    try:
        if not build_targets(programs):
            return "not built", None
        for name in sorted(programs, key=lambda p: times[p]):
            if not run_program(BUILD, name, timeout=max(60, 4 * times[name])):
                return "killed", name
        return "survived", None
    finally:
        path.write_text(original)


def main():
    parser = argparse.ArgumentParser(description="mutation check of the test suite")
    parser.add_argument("count", nargs="?", type=int, default=100)
    parser.add_argument("--seed", type=int, default=20261206)
    args = parser.parse_args()

    WORK.mkdir(parents=True, exist_ok=True)
    log("mutants: building the suite in build/mutants")
    sync_tree()
    configure_and_build()
    programs = test_programs(BUILD)
    covers = coverage_map(test_programs(COVERAGE) if COVERAGE.is_dir() and test_programs(COVERAGE)
                          else programs)
    # What is done is kept, per seed and sources: an interrupted run goes on
    # where it stopped.
    digest = sources_digest()[:16]
    journal = WORK / f"done-{args.seed}-{digest}.jsonl"
    done = {}
    if journal.is_file():
        for line in journal.read_text().splitlines():
            r = json.loads(line)
            done[(r["file"], r["line"], r["kind"])] = r
    timing = WORK / f"times-{digest}.json"
    if timing.is_file():
        times = json.loads(timing.read_text())
    else:
        log("mutants: each test program without a mutant")
        times = baseline_times(programs)
        timing.write_text(json.dumps(times))

    results = []
    per_folder = {f: 0 for f in FOLDERS}
    share = {f: args.count // len(FOLDERS) + (i < args.count % len(FOLDERS))
             for i, f in enumerate(FOLDERS)}
    for m in ordered_candidates(args.seed):
        folder = next(f for f in FOLDERS if m["file"].startswith(f + "/"))
        if per_folder[folder] >= share[folder]:
            if all(per_folder[f] >= share[f] for f in FOLDERS):
                break
            continue
        info = covers.get(m["file"])
        if not info or not info["programs"]:
            continue  # the suite does not run this file at all
        covering = [p for p in covering_programs(covers, m) if p in times]
        started = time.monotonic()
        key = (m["file"], m["line"], m["kind"])
        if key in done:
            outcome, by = done[key]["outcome"], done[key]["by"]
        else:
            if covering:
                outcome, by = try_mutant(m, covering, times)
            else:
                outcome, by = "survived", "no test runs the line"
            with journal.open("a") as f:
                f.write(json.dumps(dict(m, outcome=outcome, by=by), ensure_ascii=False) + "\n")
        if outcome == "not built":
            continue
        per_folder[folder] += 1
        m.update(outcome=outcome, by=by)
        results.append(m)
        log(f"[{len(results):3}/{args.count}] {outcome:8} {m['file']}:{m['line']} {m['kind']}"
            f"{' (' + by + ')' if by else ''} {time.monotonic() - started:.0f} s")
    # Put the last mutated file's build back to the sources as they are.
    build_targets(programs)

    killed = sum(r["outcome"] == "killed" for r in results)
    log("")
    for folder in FOLDERS:
        mine = [r for r in results if r["file"].startswith(folder + "/")]
        k = sum(r["outcome"] == "killed" for r in mine)
        log(f"{folder}: {k}/{len(mine)} killed")
    log(f"kill rate: {killed}/{len(results)} = {100.0 * killed / max(1, len(results)):.1f} %"
        f" (seed {args.seed})")
    survivors = [r for r in results if r["outcome"] == "survived"]
    if survivors:
        log("survivors:")
        for r in survivors:
            log(f"  {r['file']}:{r['line']} {r['kind']}{' (' + r['by'] + ')' if r['by'] else ''}")
            log(f"    now: {r['new'].strip() or '(removed)'}")
    (WORK / "results.json").write_text(json.dumps(results, indent=1, ensure_ascii=False))


if __name__ == "__main__":
    main()
