"""Actions as a user starts them from the command line: simulated, with the
system call that fails under Wine, refused by the settings check, behind the
warning window, and one real logoff in a throwaway prefix."""
import os
import shutil
import subprocess
import tempfile
import unittest

import harness
from harness import HaltallTestCase, console_text, parse_dump, wintool

IDC_WARN_ACTION, IDC_WARN_TIME, IDC_WARN_CANCEL = 1039, 1040, 1008


class ActionTestCase(HaltallTestCase):

    def start(self, *args, **kwargs):
        run = super().start(*args, **kwargs)
        self.addCleanup(end_if_running, run.process)
        return run

    def log_text(self):
        """haltall.log as written, line ends and all."""
        with open(os.path.join(self.dir, 'haltall.log'), encoding='latin-1', newline='') as f:
            return f.read()


def end_if_running(process):
    if process.poll() is None:
        process.kill()
        process.communicate()


class CommandLineActionTest(ActionTestCase):

    def test_no_action_writes_its_event_and_ends(self):
        run = self.run_haltall('no_action', '-simulate', '-quiet')
        self.assertEqual(run.returncode, 0)
        self.assertEqual(run.events, [(4, 'Action requested by the user (simulated)'), (4, 'Initiating NO_ACTION')])

    def test_events_carry_their_kind_and_who_asked(self):
        # Ids: 1 requested, 2 started, 4 failed, 8 settings refused. A quiet
        # run writes why it failed; a simulated call is no failure.
        cases = [(('no_action', '-simulate', '-quiet'), 0,
                  [(4, 1, 'Action requested by the user (simulated)'), (4, 2, 'Initiating NO_ACTION')]),
                 (('reboot', '-simulate', '-quiet'), 0,
                  [(4, 1, 'Action requested by the user (simulated)'), (4, 2, 'Initiating REBOOT')]),
                 (('lock', '-quiet'), 2,
                  [(4, 1, 'Action requested by the user'), (4, 2, 'Initiating LOCK'),
                   (1, 4, 'Call not implemented.')]),
                 (('wol', '-mac', '001122334455', '-quiet'), 2, [(1, 8, 'No ip address specified')])]
        for args, code, expected in cases:
            with self.subTest(args=args):
                run = self.run_haltall(*args)
                self.assertEqual(run.returncode, code)
                self.assertEqual(harness.event_ids(run.stderr), expected)

    def test_simulated_forced_reboot_names_the_call_instead_of_making_it(self):
        run = self.start('reboot', '-force', '-simulate', from_shortcut=True)
        box = wintool('msgbox', 'haltall', 20000)
        run.wait()
        self.assertEqual(box.returncode, 0, 'no message box appeared')
        self.assertEqual(box.stdout, 'ExitWindowsEx(EWX_REBOOT|EWX_FORCE, reason=0x80000000)')
        self.assertEqual(run.returncode, 0)
        self.assertEqual(run.events, [(4, 'Action requested by the user (simulated)'), (4, 'Initiating FORCE REBOOT')])

        # Quiet, from a console: no box; the text reaches the console and the log.
        run = self.run_haltall('reboot', '-force', '-simulate', '-quiet', '-debug')
        self.assertEqual(run.events, [(4, 'Action requested by the user (simulated)'), (4, 'Initiating FORCE REBOOT')])
        self.assertEqual(console_text(run.stderr), 'ExitWindowsEx(EWX_REBOOT|EWX_FORCE, reason=0x80000000)\n')
        log = self.log_lines()
        self.assertIn('DoExitWindowsEx start, action=1, force=1', log)
        self.assertIn('ERROR: ExitWindowsEx(EWX_REBOOT|EWX_FORCE, reason=0x80000000)', log)

    def test_lock_reports_the_system_failure(self):
        # Wine's LockWorkStation fails (error 120); the system's text is shown
        # and written as an error event after the "Initiating" event.
        run = self.start('lock', '-debug', from_shortcut=True)
        box = wintool('msgbox', 'haltall', 20000)
        run.wait()
        self.assertEqual(box.returncode, 0, 'no message box appeared')
        self.assertEqual(box.stdout.strip(), 'Call not implemented.')
        self.assertEqual(run.returncode, 2)
        self.assertEqual([kind for kind, _ in run.events], [4, 4, 1])
        self.assertEqual(run.events[0], (4, 'Action requested by the user'))
        self.assertEqual(run.events[1][1], 'Initiating LOCK')
        self.assertEqual(run.events[2][1], 'Call not implemented.')
        log = self.log_text()
        self.assertIn(' -> ERROR: Call not implemented.\r\n', log)
        self.assertNotIn('\r\r', log)
        self.assertIn(' -> DoLockWorkstation end, result=-1\r\n', log)

    def test_lock_on_nt4_is_refused_and_never_turned_into_poweroff(self):
        key = r'HKCU\Software\Wine\AppDefaults\%s' % os.path.basename(harness.HALTALL)
        self.addCleanup(harness.reg_delete, key)
        harness.reg_add(key, 'Version', 'REG_SZ', 'nt40')
        run = self.start('lock', '-debug', from_shortcut=True)
        box = wintool('msgbox', 'haltall', 20000)
        run.wait()
        self.assertEqual(box.stdout, 'Action not supported by this windows version')
        self.assertEqual(run.returncode, 2)
        self.assertEqual(run.events, [])
        self.assertTrue(any(line.startswith('PC is running Windows NT version 4.0 ')
                            for line in self.log_lines()))

    def test_program_runs_before_the_action_and_a_missing_one_does_not_stop_it(self):
        with open(os.path.join(self.dir, 'before.bat'), 'w') as f:
            f.write('@echo off\r\necho %1> ran.txt\r\n')
        windows_dir = 'Z:' + self.dir.replace('/', '\\')
        run = self.run_haltall('no_action', '-simulate', '-quiet', '-run', '-program',
                               windows_dir + '\\before.bat first', '-directory', windows_dir)
        self.assertEqual(run.events, [(4, 'Action requested by the user (simulated)'), (4, 'Initiating NO_ACTION')])
        with open(os.path.join(self.dir, 'ran.txt')) as f:
            self.assertEqual(f.read().strip(), 'first')

        run = self.run_haltall('no_action', '-simulate', '-quiet', '-run', '-program',
                               'C:\\nowhere\\missing.exe')
        self.assertEqual([kind for kind, _ in run.events], [1, 4, 4])
        self.assertEqual(run.events[1:], [(4, 'Action requested by the user (simulated)'), (4, 'Initiating NO_ACTION')])

    def test_settings_check_refuses_before_anything_starts(self):
        # "wol" targets a remote computer, which needs its addresses.
        run = self.start('wol', '-mac', '001122334455', '-debug', from_shortcut=True)
        box = wintool('msgbox', 'haltall', 20000)
        run.wait()
        self.assertEqual(box.stdout, 'No ip address specified')
        self.assertEqual(run.returncode, 2)
        self.assertEqual(run.events, [])
        self.assertNotIn('HaltAll start', self.log_lines())


