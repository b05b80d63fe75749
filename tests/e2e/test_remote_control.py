"""Remote control over TCP as its users meet it: a Linux client talking to a
copy that runs as a service, one copy driving another, and the socket
errors a user is shown. Every connection stays on 127.0.0.1."""
import os
import re
import socket
import subprocess
import threading
import time
import unittest

from harness import HaltallTestCase, HALTALL_COMMAND, wine_env, wintool

WELCOME = '201 Welcome to Haltall 3.0.2.0 created by Telmarin'
OK = '250 OK'
DENIED = '501 Access is denied'
NO_PASSWORD = '501 Not allowed while remote control has no password'
BUSY = '501 Server busy with another client, try again later'

HELP = [
    'You can use the following commands to control Haltall',
    'QUIT\tTerminates the connection',
    'HELP\tShows this help',
    'PASSWORD p\tAuthenticates the client with a password',
    'SCRAM_FIRST m\tStarts a login without the password in clear (SCRAM-SHA-256)',
    "SCRAM_FINAL m\tCompletes that login with the client's proof",
    'ACTION a\tThe action to perform (logoff,reboot,shutdown,poweroff,standby,hibernate,lock,wol,'
    'monitor_off,monitor_on,no_action,abort)',
    'WHO w\tWho must perform the action (local,remote)',
    'WHEN w\tWhen must the action be performed (immediate,scheduled,after_process)',
    'SIMULATE s\tSimulate the action (on,off)',
    'COMPUTER c\tThe remote computer name',
    'MAC m\tThe remote computer mac address (WOL)',
    'IP i\tThe remote computer ip address (WOL)',
    'SUBNET s\tThe remote computer subnet mask (WOL)',
    'WARNING w\tShow warning before doing the action (on,off)',
    'WARNTIME w\tThe number of seconds to show the warning',
    'MESSAGE m\tThe warning message',
    'PLAYSOUND p\tPlay a sound when showing the warning (on,off)',
    'SOUNDFILE s\tThe WAV file to play',
    'RUNPRG r\tRuns a program before doing the action (on,off)',
    'PROGRAM p\tThe program to run',
    'DIRECTORY d\tThe startup directory for the program',
    'SCHEDULE s\tThe type of schedule (fixed_day,daily,day_of_month,after_x_seconds)',
    'TIME t\tThe time when to do the action (hh:mm)',
    'DATE d\tThe date when to do the action (dd/mm/yyyy)',
    'DAYS d\tThe days of the week when to do the action (m,t,w,th,f,s,su)',
    'WEEKS d\tThe weeks of the month when to do the action (1,2,3,4,5)',
    'DAY d\tThe day of the month when to do the action (1-31)',
    'WAIT w\tThe number of seconds to wait before checking the time',
    'SECONDS w\tThe number of seconds to wait before doing the action',
    'PROCESS p\tWait for process p to finish',
    'FORCE f\tForce applications to close (on,off)',
    'CANCEL c\tAllow the user to cancel the action (on,off)',
    'HYBRID h\tShutdown and poweroff keep fast start-up (on,off)',
    'RESTARTAPPS r\tReboot or logoff reopens the registered applications (on,off)',
    'FIRMWARE f\tReboot into the firmware setup (on,off)',
    'BOOTOPTIONS b\tReboot into the advanced start-up options (on,off)',
    'REASON r\tThe reason recorded with the shutdown or reboot',
    'REASONCODE c\tThe planned reason code recorded with it (major:minor)',
    'SHOW\tShow current settings',
    'VERSION\tShow current version of haltall',
    'DOIT\tDo the action',
    'STOP\tStop the current scheduled action',
]
SHOW_LINES = 37

PROTECTED = ['ACTION', 'WHO', 'WHEN', 'SIMULATE', 'COMPUTER', 'MAC', 'IP', 'SUBNET', 'WARNING',
             'WARNTIME', 'MESSAGE', 'PLAYSOUND', 'SOUNDFILE', 'RUNPRG', 'PROGRAM', 'DIRECTORY',
             'SCHEDULE', 'TIME', 'DATE', 'DAYS', 'WEEKS', 'DAY', 'SECONDS', 'WAIT', 'PROCESS',
             'FORCE', 'CANCEL', 'SHOW', 'DOIT']


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


