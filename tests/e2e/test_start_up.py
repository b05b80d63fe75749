"""Start-up as a user meets it: the command line, the usage box, the
maintenance commands, the stored settings and the diagnostic log."""
import os
import re
import unittest

from harness import (HaltallTestCase, OLD_USER_KEY, USER_KEY, MACHINE_KEY, SERVICE_KEY,
                     console_text, parse_dump, reg_add, reg_values, wintool)

MAIN_WINDOW = 'Haltall 3.0.2.0'
WM_CLOSE = 0x10


class UsageTest(HaltallTestCase):

    def test_usage_box_from_a_shortcut_shows_the_error_line_and_both_blocks(self):
        text = self.usage_box('-remote')
        self.assertTrue(text.startswith('Error: Missing argument for -remote\n'
                                        'Usage: haltall action [options]\n'), text)
        self.assertIn('  -allow_remote\t: Allow remote control\n  -remote_port p\t:', text)
        self.assertIn('at a time (1-64, default 64)\n', text)
        self.assertTrue(text.rstrip('\n').endswith('with major x and minor y (default 0:0)'), text)

    def test_quiet_usage_error_from_a_shortcut_shows_no_box(self):
        # -quiet after the bad option counts too; a box would hold the run.
        run = self.start('-badopt', '-quiet', from_shortcut=True).wait(timeout=30)
        self.assertEqual(run.returncode, 1)

    def test_help_and_usage_errors_go_to_the_console(self):
        for switch in ('/?', '-?', '-h', '-help', '--help'):
            with self.subTest(switch=switch):
                run = self.run_haltall(switch)
                self.assertEqual(run.returncode, 0)
                self.assertTrue(console_text(run.stdout).startswith(
                    'Usage: haltall action [options]\n'), run.stdout)
                self.assertEqual(console_text(run.stderr), '')
        cases = [(('reboot', '-FORCE'), 'Invalid option specified (-FORCE)'),
                 (('restart',), 'Invalid action specified (restart)'),
                 (('-time', '7'), 'Invalid time format for -time (7)'),
                 (('-days', 'm,x'), 'Invalid day specified for -day (m,x)'),
                 (('-mac', 'GGHHIIJJKKLL'), 'Invalid MAC address specified (GGHHIIJJKKLL)'),
                 (('-remote_port', '70000'), 'Invalid port specified for -remote_port (70000)'),
                 (('-subnet', '0.0.0.0'), 'Invalid subnet mask specified (0.0.0.0)'),
                 (('-group',), 'Missing argument for -group')]
        for args, error in cases:
            with self.subTest(args=args):
                run = self.run_haltall(*args)
                self.assertEqual(run.returncode, 1)
                text = console_text(run.stderr)
                self.assertTrue(text.startswith('Error: %s\nUsage: haltall' % error), text)
                self.assertTrue(text.endswith('(default 0:0)\n'), text)
                self.assertEqual(run.stdout, '')
        self.assertIsNone(reg_values(OLD_USER_KEY), 'a usage error must store nothing')

    def test_quoting_follows_the_windows_rule(self):
        # Wine hands the program each argument quoted as Windows would; the
        # stored values show how the program split them.
        cases = [("C:\\Users\\O'Brien\\g.csv", "C:\\Users\\O'Brien\\g.csv"),
                 ("Don't", "Don't"),
                 ('say "hi"', 'say "hi"'),
                 ('C:\\dir two\\', 'C:\\dir two\\')]
        for given, stored in cases:
            with self.subTest(given=given):
                run = self.run_haltall('-save_settings', '-msg', given, '-program', given)
                self.assertEqual(run.returncode, 0, run.stderr)
                values = reg_values(OLD_USER_KEY)
                self.assertEqual(values['message'][1], stored)
                self.assertEqual(values['program'][1], stored)

    def test_group_file_that_cannot_be_read_ends_with_1_and_no_window(self):
        run = self.start('reboot', '-simulate', '-group', os.path.join(self.dir, 'missing.csv'))
        run.wait()
        self.assertEqual(run.returncode, 1)
        self.assertEqual([kind for kind, _ in run.events], [1])  # the system's error text
        self.assertNotEqual(wintool('find', 'haltall', 300).returncode, 0)


