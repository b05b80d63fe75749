"""A command-line group run over 500 computers, one after the other and with
the default width, against stand-in servers on loopback:

  400 that answer like a copy of haltall (many ports of one small server
      that counts the commands it receives),
   50 whose port is refused,
   50 that never answer the connection request (a listener whose accept
      queue is kept full, so Linux drops further requests).

    python3 tests/bench/bench_group.py [HALTALL_EXE]     (default build/win64/haltall.exe)

Needs a Wine prefix and display (scripts/wine-env, start_wine_desktop). It
prints figures and never fails on them: it is a benchmark, not a test.
Every connection stays on 127.0.0.0/8."""
import os
import random
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', 'e2e'))
from fake_server import FakeServers  # noqa: E402

WINE_RUN = os.path.join(HERE, '..', '..', 'cmake', 'wine-run')
ANSWERING, REFUSED, SILENT = 400, 50, 50


def refused_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


def write_group(path, fakes):
    answering = [fakes.listen() for _ in range(ANSWERING)]
    silent = fakes.never_accepting('127.0.0.3')
    lines = ['127.0.0.1;;;%d;0;1;;\n' % port for port in answering]
    lines += ['127.0.0.2;;;%d;0;1;;\n' % refused_port() for _ in range(REFUSED)]
    lines += ['127.0.0.3;;;%d;0;1;;\n' % silent for _ in range(SILENT)]
    # Spread the slow ones through the list, as in a real building.
    random.Random(500).shuffle(lines)
    with open(path, 'w') as f:
        f.writelines(lines)
    return answering


def run(exe, width):
    fakes = FakeServers()
    try:
        with tempfile.TemporaryDirectory(prefix='bench-group-') as folder:
            group = os.path.join(folder, 'group.csv')
            answering = write_group(group, fakes)
            args = [WINE_RUN, exe, 'no_action', '-group', group, '-quiet']
            if width is not None:
                args += ['-parallel', str(width)]
            start = time.perf_counter()
            result = subprocess.run(args, cwd=folder, stdin=subprocess.DEVNULL,
                                    capture_output=True, env=dict(os.environ, WINEDEBUG='-all'))
            elapsed = time.perf_counter() - start
        actions = sum(fakes.doit_count(port) for port in answering)
        once = sum(fakes.doit_count(port) == 1 for port in answering)
    finally:
        fakes.close()
    if result.returncode not in (0, 2):
        raise SystemExit('haltall ended with %d:\n%s' % (result.returncode, result.stderr.decode(errors='replace')))
    label = '-parallel %d' % width if width is not None else 'default (16)'
    print('%-13s total %7.1f s  per live entry %6.1f ms  actions received %d (%d ports once)'
          '  exit code %d' % (label, elapsed, elapsed / ANSWERING * 1000, actions, once,
                              result.returncode))


def main():
    exe = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join('build', 'win64', 'haltall.exe'))
    print('group of %d: %d answering, %d refused, %d never accepted' %
          (ANSWERING + REFUSED + SILENT, ANSWERING, REFUSED, SILENT))
    run(exe, None)
    run(exe, 1)


if __name__ == '__main__':
    main()