class Peer:
    """A terminal user's connection: sends bytes, reads CR LF lines."""

    def __init__(self, port, timeout=10, host='127.0.0.1', source=None):
        self.sock = socket.create_connection((host, port), timeout=timeout,
                                             source_address=source and (source, 0))
        self.buffer = b''

    def close(self):
        self.sock.close()

    def send(self, data):
        self.sock.sendall(data.encode('latin-1') if isinstance(data, str) else data)

    def line(self):
        while b'\r\n' not in self.buffer:
            data = self.sock.recv(65536)
            if not data:
                raise EOFError('connection closed; unread: %r' % self.buffer)
            self.buffer += data
        line, self.buffer = self.buffer.split(b'\r\n', 1)
        return line.decode('latin-1')

    def lines(self, count):
        return [self.line() for _ in range(count)]

    def command(self, text, count=1):
        self.send(text + '\r\n')
        return self.line() if count == 1 else self.lines(count)

    def closed(self):
        """True when the server ends the connection with nothing more to say."""
        try:
            data = self.sock.recv(65536)
        except ConnectionResetError:
            return self.buffer == b''
        return data == b'' and self.buffer == b''


class RemoteControlTestCase(HaltallTestCase):

    def serve(self, *options, quiet=True, host='127.0.0.1', source=None):
        """Starts a copy that serves remote control as a service does; returns
        its run, its port and a first, welcomed peer (connected to host from
        source)."""
        port = free_port()
        run = self.start('-service', '-allow_remote', '-remote_port', str(port), '-debug',
                         *(('-quiet',) if quiet else ()), *options)
        deadline = time.time() + 30
        while True:
            try:
                peer = Peer(port, host=host, source=source)
                break
            except ConnectionRefusedError:
                if time.time() > deadline or run.process.poll() is not None:
                    raise AssertionError('the server never listened')
                time.sleep(0.2)
        self.addCleanup(peer.close)
        self.assertEqual(peer.line(), WELCOME)
        return run, port, peer

    def connect(self, port, host='127.0.0.1'):
        peer = Peer(port, host=host)
        self.addCleanup(peer.close)
        self.assertEqual(peer.line(), WELCOME)
        return peer

    def end(self, run):
        """Ends a server and gives its run with what it wrote."""
        run.process.kill()
        return run.wait()

    def logged_errors(self):
        return [line[len('ERROR: '):] for line in self.log_lines() or [] if line.startswith('ERROR: ')]

    def wait_for_log(self, text, timeout=20, count=1):
        """Waits for a log line (count of them, when copies share the log)
        while the program may still be writing one."""
        path = os.path.join(self.dir, 'haltall.log')
        deadline = time.time() + timeout
        while time.time() < deadline:
            if os.path.exists(path):
                with open(path, encoding='latin-1') as f:
                    if sum(line.endswith(' -> %s\n' % text) for line in f) >= count:
                        return
            time.sleep(0.2)
        self.fail('never logged: %s (%d wanted)' % (text, count))


