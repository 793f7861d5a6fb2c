#!/usr/bin/env python3
"""Benchmark for qor: builds the Release program, makes the inputs and prints,
for each workload, wall time, words per second, user-space instructions
(callgrind), read and write calls (strace) and peak memory (/usr/bin/time).
It also builds the program with the portable word scan and linked
statically, and measures what each changes.

Run from anywhere: python3 bench/bench.py [--runs N]
"""
import argparse
import os
import random
import re
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "bench", "out")
QOR = os.path.join(ROOT, "build", "qor")
# Other builds: the portable word scan that processors without SSE2 use, and
# the statically linked program.
VARIANTS = {"portable": ("build-portable", ["-DQOR_PORTABLE_SCAN=ON"]),
            "static": ("build-static", ["-DQOR_STATIC=ON"])}
PROMPT = b" _>>"

W1_WORDS = ["help", "version", "copyright", "HELP", "foo", "Version", "x" * 40,
            "helpme", "copyrightx"]


def build():
    for step in (["cmake", "--preset", "default"],
                 ["cmake", "--build", "--preset", "default"]):
        subprocess.run(step, cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    for folder, flags in VARIANTS.values():
        path = os.path.join(ROOT, folder)
        subprocess.run(["cmake", "-S", ROOT, "-B", path, "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_TESTING=OFF",
                        *flags], check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", path], check=True,
                       stdout=subprocess.DEVNULL)


def variant(name):
    return os.path.join(ROOT, VARIANTS[name][0], "qor")


def make_inputs():
    """W1: a million random words, 1 to 4 to a line, then exit; W2: one 64 MiB
    word, then version."""
    os.makedirs(OUT, exist_ok=True)
    w1 = os.path.join(OUT, "w1.txt")
    w2 = os.path.join(OUT, "w2.txt")
    if not os.path.exists(w1):
        rng = random.Random(1)
        lines, n = [], 0
        while n < 1_000_000:
            k = min(rng.randint(1, 4), 1_000_000 - n)
            lines.append(" ".join(rng.choice(W1_WORDS) for _ in range(k)))
            n += k
        lines.append("exit")
        with open(w1, "w") as f:
            f.write("\n".join(lines) + "\n")
    if not os.path.exists(w2):
        with open(w2, "wb") as f:
            block = b"y" * (1 << 20)
            for _ in range(64):
                f.write(block)
            f.write(b" version")
    return w1, w2


def feed_file(path):
    """Runs a command with standard input from path, output to /dev/null."""
    def go(cmd):
        with open(path, "rb") as stdin:
            r = subprocess.run(cmd, stdin=stdin, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, check=False)
        if r.returncode != 0:
            sys.exit(f"{cmd[0]} failed with status {r.returncode}")
        return r.stderr
    return go


def feed_words(words):
    """Runs a command and sends it one word at a time through a pipe, each
    after the previous prompt arrived; returns its standard error."""
    def go(cmd):
        p = subprocess.Popen(cmd, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE)
        out = p.stdout.fileno()

        def until_prompt():
            got = b""
            while not got.endswith(PROMPT):
                chunk = os.read(out, 65536)
                if not chunk:
                    sys.exit("qor ended early")
                got += chunk

        until_prompt()
        start = time.perf_counter()
        for word in words:
            p.stdin.write(word + b"\n")
            p.stdin.flush()
            until_prompt()
        go.elapsed = time.perf_counter() - start
        p.stdin.write(b"exit\n")
        p.stdin.close()
        p.stdout.read()
        err = p.stderr.read()
        p.wait()
        return err
    return go


def wall(feed, runs, program=None):
    """Best and median seconds of runs runs."""
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        feed([program or QOR])
        times.append(getattr(feed, "elapsed", time.perf_counter() - start))
    return min(times), statistics.median(times)


def instructions(feed, program=None):
    err = feed(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null",
                program or QOR])
    return int(re.search(rb"Collected : (\d+)", err).group(1))


def syscalls(feed):
    """qor's reads of standard input and writes to standard output (the
    dynamic loader's own reads of libraries do not count)."""
    with tempfile.NamedTemporaryFile(mode="r") as log:
        feed(["strace", "-e", "trace=read,write", "-o", log.name, QOR])
        lines = log.read().splitlines()
    return (sum(line.startswith("read(0,") for line in lines),
            sum(line.startswith("write(1,") for line in lines))


def peak_kib(feed, program=None, runs=3):
    """Peak resident memory, with address space randomization off for the
    run: where the loader places the libraries otherwise moves the figure by
    up to 200 KiB from one run to the next."""
    peaks = []
    for _ in range(runs):
        err = feed(["setarch", "-R", "/usr/bin/time", "-v", program or QOR])
        peaks.append(int(re.search(
            rb"Maximum resident set size \(kbytes\): (\d+)", err).group(1)))
    return min(peaks)


