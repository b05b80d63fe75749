"""A group of computers as its users meet it: three copies of haltall serving
remote control on loopback ports and one refused port, driven from the
command line and from the main window; entries by IPv6 address; and a
Wake-on-LAN group. Every packet stays on 127.0.0.0/8 or ::1."""
import csv
import datetime
import json
import os
import re
import socket
import time
import unittest

import test_remote_control as rc
from fake_server import FakeServers, HELD, SILENT
from harness import Run, parse_dump, wintool
from test_remote_robustness import MisbehavingServer

MAIN_WINDOW = 'Haltall 3.0.2.0'
WM_CLOSE = 0x10
IDC_PROGRESS, IDC_PROGRESS_TEXT = 1108, 1109
IDC_CLOSE, IDC_DOIT, IDC_NO_ACTION, IDC_GROUP, IDC_SPECIFY = 1008, 1009, 1020, 1030, 1011
RUN_WINDOW = 'Group action'
IDC_RUN_LIST, IDC_RUN_STATUS, IDC_RUN_RETRY, IDC_RUN_CANCEL, IDCANCEL = 1300, 1301, 1303, 1304, 2
WAKE_ON_LAN_PORT = 7
IP_PKTINFO = getattr(socket, 'IP_PKTINFO', 8)  # Linux's value


def group_line(name, port=0, mac='', mask='', use_nt=0):
    return '%s;%s;%s;%d;%d;1;;\n' % (name, mac, mask, port, use_nt)


class GroupTestCase(rc.RemoteControlTestCase):

    def setUp(self):
        super().setUp()
        self.client_dir = os.path.join(self.dir, 'client')
        os.mkdir(self.client_dir)

    def write_group(self, lines):
        path = os.path.join(self.dir, 'group.csv')
        with open(path, 'w', newline='') as f:
            f.write('#COMPUTER_NAME;MAC_ADDRESS;SUBNET_MASK;PORT;USE_NT;CURRENT_CREDENTIALS;'
                    'USERNAME;PASSWORD\n')
            f.writelines(lines)
        return path

    def start_client(self, *args):
        """The controlling copy, with a log of its own."""
        run = Run(args, self.client_dir)
        self.addCleanup(run.stop)
        return run

    def client_log(self):
        path = os.path.join(self.client_dir, 'haltall.log')
        with open(path, encoding='latin-1') as f:
            return [line.rstrip('\r\n').split(' -> ', 1)[1] for line in f if ' -> ' in line]

    def three_servers_and_a_refused_port(self):
        """Copies answering as 127.0.0.1 to .3 (each on its own port); .4 is refused."""
        servers = [self.serve()[:2] for _ in range(3)]
        lines = [group_line('127.0.0.%d' % (i + 1), port) for i, (_, port) in enumerate(servers)]
        lines.append(group_line('127.0.0.4', rc.free_port()))
        return [run for run, _ in servers], lines

    FIELDS = ['computer', 'address', 'port', 'protocol', 'action', 'result', 'error', 'version',
              'login', 'start', 'duration_ms']

    def read_report(self, path):
        if path.endswith('.json'):
            with open(path, encoding='utf-8') as f:
                rows = json.load(f)
            for row in rows:
                self.assertEqual(list(row), self.FIELDS)
            return rows
        with open(path, 'rb') as f:
            raw = f.read()
        self.assertTrue(raw.startswith(b'\xef\xbb\xbf'))
        self.assertNotIn(b'\n', raw.replace(b'\r\n', b''), 'every line ends in CR LF')
        with open(path, encoding='utf-8-sig', newline='') as f:
            reader = csv.DictReader(f)
            self.assertEqual(reader.fieldnames, self.FIELDS)
            rows = list(reader)
        for row in rows:
            row['port'], row['duration_ms'] = int(row['port']), int(row['duration_ms'])
        return rows

    def run_from_the_window(self, *args):
        """The controlling copy, its group run started with "No action" and "Do it"."""
        client = self.start_client(*args)
        self.assertEqual(wintool('click', MAIN_WINDOW, 20000, IDC_NO_ACTION).returncode, 0)
        self.assertEqual(wintool('click', MAIN_WINDOW, 5000, IDC_DOIT).returncode, 0)
        return client

    def run_window_rows(self):
        return [tuple(row.split('|')) for row in
                wintool('rows', RUN_WINDOW, 5000, IDC_RUN_LIST).stdout.splitlines()]

    def wait_for_the_run_window(self, ended, timeout=60):
        """The run window's controls once it shows the run going on, or ended."""
        deadline = time.time() + timeout
        while True:
            controls = parse_dump(wintool('dump', RUN_WINDOW, 5000).stdout)
            if controls and controls[IDCANCEL][2] == ended:
                # Read again: the status line comes before the button in a dump.
                return parse_dump(wintool('dump', RUN_WINDOW, 5000).stdout)
            self.assertLess(time.time(), deadline, 'the run window never showed the run ' +
                            ('ended' if ended else 'going on'))
            time.sleep(0.3)

    def close_run_window_and_client(self, client):
        self.assertEqual(wintool('click', RUN_WINDOW, 5000, IDCANCEL).returncode, 0)
        self.assertEqual(wintool('gone', RUN_WINDOW, 5000).returncode, 0)
        wintool('message', MAIN_WINDOW, 5000, WM_CLOSE, 0, 0)
        client.wait(30)

    def assert_each_server_acted_once(self, servers):
        # A server answers DOIT before it acts, so the client can be done
        # while a server has yet to write its event, which killing it then loses.
        self.wait_for_log('DoNoAction end', count=len(servers))
        for server in servers:
            events = self.end(server).events
            self.assertEqual(events.count((4, 'Initiating NO_ACTION')), 1, events)


