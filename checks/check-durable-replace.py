#!/usr/bin/env python3
"""Traces the Linux calls of programs that rewrite configuration and database files under Wine
and checks that every rename of a temporary file onto its target follows a flush (fsync or
fdatasync) of everything written to it. A rename without that flush could, after a power cut,
leave the configuration's name on blocks that never reached the disk.

Usage: check-durable-replace.py WINE_LOADER 'PROGRAM [ARG...]' [...]
Both the programs and the running wineserver (which does the renames) are traced. Exits 77
(skipped) where strace cannot trace them.
"""
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIPPED = 77

CALL = re.compile(r'^\d+\s+[\d.]+\s+(\w+)\((.*)')
CALLS = "trace=write,pwrite64,writev,fsync,fdatasync,rename,renameat,renameat2"
FD_PATH = re.compile(r'^\d+<([^>]*)>')
QUOTED = re.compile(r'"((?:[^"\\]|\\.)*)"')


def skip(why):
    print(f"check-durable-replace: skipped: {why}", file=sys.stderr)
    sys.exit(SKIPPED)


def wineserver_pid():
    prefix = os.environ.get("WINEPREFIX", "")
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            name = open(f"/proc/{pid}/comm").read().strip()
            environ = open(f"/proc/{pid}/environ", "rb").read().split(b"\0")
        except OSError:
            continue
        if name.startswith("wineserver") and f"WINEPREFIX={prefix}".encode() in environ:
            return pid
    return None


def normal(path):
    # The server names files through the prefix's drive links, the program through their targets.
    return os.path.realpath(path)


def stamp(line):
    words = line.split()
    try:
        return float(words[1])
    except (IndexError, ValueError):
        return 0.0


def check(trace):
    dirty = {}  # path -> written since its last flush
    checked, faults = [], []
    for line in trace:
        m = CALL.match(line)
        if not m:
            continue
        call, args = m.group(1), m.group(2)
        if call in ("write", "pwrite64", "writev", "fsync", "fdatasync"):
            fd = FD_PATH.match(args)
            if fd:
                dirty[normal(fd.group(1))] = call not in ("fsync", "fdatasync")
        elif call in ("rename", "renameat", "renameat2"):
            names = [bytes(n, "utf-8").decode("unicode_escape") for n in QUOTED.findall(args)]
            if len(names) < 2 or "= -1" in line:
                continue
            source = normal(names[0])
            if source in dirty:
                checked.append(source)
                if dirty[source]:
                    faults.append(f"{source} renamed onto {names[1]} with unflushed data")
    return checked, faults


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    loader, programs = sys.argv[1], sys.argv[2:]
    if not shutil.which("strace"):
        skip("strace is not installed")
    server = wineserver_pid()
    if not server:
        skip("no wineserver runs on this prefix")
    with tempfile.TemporaryDirectory() as folder:
        log = os.path.join(folder, "trace.txt")
        tracer = subprocess.Popen(["strace", "-f", "-qq", "-y", "-ttt", "-o", log, "-e", CALLS, "-p", server], stdin=subprocess.DEVNULL, stderr=subprocess.PIPE)
        time.sleep(1)  # attached before the programs start
        if tracer.poll() is not None:
            skip("strace cannot attach here: " + tracer.stderr.read().decode(errors="replace").strip())
        try:
            for program in programs:
                words = shlex.split(program)
                run = subprocess.run(["strace", "-f", "-qq", "-y", "-ttt", "-o", log + ".program", "-e", CALLS,
                                      loader] + words, stdin=subprocess.DEVNULL, capture_output=True, timeout=300)
                if run.returncode != 0:
                    print(run.stdout.decode(errors="replace"), run.stderr.decode(errors="replace"))
                    print(f"check-durable-replace: {words[0]} failed", file=sys.stderr)
                    return 1
                with open(log + ".program") as part, open(log + ".programs", "a") as whole:
                    whole.write(part.read())
        finally:
            time.sleep(0.5)
            tracer.send_signal(signal.SIGINT)
            tracer.wait(timeout=30)
        # The two traces are merged by the time stamp that every line of both carries.
        trace = []
        for name in (log, log + ".programs"):
            with open(name) as f:
                trace += f.readlines()
    checked, faults = check(sorted(trace, key=stamp))
    for fault in faults:
        print("check-durable-replace:", fault, file=sys.stderr)
    kinds = {"configuration file": [s for s in checked if s.endswith("1")],
             "database file": [s for s in checked if s.endswith(".new")]}
    for kind, renames in kinds.items():
        print(f"check-durable-replace: {len(renames)} replacements of a {kind} traced")
        if not renames:
            print(f"check-durable-replace: no replacement of a {kind} was traced", file=sys.stderr)
            return 1
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
