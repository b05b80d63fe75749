"""A command-line group run over 5,000 computers with the default settings,
against stand-in servers on loopback:

  4,000 that answer like a copy of haltall (many ports of one small server
        that counts the commands it receives),
    500 whose port is refused,
    500 that never answer the connection request (a listener whose accept
        queue is kept full, so Linux drops further requests).

It prints the time, and the peak resident memory and thread count of the
program, sampled while it runs. Then the same mix over 500 computers runs
twice, without and with -report (CSV), and the difference is the report's
cost (goal: under 5 % of the run; the two runs' own spread is part of it).

    python3 tests/bench/bench_group.py [HALTALL_EXE] [--report-only]
        (default build/win64-release/haltall.exe; --report-only skips the 5,000)

Needs a Wine prefix and display (scripts/wine-env, start_wine_desktop). It
prints figures and never fails on them: it is a benchmark, not a test.
Every connection stays on 127.0.0.0/8."""
import os
import random
import socket
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', 'e2e'))
from fake_server import FakeServers  # noqa: E402

WINE_RUN = os.path.join(HERE, '..', '..', 'cmake', 'wine-run')
ANSWERING, REFUSED, SILENT = 4000, 500, 500
SCALE_500 = 10  # the report runs: a tenth of each kind


def refused_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


def write_group(path, fakes, scale=1):
    answering = [fakes.listen() for _ in range(ANSWERING // scale)]
    # Each silent computer a port of its own: a computer listed twice is handled once.
    silent = [fakes.never_accepting('127.0.0.3') for _ in range(SILENT // scale)]
    lines = ['127.0.0.1;;;%d;0;1;;\n' % port for port in answering]
    lines += ['127.0.0.2;;;%d;0;1;;\n' % refused_port() for _ in range(REFUSED // scale)]
    lines += ['127.0.0.3;;;%d;0;1;;\n' % port for port in silent]
    # Spread the slow ones through the list, as in a real building.
    random.Random(5000).shuffle(lines)
    with open(path, 'w') as f:
        f.writelines(lines)
    return answering


class Peaks:
    """Samples a process's resident memory and thread count until it ends.
    wine-run ends in exec, so the process started is the Windows program."""

    def __init__(self, pid):
        self.pid, self.memory_kb, self.threads = pid, 0, 0
        self.done = threading.Event()
        self.thread = threading.Thread(target=self._sample)
        self.thread.start()

    def _sample(self):
        while not self.done.wait(0.05):
            try:
                with open('/proc/%d/status' % self.pid) as status:
                    fields = dict(line.split(':', 1) for line in status)
            except (OSError, ValueError):
                continue
            self.memory_kb = max(self.memory_kb, int(fields.get('VmRSS', '0 kB').split()[0]))
            self.threads = max(self.threads, int(fields.get('Threads', '0')))

    def stop(self):
        self.done.set()
        self.thread.join()


def run_once(exe, folder, group, *extra):
    """One command-line run over the group: its time, peaks and exit code."""
    start = time.perf_counter()
    process = subprocess.Popen([WINE_RUN, exe, 'no_action', '-group', group, '-quiet', *extra],
                               cwd=folder, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                               env=dict(os.environ, WINEDEBUG='-all'))
    peaks = Peaks(process.pid)
    _, errors = process.communicate()
    elapsed = time.perf_counter() - start
    peaks.stop()
    if process.returncode not in (0, 2):
        raise SystemExit('haltall ended with %d:\n%s' % (process.returncode, errors.decode(errors='replace')))
    return elapsed, peaks, process.returncode


def run(exe):
    fakes = FakeServers()
    try:
        with tempfile.TemporaryDirectory(prefix='bench-group-') as folder:
            group = os.path.join(folder, 'group.csv')
            answering = write_group(group, fakes)
            elapsed, peaks, code = run_once(exe, folder, group)
        actions = sum(fakes.doit_count(port) for port in answering)
        once = sum(fakes.doit_count(port) == 1 for port in answering)
    finally:
        fakes.close()
    print('%-34s %10.1f s  (goal < 60 s, %s)  peak %s KB resident, %d threads;'
          ' actions received %d (%d ports once), exit code %d'
          % ('group run, %d computers' % (ANSWERING + REFUSED + SILENT), elapsed,
             'ok' if elapsed < 60 else 'OVER', '{:,}'.format(peaks.memory_kb), peaks.threads,
             actions, once, code))


def run_report(exe):
    fakes = FakeServers()
    try:
        with tempfile.TemporaryDirectory(prefix='bench-report-') as folder:
            group = os.path.join(folder, 'group.csv')
            write_group(group, fakes, SCALE_500)
            report = os.path.join(folder, 'report.csv')
            plain, _, _ = run_once(exe, folder, group)
            reported, _, code = run_once(exe, folder, group, '-report', report)
            with open(report, encoding='utf-8-sig') as f:
                rows = sum(1 for _ in f) - 1
            size = os.path.getsize(report)
    finally:
        fakes.close()
    cost = (reported - plain) / plain * 100
    print('%-34s %10.1f s without, %.1f s with -report: %+.1f %% (goal < 5 %%, %s);'
          ' %d rows, %s bytes, exit code %d'
          % ('group run with -report, %d' % ((ANSWERING + REFUSED + SILENT) // SCALE_500),
             plain, reported, cost, 'ok' if cost < 5 else 'OVER', rows, '{:,}'.format(size), code))


def main():
    args = [a for a in sys.argv[1:] if a != '--report-only']
    exe = os.path.abspath(args[0] if args else os.path.join('build', 'win64-release', 'haltall.exe'))
    if '--report-only' not in sys.argv:
        print('group of %d: %d answering, %d refused, %d never accepted' %
              (ANSWERING + REFUSED + SILENT, ANSWERING, REFUSED, SILENT))
        run(exe)
    run_report(exe)


if __name__ == '__main__':
    main()