class CommandLineGroupTest(GroupTestCase):

    def test_a_refused_computer_does_not_stop_the_run_and_is_named(self):
        servers, lines = self.three_servers_and_a_refused_port()
        # The refused computer comes second: the ones after it are still tried.
        lines.insert(1, lines.pop())
        lines.append(group_line('127.0.0.5', 65536 + 3210))  # never wrapped onto 3210
        # Windows' own remote shutdown knows no "no action": this computer is
        # refused, and the action never runs here instead.
        lines.append(group_line('127.0.0.6', use_nt=1))
        group = self.write_group(lines)
        client = self.start_client('no_action', '-group', group, '-debug').wait(120)
        self.assertEqual(client.returncode, 2)

        self.assertEqual(client.events[-1], (1, 'Group action on 6 computers: 3 done, 3 failed: '
                                                '127.0.0.4, 127.0.0.5, 127.0.0.6'))
        # Before it, every failed computer with its port and reason.
        kind, failures = client.events[-2]
        self.assertEqual(kind, 1)
        self.assertRegex(failures, r'^The action failed on these computers:\n'
                                   r'127\.0\.0\.4:\d+: connect\(\): Connection refused \(10061\)\n'
                                   r'127\.0\.0\.5:68746: .+\n127\.0\.0\.6:3210: .+$')
        self.assertNotIn((4, 'Initiating NO_ACTION'), client.events)
        log = self.client_log()
        results = [line for line in log if line.startswith('127.0.0.')]
        self.assertEqual(results, ['127.0.0.1: done',
                                   '127.0.0.4: failed (connect(): Connection refused (10061))',
                                   '127.0.0.2: done', '127.0.0.3: done',
                                   '127.0.0.5: failed (Invalid port specified (1-65535))',
                                   '127.0.0.6: failed (Unsupported action for specified remote protocol)'])
        self.assertIn('HaltallGroup start, count=6, workers=6', log)
        self.assertFalse([line for line in log if line.startswith('Group progress')])
        self.assert_each_server_acted_once(servers)

    def test_entries_reach_their_own_ports_one_after_the_other(self):
        fakes = FakeServers()
        self.addCleanup(fakes.close)
        ports = [fakes.listen() for _ in range(3)]
        group = self.write_group([group_line('127.0.0.1', port) for port in ports])
        client = self.start_client('monitor_off', '-group', group, '-parallel', '1', '-debug',
                                   '-quiet').wait(60)
        self.assertEqual(client.returncode, 0)
        self.assertEqual(client.events[-1], (4, 'Group action on 3 computers: 3 done, 0 failed'))
        self.assertIn('HaltallGroup start, count=3, workers=1', self.client_log())
        for port in ports:
            self.assertEqual(fakes.commands[port][:3], ['VERSION', 'PASSWORD ', 'ACTION MONITOR_OFF'])
            self.assertEqual(fakes.doit_count(port), 1)

    def test_entries_by_ipv6_address_with_or_without_their_port(self):
        fakes = FakeServers()
        self.addCleanup(fakes.close)
        ports = [fakes.listen(host='::1') for _ in range(2)]
        # The port written with the address wins over the file's column.
        group = self.write_group([group_line('::1', ports[0]),
                                  group_line('[::1]:%d' % ports[1], 3210)])
        client = self.start_client('monitor_off', '-group', group, '-debug', '-quiet').wait(60)
        self.assertEqual(client.returncode, 0)
        for port in ports:
            self.assertEqual(fakes.doit_count(port), 1)

    def test_the_secure_column_keeps_the_password_from_an_old_server(self):
        def old(line):  # a copy that knows no challenge-response login
            if line == 'VERSION':
                return ['201 3.0.2.0\r\n']
            return ['501 Invalid command\r\n' if line.startswith('SCRAM_') else rc.OK + '\r\n']

        guarded, trusted = MisbehavingServer(self, old), MisbehavingServer(self, old)
        group = self.write_group(['127.0.0.1;;;%d;0;1;;secret;1\n' % guarded.port,
                                  '127.0.0.1;;;%d;0;1;;secret;0\n' % trusted.port])
        client = self.start_client('no_action', '-group', group, '-debug', '-quiet').wait(60)
        self.assertEqual(client.returncode, 2)
        guarded.thread.join(10)
        trusted.thread.join(10)
        self.assertNotIn('PASSWORD secret', guarded.received)
        self.assertIn('PASSWORD secret', trusted.received)
        self.assertEqual(trusted.received[-1], 'DOIT')

    def test_group_files_as_administrators_write_them(self):
        fakes = FakeServers()
        self.addCleanup(fakes.close)
        ports = [fakes.listen() for _ in range(2)]
        # What Windows PowerShell's Out-File writes: UTF-16 with its mark, CRLF;
        # a spreadsheet's quotes and empty row; a bad line; a computer twice.
        path = os.path.join(self.dir, 'group.csv')
        with open(path, 'w', encoding='utf-16', newline='\r\n') as f:
            f.write('#COMPUTER_NAME;MAC_ADDRESS;SUBNET_MASK;PORT;USE_NT;CURRENT_CREDENTIALS;'
                    'USERNAME;PASSWORD\n'
                    '"127.0.0.1";"00-11-22-33-44-55";;%d;0;1;;\n'
                    ';;;;;;;\n'
                    '127.0.0.1;;;x%d;0;1;;\n'
                    ' 127.0.0.1 ;;;%d;0;1;"dom;ain#";\n'
                    '127.0.0.1;;;%d;0;1;;\n' % (ports[0], ports[1], ports[1], ports[0]))
        client = self.start_client('monitor_off', '-group', path, '-quiet', '-debug').wait(60)
        self.assertEqual(client.returncode, 0)
        self.assertEqual(client.events, [
            (1, 'The group file %s: 1 line not read:\nline 4: PORT: not a number (x%d)\n'
                % (path, ports[1])),
            (4, 'Group action on 3 computers: 3 done, 0 failed')])
        self.assertIn('Group entry 3: 127.0.0.1 is listed again (entry 1): handled once',
                      self.client_log())
        for port in ports:
            self.assertEqual(fakes.doit_count(port), 1)

        # Files that hold no computer end the run with exit code 1 and say why.
        header = '#COMPUTER_NAME;MAC_ADDRESS;SUBNET_MASK;PORT;USE_NT;CURRENT_CREDENTIALS;USERNAME;PASSWORD\n'
        for text, event in (
                (header, 'The group file %s holds no computer'),
                (header + 'pc;;;x;0;0;;\n', 'The group file %s holds no computer'),
                ('pc,00AABBCCDDEE,255.0.0.0,3210,0,0,user,pw\n',
                 'The group file %s separates its fields by ",": the separator is ";" '
                 '(COMPUTER_NAME;MAC_ADDRESS;SUBNET_MASK;PORT;USE_NT;CURRENT_CREDENTIALS;'
                 'USERNAME;PASSWORD).')):
            with open(path, 'w', newline='') as f:
                f.write(text)
            client = self.start_client('monitor_off', '-group', path, '-quiet').wait(60)
            self.assertEqual(client.returncode, 1, text)
            self.assertEqual(client.events[-1], (1, event % path), text)


