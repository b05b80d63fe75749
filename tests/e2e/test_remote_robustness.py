"""Peers that try to crash, confuse or out-guess the remote-control server,
and servers that misbehave towards the client. Every connection stays on
127.0.0.1."""
import os
import socket
import struct
import threading
import time
import unittest

from harness import wintool
from test_remote_control import OK, WELCOME, Peer, RemoteControlTestCase, free_port

CLOSED = 'Connection closed by the remote computer'


class HostileServerTest(RemoteControlTestCase):
    """The server runs without -quiet, as the installed service does: any
    error it showed would be a message box."""

    def wait_until(self, condition, what, timeout=30):
        deadline = time.time() + timeout
        while not condition():
            if time.time() > deadline:
                self.fail('never happened: ' + what)
            time.sleep(0.2)

    def assert_still_serving(self, run, port):
        self.assertIsNone(run.process.poll())
        peer = self.connect(port)
        self.assertEqual(peer.command('VERSION'), '201 3.0.2.0')
        self.assertNotIn('Error start', self.log_lines())

    def test_a_peer_that_never_reads_is_disconnected(self):
        run, port, _ = self.serve(quiet=False)
        hog = socket.socket()
        hog.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        hog.connect(('127.0.0.1', port))
        self.addCleanup(hog.close)
        try:
            hog.sendall(b'HELP\n' * 20000)
        except (ConnectionResetError, BrokenPipeError):
            pass  # disconnected while still sending
        self.wait_until(lambda: any(line.startswith('The peer leaves its replies unread')
                                    for line in self.log_lines()), 'the hog disconnected')
        self.assert_still_serving(run, port)

    def test_peers_that_send_and_reset_at_once(self):
        run, port, _ = self.serve(quiet=False)
        for _ in range(300):
            peer = socket.create_connection(('127.0.0.1', port))
            peer.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack('ii', 1, 0))
            peer.send(b'HELP\n')
            peer.close()
        self.assert_still_serving(run, port)

    def test_a_wrong_password_waits_and_is_reported(self):
        run, port, peer = self.serve('-remote_pswd', 'secret', quiet=False)
        peer.send('PASSWORD guess\r\nVERSION\r\n')
        self.assertEqual(peer.lines(2), ['501 Invalid password', '201 3.0.2.0'])
        log = self.log_lines()
        # The command behind the password ran only once the answer was due.
        self.assertLess(log.index('Wrong password, answered in 1000 ms'),
                        log.index('ProcessClientCommand start, command=VERSION'))
        self.assertEqual(peer.command('PASSWORD secret'), OK)
        self.assertIn((2, 'Remote control: 1 wrong password from 127.0.0.1 in the last minute'),
                      self.end(run).events)

    def test_a_guesser_who_reconnects_waits_for_the_delay(self):
        _, port, guesser = self.serve('-remote_pswd', 'secret', quiet=False)
        guesser.send('PASSWORD guess\r\n')
        self.wait_for_log('Wrong password, answered in 1000 ms')
        # The next connection cuts the guess off, but not its delay: even
        # the right password waits for its end before it is checked.
        peer = self.connect(port)
        self.assertEqual(peer.command('PASSWORD secret'), OK)
        log = self.log_lines()
        waited = [line for line in log if line.startswith('Password checked in ')]
        self.assertEqual(len(waited), 1, log)
        self.assertLess(log.index('Wrong password, answered in 1000 ms'), log.index(waited[0]))

    def test_without_a_password_nothing_is_chosen_to_run(self):
        run, port, peer = self.serve(quiet=False)
        for line in ('RUNPRG on', 'PROGRAM cmd.exe /c echo x > C:\\pwned.txt', 'DIRECTORY c:\\',
                     'SOUNDFILE c:\\a.wav'):
            self.assertEqual(peer.command(line),
                             '501 Not allowed while remote control has no password', line)
        self.assertEqual(peer.command('RUNPRG off'), OK)
        self.assertIn((2, 'Remote control listens on port %d without a password: anyone who can '
                          'connect can shut this computer down' % port), self.end(run).events)

    def test_an_authenticated_session_survives_a_flood_of_connections(self):
        _, port, peer = self.serve('-remote_pswd', 'secret', quiet=False)
        self.assertEqual(peer.command('PASSWORD secret'), OK)

        def flood():
            for _ in range(100):
                with socket.create_connection(('127.0.0.1', port)):
                    pass
        threads = [threading.Thread(target=flood) for _ in range(4)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(peer.command('SHOW', 31)[0], '201 These settings are currently in effect')
        self.assertIn('Connection from 127.0.0.1 refused: an authenticated peer is connected',
                      self.log_lines())


class MisbehavingServer:
    """A fake server of the protocol: greets, then answers each line with
    answer(line), which returns the bytes to send (a list of pieces sent
    apart) or None to close the connection."""

    def __init__(self, test, answer, greet=True):
        self.listener = socket.create_server(('127.0.0.1', 0))
        self.port = self.listener.getsockname()[1]
        self.received = []
        test.addCleanup(self.listener.close)
        self.thread = threading.Thread(target=self.serve, args=(answer, greet), daemon=True)
        self.thread.start()

    def serve(self, answer, greet):
        connection, _ = self.listener.accept()
        with connection, connection.makefile('rb') as reader:
            if not greet:
                return
            connection.sendall((WELCOME + '\r\n').encode())
            for raw in reader:
                line = raw.decode('latin-1').rstrip('\n')
                self.received.append(line)
                pieces = answer(line)
                if pieces is None:
                    return
                for piece in pieces:
                    try:
                        connection.sendall(piece.encode('latin-1'))
                    except OSError:
                        return  # the client gave up
                    time.sleep(0.2)


def split(reply):
    """A reply sent in two pieces: '25' and '0 OK\\r\\n'."""
    return [reply[:2], reply[2:] + '\r\n']


class ClientFacingBadServersTest(RemoteControlTestCase):

    def client(self, port, *options):
        return self.run_haltall('no_action', '-remote', '127.0.0.1', '-port', str(port),
                                '-debug', *options)

    def test_what_the_client_reports(self):
        def version_then(answer):
            return lambda line: split('201 3.0.2.0') if line == 'VERSION' else answer(line)

        cases = [
            ('closed before its greeting', None, False, [CLOSED]),
            ('replies split over reads', lambda line: split('201 3.0.2.0' if line == 'VERSION'
                                                            else OK), True, []),
            ('an error without text', version_then(lambda line: ['501\r\n']), True, ['501']),
            ('closed after ACTION', version_then(
                lambda line: None if line.startswith('ACTION') else [OK + '\r\n']), True, [CLOSED]),
            ('an unreadable version', lambda line: ['201 banana\r\n'], True,
             ['The remote computer sent an unreadable version (banana)']),
            # Its first 500 bytes pass for a reply; the rest has no end.
            ('an endless line', version_then(lambda line: ['250 OK' + ' ' * 40000]
                                             if line.startswith('PASSWORD') else None), True,
             ['The remote computer sent more than 16384 bytes without a line end']),
        ]
        for name, answer, greet, errors in cases:
            with self.subTest(name):
                server = MisbehavingServer(self, answer, greet)
                run = self.client(server.port, '-quiet')
                server.thread.join(10)
                self.assertEqual(self.logged_errors(), errors)
                self.assertEqual(run.returncode, 2 if errors else 0)
                if not errors:
                    self.assertEqual(server.received[-1], 'DOIT')
                self.clear_log()

    def clear_log(self):
        os.remove(os.path.join(self.dir, 'haltall.log'))

    def test_the_user_sees_a_lost_connection(self):
        server = MisbehavingServer(self, lambda line: None)
        run = self.start('no_action', '-remote', '127.0.0.1', '-port', str(server.port),
                         from_shortcut=True)
        box = wintool('msgbox', 'haltall', 20000)
        run.wait()
        self.assertEqual(box.stdout, CLOSED)

    def test_a_silent_address_ends_after_the_connect_time_out(self):
        # A full accept queue: Linux drops further connection requests.
        listener = socket.create_server(('127.0.0.1', 0), backlog=0)
        self.addCleanup(listener.close)
        port = listener.getsockname()[1]
        waiting = []
        for _ in range(3):
            s = socket.socket()
            s.setblocking(False)
            s.connect_ex(('127.0.0.1', port))
            waiting.append(s)
            self.addCleanup(s.close)
        time.sleep(0.5)
        self.assertEqual(self.client(port, '-quiet').returncode, 2)
        self.assertEqual(self.logged_errors(), ['connect(): Connection timed out (10060)'])


class AllowListTest(RemoteControlTestCase):

    def test_an_address_outside_the_allow_list_gets_no_welcome(self):
        run, port, peer = self.serve('-remote_allow', '127.0.0.2, ::1', quiet=False,
                                     source='127.0.0.2')
        self.assertEqual(peer.command('VERSION'), '201 3.0.2.0')
        for source in ('127.0.0.1', '127.0.0.3', '127.0.0.1'):
            stranger = Peer(port, source=source)
            self.assertTrue(stranger.closed(), source)  # not even the welcome
            stranger.close()
        # The welcomed peer was not disturbed.
        self.assertEqual(peer.command('VERSION'), '201 3.0.2.0')
        self.wait_for_log('Connection from 127.0.0.1 refused: the address is not allowed', count=2)
        self.assertIn('Connections are taken only from: 127.0.0.2, ::1', self.log_lines())
        refused = [text for _, text in self.end(run).events if 'refused' in text]
        self.assertEqual(refused, [
            'Remote control: 1 connection from %s refused in the last minute: the address is not '
            'allowed' % source for source in ('127.0.0.1', '127.0.0.3')])


if __name__ == '__main__':
    unittest.main(verbosity=2)
