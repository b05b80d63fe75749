"""Start-up, maintenance-command time, exe size and idle memory of haltall.exe
beside floor programs under the same Wine: one line per figure with the
figure, its floor and their ratio. Paired runs (program, floor, program, ...)
so that the machine's noise falls on both; medians.

    python3 tests/bench/bench_startup.py WINE_LOADER HALTALL_EXE FLOOR_DIR [SHIPPED_EXE]

SHIPPED_EXE (default HALTALL_EXE) is the exe whose size is reported.

Needs a Wine prefix and display (scripts/wine-env, start_wine_desktop); it is
a benchmark: it prints figures and never fails on them."""
import os
import statistics
import subprocess
import sys
import tempfile
import time

RUNS = 20
MEMORY_RUNS = 5
SETTLE_SECONDS = 3
SIZE_LIMIT = 200 * 1024


def run_time(command, cwd):
    start = time.perf_counter()
    subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    return time.perf_counter() - start


def resident_kb(pid):
    with open('/proc/%d/status' % pid) as status:
        for line in status:
            if line.startswith('VmRSS:'):
                return int(line.split()[1])
    return 0


def idle_resident_kb(command, cwd):
    process = subprocess.Popen(command, cwd=cwd, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(SETTLE_SECONDS)
        return resident_kb(process.pid)
    finally:
        process.kill()
        process.wait()


def paired(measure, program, floor, runs, cwd):
    ours, theirs = [], []
    measure(program, cwd)  # warm both: the first run pays for the disk cache
    measure(floor, cwd)
    for _ in range(runs):
        ours.append(measure(program, cwd))
        theirs.append(measure(floor, cwd))
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
    wine, haltall, floors = sys.argv[1:4]
    shipped = sys.argv[4] if len(sys.argv) > 4 else haltall
    dialog = os.path.join(floors, 'floor_dialog.exe')
    saves = os.path.join(floors, 'floor_save.exe')
    cwd = tempfile.mkdtemp(prefix='haltall-bench-')

    figure, floor = paired(run_time, [wine, haltall, 'no_action', '-quiet', '-simulate'],
                           [wine, dialog, '-exit'], RUNS, cwd)
    report('start to exit, no_action -quiet', figure, floor, seconds, 1.15)

    figure, floor = paired(run_time, [wine, haltall, '-save_settings'], [wine, saves], RUNS, cwd)
    report('-save_settings start to exit', figure, floor, seconds, 1.2)
    for command in ([haltall, '-remove_settings'],
                    ['reg', 'delete', r'HKCU\Software\HaltallBenchFloor', '/f']):
        subprocess.run([wine] + command, cwd=cwd, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    report('exe size (floor: the limit)', os.path.getsize(shipped), SIZE_LIMIT, size_bytes, 1.0)

    figure, floor = paired(idle_resident_kb, [wine, haltall], [wine, dialog], MEMORY_RUNS, cwd)
    report('idle main window, resident', figure, floor, kilobytes, 1.2)
    # For scale: themed controls load the common controls, whatever else a
    # dialog program does.
    themed = [wine, os.path.join(floors, 'floor_themed.exe'), '-button']
    floor = statistics.median(idle_resident_kb(themed, cwd) for _ in range(MEMORY_RUNS))
    print('%-34s %12s  (a one-button dialog with the same manifest)' % (
        '  the smallest themed dialog', kilobytes(floor)))


if __name__ == '__main__':
    main()