class ReportTest(GroupTestCase):
    """-report: every computer of the run in CSV or JSON, read back as
    spreadsheets and scripts would."""

    def test_every_computer_of_the_run_in_csv_and_json(self):
        fakes = FakeServers()
        self.addCleanup(fakes.close)
        live = [fakes.listen() for _ in range(2)]
        refused = rc.free_port()
        unreachable = fakes.never_accepting('127.0.0.3')
        group = self.write_group([group_line('127.0.0.1', live[0]), group_line('127.0.0.4', refused),
                                  group_line('127.0.0.3', unreachable), group_line('127.0.0.1', live[1])])
        for name in ('r.csv', 'r.json'):
            report = os.path.join(self.dir, name)
            before = time.time()
            client = self.start_client('no_action', '-group', group, '-report', report,
                                       '-quiet').wait(60)
            self.assertEqual(client.returncode, 2, name)
            rows = self.read_report(report)
            self.assertEqual([(r['computer'], r['address'], r['port'], r['protocol'], r['action'],
                               r['result']) for r in rows],
                             [('127.0.0.1', '127.0.0.1', live[0], 'haltall', 'no_action', 'ok'),
                              ('127.0.0.4', '127.0.0.4', refused, 'haltall', 'no_action', 'failed'),
                              ('127.0.0.3', '127.0.0.3', unreachable, 'haltall', 'no_action', 'failed'),
                              ('127.0.0.1', '127.0.0.1', live[1], 'haltall', 'no_action', 'ok')], name)
            self.assertEqual(rows[1]['error'], 'connect(): Connection refused (10061)')
            self.assertRegex(rows[2]['error'], r'^connect\(\): .* \(10060\)$')
            self.assertEqual((rows[0]['error'], rows[3]['error']), ('', ''))
            for row in rows:
                start = datetime.datetime.fromisoformat(row['start'])
                self.assertIsNotNone(start.utcoffset(), row)
                self.assertLess(abs(start.timestamp() - before), 60, row)
                self.assertGreaterEqual(row['duration_ms'], 0)
            self.assertGreaterEqual(rows[2]['duration_ms'], 4000, 'the connect time-out')
            # No temporary file is left beside the report.
            self.assertEqual(sorted(f for f in os.listdir(self.dir) if f.startswith('r.')),
                             ['r.csv'] if name == 'r.csv' else ['r.csv', 'r.json'])
        for port in live:
            self.assertEqual(fakes.doit_count(port), 2)

    def test_a_single_computer_and_a_report_that_cannot_be_written(self):
        fakes = FakeServers()
        self.addCleanup(fakes.close)
        port = fakes.listen()
        report = os.path.join(self.dir, 'one.csv')
        client = self.start_client('monitor_off', '-remote', '127.0.0.1', '-port', str(port),
                                   '-report', report, '-quiet').wait(60)
        self.assertEqual(client.returncode, 0)
        rows = self.read_report(report)
        self.assertEqual([(r['computer'], r['port'], r['action'], r['result']) for r in rows],
                         [('127.0.0.1', port, 'monitor_off', 'ok')])

        # The run is done all the same; only its report is missing.
        missing = os.path.join(self.dir, 'missing', 'r.csv')
        group = self.write_group([group_line('127.0.0.1', port)])
        client = self.start_client('monitor_off', '-group', group, '-report', missing,
                                   '-quiet').wait(60)
        self.assertEqual(client.returncode, 2)
        self.assertEqual(fakes.doit_count(port), 2)
        self.assertEqual(client.events[0], (4, 'Group action on 1 computers: 1 done, 0 failed'))
        self.assertEqual(client.events[1][0], 1)
        self.assertRegex(client.events[1][1], r'^The report .*r\.csv could not be written: \S.*$')
        self.assertFalse(os.path.exists(os.path.dirname(missing)))


