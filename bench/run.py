#!/usr/bin/env python3
"""Upload throughput on an emulated serial line: HBD and KX2 uploads by quillon7-cli against the
simulated units, and XMODEM-1K (lrzsz's sx/rx) over the same line, at 0 (unpaced), 115200 and
19200 baud.

    python3 bench/run.py [--build build-bench] [--quick] [--runs N] [--speech6m] [--json FILE]

Every transfer gets its own quillon7-line-emulator; the CLI (sx for XMODEM) talks to side A, the
simulated unit (rx) sits on side B. Seconds are wall time from starting the CLI (rx for XMODEM)
to its exit, median of --runs (3; --quick 1). XMODEM-1K carries the same payload as the HBD row
(the COMM image less its first 32 KiB, which HBD never sends).

bound: the wire time of every byte the emulator carried in both directions (10 bits a byte), plus
"Delay Between Packets" after each KX2 data frame; efficiency = bound / seconds.
floor: the same for HBD and XMODEM (stop-and-wait: nothing overlaps). For KX2 the host's writes
do not wait for the line, so a frame's wire time overlaps the pause after the one before; the
floor counts that overlap and the simulated unit's 250 ms image check before its final answer.
CPU and peak RSS are the CLI's (rx's for XMODEM), from os.wait4 and GNU time.
"""

import argparse
import datetime
import json
import os
import platform
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HBD_PAYLOAD = 1024
HBD_BOOT_AREA = 32768  # COMM images are sent from this offset on
KX2_FRAME = 1024  # "Max Packet Size" default
KX2_PAYLOAD = KX2_FRAME - 10
KX2_DELAY_S = 0.150  # "Delay Between Packets" default
KX2_ANSWER = 10  # the unit's frames without payload: "Begin Upload" and "upload complete"
KX2_UNIT_CHECK_S = 0.250  # the simulated KX2 unit checks its image this long before answering
MIB = 1024 * 1024
INI_TEXT = "[MISC]\nShow Upload Timing=1\n"  # as the defaults have it, written out explicitly


class Tools:
    def __init__(self, build):
        self.emulator = os.path.join(build, "bench", "quillon7-line-emulator")
        self.sample = os.path.join(build, "bench", "quillon7-bench-sample")
        self.cli = os.path.join(build, "cli", "quillon7-cli")
        self.sim = os.path.join(build, "sim", "quillon7-sim")
        self.sx = shutil.which("sx")
        self.rx = shutil.which("rx")
        missing = [p for p in (self.emulator, self.sample, self.cli, self.sim) if not os.access(p, os.X_OK)]
        if missing:
            sys.exit("missing programs (build them first: ninja -C %s quillon7-line-emulator "
                     "quillon7-bench-sample quillon7-cli quillon7-sim): %s" % (build, " ".join(missing)))
        if not self.sx or not self.rx:
            sys.exit("sx/rx not found: install Debian's lrzsz (scripts/install-deps.sh)")


class Emulator:
    """One quillon7-line-emulator; stop() returns the bytes carried A>B and B>A."""

    def __init__(self, tools, baud):
        self.proc = subprocess.Popen([tools.emulator, "--baud", str(baud)], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True)
        first = self.proc.stdout.readline().split()
        if len(first) != 2 or not first[0].startswith("A=") or not first[1].startswith("B="):
            self.proc.kill()
            raise RuntimeError("line emulator did not start: %r" % first)
        self.a = first[0][2:]
        self.b = first[1][2:]

    def stop(self):
        self.proc.stdin.close()
        last = self.proc.stdout.read().split()
        self.proc.wait(timeout=10)
        counts = dict(item.split("=") for item in last if "=" in item)
        return int(counts.get("A>B", 0)), int(counts.get("B>A", 0))


# A child forked from this Python process inherits Python's resident-set high-water mark, and
# the kernel carries it across exec into the child's ru_maxrss (about 16 MiB here). So the
# measured programs are started by GNU time when it is there: its own small fork gives the
# program a clean peak. CPU seconds come from os.wait4 either way.
GNU_TIME = "/usr/bin/time" if os.access("/usr/bin/time", os.X_OK) else None


def launch(argv, rusage_file, **kwargs):
    if GNU_TIME:
        argv = [GNU_TIME, "-f", "%M", "-o", rusage_file] + argv
    return subprocess.Popen(argv, start_new_session=True, **kwargs)


