"""CPU time of an armed trigger over 60 s: the idle trigger (with its load
and traffic conditions on, so that every reading is taken) beside an armed
schedule, both run at the same time so that the machine's noise falls on both.

    python3 tests/bench/bench_triggers.py HALTALL_EXE

Needs a Wine prefix and display (scripts/wine-env, start_wine_desktop); it is
a benchmark: it prints figures and never fails on them."""
import os
import subprocess
import sys
import tempfile
import time

# Runs a Windows program with the Wine loader of its machine type; it ends
# in exec, so the process started is the program's own.
WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'cmake', 'wine-run')
SETTLE_SECONDS = 5
MEASURED_SECONDS = 60


def cpu_seconds(pid):
    """User and system time of the process so far."""
    with open('/proc/%d/stat' % pid) as stat:
        fields = stat.read().rsplit(')', 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf('SC_CLK_TCK')


def main():
    exe = sys.argv[1]
    armed = {
        'idle': ['no_action', '-idle', '1440', '-idle_cpu', '100', '-idle_net', '1000000'],
        'schedule': ['no_action', '-scheduled', '-seconds', '86400'],
    }
    with tempfile.TemporaryDirectory() as folder:
        runs = {name: subprocess.Popen([WINE_RUN, exe] + args + ['-simulate', '-quiet'], cwd=folder,
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
                for name, args in armed.items()}
        try:
            time.sleep(SETTLE_SECONDS)
            start = {name: cpu_seconds(run.pid) for name, run in runs.items()}
            time.sleep(MEASURED_SECONDS)
            used = {name: cpu_seconds(run.pid) - start[name] for name, run in runs.items()}
        finally:
            for run in runs.values():
                run.kill()
                run.wait()
    ratio = used['idle'] / used['schedule'] if used['schedule'] else float('inf')
    print('%-34s %10.2f s  schedule %7.2f s  ratio %5.2f  (CPU over %d s)'
          % ('armed idle trigger', used['idle'], used['schedule'], ratio, MEASURED_SECONDS))


if __name__ == '__main__':
    main()