class ServerTest(RemoteControlTestCase):

    def test_version_help_and_show_are_exact(self):
        _, _, peer = self.serve()
        self.assertEqual(peer.command('VERSION'), '201 3.0.2.0')
        self.assertEqual(peer.command('help', len(HELP)), ['201 ' + line for line in HELP])
        # Neither ends with a 250 line: the next reply is that of the next command.
        self.assertEqual(peer.command('VERSION'), '201 3.0.2.0')
        for line in ['ACTION reboot', 'WHO remote', 'COMPUTER pc7', 'MESSAGE Line one\\nLine two',
                     'TIME 7:5', 'DAYS m,w,f', 'WEEKS 2', 'FORCE on']:
            self.assertEqual(peer.command(line), OK, line)
        show = peer.command('SHOW', SHOW_LINES)
        date = show[19]
        self.assertRegex(date, r'^201 DATE\t\d\d/\d\d/\d{4}$')  # today's, brought by TIME
        self.assertEqual(show, ['201 ' + line for line in [
            'These settings are currently in effect', 'ACTION\tREBOOT', 'WHO\t\tREMOTE',
            'WHEN\tIMMEDIATE', 'SIMULATE\tOFF', 'COMPUTER\tpc7', 'MAC\t\t000000000000', 'IP\t\t',
            'SUBNET\t', 'WARNING\tOFF', 'WARNTIME\t30', 'MESSAGE\tLine one\\nLine two',
            'PLAYSOUND\tOFF', 'SOUNDFILE\t', 'RUNPRG\tOFF', 'PROGRAM\t', 'DIRECTORY\t',
            'SCHEDULE\tFIXED_DAY', 'TIME\t07:05', date[4:], 'DAYS\tm,w,f', 'WEEKS\t2', 'DAY\t\t1',
            'WAIT\t0', 'SECONDS\t0', 'PROCESS\t', 'FORCE\tON', 'CANCEL\tON', 'IDLE\t30',
            'IDLE_CPU\t0', 'IDLE_NET\t0', 'HYBRID\tOFF',
            'RESTARTAPPS\tOFF', 'FIRMWARE\tOFF', 'BOOTOPTIONS\tOFF', 'REASON\t', 'REASONCODE\t0:0']])
        self.assertEqual(peer.command('VERSION'), '201 3.0.2.0')

    def test_every_command_answers_success_and_errors(self):
        _, _, peer = self.serve()
        cases = [
            ('PASSWORD', OK), ('PASSWORD x', '501 Invalid password'),
            ('ACTION', '501 No value specified'), ('ACTION ', '501 Invalid value specified'),
            ('ACTION standby', OK), ('WHO group', '501 Invalid value specified'), ('WHO local', OK),
            ('WHEN later', '501 Invalid value specified'), ('WHEN after_process', OK),
            ('SIMULATE maybe', '501 Invalid value specified'), ('SIMULATE on', OK),
            ('COMPUTER', '501 No value specified'), ('COMPUTER ' + 'c' * 100, '501 Value too long'),
            ('COMPUTER srv', OK),
            ('MAC 0011223344', '501 Invalid MAC address'), ('MAC 0011223344aa', OK),
            ('IP 10.0.0', '501 Invalid IP address'), ('IP 127.0.0.1', OK),
            ('SUBNET 255.0.0.256', '501 Invalid subnet mask'), ('SUBNET 255.0.0.0', OK),
            ('WARNING off', OK), ('WARNTIME abc', OK), ('WARNTIME 15', OK),
            ('MESSAGE', OK), ('PLAYSOUND OFF', OK), ('SOUNDFILE c:\\ding.wav', NO_PASSWORD),
            ('RUNPRG on', NO_PASSWORD), ('RUNPRG off', OK), ('PROGRAM notepad.exe', NO_PASSWORD),
            ('DIRECTORY', NO_PASSWORD),
            ('SCHEDULE hourly', '501 Invalid value specified'), ('SCHEDULE daily', OK),
            ('TIME 24:00', '501 Invalid time specified'), ('TIME 23:59', OK),
            ('DATE 32/1/2024', '501 Invalid date specified'), ('DATE 0/0/0', OK),
            ('DAYS m,x,f', '501 Invalid day specified'), ('DAYS m,,f', OK),
            ('WEEKS 6', '501 Invalid week specified'), ('WEEKS 1,3', OK),
            ('DAY 15', OK), ('SECONDS 90', OK), ('WAIT 60', OK), ('PROCESS notepad.exe', OK),
            ('FORCE yes', '501 Invalid value specified'), ('FORCE off', OK), ('CANCEL off', OK),
            ('STOP', '501 No active command'), ('REBOOT', '501 Invalid command'),
        ]
        for line, reply in cases:
            self.assertEqual(peer.command(line), reply, line)
        show = dict(line[4:].split('\t', 1) for line in peer.command('SHOW', SHOW_LINES)[1:])
        expected = {'ACTION': 'STANDBY', 'WHO': '\tLOCAL', 'WHEN': 'AFTER_PROCESS',
                    'SIMULATE': 'ON', 'COMPUTER': 'srv', 'MAC': '\t0011223344AA',
                    'WARNTIME': '15', 'SCHEDULE': 'FIXED_DAY', 'DATE': '00/00/0000',
                    'DAYS': 'm', 'WEEKS': '1,3', 'DAY': '\t15', 'PROCESS': 'notepad.exe',
                    'CANCEL': 'OFF'}
        self.assertEqual({k: show[k] for k in expected}, expected)

    def test_protected_commands_need_the_password(self):
        _, port, first = self.serve('-remote_pswd', 'secret')
        self.assertEqual(first.command('STOP'), '501 No active command')
        self.assertEqual(first.command('VERSION'), '201 3.0.2.0')
        for word in PROTECTED:
            for line in (word, word + ' on'):
                peer = self.connect(port)
                self.assertEqual(peer.command(line), DENIED, line)
                self.assertTrue(peer.closed(), line)
        peer = self.connect(port)
        self.assertEqual(peer.command('PASSWORD'), '501 Invalid password')
        self.assertEqual(peer.command('PASSWORD Secret'), '501 Invalid password')
        self.assertEqual(peer.command('PASSWORD secret'), OK)
        self.assertEqual(peer.command('ACTION lock'), OK)
        self.assertEqual(peer.command('PASSWORD wrong'), '501 Invalid password')
        self.assertEqual(peer.command('SHOW', SHOW_LINES)[1], '201 ACTION\tLOCK')

        # A password split over several reads is not logged either.
        for part in ('PASS', 'WORD sec', 'ret\r\n'):
            peer.send(part)
            time.sleep(0.3)
        self.assertEqual(peer.line(), OK)
        self.wait_for_log('Received data from client: WORD ********')
        lines = self.log_lines()
        self.assertEqual([line for line in lines if 'secret' in line or 'wrong' in line], [])
        self.assertIn('Received data from client: ********\\r\\n', lines)
        self.assertIn('command=PASSWORD, value=********', lines)

    def test_lines_are_assembled_from_the_bytes(self):
        run, port, peer = self.serve()
        peer.send('HE')
        time.sleep(0.3)
        peer.send('LP\r')
        time.sleep(0.3)
        peer.send('\n')
        self.assertEqual(peer.lines(len(HELP))[-1], '201 STOP\tStop the current scheduled action')
        peer.send('V\rERSION\nVERS')
        time.sleep(0.3)
        peer.send('ION\n\r\n')
        self.assertEqual(peer.lines(3), ['201 3.0.2.0', '201 3.0.2.0', '501 Invalid command'])

        self.assertEqual(peer.command('X' * 500), '501 Invalid command')
        peer.send('X' * 501 + 'VERSION\n')
        self.assertEqual(peer.lines(2), ['501 Command too long', '201 3.0.2.0'])

        # What follows a line that ends the connection is dropped.
        peer.send('QUIT\nACTION logoff\nHELP\n')
        self.assertEqual(peer.line(), '201 Bye bye')
        self.assertTrue(peer.closed())
        peer = self.connect(port)
        self.assertEqual(peer.command('SHOW', SHOW_LINES)[1], '201 ACTION\tPOWEROFF')

    def test_a_newcomer_replaces_only_a_peer_without_the_password(self):
        _, port, first = self.serve('-remote_pswd', 'pw')
        self.assertEqual(first.command('PASSWORD pw'), OK)
        first.send('ACTION reb')
        time.sleep(0.3)
        # An authenticated session is kept: the newcomer is turned away.
        newcomer = Peer(port)
        self.addCleanup(newcomer.close)
        self.assertEqual(newcomer.line(), BUSY)
        self.assertTrue(newcomer.closed())
        self.assertEqual(first.command('oot'), OK)
        self.assertEqual(first.command('QUIT'), '201 Bye bye')

        second = self.connect(port)
        second.send('ACTION reb')  # a partial line is forgotten with its peer
        time.sleep(0.3)
        third = self.connect(port)
        self.assertTrue(second.closed())
        # The newcomer is not authenticated by its predecessor's password.
        self.assertEqual(third.command('PASSWORD pw'), OK)
        self.assertEqual(third.command('oot'), '501 Invalid command')

    def test_doit_answers_before_acting_and_stop_ends_an_armed_trigger(self):
        run, port, peer = self.serve('-remote_pswd', 'pw')
        self.assertEqual(peer.command('PASSWORD pw'), OK)
        self.assertEqual(peer.command('RUNPRG on'), OK)
        self.assertEqual(peer.command('DOIT'), '501 No program specified')
        self.assertEqual(peer.command('RUNPRG off'), OK)

        for line in ['WHEN scheduled', 'SCHEDULE after_x_seconds', 'SECONDS 3600']:
            self.assertEqual(peer.command(line), OK)
        self.assertEqual(peer.command('DOIT'), OK)
        self.assertEqual(peer.command('STOP'), OK)
        self.assertEqual(peer.command('STOP'), '501 No active command')

        for line in ['WHEN immediate', 'ACTION no_action']:
            self.assertEqual(peer.command(line), OK)
        self.assertEqual(peer.command('DOIT'), OK)
        self.wait_for_log('DoNoAction end')
        lines = self.log_lines()
        last_ok = max(i for i, line in enumerate(lines) if line == 'sending ok 250 OK to client')
        self.assertLess(last_ok, lines.index('DoNoAction start'))
        events = self.end(run).events
        started = events.index((4, 'Initiating NO_ACTION'))
        self.assertEqual(events[started - 1], (4, 'Action requested by remote control from 127.0.0.1'))


