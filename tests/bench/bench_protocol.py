"""Pipelined commands per second through the real remote-control server,
beside the minimal WSAAsyncSelect echo server under the same Wine, and the
rate at which wrong passwords are answered.

    python3 tests/bench/bench_protocol.py HALTALL_EXE ECHO_SERVER_EXE

Both of one machine type (the echo server is built with the tests), each run
by Wine's loader of that type.

Needs a Wine prefix and display (scripts/wine-env, start_wine_desktop). It
prints figures and never fails on them: it is a benchmark, not a test."""
import os
import socket
import subprocess
import sys
import threading
import time

WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'cmake', 'wine-run')
COMMANDS = 20000
ROUNDS = 3


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


def connect(port, process):
    deadline = time.time() + 30
    while True:
        try:
            return socket.create_connection(('127.0.0.1', port), timeout=30)
        except ConnectionRefusedError:
            if time.time() > deadline or process.poll() is not None:
                raise SystemExit('the server on port %d never listened' % port)
            time.sleep(0.2)


def pipelined_rate(sock, skip_lines):
    """Sends COMMANDS lines at once from one thread while another reads the
    replies; returns lines per second."""
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    buffer = b''
    while buffer.count(b'\r\n') < skip_lines:  # a welcome line
        buffer += sock.recv(65536)
    payload = b'VERSION\r\n' * COMMANDS

    def writer():
        sock.sendall(payload)

    start = time.perf_counter()
    thread = threading.Thread(target=writer)
    thread.start()
    received = 0
    while received < COMMANDS:
        data = sock.recv(1 << 20)
        if not data:
            raise SystemExit('the server closed the connection after %d replies' % received)
        received += data.count(b'\n')
    elapsed = time.perf_counter() - start
    thread.join()
    return COMMANDS / elapsed


def measure(command, port, skip_lines):
    process = subprocess.Popen([WINE_RUN] + command, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        rates = []
        for _ in range(ROUNDS):
            sock = connect(port, process)
            with sock:
                rates.append(pipelined_rate(sock, skip_lines))
        return max(rates)
    finally:
        process.kill()
        process.wait()


GUESS_SECONDS = 35


def guesses_per_second(port, process):
    """Wrong passwords pipelined on one connection for GUESS_SECONDS: how
    many answers came back, and the rate."""
    sock = connect(port, process)
    with sock:
        sock.sendall(b'PASSWORD guess\r\n' * 1000)
        sock.settimeout(1)
        received = b''
        start = time.perf_counter()
        while time.perf_counter() - start < GUESS_SECONDS:
            try:
                received += sock.recv(65536)
            except socket.timeout:
                pass
        return received.count(b'501 Invalid password'), time.perf_counter() - start


def main():
    haltall, echo = sys.argv[1:3]
    for path in (haltall, echo):
        if not os.path.exists(path):
            raise SystemExit('%s is missing: scripts/bench builds it' % path)

    port = free_port()
    server = measure([haltall, '-service', '-allow_remote', '-remote_port', str(port), '-quiet'],
                     port, 1)
    port = free_port()
    baseline = measure([echo, str(port)], port, 0)
    port = free_port()
    process = subprocess.Popen([WINE_RUN, haltall, '-service', '-allow_remote', '-remote_port',
                                str(port), '-remote_pswd', 'secret', '-quiet'],
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        guesses, seconds = guesses_per_second(port, process)
    finally:
        process.kill()
        process.wait()
    print('%d pipelined VERSION commands per round, best of %d rounds' % (COMMANDS, ROUNDS))
    print('haltall server:     %9.0f commands/s' % server)
    print('echo server:        %9.0f lines/s' % baseline)
    print('ratio:              %9.2f' % (server / baseline))
    print('password guesses:   %9.3f/s (%d answered in %.0f s on one connection)'
          % (guesses / seconds, guesses, seconds))


if __name__ == '__main__':
    main()