class ProbeTest(GroupTestCase):

    def test_a_check_reaches_every_computer_and_acts_on_none(self):
        fakes = FakeServers()
        self.addCleanup(fakes.close)
        live = fakes.listen()
        guarded = [self.serve('-remote_pswd', 'pw')[:2] for _ in range(2)]
        refused = rc.free_port()
        unreachable = fakes.never_accepting('127.0.0.3')
        group = self.write_group([
            group_line('127.0.0.1', live),
            '127.0.0.1;;;%d;0;1;;pw\n' % guarded[0][1],
            '127.0.0.2;;;%d;0;1;;wrong\n' % guarded[1][1],
            group_line('127.0.0.4', refused), group_line('127.0.0.3', unreachable)])
        report = os.path.join(self.dir, 'check.csv')
        client = self.start_client('-probe', '-group', group, '-report', report, '-quiet').wait(60)
        self.assertEqual(client.returncode, 2)
        rows = self.read_report(report)
        self.assertEqual([(r['computer'], r['action'], r['result'], r['version'], r['login'])
                          for r in rows],
                         [('127.0.0.1', 'probe', 'ok', '3.0.2.0', ''),
                          ('127.0.0.1', 'probe', 'ok', '3.0.2.0', 'accepted'),
                          ('127.0.0.2', 'probe', 'failed', '3.0.2.0', 'refused'),
                          ('127.0.0.4', 'probe', 'failed', '', ''),
                          ('127.0.0.3', 'probe', 'failed', '', '')])
        self.assertEqual(rows[3]['error'], 'connect(): Connection refused (10061)')
        self.assertIn((1, 'Group check of 5 computers: 2 answered, 3 failed: '
                          '127.0.0.2, 127.0.0.4, 127.0.0.3'), client.events)
        self.assertTrue([e for e in client.events
                         if e[1].startswith('The check failed on these computers:\n')], client.events)
        # Nothing but the version was asked of the computer without a password,
        # and no server acted.
        self.assertEqual(fakes.commands[live], ['VERSION'])
        for server, _ in guarded:
            events = self.end(server).events
            self.assertFalse([e for e in events if e[1].startswith('Initiating')], events)

        # One computer that answers: exit code 0.
        client = self.start_client('-probe', '-remote', '127.0.0.1', '-port', str(live),
                                   '-quiet').wait(60)
        self.assertEqual(client.returncode, 0)
        self.assertEqual(fakes.commands[live], ['VERSION', 'VERSION'])