class WarningWindowTest(ActionTestCase):
    # The warning window has no caption text. Its edit control's text cannot
    # be read from another process; the in-process tests check it. A window
    # tool started while the countdown runs may only end with it, so the tool
    # runs alongside and is collected when haltall has ended.

    def tool(self, verb, *args):
        process = subprocess.Popen([harness.WINE, harness.WINTOOL, verb, '*no action in ', '20000'] +
                                   [str(a) for a in args], env=harness.wine_env(False),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True, errors='replace')
        self.addCleanup(end_if_running, process)
        return process

    def test_countdown_names_the_action_and_runs_out_without_cancel(self):
        run = self.start('no_action', '-warn', '-warntime', '5', '-force', '-nocancel',
                         '-simulate')
        dump = self.tool('dump')
        run.wait()
        out, err = dump.communicate(timeout=60)
        controls = parse_dump(out)
        self.assertIn(IDC_WARN_ACTION, controls, out + err)
        self.assertEqual(controls[IDC_WARN_ACTION][1],
                         'Haltall will run the warning and the program for this computer when '
                         'the time is up. Applications are closed without asking to save their '
                         'work.')
        self.assertTrue(controls[IDC_WARN_TIME][1].startswith('Time left: '), out)
        self.assertFalse(controls[IDC_WARN_CANCEL][2], 'Cancel must be disabled')
        self.assertEqual(run.events, [(4, 'Action requested by the user (simulated)'), (4, 'Initiating FORCE NO_ACTION')])

    def test_cancel_stops_the_action_before_its_event(self):
        run = self.start('no_action', '-warn', '-warntime', '60', '-simulate', '-debug')
        click = self.tool('click', IDC_WARN_CANCEL)
        run.wait(timeout=50)
        self.assertEqual(click.wait(timeout=60), 0)
        self.assertEqual(run.returncode, 3)  # a script tells a cancel from a done action
        self.assertEqual(run.events, [])
        self.assertIn('DoNoAction end, cancelled', self.log_lines())


class RealLogoffTest(unittest.TestCase):
    """ExitWindowsEx for real, in a prefix of its own: a windowed bystander
    is asked to end the session and ends."""

    def setUp(self):
        if not harness.HALTALL:
            self.fail('HALTALL_EXE must name the built program')
        self.dir = tempfile.mkdtemp(prefix='haltall-logoff-')
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.env = harness.wine_env(False)
        self.env['WINEPREFIX'] = os.path.join(self.dir, 'prefix')
        self.addCleanup(self.end_session)
        subprocess.run([harness.WINE, 'wineboot', '-i'], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        subprocess.run([harness.WINE, 'reg', 'add', r'HKCU\Software\Wine\X11 Driver', '/v',
                        'Managed', '/d', 'N', '/f'], env=self.env, stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=60)

    def end_session(self):
        subprocess.run(['/usr/lib/wine/wineserver64', '-k'], env=self.env, timeout=60)

    def test_logoff_ends_a_windowed_bystander(self):
        bystander_env = dict(self.env, WINEDEBUG='-all,+msg')
        bystander = subprocess.Popen([harness.WINE, 'notepad'], env=bystander_env, cwd=self.dir,
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.PIPE, text=True, errors='replace')
        self.addCleanup(bystander.kill)
        for _ in range(200):
            if wintool_in(self.env, 'find', 'Untitled - Notepad', 100).returncode == 0:
                break
        else:
            self.fail('the bystander window did not appear')

        run = subprocess.run(harness.HALTALL_COMMAND + ['logoff'], cwd=self.dir,
                             env=dict(self.env, WINEDEBUG='-all,+eventlog'),
                             stdin=subprocess.DEVNULL, capture_output=True, text=True,
                             errors='replace', timeout=60)
        self.assertEqual(run.returncode, 0)
        self.assertEqual(harness.events(run.stderr),
                         [(4, 'Action requested by the user'), (4, 'Initiating LOGOFF'),
                          (4, 'ExitWindowsEx executed succesfully!')])
        _, messages = bystander.communicate(timeout=60)
        self.assertIn('(WM_QUERYENDSESSION)', messages)
        self.assertIn('(WM_ENDSESSION)', messages)


def wintool_in(env, verb, caption, timeout_ms):
    return subprocess.run([harness.WINE, harness.WINTOOL, verb, caption, str(timeout_ms)], env=env,
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=60)


if __name__ == '__main__':
    unittest.main()