class SharedLogTest(RemoteControlTestCase):

    def test_copies_in_one_folder_keep_every_line_of_the_shared_log(self):
        peers = [self.serve()[2] for _ in range(3)]
        rounds = 400

        def pipeline(peer):
            peer.send('VERSION\r\n' * rounds)
            peer.lines(rounds)
        threads = [threading.Thread(target=pipeline, args=(peer,)) for peer in peers]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join(60)
        with open(os.path.join(self.dir, 'haltall.log'), encoding='latin-1', newline='') as f:
            lines = f.read().split('\r\n')[:-1]
        torn = [line for line in lines if not re.match(r'\d\d-\d\d-\d{4} \d\d:\d\d:\d\d -> \S', line)]
        self.assertEqual(torn[:5], [])
        self.assertEqual(sum(line.endswith(' -> command=VERSION, value=(null)') for line in lines),
                         len(peers) * rounds)


class ClientTest(RemoteControlTestCase):

    def test_a_copy_drives_a_server_copy_now_and_on_its_schedule(self):
        server, port, observer = self.serve('-remote_pswd', 'secret')
        observer.close()
        client = self.run_haltall('no_action', '-remote', '127.0.0.1', '-port', str(port),
                                  '-password', 'secret', '-quiet', '-debug')
        self.assertEqual(client.returncode, 0)
        self.wait_for_log('DoNoAction end')
        self.assertEqual([line for line in self.log_lines() if 'secret' in line], [])
        # The login's lines hold random nonces: their word is enough.
        commands = [line.split('command=', 1)[1] for line in self.log_lines()
                    if line.startswith('ProcessClientCommand start, command=')]
        commands = [c.split(' ')[0] if c.startswith('SCRAM_') else c for c in commands]
        self.assertEqual(commands, ['VERSION', 'SCRAM_FIRST', 'SCRAM_FINAL', 'ACTION NO_ACTION',
                                    'WHO LOCAL', 'WHEN IMMEDIATE', 'SIMULATE OFF', 'RUNPRG OFF',
                                    'FORCE OFF', 'CANCEL ON', 'DOIT'])

        # A schedule handed over: the client ends once it has been sent.
        client = self.run_haltall('no_action', '-remote', '127.0.0.1', '-port', str(port),
                                  '-password', 'secret', '-remschedule', '-scheduled',
                                  '-seconds', '3600', '-warn', '-warntime', '5', '-msg',
                                  'Line one\\nLine two', '-quiet')
        self.assertEqual(client.returncode, 0)
        peer = self.connect(port)
        self.assertEqual(peer.command('PASSWORD secret'), OK)
        show = peer.command('SHOW', SHOW_LINES)
        for line in ['WHEN\tSCHEDULED', 'WARNING\tON', 'WARNTIME\t5',
                     'MESSAGE\tLine one\\nLine two', 'SCHEDULE\tAFTER_X_SECONDS', 'SECONDS\t3600']:
            self.assertIn('201 ' + line, show)
        self.assertEqual(peer.command('STOP'), OK)  # the server had armed it
        self.assertEqual(self.end(server).events.count((4, 'Initiating NO_ACTION')), 1)

    def test_newer_actions_are_refused_by_an_old_server(self):
        port = free_port()
        received = []
        listener = socket.create_server(('127.0.0.1', port))
        self.addCleanup(listener.close)

        def old_server():
            """Answers like a copy that does not know VERSION."""
            for _ in range(2):
                connection, _ = listener.accept()
                with connection, connection.makefile('rb') as reader:
                    connection.sendall((WELCOME + '\r\n').encode())
                    lines = []
                    for raw in reader:
                        line = raw.decode().rstrip('\n')
                        lines.append(line)
                        reply = '501 Invalid command' if line == 'VERSION' else OK
                        connection.sendall((reply + '\r\n').encode())
                        if line == 'DOIT':
                            break
                    received.append(lines)

        thread = threading.Thread(target=old_server, daemon=True)
        thread.start()
        run = self.start('monitor_off', '-remote', '127.0.0.1', '-port', str(port),
                         from_shortcut=True)
        box = wintool('msgbox', 'haltall', 20000)
        self.assertEqual(run.wait().returncode, 2)
        self.assertEqual(box.stdout,
                         'Version of haltall server must be at least 3.0.1.0 to support this action')

        self.assertEqual(self.run_haltall('lock', '-remote', '127.0.0.1', '-port', str(port),
                                          '-quiet').returncode, 0)
        thread.join(10)
        self.assertEqual(received[0], ['VERSION', 'PASSWORD '])
        self.assertEqual(received[1][:3], ['VERSION', 'PASSWORD ', 'ACTION LOCK'])
        self.assertEqual(received[1][-1], 'DOIT')