class InteractiveGroupTest(GroupTestCase):

    def test_progress_the_run_window_and_retry_of_the_failed(self):
        servers, lines = self.three_servers_and_a_refused_port()
        refused_port = int(lines[-1].split(';')[3])
        fakes = FakeServers()
        self.addCleanup(fakes.close)
        held = fakes.listen(HELD)
        # The held computer goes first, so the run can be looked at while it waits.
        group = self.write_group([group_line('127.0.0.1', held)] + lines)
        client = self.run_from_the_window('-group', group, '-parallel', '1', '-debug')

        deadline = time.time() + 20
        while not os.path.exists(os.path.join(self.client_dir, 'haltall.log')) or \
                'Group progress 0%' not in self.client_log():
            self.assertLess(time.time(), deadline, 'the run never began')
            time.sleep(0.2)
        during = parse_dump(wintool('dump', MAIN_WINDOW, 5000).stdout)
        for control, (_, _, enabled, visible, _) in during.items():
            if control in (IDC_PROGRESS, IDC_PROGRESS_TEXT, IDC_CLOSE):
                self.assertTrue(enabled and visible, control)
            elif control in (IDC_DOIT, IDC_NO_ACTION, IDC_GROUP, IDC_SPECIFY):
                self.assertFalse(enabled, control)
        self.assertEqual(during[IDC_PROGRESS_TEXT][1], '0%')
        # The run window shows which computer is being handled; it can be
        # cancelled but not closed while the run goes on.
        window = self.wait_for_the_run_window(ended=False)
        self.assertTrue(window[IDC_RUN_CANCEL][2])
        self.assertEqual(self.run_window_rows(),
                         [('127.0.0.1', 'under way', '')] +
                         [('127.0.0.%d' % i, 'waiting', '') for i in (1, 2, 3, 4)])
        self.assertEqual(window[IDC_RUN_STATUS][1], '0 of 5 computers ended, 1 under way')
        # "Do it" reaching the window anyway starts no second run.
        self.assertEqual(wintool('command', MAIN_WINDOW, 5000, IDC_DOIT).returncode, 0)
        deadline = time.time() + 10
        while 'HaltallGroup refused: a group action is already running' not in self.client_log():
            self.assertLess(time.time(), deadline, 'the second run was not refused')
            time.sleep(0.2)
        fakes.release()

        # The results: failures first, then the others in list order.
        window = self.wait_for_the_run_window(ended=True)
        self.assertFalse(window[IDC_RUN_CANCEL][2])
        self.assertTrue(window[IDC_RUN_RETRY][2])
        self.assertEqual(window[IDC_RUN_STATUS][1],
                         'Group action on 5 computers: 4 done, 1 failed: 127.0.0.4')
        self.assertEqual(self.run_window_rows(),
                         [('127.0.0.4', 'failed', 'connect(): Connection refused (10061)')] +
                         [('127.0.0.%d' % i, 'ok', '') for i in (1, 1, 2, 3)])
        after = parse_dump(wintool('dump', MAIN_WINDOW, 5000).stdout)
        self.assertFalse(after[IDC_PROGRESS][3] or after[IDC_PROGRESS_TEXT][3])
        self.assertTrue(after[IDC_DOIT][2] and after[IDC_SPECIFY][2])
        self.assertTrue(after[IDC_GROUP][4], 'the group stays chosen')
        self.assertEqual(after[IDC_PROGRESS_TEXT][1], '100%')
        log = self.client_log()
        self.assertEqual([line for line in log if line.startswith('Group progress')],
                         ['Group progress %d%%' % p for p in (0, 20, 40, 60, 80, 100)])

        # The refused computer answers now: "Retry failed" reaches it alone.
        revived = fakes.listen(host='127.0.0.4', port=refused_port)
        self.assertEqual(wintool('click', RUN_WINDOW, 5000, IDC_RUN_RETRY).returncode, 0)
        deadline = time.time() + 30
        while '127.0.0.4: done' not in self.client_log():
            self.assertLess(time.time(), deadline, 'the retry never ended')
            time.sleep(0.3)
        window = self.wait_for_the_run_window(ended=True)
        self.assertFalse(window[IDC_RUN_RETRY][2], 'nothing failed this time')
        self.assertEqual(self.run_window_rows(), [('127.0.0.4', 'ok', '')])
        self.assertEqual(fakes.doit_count(revived), 1)
        self.close_run_window_and_client(client)
        self.assertEqual(client.events[-2:],
                         [(1, 'Group action on 5 computers: 4 done, 1 failed: 127.0.0.4'),
                          (4, 'Group action on 1 computers: 1 done, 0 failed')])
        self.assertEqual(fakes.doit_count(held), 1)
        self.assert_each_server_acted_once(servers)

    def test_cancel_skips_the_computers_not_yet_started(self):
        fakes = FakeServers()
        self.addCleanup(fakes.close)
        held = fakes.listen(HELD)
        others = [fakes.listen() for _ in range(3)]
        group = self.write_group([group_line('127.0.0.1', port) for port in [held] + others])
        report = os.path.join(self.dir, 'r.csv')
        client = self.run_from_the_window('-group', group, '-parallel', '1', '-report', report)
        self.wait_for_the_run_window(ended=False)
        self.assertEqual(wintool('click', RUN_WINDOW, 5000, IDC_RUN_CANCEL).returncode, 0)
        window = self.wait_for_the_run_window(ended=False)
        self.assertFalse(window[IDC_RUN_CANCEL][2])
        self.assertEqual(window[IDC_RUN_STATUS][1], '0 of 4 computers ended, 1 under way; '
                                                   'cancelled: no further computer is started')
        # The computer under way finishes.
        fakes.release()
        window = self.wait_for_the_run_window(ended=True)
        self.assertFalse(window[IDC_RUN_RETRY][2], 'skipped is not failed')
        skipped = ('127.0.0.1', 'skipped', 'Cancelled before it began')
        self.assertEqual(self.run_window_rows(), [skipped] * 3 + [('127.0.0.1', 'ok', '')])
        self.close_run_window_and_client(client)
        self.assertEqual(client.returncode, 3)
        self.assertEqual(client.events[-1], (2, 'Group action on 4 computers: 1 done, 0 failed, '
                                                '3 skipped (cancelled)'))
        rows = self.read_report(report)
        self.assertEqual([(r['port'], r['result'], r['error']) for r in rows],
                         [(held, 'ok', '')] + [(p, 'skipped', skipped[2]) for p in others])
        self.assertEqual(fakes.doit_count(held), 1)
        for port in others:
            self.assertEqual(fakes.commands[port], [])