def wait_with_rusage(proc, timeout, rusage_file):
    """Waits for proc with os.wait4; returns (exit code, user s, system s, peak RSS KiB)."""
    # The time-out ends the whole group: GNU time and the program under it.
    timer = threading.Timer(timeout, lambda: os.killpg(proc.pid, signal.SIGKILL))
    timer.start()
    try:
        _, status, usage = os.wait4(proc.pid, 0)
    finally:
        timer.cancel()
    proc.returncode = os.waitstatus_to_exitcode(status)
    peak = usage.ru_maxrss
    if GNU_TIME:
        with open(rusage_file) as f:
            lines = [line for line in f.read().split("\n") if line.strip()]
        # GNU time reports the program's own exit status in a line of its own when it is not 0.
        peak = int(lines[-1]) if lines and lines[-1].strip().isdigit() else peak
    return proc.returncode, usage.ru_utime, usage.ru_stime, peak


def stop_process(proc):
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def make_sample(tools, kind, size, path):
    subprocess.run([tools.sample, kind, str(size), path], check=True)


def fresh_app_dir(work):
    app = tempfile.mkdtemp(prefix="app-", dir=work)
    with open(os.path.join(app, "Quillon.ini"), "w") as f:
        f.write(INI_TEXT)
    return app


def cli_upload(tools, work, baud, unit_args, upload_args, expect, timeout):
    """One upload by the CLI to a simulated unit through a fresh emulator. With `expect` the unit
    must end by itself and report that text; without, the CLI's exit status alone decides."""
    emu = Emulator(tools, baud)
    # The simulated KX2 unit's final answer follows its image check; it is stopped only once the
    # CLI is done, so no build of it can end before that answer is out.
    until = ["--exit-after-boards", "1"] if expect else []
    sim = subprocess.Popen([tools.sim] + unit_args + ["--device", emu.b] + until,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    try:
        ready = sim.stdout.readline()
        if "ready" not in ready:
            raise RuntimeError("simulated unit did not start: %r" % ready)
        app = fresh_app_dir(work)
        out_path = os.path.join(app, "cli.out")
        with open(out_path, "w") as out:
            start = time.monotonic()
            rusage_file = os.path.join(app, "rusage.txt")
            cli = launch([tools.cli, "upload", "--port", emu.a, "--app-dir", app,
                          "--baud", str(baud or 115200), "--quiet"] + upload_args,
                         rusage_file, stdout=out, stderr=subprocess.STDOUT)
            rc, user, system, rss = wait_with_rusage(cli, timeout, rusage_file)
            seconds = time.monotonic() - start
        if not expect:
            stop_process(sim)
        try:
            report, _ = sim.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            stop_process(sim)
            report = sim.stdout.read()
        if rc != 0 or expect not in report:
            with open(out_path) as f:
                raise RuntimeError("upload failed (exit %d); CLI said:\n%s\nunit said:\n%s%s"
                                   % (rc, f.read()[-2000:], ready, report))
    finally:
        stop_process(sim)
        a_to_b, b_to_a = emu.stop()
    return {"seconds": seconds, "cpu": user + system, "rss_kib": rss, "wire_bytes": a_to_b + b_to_a}


def hbd_run(tools, work, baud, kind, packets, timeout):
    flag, sample_kind, offset, name = {
        "comm": ("--comm", "comm", HBD_BOOT_AREA, "COMM"),
        "speech": ("--speech", "speech", 0, "SPEECH"),
    }[kind]
    path = os.path.join(work, "BENCH_%s_%d.bin" % (name, packets))
    if not os.path.exists(path):
        make_sample(tools, sample_kind, offset + packets * HBD_PAYLOAD, path)
    expect = "%s, %d bytes in %d packets" % (name, packets * HBD_PAYLOAD, packets)
    return cli_upload(tools, work, baud, ["hbd"], [flag, path], expect, timeout)


def kx2_run(tools, work, baud, size, timeout):
    path = os.path.join(work, "BENCH%d.kx" % size)
    if not os.path.exists(path):
        make_sample(tools, "kx", size, path)
    return cli_upload(tools, work, baud, ["kx2"], ["--kx", path], "", timeout)


def xmodem_run(tools, work, baud, size, timeout):
    """rx -c OUT < B > B and sx -k FILE < A > A; ends when rx exits with the file intact."""
    src = os.path.join(work, "xmodem_%d.bin" % size)
    if not os.path.exists(src):
        make_sample(tools, "speech", size, src)
    with open(src, "rb") as f:
        payload = f.read()
    dst = os.path.join(tempfile.mkdtemp(prefix="rx-", dir=work), "received.bin")
    emu = Emulator(tools, baud)
    a_fd = os.open(emu.a, os.O_RDWR | os.O_NOCTTY)
    b_fd = os.open(emu.b, os.O_RDWR | os.O_NOCTTY)
    log = open(os.path.join(work, "lrzsz.log"), "a")
    # rx goes first: it sends its 'C' and then flushes its input, so on an unpaced line a sender
    # already waiting would have its first block thrown away (and rx would wait 13 s for it). The
    # 'C' waits on side A until sx, which does not flush, reads it.
    rusage_file = os.path.join(os.path.dirname(dst), "rusage.txt")
    start = time.monotonic()
    rx = launch([tools.rx, "-c", "-b", "-q", os.path.basename(dst)], rusage_file, stdin=b_fd,
                stdout=b_fd, stderr=log, cwd=os.path.dirname(dst))
    sx = subprocess.Popen([tools.sx, "-k", "-q", src], stdin=a_fd, stdout=a_fd, stderr=log)
    try:
        rc, user, system, rss = wait_with_rusage(rx, timeout, rusage_file)
        seconds = time.monotonic() - start
        with open(dst, "rb") as f:
            received = f.read()
        if rc != 0 or received != payload:
            raise RuntimeError("XMODEM transfer failed (rx exit %d, %d of %d bytes)"
                               % (rc, len(received), len(payload)))
    finally:
        # sx often waits for an acknowledgement that rx's tty flush on exit swallowed.
        stop_process(sx)
        stop_process(rx)
        os.close(a_fd)
        os.close(b_fd)
        log.close()
        a_to_b, b_to_a = emu.stop()
    return {"seconds": seconds, "cpu": user + system, "rss_kib": rss, "wire_bytes": a_to_b + b_to_a}


def wire_seconds(byte_count, baud):
    return byte_count * 10 / baud if baud else 0.0


def kx2_floor(baud, payload, frames, wire):
    """The least time a KX2 upload can take when, as here, the host's writes do not wait for the
    line: the start handshake, then whichever ends later, the host's pause after its last frame
    or the last frame's arrival plus the unit's check and final answer."""
    data_bytes = payload + frames * (KX2_FRAME - KX2_PAYLOAD)
    handshake = wire_seconds(wire - data_bytes - KX2_ANSWER, baud)
    last_frame = wire_seconds(payload - (frames - 1) * KX2_PAYLOAD + KX2_FRAME - KX2_PAYLOAD, baud)
    last_arrival = max((frames - 1) * KX2_DELAY_S + last_frame, wire_seconds(data_bytes, baud))
    answered = last_arrival + KX2_UNIT_CHECK_S + wire_seconds(KX2_ANSWER, baud)
    return handshake + max(frames * KX2_DELAY_S, answered)


def summarize(label, protocol, baud, payload, packets, runs, extra_bound_s):
    seconds = statistics.median(r["seconds"] for r in runs)
    wire = statistics.median(r["wire_bytes"] for r in runs)
    bound = wire_seconds(wire, baud) + extra_bound_s
    floor = kx2_floor(baud, payload, packets, wire) if protocol == "KX2" else bound
    return {
        "line": label, "protocol": protocol, "baud": baud, "payload": payload, "packets": packets,
        "runs": len(runs), "seconds": seconds, "all_seconds": [round(r["seconds"], 3) for r in runs],
        "per_packet_ms": 1000 * seconds / packets, "wire_bytes": int(wire), "bound": bound,
        "efficiency": bound / seconds if bound > 0 else None,
        "floor": floor, "floor_efficiency": floor / seconds if floor > 0 else None,
        "cpu": statistics.median(r["cpu"] for r in runs),
        "rss_mib": max(r["rss_kib"] for r in runs) / 1024,
    }


def repeat(count, fn):
    results = []
    for _ in range(count):
        results.append(fn())
    return results


def plan(quick):
    # line: (HBD packets, KX2 bytes); XMODEM-1K sends the HBD payload (packets x 1024 bytes).
    if quick:
        return [(0, 64, 64 * KX2_PAYLOAD), (115200, 64, 64 * KX2_PAYLOAD), (19200, 32, 16 * KX2_PAYLOAD)]
    return [(0, 480, 300000), (115200, 480, 300000), (19200, 32, 32 * KX2_PAYLOAD)]


def timeout_for(wire_bytes, baud, pauses_s=0.0):
    return 60 + 2 * (wire_seconds(wire_bytes, baud) + pauses_s)


def measure(tools, work, quick, runs, speech6m, only):
    rows = []
    for baud, hbd_packets, kx2_bytes in plan(quick):
        label = "unpaced" if baud == 0 else str(baud)
        est = hbd_packets * 1040
        if "hbd" in only:
            res = repeat(runs, lambda: hbd_run(tools, work, baud, "comm", hbd_packets,
                                               timeout_for(est, baud)))
            rows.append(summarize(label, "HBD COMM", baud, hbd_packets * HBD_PAYLOAD, hbd_packets, res, 0.0))
            print_progress(rows[-1])
        if "xmodem" in only:
            res = repeat(runs, lambda: xmodem_run(tools, work, baud, hbd_packets * HBD_PAYLOAD,
                                                  timeout_for(est, baud)))
            rows.append(summarize(label, "XMODEM-1K", baud, hbd_packets * HBD_PAYLOAD, hbd_packets, res, 0.0))
            print_progress(rows[-1])
        if "kx2" in only:
            frames = -(-kx2_bytes // KX2_PAYLOAD)
            res = repeat(runs, lambda: kx2_run(tools, work, baud, kx2_bytes,
                                               timeout_for(frames * KX2_FRAME, baud, frames * KX2_DELAY_S)))
            rows.append(summarize(label, "KX2", baud, kx2_bytes, frames, res, frames * KX2_DELAY_S))
            print_progress(rows[-1])
    if speech6m:
        packets = 6 * MIB // HBD_PAYLOAD
        res = [hbd_run(tools, work, 115200, "speech", packets, timeout_for(packets * 1040, 115200))]
        rows.append(summarize("115200", "HBD SPEECH 6 MiB", 115200, packets * HBD_PAYLOAD, packets, res, 0.0))
        print_progress(rows[-1])
    return rows


def print_progress(row):
    print("  %-8s %-17s runs %s s" % (row["line"], row["protocol"], row["all_seconds"]), file=sys.stderr, flush=True)


def table(rows):
    xmodem = {r["baud"]: r["seconds"] for r in rows if r["protocol"] == "XMODEM-1K"}
    head = ("| line | protocol | payload bytes | packets | runs | seconds (median) | ms/packet | "
            "wire bytes | bound s | efficiency | floor s | vs floor | HBD / XMODEM-1K | CPU s | CPU % | "
            "peak RSS MiB |")
    lines = [head, "|" + "---|" * (head.count("|") - 1)]

    def ratio(value):
        return "%.3f" % value if value is not None else "n/a"

    for r in rows:
        versus = ""
        if r["protocol"] == "HBD COMM" and r["baud"] in xmodem:
            versus = "%.3f" % (r["seconds"] / xmodem[r["baud"]])
        cpu_pct = 100 * r["cpu"] / r["seconds"] if r["seconds"] > 0 else 0
        who = " (rx)" if r["protocol"] == "XMODEM-1K" else ""
        lines.append("| %s | %s | %d | %d | %d | %.3f | %.2f | %d | %.3f | %s | %.3f | %s | %s | %.2f%s | %.1f | %.1f%s |" % (
            r["line"], r["protocol"], r["payload"], r["packets"], r["runs"], r["seconds"],
            r["per_packet_ms"], r["wire_bytes"], r["bound"], ratio(r["efficiency"]), r["floor"],
            ratio(r["floor_efficiency"]), versus, r["cpu"], who, cpu_pct, r["rss_mib"], who))
    return "\n".join(lines)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(os.path.dirname(here), "build-bench"),
                        help="build folder with the programs (default: build-bench beside bench/)")
    parser.add_argument("--quick", action="store_true", help="one run per row, smaller files")
    parser.add_argument("--runs", type=int, help="runs per row (default 3, --quick 1)")
    parser.add_argument("--speech6m", action="store_true",
                        help="add a 6 MiB SPEECH upload at 115200 (about 9.5 minutes)")
    parser.add_argument("--only", default="hbd,kx2,xmodem", help="comma list of hbd, kx2, xmodem (none: only the --speech6m row)")
    parser.add_argument("--json", help="also write the rows to this file")
    parser.add_argument("--nice", type=int, default=0,
                        help="run everything at this niceness (negative needs root): on a machine "
                             "busy with other work, each turnaround otherwise waits for a CPU")
    args = parser.parse_args()
    if args.nice:
        os.setpriority(os.PRIO_PROCESS, 0, args.nice)  # the programs started below inherit it
    tools = Tools(os.path.abspath(args.build))
    runs = args.runs or (1 if args.quick else 3)
    only = set(args.only.split(","))
    work = tempfile.mkdtemp(prefix="quillon-bench-")
    started = time.monotonic()
    load_before = os.getloadavg()[0]
    try:
        rows = measure(tools, work, args.quick, runs, args.speech6m, only)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%s, %s %s, %d cores, %s mode, niceness %d, %.0f s in all, load average %.2f before, "
          "%.2f after" % (datetime.datetime.now().strftime("%Y-%m-%d %H:%M"), platform.system(),
                          platform.release(), os.cpu_count(), "quick" if args.quick else "full",
                          os.getpriority(os.PRIO_PROCESS, 0), time.monotonic() - started,
                          load_before, os.getloadavg()[0]))
    print(table(rows))
    if args.json:
        with open(args.json, "w") as f:
            json.dump(rows, f, indent=1)


if __name__ == "__main__":
    main()
