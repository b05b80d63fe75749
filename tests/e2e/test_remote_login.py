"""The challenge-response login between two copies and against other peers:
what crosses the wire (over IPv4 and IPv6), old peers on either side,
-secure and -remote_secure_only, and a replayed login. Every connection
stays on 127.0.0.1 or ::1."""
import base64
import hashlib
import hmac
import re
import socket
import threading
import unittest

from test_remote_control import OK, WELCOME, Peer, RemoteControlTestCase
from test_remote_robustness import MisbehavingServer


class Relay:
    """Passes one connection between a client and a server and keeps every
    byte that crosses it."""

    def __init__(self, test, server_port, host='127.0.0.1'):
        self.host = host
        family = socket.AF_INET6 if ':' in host else socket.AF_INET
        self.listener = socket.create_server((host, 0), family=family)
        self.port = self.listener.getsockname()[1]
        self.wire = b''
        test.addCleanup(self.listener.close)
        self.thread = threading.Thread(target=self.serve, args=(server_port,), daemon=True)
        self.thread.start()

    def serve(self, server_port):
        client, _ = self.listener.accept()
        server = socket.create_connection((self.host, server_port))

        def pump(source, sink):
            while True:
                data = source.recv(65536)
                if not data:
                    sink.shutdown(socket.SHUT_WR)
                    return
                self.wire += data
                sink.sendall(data)

        other = threading.Thread(target=pump, args=(server, client), daemon=True)
        other.start()
        pump(client, server)
        other.join(10)
        client.close()
        server.close()


class LoginTest(RemoteControlTestCase):

    def client(self, port, *options):
        return self.run_haltall('no_action', '-remote', '127.0.0.1', '-port', str(port),
                                '-password', 'secret', '-quiet', '-debug', *options)

    def assert_login_kept_secret(self, wire):
        """Neither the password nor anything of its verifier crossed the wire."""
        self.assertIn('SCRAM_FINAL c=biws,', wire)
        self.assertNotIn('secret', wire)
        # The verifier's keys follow from the salt and count the server sent.
        salt, count = re.search(r'201 r=[^,]+,s=([^,]+),i=(\d+)', wire).groups()
        salted = hashlib.pbkdf2_hmac('sha256', b'secret', base64.b64decode(salt), int(count))
        client_key = hmac.new(salted, b'Client Key', 'sha256').digest()
        for key in (hashlib.sha256(client_key).digest(),
                    hmac.new(salted, b'Server Key', 'sha256').digest()):
            self.assertNotIn(base64.b64encode(key).decode(), wire)
            self.assertNotIn(key.decode('latin-1'), wire)

    def test_the_password_never_crosses_the_wire_and_a_replay_is_refused(self):
        _, port, observer = self.serve('-remote_pswd', 'secret')
        observer.close()
        relay = Relay(self, port)
        self.assertEqual(self.client(relay.port).returncode, 0)
        relay.thread.join(10)
        wire = relay.wire.decode('latin-1')
        self.assert_login_kept_secret(wire)
        self.assertIn('DOIT', wire)

        # The captured final message logs nobody in a second time.
        final = re.search(r'(SCRAM_FINAL [^\r\n]+)\n', wire).group(1)
        peer = self.connect(port)
        self.assertEqual(peer.command(final), '501 No exchange started')
        first = peer.command('SCRAM_FIRST n,,n=haltall,r=' + final.split(',r=')[1][:32])
        self.assertTrue(first.startswith('201 r='), first)
        self.assertEqual(peer.command(final), '501 Invalid password')
        self.assertEqual(peer.command('SHOW'), '501 Access is denied')

    def test_over_ipv6_a_client_logs_in_and_acts(self):
        server, port, observer = self.serve('-remote_pswd', 'secret',
                                            '-remote_allow', 'fd00::/8, ::1/128', host='::1')
        observer.close()
        stranger = Peer(port)  # 127.0.0.1: outside the IPv6 ranges
        self.assertTrue(stranger.closed())
        stranger.close()
        relay = Relay(self, port, host='::1')
        client = self.run_haltall('reboot', '-simulate', '-remote', '[::1]:%d' % relay.port,
                                  '-password', 'secret', '-quiet', '-debug')
        self.assertEqual(client.returncode, 0)
        relay.thread.join(10)
        wire = relay.wire.decode('latin-1')
        self.assert_login_kept_secret(wire)
        for command in ('ACTION REBOOT', 'SIMULATE ON', 'DOIT'):
            self.assertIn('\n' + command + '\n', wire)
        self.wait_for_log('ERROR: ExitWindowsEx(EWX_REBOOT, reason=0x80000000)')  # what a simulated reboot reports
        # An address alone, without brackets, names the computer too.
        client = self.run_haltall('no_action', '-remote', '::1', '-port', str(port),
                                  '-password', 'secret', '-quiet', '-debug')
        self.assertEqual(client.returncode, 0)
        log = self.log_lines()
        self.assertIn('Connecting to ::1, port %d' % relay.port, log)
        self.assertIn('Connecting to ::1, port %d' % port, log)
        self.assertIn('Listening on IPv6 and IPv4', log)
        events = self.end(server).events
        self.assertIn((4, 'Initiating REBOOT'), events)
        self.assertIn((2, 'Remote control: 1 connection from 127.0.0.1 refused in the last '
                          'minute: the address is not allowed'), events)

    def test_an_old_style_client_unless_the_server_refuses_passwords_in_clear(self):
        _, port, peer = self.serve('-remote_pswd', 'secret')
        self.assertEqual(peer.command('PASSWORD secret'), OK)
        _, port, peer = self.serve('-remote_pswd', 'secret', '-remote_secure_only')
        self.assertEqual(peer.command('PASSWORD secret'),
                         '501 Passwords in clear text are refused: log in with SCRAM_FIRST')
        self.assertEqual(self.client(port).returncode, 0)

    def test_an_old_server_gets_the_password_in_clear_unless_secure(self):
        def old(line):
            if line == 'VERSION':
                return ['201 3.0.2.0\r\n']
            return ['501 Invalid command\r\n' if line.startswith('SCRAM_') else OK + '\r\n']

        server = MisbehavingServer(self, old)
        self.assertEqual(self.client(server.port).returncode, 0)
        server.thread.join(10)
        self.assertEqual(server.received[2], 'PASSWORD secret')
        self.assertEqual(server.received[-1], 'DOIT')

        server = MisbehavingServer(self, old)
        run = self.client(server.port, '-secure')
        server.thread.join(10)
        self.assertEqual(run.returncode, 2)
        self.assertNotIn('PASSWORD secret', server.received)
        self.assertIn('ERROR: The remote computer offers no login that keeps the password off '
                      'the wire, and -secure forbids sending it in clear', self.log_lines())


if __name__ == '__main__':
    unittest.main(verbosity=2)