class PoolTest(GroupTestCase):

    def test_computers_that_never_accept_or_never_answer_hold_up_no_other(self):
        fakes = FakeServers()
        self.addCleanup(fakes.close)
        answering = [fakes.listen() for _ in range(4)]
        silent = fakes.listen(SILENT, '127.0.0.2')
        unreachable = fakes.never_accepting('127.0.0.3')
        lines = [group_line('127.0.0.1', port) for port in answering]
        lines.insert(1, group_line('127.0.0.2', silent))
        lines.insert(3, group_line('127.0.0.3', unreachable))
        group = self.write_group(lines)
        client = self.run_from_the_window('-group', group, '-debug')

        self.wait_for_the_run_window(ended=True, timeout=90)
        rows = self.run_window_rows()
        self.assertEqual([r[:2] for r in rows[:2]], [('127.0.0.2', 'failed'), ('127.0.0.3', 'failed')])
        self.assertRegex(rows[0][2], r'^recv\(\): .* \(10060\)$')
        self.assertRegex(rows[1][2], r'^connect\(\): .* \(10060\)$')
        after = parse_dump(wintool('dump', MAIN_WINDOW, 5000).stdout)
        self.assertEqual(after[IDC_PROGRESS_TEXT][1], '100%')
        self.close_run_window_and_client(client)
        self.assertEqual(client.events[-1], (1, 'Group action on 6 computers: 4 done, 2 failed: '
                                                '127.0.0.2, 127.0.0.3'))
        for port in answering:
            self.assertEqual(fakes.doit_count(port), 1)

        with open(os.path.join(self.client_dir, 'haltall.log'), encoding='latin-1') as f:
            log = f.read().splitlines()
        self.assertIn('HaltallGroup start, count=6, workers=6', [l.split(' -> ', 1)[-1] for l in log])
        # Workers log side by side: no line runs into another (a line without
        # a time stamp is the next line of a message of several lines).
        stamp = re.compile(r'\d\d-\d\d-\d{4} \d\d:\d\d:\d\d -> ')
        for line in log:
            found = [m.start() for m in stamp.finditer(line)]
            self.assertIn(found, ([], [0]), line)
        progress = [l for l in log if 'Group progress' in l]
        self.assertEqual(progress[-1].split(' -> ')[1], 'Group progress 100%')


