"""The group editor in the real program: a group loaded from the command
line opens in "Edit Group" as it stands in the file."""
import os
import unittest

from harness import HaltallTestCase, parse_dump, wintool

MAIN_WINDOW = 'Haltall 3.0.2.0'
SPECIFY = 1011
LIST = 1087
WM_CLOSE = 0x10


class GroupEditorTest(HaltallTestCase):

    def test_group_from_the_command_line_opens_unchanged(self):
        path = os.path.join(self.dir, 'office.csv')
        with open(path, 'w', newline='') as f:
            f.write('#COMPUTER_NAME;MAC_ADDRESS;SUBNET_MASK;PORT;USE_NT;CURRENT_CREDENTIALS;'
                    'USERNAME;PASSWORD\npc1;001122334455;255.255.255.0;3210;0;0;;pw\n'
                    'pc2;;255.255.0.0;3211;1;1;;\n')
        windows_path = 'Z:' + path.replace('/', '\\')
        run = self.start('-group', windows_path)
        self.assertEqual(wintool('find', MAIN_WINDOW, 20000).returncode, 0)
        self.assertEqual(wintool('command', MAIN_WINDOW, 5000, SPECIFY).returncode, 0)
        editor = 'Edit Group - ' + windows_path
        dump = wintool('dump', editor, 10000)
        self.assertEqual(dump.returncode, 0, 'the editor did not open')
        self.assertEqual(parse_dump(dump.stdout)[LIST][0], 'SysListView32')

        # Nothing was changed, so OK closes it without the save question.
        self.assertEqual(wintool('click', editor, 5000, 1).returncode, 0)
        self.assertEqual(wintool('gone', editor, 5000).returncode, 0)
        self.assertNotEqual(wintool('find', 'haltall', 500).returncode, 0)

        wintool('message', MAIN_WINDOW, 5000, WM_CLOSE, 0, 0)
        self.assertEqual(run.wait().returncode, 0)


if __name__ == '__main__':
    unittest.main()
