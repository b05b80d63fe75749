"""The group editor in the real program: a group loaded from the command
line opens in "Edit Group" as it stands in the file, and "Check" checks its
computers (fake servers on 127.0.0.1) while the dialog stays usable."""
import os
import socket
import time
import unittest

from fake_server import FakeServers, HELD
from harness import HaltallTestCase, parse_dump, wintool

MAIN_WINDOW = 'Haltall 3.0.2.0'
SPECIFY = 1011
LIST = 1087
WM_CLOSE = 0x10
IDC_GROUP_REMOVE, IDC_GROUP_CHECK, IDC_GROUP_CHECK_TEXT = 1093, 1113, 1114


class GroupEditorTest(HaltallTestCase):

    def open_editor(self, lines, *args):
        path = os.path.join(self.dir, 'office.csv')
        with open(path, 'w', newline='') as f:
            f.write('#COMPUTER_NAME;MAC_ADDRESS;SUBNET_MASK;PORT;USE_NT;CURRENT_CREDENTIALS;'
                    'USERNAME;PASSWORD\n' + lines)
        windows_path = 'Z:' + path.replace('/', '\\')
        run = self.start('-group', windows_path, *args)
        self.assertEqual(wintool('find', MAIN_WINDOW, 20000).returncode, 0)
        self.assertEqual(wintool('command', MAIN_WINDOW, 5000, SPECIFY).returncode, 0)
        return run, 'Edit Group - ' + windows_path

    def test_group_from_the_command_line_opens_unchanged(self):
        run, editor = self.open_editor('pc1;001122334455;255.255.255.0;3210;0;0;;pw\n'
                                       'pc2;;255.255.0.0;3211;1;1;;\n')
        dump = wintool('dump', editor, 10000)
        self.assertEqual(dump.returncode, 0, 'the editor did not open')
        self.assertEqual(parse_dump(dump.stdout)[LIST][0], 'SysListView32')

        # Nothing was changed, so OK closes it without the save question.
        self.assertEqual(wintool('click', editor, 5000, 1).returncode, 0)
        self.assertEqual(wintool('gone', editor, 5000).returncode, 0)
        self.assertNotEqual(wintool('find', 'haltall', 500).returncode, 0)

        wintool('message', MAIN_WINDOW, 5000, WM_CLOSE, 0, 0)
        self.assertEqual(run.wait().returncode, 0)

    def test_check_fills_the_status_column_and_can_be_cancelled(self):
        fakes = FakeServers()
        self.addCleanup(fakes.close)
        held, live = fakes.listen(HELD), fakes.listen()
        with socket.socket() as s:
            s.bind(('127.0.0.1', 0))
            refused = s.getsockname()[1]
        ports = (held, live, refused)
        # One at a time: the held computer keeps the others waiting.
        run, editor = self.open_editor(''.join('127.0.0.1;;;%d;0;1;;\n' % p for p in ports),
                                       '-parallel', '1')

        def statuses():
            rows = wintool('rows', editor, 5000, LIST).stdout.splitlines()
            return [row.split('|')[7] for row in rows]

        def wait_for(progress):
            deadline = time.time() + 30
            while True:
                controls = parse_dump(wintool('dump', editor, 5000).stdout)
                if controls[IDC_GROUP_CHECK_TEXT][1] == progress:
                    return controls
                self.assertLess(time.time(), deadline, controls[IDC_GROUP_CHECK_TEXT][1])
                time.sleep(0.3)

        self.assertEqual(wintool('click', editor, 10000, IDC_GROUP_CHECK).returncode, 0)
        controls = wait_for('Checked 0 of 3')
        deadline = time.time() + 10
        while statuses() != ['checking...', 'waiting', 'waiting']:
            self.assertLess(time.time(), deadline, statuses())
            time.sleep(0.3)
        self.assertEqual(controls[IDC_GROUP_CHECK][1], '&Cancel')
        self.assertTrue(controls[IDC_GROUP_REMOVE][2] and controls[LIST][2], 'the list stays usable')
        self.assertEqual(wintool('click', editor, 5000, IDC_GROUP_CHECK).returncode, 0)
        fakes.release()
        controls = wait_for('Checked 3 of 3, cancelled')
        self.assertEqual(statuses(), ['ok, version 3.0.2.0'] + ['not checked (cancelled)'] * 2)
        self.assertEqual(controls[IDC_GROUP_CHECK][1:3], ('&Check', True))

        self.assertEqual(wintool('click', editor, 5000, IDC_GROUP_CHECK).returncode, 0)
        wait_for('Checked 3 of 3')
        self.assertEqual(statuses(), ['ok, version 3.0.2.0'] * 2 +
                         ['failed: connect(): Connection refused (10061)'])
        for port in (held, live):
            self.assertEqual(fakes.commands[port], ['VERSION'] * (2 if port == held else 1))

        self.assertEqual(wintool('click', editor, 5000, 1).returncode, 0)
        self.assertEqual(wintool('gone', editor, 5000).returncode, 0)
        wintool('message', MAIN_WINDOW, 5000, WM_CLOSE, 0, 0)
        self.assertEqual(run.wait().returncode, 0)


if __name__ == '__main__':
    unittest.main()