class WakeOnLanGroupTest(GroupTestCase):

    def test_one_packet_per_entry_to_its_own_subnet_broadcast(self):
        receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.addCleanup(receiver.close)
        receiver.setsockopt(socket.IPPROTO_IP, IP_PKTINFO, 1)
        receiver.bind(('', WAKE_ON_LAN_PORT))
        entries = [('pc-a', '0011223344AA', '255.0.0.0'), ('pc-b', '0011223344BB', '255.255.0.0'),
                   ('pc-c', '0011223344CC', '255.255.255.0')]
        group = self.write_group([group_line(name, 0, mac, mask) for name, mac, mask in entries])
        client = self.start_client('wol', '-group', group, '-ip', '127.0.0.1', '-quiet').wait(60)
        self.assertEqual(client.returncode, 0)
        self.assertEqual(client.events.count((4, 'Wake-On-LAN packet has been sent')), 3)
        self.assertEqual(client.events.count((4, 'Action requested by a group run')), 3)

        received = {}
        receiver.settimeout(10)
        for _ in entries:
            data, ancillary, _, _ = receiver.recvmsg(1024, socket.CMSG_SPACE(12))
            # in_pktinfo: interface index, local address, destination of the header
            destination = socket.inet_ntoa(ancillary[0][2][8:12])
            received[data[6:12].hex().upper()] = (destination, len(data))
        self.assertEqual(received, {'0011223344AA': ('127.255.255.255', 126),
                                    '0011223344BB': ('127.0.255.255', 126),
                                    '0011223344CC': ('127.0.0.255', 126)})


if __name__ == '__main__':
    unittest.main(verbosity=2)
