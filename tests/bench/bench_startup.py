"""Start-up, maintenance-command time, exe size and idle memory of haltall.exe
beside floor programs under the same Wine: one line per figure with the
figure, its floor and their ratio. Paired runs (program, floor, program, ...)
so that the machine's noise falls on both; medians. The floors are built for
the program's machine type, and Wine's loader of that type runs both.

    python3 tests/bench/bench_startup.py HALTALL_EXE FLOOR_DIR

Needs a Wine prefix and display (scripts/wine-env, start_wine_desktop); it is
a benchmark: it prints figures and never fails on them."""
import os
import statistics
import subprocess
import sys
import tempfile
import time

WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'cmake', 'wine-run')
RUNS = 20
MEMORY_RUNS = 5
SETTLE_SECONDS = 3
SIZE_LIMIT = 200 * 1024


def run_time(command, cwd):
    start = time.perf_counter()
    subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    return time.perf_counter() - start


def memory_kb(pid):
    """Resident and private (resident, not shared with another process) memory."""
    fields = {}
    with open('/proc/%d/smaps_rollup' % pid) as rollup:
        for line in rollup:
            name, _, rest = line.partition(':')
            if rest.strip().endswith('kB'):
                fields[name] = int(rest.split()[0])
    return fields['Rss'], fields['Private_Clean'] + fields['Private_Dirty']


def idle_memory_kb(command, cwd):
    # wine-run ends in exec: the process started is the Windows program's own.
    process = subprocess.Popen(command, cwd=cwd, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(SETTLE_SECONDS)
        return memory_kb(process.pid)
    finally:
        process.kill()
        process.wait()


def paired_runs(measure, program, floor, runs, cwd):
    ours, theirs = [], []
    measure(program, cwd)  # warm both: the first run pays for the disk cache
    measure(floor, cwd)
    for _ in range(runs):
        ours.append(measure(program, cwd))
        theirs.append(measure(floor, cwd))
    return ours, theirs


def paired(measure, program, floor, runs, cwd):
    ours, theirs = paired_runs(measure, program, floor, runs, cwd)
    return statistics.median(ours), statistics.median(theirs)


def report(name, figure, floor, unit, goal):
    ratio = figure / floor if floor else float('inf')
    verdict = 'ok' if ratio <= goal else 'OVER'
    print('%-34s %12s  floor %12s  ratio %5.2f  (goal <= %.2f, %s)'
          % (name, unit(figure), unit(floor), ratio, goal, verdict))


def seconds(value):
    return '%.3f s' % value


def kilobytes(value):
    return '{:,} KB'.format(int(value))


def size_bytes(value):
    return '{:,} B'.format(int(value))


def main():
    haltall, floors = sys.argv[1:3]
    wine = WINE_RUN
    dialog = os.path.join(floors, 'floor_dialog.exe')
    saves = os.path.join(floors, 'floor_save.exe')
    cwd = tempfile.mkdtemp(prefix='haltall-bench-')

    figure, floor = paired(run_time, [wine, haltall, 'no_action', '-quiet', '-simulate'],
                           [wine, dialog, '-exit'], RUNS, cwd)
    report('start to exit, no_action -quiet', figure, floor, seconds, 1.10)

    figure, floor = paired(run_time, [wine, haltall, '-save_settings'], [wine, saves], RUNS, cwd)
    report('-save_settings start to exit', figure, floor, seconds, 1.10)
    for command in ([wine, haltall, '-remove_settings'],
                    ['/usr/lib/wine/wine64', 'reg', 'delete', r'HKCU\Software\HaltallBenchFloor', '/f']):
        subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    report('exe size (floor: the limit)', os.path.getsize(haltall), SIZE_LIMIT, size_bytes, 1.0)

    # Floor: the program's own main dialog, shown with no logic behind it.
    ours, theirs = paired_runs(idle_memory_kb, [wine, haltall],
                               [wine, os.path.join(floors, 'floor_main_dialog.exe')], MEMORY_RUNS, cwd)
    for index, name in ((0, 'idle main window, resident'), (1, 'idle main window, private')):
        report(name, statistics.median(m[index] for m in ours),
               statistics.median(m[index] for m in theirs), kilobytes, 1.10)


if __name__ == '__main__':
    main()