class MaintenanceTest(HaltallTestCase):

    def test_save_settings_stores_defaults_plus_the_command_line(self):
        run = self.run_haltall('-save_settings', 'reboot', '-port', '0', '-msg', 'a\\nb',
                               '-remote_pswd', 'abc', '-days', 'm,su')
        self.assertEqual(run.returncode, 0)
        values = reg_values(OLD_USER_KEY)
        self.assertEqual(values['action'], ('REG_DWORD', 1))
        self.assertEqual(values['remote_port'], ('REG_DWORD', 3210))
        self.assertEqual(values['mac_address'], ('REG_SZ', '000000000000'))
        self.assertEqual(values['time'], ('REG_SZ', '25:00'))
        # Only the password's salted verifier is kept; the old reversible form is emptied.
        self.assertEqual(values['remote_control_password'], ('REG_SZ', ''))
        self.assertRegex(values['remote_control_verifier'][1],
                         r'^SCRAM-SHA-256\$4096:[A-Za-z0-9+/=]+\$[A-Za-z0-9+/=]+:[A-Za-z0-9+/=]+$')
        self.assertEqual(values['monday'], ('REG_DWORD', 1))
        self.assertEqual(values['schedule'], ('REG_DWORD', 1))
        self.assertEqual(len(values), 64)
        self.assertEqual(values['confirm_quick_actions'], ('REG_DWORD', 1))
        self.assertEqual(values['group_parallel'], ('REG_DWORD', 64))
        self.assertIsNone(reg_values(USER_KEY))

    def test_last_maintenance_command_wins_and_remove_deletes(self):
        self.run_haltall('-remove_settings', '-save_settings')
        self.assertIsNotNone(reg_values(OLD_USER_KEY))
        run = self.run_haltall('-save_settings', '-remove_settings')
        self.assertEqual(run.returncode, 0)
        self.assertIsNone(reg_values(OLD_USER_KEY))
        # Nothing left to remove is what was asked for: a script may run it
        # twice. The log says so; no error event.
        run = self.run_haltall('-remove_settings', '-debug')
        self.assertEqual(run.returncode, 0)
        self.assertEqual(run.events, [])
        self.assertIn('No settings to remove at SOFTWARE\\Haltall', self.log_lines())
        self.assertEqual(self.run_haltall('-remove_svc_set').returncode, 0)

    def test_service_settings_are_saved_and_removed(self):
        self.assertEqual(self.run_haltall('-save_svc_set', 'standby', '-allow_remote').returncode, 0)
        values = reg_values(SERVICE_KEY)
        self.assertEqual(values['action'], ('REG_DWORD', 4))
        self.assertEqual(values['allow_remote_control'], ('REG_DWORD', 1))
        self.assertEqual(self.run_haltall('-remove_svc_set').returncode, 0)
        self.assertIsNone(reg_values(SERVICE_KEY))


