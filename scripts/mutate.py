#!/usr/bin/env python3
"""Plants the faults of scripts/mutation/faults.py one at a time and reports which tests catch them.

For each selected fault: check the file is unchanged from git, replace the fault's text (found
exactly once), rebuild only the test programs that exercise the changed folder, run them, record
the failing test cases, and put the file back (always, also on Ctrl-C or a failed build).

    scripts/mutate.py --check                 validate the fault list against the tree, no build
    scripts/mutate.py --only O2 K1 G3         plant these faults
    scripts/mutate.py --folder core/upload    plant every fault under a folder
    scripts/mutate.py --report out.json       also write the JSON report

A fault is "killed" when at least one test case fails that passed on the unchanged tree,
"timeout" when its test programs run longer than --timeout seconds (counted as killed),
"not compiled" when the build fails (reported apart), and "survived" otherwise.
Standard library only; runs niced; not part of CI (a full run takes hours).
"""

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from collections import defaultdict
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
FAULT_FILE = ROOT / "scripts" / "mutation" / "faults.py"

# Test programs and the folder of the build tree that holds each.
CORE_TESTS = ["platform_tests", "settings_tests", "serial_tests", "firmware_tests",
              "records_tests", "hbd_tests", "worker_pty_tests", "kx2_tests"]
PROGRAM_DIR = {name: "tests/core" for name in CORE_TESTS}
PROGRAM_DIR.update({
    "cli_tests": "tests/cli",
    "sim_tests": "tests/sim",
    "fault_soak_tests": "tests/reliability",
    "crash_safety_tests": "tests/reliability",
    "security_tests": "tests/reliability",
    "bench_tests": "bench",
})
GUI_TESTS = ["gui_controls_tests", "gui_message_dialogs_tests", "gui_upload_progress_tests",
             "gui_progress_panes_tests", "gui_serial_terminal_tests",
             "gui_main_window_tests", "gui_log_browser_tests"]
PROGRAM_DIR.update({name: "tests/gui" for name in GUI_TESTS})

# The test programs run for a fault, by the folder of the changed file (longest prefix wins).
# Read from tests/*/CMakeLists.txt and the tests' #include lines: a core folder maps to the core
# programs that include its headers or drive it end to end (uploads over the simulated units),
# plus the CLI and reliability programs that exercise it; the GUI folders to the gui_* programs
# that show them. --wide runs every program that links the changed target instead (LINKED).
_GTEST_ALL = CORE_TESTS + ["cli_tests", "sim_tests", "fault_soak_tests", "crash_safety_tests",
                           "security_tests"]
TESTS_FOR = {
    "core/platform": CORE_TESTS + ["cli_tests", "crash_safety_tests"],
    "core/settings": ["settings_tests", "firmware_tests", "hbd_tests", "worker_pty_tests",
                      "kx2_tests", "cli_tests", "crash_safety_tests", "fault_soak_tests"],
    "core/serial": ["serial_tests", "hbd_tests", "worker_pty_tests", "kx2_tests", "cli_tests",
                    "fault_soak_tests", "crash_safety_tests", "security_tests"],
    "core/protocol": ["kx2_tests", "hbd_tests", "worker_pty_tests", "cli_tests",
                      "fault_soak_tests"],
    "core/firmware": ["firmware_tests", "hbd_tests", "worker_pty_tests", "kx2_tests", "cli_tests",
                      "fault_soak_tests", "security_tests"],
    "core/records": ["records_tests", "hbd_tests", "worker_pty_tests", "kx2_tests", "cli_tests",
                     "crash_safety_tests", "security_tests"],
    "core/upload": ["hbd_tests", "worker_pty_tests", "kx2_tests", "cli_tests", "fault_soak_tests",
                    "crash_safety_tests", "serial_tests"],
    "cli": ["cli_tests", "security_tests"],
    "sim": ["sim_tests", "worker_pty_tests", "serial_tests", "cli_tests", "fault_soak_tests"],
    "bench": ["bench_tests"],
    "gui/controls": ["gui_controls_tests", "gui_message_dialogs_tests",
                     "gui_progress_panes_tests"],
    "gui/dialogs": ["gui_message_dialogs_tests", "gui_upload_progress_tests",
                    "gui_progress_panes_tests", "gui_serial_terminal_tests",
                    "gui_log_browser_tests", "gui_main_window_tests"],
    "gui/app": ["gui_main_window_tests"],
}
# Every program that links the folder's target (quillon_core, quillon_sim, the CLI, the GUI
# libraries): the --wide choice.
_CORE_LINKERS = _GTEST_ALL + GUI_TESTS
LINKED = {
    "core": _CORE_LINKERS,
    "sim": [p for p in _CORE_LINKERS if p not in
            ("platform_tests", "settings_tests", "firmware_tests", "records_tests",
             "gui_controls_tests", "gui_message_dialogs_tests", "gui_progress_panes_tests",
             "gui_log_browser_tests")],
    "cli": ["cli_tests", "security_tests"],
    "bench": ["bench_tests"],
    "gui/controls": GUI_TESTS,
    "gui/dialogs": GUI_TESTS,
    "gui/app": ["gui_main_window_tests"],
}
# Targets a test program runs but does not link (they must be rebuilt with it).
EXTRA_TARGETS = {"cli_tests": ["quillon7-cli"],
                 "security_tests": ["quillon7-cli", "argv_recorder"]}

