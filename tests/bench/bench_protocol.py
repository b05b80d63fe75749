"""Pipelined commands per second through the real remote-control server,
beside the minimal WSAAsyncSelect echo server under the same Wine, the
rate at which wrong passwords are answered, and what one challenge-response
login costs.

    python3 tests/bench/bench_protocol.py HALTALL_EXE ECHO_SERVER_EXE

Both of one machine type (the echo server is built with the tests), each run
by Wine's loader of that type.

Needs a Wine prefix and display (scripts/wine-env, start_wine_desktop). It
prints figures and never fails on them: it is a benchmark, not a test."""
import base64
import hashlib
import hmac
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


LOGINS = 20


def login_costs(port, process):
    """Medians over LOGINS logins, in ms: the server's part of a
    challenge-response login (the round trips of SCRAM_FIRST and
    SCRAM_FINAL), a VERSION round trip beside it, and a PASSWORD in clear
    checked against the verifier, which costs the server one PBKDF2 of the
    password: the work a client does for each login."""
    login, version, clear = [], [], []
    for i in range(LOGINS):
        sock = connect(port, process)
        with sock, sock.makefile('rb') as reader:
            reader.readline()  # the welcome

            def ask(line):
                start = time.perf_counter()
                sock.sendall(line.encode() + b'\r\n')
                reply = reader.readline().decode().rstrip('\r\n')
                return reply, (time.perf_counter() - start) * 1000

            version.append(ask('VERSION')[1])
            nonce = base64.b64encode(os.urandom(24)).decode()
            first, first_ms = ask('SCRAM_FIRST n,,n=bench,r=' + nonce)
            fields = dict(part.split('=', 1) for part in first[4:].split(','))
            salted = hashlib.pbkdf2_hmac('sha256', b'secret', base64.b64decode(fields['s']),
                                         int(fields['i']))
            client_key = hmac.new(salted, b'Client Key', 'sha256').digest()
            without_proof = 'c=biws,r=' + fields['r']
            auth = 'n=bench,r=%s,%s,%s' % (nonce, first[4:], without_proof)
            signature = hmac.new(hashlib.sha256(client_key).digest(), auth.encode(),
                                 'sha256').digest()
            proof = base64.b64encode(bytes(a ^ b for a, b in zip(client_key, signature)))
            final, final_ms = ask('%s,p=%s' % ('SCRAM_FINAL ' + without_proof, proof.decode()))
            if not final.startswith('201 v='):
                raise SystemExit('the login failed: ' + final)
            login.append(first_ms + final_ms)
            clear.append(ask('PASSWORD secret')[1])
            ask('QUIT')
    median = lambda values: sorted(values)[len(values) // 2]
    return median(login), median(version), median(clear)


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
        login, version, clear = login_costs(port, process)
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
    print('SCRAM login:        %9.2f ms on the server (SCRAM_FIRST and SCRAM_FINAL round trips; '
          'one VERSION round trip: %.2f ms)' % (login, version))
    print('SCRAM login:        %9.2f ms on the client (one PBKDF2 of the password, measured as '
          'the server checking PASSWORD in clear)' % clear)


if __name__ == '__main__':
    main()