class SocketErrorTest(RemoteControlTestCase):

    def test_port_in_use(self):
        port = free_port()
        taken = socket.create_server(('127.0.0.1', port))
        self.addCleanup(taken.close)
        run = self.start('-service', '-allow_remote', '-remote_port', str(port), '-quiet',
                         '-debug')
        self.wait_for_log('CreateServerSocket start, port=%d' % port)
        self.wait_for_log('ShowSocketError end')
        self.end(run)
        self.assertEqual(self.logged_errors(), ['bind(): Address already in use (10048)'])

    def test_refused_connection_shows_its_box(self):
        run = self.start('no_action', '-remote', '127.0.0.1', '-port', str(free_port()),
                         from_shortcut=True)
        box = wintool('msgbox', 'haltall', 20000)
        self.assertEqual(run.wait().returncode, 2)
        self.assertEqual(box.stdout, 'connect(): Connection refused (10061)')

    @unittest.skipUnless(os.geteuid() == 0, 'a private mount namespace needs root')
    def test_unresolvable_name(self):
        # Resolution only from a hosts file of our own, with a name server
        # that is this machine: no query can leave it.
        nsswitch = os.path.join(self.dir, 'nsswitch.conf')
        resolv = os.path.join(self.dir, 'resolv.conf')
        with open(nsswitch, 'w') as f:
            f.write('hosts: files\n')
        with open(resolv, 'w') as f:
            f.write('nameserver 127.0.0.1\n')
        script = ('mount --bind "$1" /etc/nsswitch.conf && mount --bind "$2" /etc/resolv.conf && '
                  'shift 2 && exec "$@"')
        result = subprocess.run(
            ['unshare', '-m', 'sh', '-c', script, 'sh', nsswitch, resolv] + HALTALL_COMMAND +
            ['no_action', '-remote', 'nosuchhost.invalid', '-quiet', '-debug'],
            cwd=self.dir, stdin=subprocess.DEVNULL, capture_output=True, text=True,
            errors='replace', env=wine_env(False), timeout=120)
        self.assertEqual(result.returncode, 2, result.stderr)
        self.assertEqual(self.logged_errors(), ['gethostbyname(): Host not found (11001)'])


if __name__ == '__main__':
    unittest.main(verbosity=2)