class StartUpTest(HaltallTestCase):

    def window_run(self, *args):
        """Starts a windowed run, closes its main window, returns the log."""
        run = self.start(*args)
        closed = wintool('message', MAIN_WINDOW, 20000, WM_CLOSE, 0, 0)
        run.wait()
        self.assertEqual(closed.returncode, 0, 'the main window never appeared')
        self.assertEqual(run.returncode, 0)
        return self.log_lines()

    def dumped(self, lines, name):
        return [line for line in lines if line.startswith(name + '=')][0].split('=', 1)[1]

    def test_debug_log_lines_in_order(self):
        lines = self.window_run('-debug', '-minimize')
        self.assertEqual(lines[0], 'ParseCommandLine end')  # -debug turns the log on while parsing
        start = lines.index('Starting haltall 3.0.2.0')
        self.assertTrue(lines[start + 1].startswith('Commandline: '), lines[start + 1])
        self.assertIn('-debug -minimize', lines[start + 1])
        self.assertEqual(lines[start + 2], 'DebugSettings start')
        end = lines.index('DebugSettings end')
        self.assertEqual(end - start, 75)
        self.assertRegex(lines[end + 1], r'^PC is running Windows NT version \d+\.\d+ build \d+ \(.*\)$')
        self.assertIn('Haltall stopped', lines)
        with open(os.path.join(self.dir, 'haltall.log'), encoding='latin-1') as f:
            for line in f:
                self.assertRegex(line, r'^\d\d-\d\d-\d{4} \d\d:\d\d:\d\d -> .')

    def test_minimize_starts_hidden_and_a_plain_start_shows_the_window(self):
        for args, shown in [((), True), (('-minimize',), False), (('-remote', 'pc', '-warn'), True)]:
            with self.subTest(args=args):
                run = self.start(*args)
                self.assertEqual(wintool('message', MAIN_WINDOW, 20000, 0, 0, 0).returncode, 0)
                self.assertEqual(wintool('find', MAIN_WINDOW, 1500).returncode == 0, shown)
                wintool('message', MAIN_WINDOW, 5000, WM_CLOSE, 0, 0)
                self.assertEqual(run.wait().returncode, 0)

    def test_without_stored_settings_the_window_shows_the_defaults(self):
        run = self.start()
        controls = parse_dump(wintool('dump', MAIN_WINDOW, 20000).stdout)
        wintool('message', MAIN_WINDOW, 5000, WM_CLOSE, 0, 0)
        run.wait()
        checked = sorted(i for i, c in controls.items() if c[4])
        self.assertEqual(checked, [1003, 1018, 1022, 1028, 1049])  # Poweroff, tray, cancel, local, immediate
        self.assertEqual(controls[1009][1], '&Do it')
        disabled = sorted(i for i, c in controls.items() if not c[2])
        self.assertEqual(disabled, [1010, 1011, 1012, 1013, 1014, 1015, 1251])  # ... and Idle...
        self.assertFalse(controls[1108][3])

    def test_a_second_start_brings_up_the_armed_hidden_copy(self):
        # Armed for ten minutes, with neither window nor tray icon.
        armed = self.start('no_action', '-scheduled', '-seconds', '600', '-notray', '-simulate',
                           '-debug')
        self.assertEqual(wintool('message', MAIN_WINDOW, 20000, 0, 0, 0).returncode, 0)
        self.assertNotEqual(wintool('find', MAIN_WINDOW, 1000).returncode, 0)
        # With an action on the command line a start runs as it always has.
        own = self.run_haltall('no_action', '-simulate', '-quiet')
        self.assertEqual(own.returncode, 0)
        self.assertNotEqual(wintool('find', MAIN_WINDOW, 1000).returncode, 0)

        second = self.run_haltall('-debug')
        self.assertEqual(second.returncode, 0)
        controls = parse_dump(wintool('dump', MAIN_WINDOW, 10000).stdout)
        self.assertRegex(controls[1263][1], r'^No action at \d\d:\d\d:\d\d$')
        self.assertEqual(controls[1009][1:3], ('&Stop action', True))
        self.assertFalse(controls[1003][2])  # the armed settings cannot change
        self.assertIn('Brought up the copy that was running hidden', self.log_lines())
        # Closed, it hides again and stays armed; stopped, it is an idle window.
        wintool('message', MAIN_WINDOW, 5000, WM_CLOSE, 0, 0)
        self.assertEqual(wintool('gone', MAIN_WINDOW, 10000).returncode, 0)
        self.assertIsNone(armed.process.poll())
        self.assertEqual(self.run_haltall().returncode, 0)
        self.assertEqual(wintool('click', MAIN_WINDOW, 10000, 1009).returncode, 0)
        controls = parse_dump(wintool('dump', MAIN_WINDOW, 10000).stdout)
        self.assertEqual(controls[1263][1], 'No action is armed')
        self.assertEqual(controls[1009][1:3], ('&Do it', True))
        self.assertIn('Armed action stopped by the user', self.log_lines())
        wintool('message', MAIN_WINDOW, 5000, WM_CLOSE, 0, 0)
        self.assertEqual(armed.wait().returncode, 0)

    def test_no_log_without_debug(self):
        self.window_run()
        self.assertIsNone(self.log_lines())

    def test_stored_settings_follow_the_search_order_and_ports_are_mended(self):
        reg_add(OLD_USER_KEY, 'action', 'REG_DWORD', 1)
        reg_add(MACHINE_KEY, 'action', 'REG_DWORD', 2)
        reg_add(MACHINE_KEY, 'remote_port', 'REG_DWORD', 0)
        reg_add(MACHINE_KEY, 'debug', 'REG_DWORD', 1)  # the log starts after the read
        lines = self.window_run('-minimize')
        self.assertEqual(self.dumped(lines, 'action'), 'SHUTDOWN')
        self.assertEqual(self.dumped(lines, 'remote.port'), '3210')
        self.assertNotIn('ParseCommandLine start', lines)

        reg_add(USER_KEY, 'action', 'REG_DWORD', 5)
        reg_add(USER_KEY, 'debug', 'REG_DWORD', 1)
        os.remove(os.path.join(self.dir, 'haltall.log'))
        self.assertEqual(self.dumped(self.window_run('-simulate'), 'action'), 'HIBERNATE')

    def test_a_counted_argument_keeps_the_registry_unread(self):
        reg_add(USER_KEY, 'action', 'REG_DWORD', 1)
        lines = self.window_run('-quiet', '-debug')
        self.assertEqual(self.dumped(lines, 'action'), 'POWEROFF')
        self.assertEqual(self.dumped(lines, 'quiet'), '1')
        self.assertNotIn('ReadSettings start, base=SOFTWARE\\Kevra\\Haltall', lines)

    def test_wrong_types_and_long_strings_leave_fields_alone(self):
        reg_add(USER_KEY, 'action', 'REG_DWORD', 0)
        reg_add(USER_KEY, 'who', 'REG_SZ', '1')
        reg_add(USER_KEY, 'computer_name', 'REG_SZ', 'x' * 100)
        reg_add(USER_KEY, 'process', 'REG_SZ', 'notepad.exe')
        reg_add(USER_KEY, 'time', 'REG_SZ', 'soon')
        reg_add(USER_KEY, 'debug', 'REG_DWORD', 1)
        lines = self.window_run()
        self.assertEqual(self.dumped(lines, 'action'), 'LOGOFF')
        self.assertEqual(self.dumped(lines, 'who'), 'LOCAL_COMPUTER')
        self.assertEqual(self.dumped(lines, 'remote.computer_name'), '')
        self.assertEqual(self.dumped(lines, 'process.process'), 'notepad.exe')


if __name__ == '__main__':
    unittest.main(verbosity=2)