GTEST_FAILED = re.compile(r"^\[  FAILED  \] (\S+?)(?:,| \(|$)")
QT_FAIL = re.compile(r"^FAIL!\s+:\s+([^\s(]+)(\([^)]*\))?")


class Stop(Exception):
    """A signal asked the run to end; the planted file is restored on the way out."""


def on_signal(signum, _frame):
    raise Stop(f"signal {signum}")


# ------------------------------------------------------------------------------ fault list

def load_faults(path=FAULT_FILE):
    namespace = {}
    exec(compile(Path(path).read_text(), str(path), "exec"), namespace)
    faults = []
    for row in namespace["FAULTS"]:
        fid, path, find, replace, meaning = row
        faults.append({"id": fid, "file": path, "find": find, "replace": replace,
                       "meaning": meaning})
    return faults


def check_fault(fault):
    """The reasons a fault cannot be planted; empty when it can."""
    problems = []
    path = ROOT / fault["file"]
    if not path.is_file():
        return [f"file {fault['file']} does not exist"]
    count = path.read_text().count(fault["find"])
    if count == 0:
        problems.append("text not found")
    elif count > 1:
        problems.append(f"text found {count} times (make it unique)")
    if fault["find"] == fault["replace"]:
        problems.append("replacement equals the text")
    if folder_of(fault["file"]) is None:
        problems.append("no test programs mapped for this folder")
    return problems


def folder_of(path):
    best = None
    for prefix in TESTS_FOR:
        if path == prefix or path.startswith(prefix + "/"):
            if best is None or len(prefix) > len(best):
                best = prefix
    return best


def programs_for(path, wide, among=None):
    programs = _programs_for(path, wide)
    return [p for p in programs if among is None or p in among]


def _programs_for(path, wide):
    if wide:
        for prefix in sorted(LINKED, key=len, reverse=True):
            if path.startswith(prefix + "/"):
                return LINKED[prefix]
    return TESTS_FOR[folder_of(path)]


def group_of(path):
    """core/<layer>, cli, sim, gui/<part>: the folder used in the counts."""
    parts = path.split("/")
    return "/".join(parts[:2]) if parts[0] in ("core", "gui") else parts[0]


# ------------------------------------------------------------------------------ build and run