def copy_ratio(w1, runs):
    """qor's best time on W1 against cat's best time copying qor's own W1
    output to /dev/null, the two run in turns."""
    out = os.path.join(OUT, "w1.out")
    with open(w1, "rb") as stdin, open(out, "wb") as stdout:
        subprocess.run([QOR], stdin=stdin, stdout=stdout, check=True)
    qor_feed, cat_feed = feed_file(w1), feed_file(out)
    best_qor = best_cat = float("inf")
    for _ in range(runs):
        start = time.perf_counter()
        cat_feed(["cat"])
        best_cat = min(best_cat, time.perf_counter() - start)
        start = time.perf_counter()
        qor_feed([QOR])
        best_qor = min(best_qor, time.perf_counter() - start)
    return best_qor, best_cat, os.path.getsize(out)


def output_bytes(path):
    with open(path, "rb") as stdin:
        return len(subprocess.run([QOR], stdin=stdin, stdout=subprocess.PIPE).stdout)


def row(name, value, target=None, ok=None):
    mark = "" if ok is None else ("  ok" if ok else "  MISSED")
    goal = f"  (target {target})" if target else ""
    print(f"  {name:<28}{value}{goal}{mark}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()
    build()
    w1, w2 = make_inputs()
    print(f"qor benchmark: {os.uname().machine}, {os.cpu_count()} cores, "
          f"{os.path.relpath(QOR, ROOT)} ({os.path.getsize(QOR)} bytes)")
    missed = 0

    def check(ok):
        nonlocal missed
        missed += not ok
        return ok

    rng = random.Random(4)
    w4 = [rng.choice(W1_WORDS).encode() for _ in range(2000)]
    kib3 = peak_kib(feed_file("/dev/null"))
    for name, feed, path, words in (
            ("W1 batch, 1,000,001 words from a file", feed_file(w1), w1, 1_000_001),
            ("W2 one 64 MiB word, then version", feed_file(w2), w2, 2),
            ("W3 start-up, input /dev/null", feed_file("/dev/null"), "/dev/null", 0),
            ("W4 interactive, 2,000 words through a pipe", feed_words(w4), None, 2001)):
        print(name)
        best, median = wall(feed, args.runs if path else 3)
        if path is None:
            row("round trip best / median",
                f"{best / len(w4) * 1e6:.1f} us / {median / len(w4) * 1e6:.1f} us")
            row("round trips per second", f"{len(w4) / median:,.0f}")
        else:
            row("wall best / median", f"{best * 1e3:.2f} ms / {median * 1e3:.2f} ms")
        if path == w2:
            row("input per second", f"{os.path.getsize(w2) / median / 2**20:,.0f} MiB")
        elif words:
            row("words per second", f"{words / median:,.0f}")
        ins = instructions(feed)
        reads, writes = syscalls(feed)
        kib = peak_kib(feed)
        calls = f"{reads} + {writes} = {reads + writes}"
        if name.startswith("W1"):
            in_bytes, out_bytes = os.path.getsize(path), output_bytes(path)
            row("instructions per word", f"{ins / words:.1f}", "<= 100",
                check(ins / words <= 100))
            best_qor, best_cat, size = copy_ratio(path, args.runs)
            row("cat of its output, best", f"{best_cat * 1e3:.2f} ms "
                f"for {size / 2**20:.1f} MiB")
            row("qor / cat, best times", f"{best_qor / best_cat:.2f}",
                "<= 2.0", check(best_qor / best_cat <= 2.0))
            pins = instructions(feed, variant("portable"))
            row("portable scan: per word", f"{pins / words:.1f}")
            limit = (in_bytes + out_bytes) // 32768 + 16
            row("read + write calls", calls, f"<= {limit}",
                check(reads + writes <= limit))
        elif name.startswith("W2"):
            in_bytes = os.path.getsize(path)
            row("instructions per input byte", f"{ins / in_bytes:.2f}", "<= 8",
                check(ins / in_bytes <= 8))
            pins = instructions(feed, variant("portable"))
            row("portable scan: per byte", f"{pins / in_bytes:.2f}", "<= 2",
                check(pins / in_bytes <= 2))
            row("read + write calls", calls)
            # A run on empty input never fills the two 64 KiB buffers.
            row("peak memory vs W3", f"{kib} KiB vs {kib3} KiB",
                "<= W3 + 128 KiB", check(kib <= kib3 + 128))
        elif name.startswith("W3"):
            row("instructions, start to exit", f"{ins:,}", "<= 200,000",
                check(ins <= 200_000))
            row("read + write calls", calls)
            static = variant("static")
            row("static build: instructions",
                f"{instructions(feed, static):,}")
            row("static build: peak memory", f"{peak_kib(feed, static)} KiB")
            row("static build: wall best",
                f"{wall(feed, args.runs, static)[0] * 1e3:.2f} ms")
        else:
            row("instructions per word", f"{ins / words:.1f}")
            # Per word one read and one write; then the first prompt's write,
            # the read of "exit" and the write of its line feed.
            n = len(w4)
            row("read calls", f"{reads}", f"<= {n + 1}", check(reads <= n + 1))
            row("write calls", f"{writes}", f"<= {n + 2}", check(writes <= n + 2))
        row("peak resident memory", f"{kib} KiB", "<= 2048 KiB", check(kib <= 2048))

    print("all targets met" if missed == 0 else f"{missed} targets missed")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
