"""Paths and texts beyond the system's ANSI code page: a group file and a
program in a folder with a Japanese name."""
import os
import unittest

from harness import HaltallTestCase
from test_remote_control import free_port

FOLDER = '日本語のフォルダ'


class WideTextTest(HaltallTestCase):

    def folder(self):
        path = os.path.join(self.dir, FOLDER)
        os.mkdir(path)
        return path

    def test_group_file_in_a_japanese_folder_is_read(self):
        path = os.path.join(self.folder(), 'グループ.txt')
        with open(path, 'w', newline='') as f:
            f.write('#COMPUTER_NAME;MAC_ADDRESS;SUBNET_MASK;PORT;USE_NT;CURRENT_CREDENTIALS;'
                    'USERNAME;PASSWORD\n')
            f.write('127.0.0.1;;;%d;0;1;;\n' % free_port())  # refused: the run fails
        run = self.run_haltall('no_action', '-group', path, '-quiet', '-debug', timeout=120)
        self.assertIn('GroupReadFile end, count=1', self.log_lines())
        self.assertEqual(run.returncode, 2)  # the computer failed; the file was read

    def test_program_in_a_japanese_folder_runs(self):
        folder = self.folder()
        with open(os.path.join(folder, '前に.bat'), 'w') as f:
            f.write('@echo off\r\necho %1> ran.txt\r\n')
        windows_folder = 'Z:' + folder.replace('/', '\\')
        run = self.run_haltall('no_action', '-simulate', '-quiet', '-run', '-program',
                               windows_folder + '\\前に.bat first', '-directory', windows_folder)
        self.assertEqual(run.returncode, 0)
        with open(os.path.join(folder, 'ran.txt')) as f:
            self.assertEqual(f.read().strip(), 'first')


if __name__ == '__main__':
    unittest.main()