def run(cmd, timeout=None, cwd=None, env=None):
    """Runs cmd in its own process group; on a timeout or a stop the whole group is killed
    (test programs start the CLI and simulated units as children)."""
    proc = subprocess.Popen(cmd, cwd=cwd, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True, errors="replace",
                            start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
    except BaseException:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.communicate()
        raise
    return subprocess.CompletedProcess(cmd, proc.returncode, out, None)


def configure(build):
    if (build / "build.ninja").exists():
        return
    flags = ["-DCMAKE_BUILD_TYPE=RelWithDebInfo"]
    if shutil.which("ccache"):
        flags.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
    print(f"configuring {build} ...", flush=True)
    result = run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja"] + flags)
    if result.returncode != 0:
        sys.exit(f"cmake failed:\n{result.stdout}")


def targets_for(programs):
    targets = []
    for program in programs:
        for target in [program] + EXTRA_TARGETS.get(program, []):
            if target not in targets:
                targets.append(target)
    return targets


def build(build_dir, programs, jobs, timeout):
    """True when the programs built; the tail of the log otherwise."""
    return build_targets(build_dir, targets_for(programs), jobs, timeout)


def build_targets(build_dir, targets, jobs, timeout):
    cmd = ["ninja", "-C", str(build_dir), f"-j{jobs}"] + targets
    try:
        result = run(cmd, timeout=timeout)
    except subprocess.TimeoutExpired:
        return False, "build timed out"
    if result.returncode != 0:
        return False, "\n".join(result.stdout.splitlines()[-15:])
    return True, ""


def objects_of(build_dir, path):
    """The object files compiled from a source file (from compile_commands.json)."""
    source = (ROOT / path).resolve()
    try:
        entries = json.loads((build_dir / "compile_commands.json").read_text())
    except (OSError, ValueError):
        return []
    objects = []
    for entry in entries:
        if Path(entry["file"]).resolve() == source:
            match = re.search(r"\s-o\s+(\S+)", entry.get("command", ""))
            if match:
                objects.append(match.group(1))
    return objects


def run_program(build_dir, program, timeout):
    """(failed case names, timed out?) for one test program."""
    folder = build_dir / PROGRAM_DIR[program]
    exe = folder / program
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    qt = program.startswith("gui_")
    cmd = [str(exe)] if qt else [str(exe), "--gtest_brief=1"]
    try:
        result = run(cmd, timeout=timeout, cwd=folder, env=env)
    except subprocess.TimeoutExpired:
        return [f"{program}:<timeout>"], True
    failed = []
    for line in result.stdout.splitlines():
        if qt:
            match = QT_FAIL.match(line)
            name = match and match.group(1) + (match.group(2) or "")
        else:
            match = GTEST_FAILED.match(line)
            name = match and match.group(1)
        if name and name not in failed:
            failed.append(name)
    if result.returncode != 0 and not failed:
        # A crash, an abort or an exit before any case reported.
        failed.append(f"<exit {result.returncode}>")
    return [f"{program}:{name}" for name in failed], False


def run_programs(build_dir, programs, timeout):
    failed, deadline = [], time.monotonic() + timeout
    for program in programs:
        left = deadline - time.monotonic()
        if left <= 0:
            return failed, True
        cases, timed_out = run_program(build_dir, program, left)
        failed += cases
        if timed_out:
            return failed, True
    return failed, False


# ------------------------------------------------------------------------------ test files

def case_files():
    """GoogleTest suite and Qt Test class -> the test source file that defines it."""
    owners = {}
    suite = re.compile(r"^\s*(?:TEST|TEST_F|TEST_P|TYPED_TEST)\(\s*(\w+)\s*,", re.M)
    qt_class = re.compile(r"^class (\w+)\s*:\s*public QObject", re.M)
    for source in [*(ROOT / "tests").rglob("*.cpp"), *(ROOT / "bench").glob("*Test.cpp")]:
        text = source.read_text(errors="replace")
        rel = str(source.relative_to(ROOT))
        for name in suite.findall(text) + qt_class.findall(text):
            owners.setdefault(name, rel)
    return owners


def file_of_case(case, owners):
    program, _, name = case.partition(":")
    if name.startswith("<"):  # a program-level failure (crash, timeout)
        return program
    if program.startswith("gui_"):
        return owners.get(name.split("::")[0], program)
    # GoogleTest: [Prefix/]Suite[/n].Case[/n]
    suite_part = name.split(".")[0]
    for piece in reversed(suite_part.split("/")):
        if piece in owners:
            return owners[piece]
    return program


# ------------------------------------------------------------------------------ main

def compare_reports(before_path, after_path):
    """Faults killed in the first report and not in the second: what a cut lost."""
    def statuses(path):
        return {o["id"]: o["status"] for o in json.loads(Path(path).read_text())["faults"]}
    caught = ("killed", "timeout")
    before, after = statuses(before_path), statuses(after_path)
    lost = sorted(i for i, s in before.items() if s in caught and after.get(i) not in caught)
    gained = sorted(i for i, s in after.items() if s in caught and before.get(i) not in caught)
    missing = sorted(i for i in before if i not in after)
    print(f"before: {sum(s in caught for s in before.values())} of {len(before)} killed; "
          f"after: {sum(s in caught for s in after.values())} of {len(after)} killed")
    print(f"lost: {' '.join(lost) or 'none'}")
    print(f"newly killed: {' '.join(gained) or 'none'}")
    if missing:
        print(f"not in the second report: {' '.join(missing)}")
    return 1 if lost or missing else 0


def git_clean(paths):
    result = run(["git", "-C", str(ROOT), "status", "--porcelain", "--"] + sorted(paths))
    return result.stdout.strip()


def plant(fault, build_dir, args, baseline):
    path = ROOT / fault["file"]
    original = path.read_bytes()
    text = original.decode()
    programs = programs_for(fault["file"], args.wide, args.programs)
    outcome = {"id": fault["id"], "file": fault["file"], "meaning": fault["meaning"],
               "programs": programs, "killed_by": []}
    start = time.monotonic()
    try:
        path.write_text(text.replace(fault["find"], fault["replace"], 1))
        objects = objects_of(build_dir, fault["file"]) if args.compile_only else []
        if objects:  # a source file: compiling it is enough to know
            built, log = build_targets(build_dir, objects, args.jobs, args.build_timeout)
        else:  # a header (or a full run): build the programs
            built, log = build(build_dir, programs, args.jobs, args.build_timeout)
        if not built:
            outcome["status"] = "not compiled"
            outcome["build_log"] = log
        elif args.compile_only:
            outcome["status"] = "compiled"
        else:
            failed, timed_out = run_programs(build_dir, programs, args.timeout)
            outcome["killed_by"] = [c for c in failed if c not in baseline]
            if timed_out:
                outcome["status"] = "timeout"
            else:
                outcome["status"] = "killed" if outcome["killed_by"] else "survived"
    finally:
        path.write_bytes(original)
        if path.read_bytes() != original:
            sys.exit(f"could not restore {fault['file']}; restore it by hand (git checkout)")
    outcome["seconds"] = round(time.monotonic() - start, 1)
    return outcome


def summarise(outcomes, owners):
    per_file = defaultdict(lambda: {"killed": set(), "unique": set()})
    for o in outcomes:
        if o["status"] not in ("killed", "timeout"):
            continue
        files = {file_of_case(c, owners) for c in o["killed_by"]}
        for f in files:
            per_file[f]["killed"].add(o["id"])
            if len(files) == 1:
                per_file[f]["unique"].add(o["id"])
    return {f: {"faults_killed": sorted(v["killed"]), "killed_by_no_other_file": sorted(v["unique"])}
            for f, v in sorted(per_file.items())}


def print_summary(outcomes, per_file):
    print("\n==== mutation summary")
    for o in outcomes:
        killers = ", ".join(o["killed_by"][:4]) + (" ..." if len(o["killed_by"]) > 4 else "")
        print(f"{o['id']:6} {o['status']:12} {o['seconds']:6.1f}s  {o['meaning']}")
        if killers:
            print(f"{'':6} killed by ({len(o['killed_by'])}): {killers}")
    counts = defaultdict(int)
    for o in outcomes:
        counts[o["status"]] += 1
    total = len(outcomes)
    if counts["compiled"]:
        print(f"\n{counts['compiled']} of {total} faults compiled")
    print(f"\n{total} faults: {counts['killed']} killed, {counts['timeout']} killed by timeout, "
          f"{counts['survived']} survived, {counts['not compiled']} not compiled")
    if total:
        print(f"time per fault: {sum(o['seconds'] for o in outcomes) / total:.1f}s on average")
    print("\nper test file: faults killed / killed by no other file")
    for f, v in per_file.items():
        print(f"  {f}: {len(v['faults_killed'])} / {len(v['killed_by_no_other_file'])}"
              + (f"  ({' '.join(v['killed_by_no_other_file'])})"
                 if v["killed_by_no_other_file"] else ""))
    survivors = [o for o in outcomes if o["status"] == "survived"]
    if survivors:
        print("\nsurvivors:")
        for o in survivors:
            print(f"  {o['id']:6} {o['file']}: {o['meaning']}")
    broken = [o for o in outcomes if o["status"] == "not compiled"]
    if broken:
        print("\nnot compiled (fix the fault's replacement):")
        for o in broken:
            print(f"  {o['id']:6} {o['file']}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build-mutate",
                        help="build folder (configured RelWithDebInfo + ccache when missing)")
    parser.add_argument("--only", nargs="+", metavar="ID", help="plant only these faults")
    parser.add_argument("--folder", help="plant only faults in files under this folder")
    parser.add_argument("--jobs", type=int, default=1, help="ninja jobs (default 1)")
    parser.add_argument("--timeout", type=float, default=300,
                        help="seconds the test programs of one fault may run (default 300)")
    parser.add_argument("--build-timeout", type=float, default=3600,
                        help="seconds one rebuild may take (default 3600)")
    parser.add_argument("--nice", type=int, default=10, help="niceness of the run (default 10)")
    parser.add_argument("--wide", action="store_true",
                        help="run every test program that links the changed target")
    parser.add_argument("--programs", nargs="+", metavar="PROGRAM",
                        help="run only these test programs (faults none of them covers are left out)")
    parser.add_argument("--report", help="write a JSON report to this file")
    parser.add_argument("--compare", nargs=2, metavar=("BEFORE", "AFTER"),
                        help="compare two JSON reports: faults killed before but not after")
    parser.add_argument("--faults", default=str(FAULT_FILE),
                        help="the fault list (default scripts/mutation/faults.py)")
    parser.add_argument("--compile-only", action="store_true",
                        help="only check that each fault compiles (no link, no tests)")
    parser.add_argument("--check", action="store_true",
                        help="only validate the fault list against the tree")
    parser.add_argument("--list", action="store_true", help="list the faults and exit")
    args = parser.parse_args()
    if args.compare:
        return compare_reports(*args.compare)

    faults = load_faults(args.faults)
    ids = [f["id"] for f in faults]
    duplicates = sorted({i for i in ids if ids.count(i) > 1})
    if duplicates:
        sys.exit(f"duplicate fault ids: {' '.join(duplicates)}")
    if args.only:
        unknown = [i for i in args.only if i not in ids]
        if unknown:
            sys.exit(f"unknown fault ids: {' '.join(unknown)}")
        faults = [f for f in faults if f["id"] in args.only]
    if args.folder:
        folder = args.folder.rstrip("/")
        faults = [f for f in faults if f["file"].startswith(folder + "/")]

    bad = {f["id"]: check_fault(f) for f in faults}
    bad = {k: v for k, v in bad.items() if v}
    if args.list or args.check:
        per_group = defaultdict(int)
        for f in faults:
            per_group[group_of(f["file"])] += 1
            if args.list:
                print(f"{f['id']:6} {f['file']}: {f['meaning']}")
        for fid, problems in bad.items():
            fault = next(f for f in faults if f["id"] == fid)
            print(f"BAD {fid} ({fault['file']}): {'; '.join(problems)}")
        print("faults per folder: " + ", ".join(f"{g} {n}" for g, n in sorted(per_group.items())))
        print(f"{len(faults)} faults, {len(faults) - len(bad)} valid, {len(bad)} refused")
        return 1 if bad else 0
    if bad:
        for fid, problems in bad.items():
            print(f"refused {fid}: {'; '.join(problems)}")
        sys.exit("fix the fault list first (scripts/mutate.py --check)")
    if args.programs:
        faults = [f for f in faults if programs_for(f["file"], args.wide, args.programs)]
    if not faults:
        sys.exit("no faults selected")

    dirty = git_clean({f["file"] for f in faults})
    if dirty:
        sys.exit(f"these files differ from git; commit or stash them first:\n{dirty}")

    os.nice(args.nice)
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, on_signal)
    build_dir = Path(args.build)
    if not build_dir.is_absolute():
        build_dir = ROOT / build_dir
    configure(build_dir)

    # The unchanged tree first: cases failing already cannot count as kills.
    programs = []
    for f in faults:
        for p in programs_for(f["file"], args.wide, args.programs):
            if p not in programs:
                programs.append(p)
    baseline = []
    if not args.compile_only:
        print(f"building {len(programs)} test programs of the unchanged tree ...", flush=True)
        built, log = build(build_dir, programs, args.jobs, args.build_timeout)
        if not built:
            sys.exit(f"the unchanged tree does not build:\n{log}")
        baseline, _ = run_programs(build_dir, programs, args.timeout * len(programs))
    if baseline:
        print(f"failing without any fault (ignored): {', '.join(baseline)}")

    outcomes = []
    try:
        for n, fault in enumerate(faults, 1):
            print(f"[{n}/{len(faults)}] {fault['id']} {fault['file']}: {fault['meaning']}",
                  flush=True)
            outcome = plant(fault, build_dir, args, set(baseline))
            print(f"    {outcome['status']} in {outcome['seconds']}s"
                  + (f" by {len(outcome['killed_by'])} case(s)" if outcome["killed_by"] else ""),
                  flush=True)
            outcomes.append(outcome)
    except (KeyboardInterrupt, Stop) as stop:
        print(f"\nstopped ({stop or 'interrupted'}); the planted file was restored")

    owners = case_files()
    per_file = summarise(outcomes, owners)
    print_summary(outcomes, per_file)
    if args.report:
        report = {
            "faults": outcomes,
            "per_test_file": per_file,
            "survivors": [o["id"] for o in outcomes if o["status"] == "survived"],
            "not_compiled": [o["id"] for o in outcomes if o["status"] == "not compiled"],
            "baseline_failures": baseline,
        }
        Path(args.report).write_text(json.dumps(report, indent=2) + "\n")
        print(f"\nreport written to {args.report}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
