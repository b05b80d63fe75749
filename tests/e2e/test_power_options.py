"""The power options of today's Windows and abort, from the command line
under Wine: simulated, the log names each call with its flags; what the
running Windows lacks is refused before any warning; abort's own paths."""
import os
import unittest

import harness
from harness import HaltallTestCase, wintool


class PowerOptionsTest(HaltallTestCase):

    def simulated(self, *args):
        """Runs a quiet simulated action; (exit code, the log's ERROR lines)."""
        run = self.run_haltall(*args, '-simulate', '-quiet', '-debug')
        return run.returncode, [line[7:] for line in self.log_lines() if line.startswith('ERROR: ')]

    def pretend_windows(self, version):
        key = r'HKCU\Software\Wine\AppDefaults\%s' % os.path.basename(harness.HALTALL)
        self.addCleanup(harness.reg_delete, key)
        harness.reg_add(key, 'Version', 'REG_SZ', version)

    def test_each_option_names_its_call_and_flags(self):
        self.pretend_windows('win10')
        cases = [
            (['poweroff', '-hybrid'],
             'ExitWindowsEx(EWX_POWEROFF|EWX_HYBRID_SHUTDOWN, reason=0x80000000)'),
            (['reboot', '-restart_apps', '-force'],
             'ExitWindowsEx(EWX_REBOOT|EWX_FORCE|EWX_RESTARTAPPS, reason=0x80000000)'),
            (['reboot', '-boot_options', '-reason', 'Patch day', '-reason_code', '2:17'],
             'InitiateShutdownW(this computer, SHUTDOWN_RESTART|SHUTDOWN_RESTART_BOOTOPTIONS, '
             'reason=0x80020011)'),
            (['shutdown', '-remote', 'pc7', '-use_nt', '-hybrid'],
             'InitiateShutdownW(pc7, SHUTDOWN_NOREBOOT|SHUTDOWN_HYBRID, reason=0x80000000)'),
            (['reboot', '-remote', 'pc7', '-use_nt', '-reason', 'Patch day'],
             'InitiateSystemShutdownEx(pc7, force=0, reboot=1, reason=0x80000000)'),
            (['abort'], 'AbortSystemShutdown(this computer)'),
            (['abort', '-remote', 'pc7', '-use_nt'], 'AbortSystemShutdown(pc7)'),
        ]
        for args, call in cases:
            with self.subTest(args=args):
                code, errors = self.simulated(*args)
                self.assertEqual(code, 0)
                self.assertEqual(errors, [call])
                os.remove(os.path.join(self.dir, 'haltall.log'))

    def test_what_windows_lacks_is_refused_before_the_warning(self):
        self.pretend_windows('win7')
        run = self.run_haltall('reboot', '-boot_options', '-warn', '-warntime', '1', '-quiet',
                               '-debug')
        self.assertEqual(run.returncode, 2)
        # A quiet run's one trace besides its exit code: the refusal's event.
        self.assertEqual(harness.event_ids(run.stderr), [
            (1, 8, 'Restarting into the advanced start-up options needs Windows 8 or later')])
        self.assertIn('ERROR: Restarting into the advanced start-up options needs Windows 8 or later',
                      self.log_lines())
        self.assertNotIn('ShowWarningMessage start', self.log_lines())

        # Fast start-up only speeds up the next start: a plain shutdown.
        os.remove(os.path.join(self.dir, 'haltall.log'))
        code, errors = self.simulated('poweroff', '-hybrid')
        self.assertEqual(code, 0)
        self.assertEqual(errors, ['ExitWindowsEx(EWX_POWEROFF, reason=0x80000000)'])
        self.assertIn('Fast start-up needs Windows 8 or later: a plain shutdown', self.log_lines())

    def test_firmware_setup_needs_uefi_and_the_box_says_so(self):
        # Wine reports no UEFI firmware.
        self.pretend_windows('win10')
        run = self.start('reboot', '-firmware', from_shortcut=True)
        box = wintool('msgbox', 'haltall', 20000)
        run.wait()
        self.assertEqual(box.returncode, 0, 'no message box appeared')
        self.assertEqual(box.stdout,
                         'Restarting into the firmware setup needs a computer that starts by UEFI')
        self.assertEqual(run.returncode, 2)
        self.assertEqual(run.events, [])

    def test_abort_calls_the_system_and_reports_it(self):
        # Wine's AbortSystemShutdown accepts every call (on Windows, with
        # nothing pending, the run says "No shutdown is pending on ..." and
        # ends with 2); here the accepted path, and the refusal on Windows 9x.
        run = self.run_haltall('abort', '-quiet')
        self.assertEqual(run.returncode, 0)
        self.assertEqual(harness.event_ids(run.stderr), [(4, 3, 'The shutdown of this computer was aborted')])

        self.pretend_windows('win98')
        run = self.run_haltall('abort', '-quiet', '-debug')
        self.assertEqual(run.returncode, 2)
        self.assertIn('ERROR: Action not supported by this windows version', self.log_lines())

    def test_usage_and_a_bad_reason_code(self):
        text = self.usage_box('-reason_code', '300:1')
        self.assertTrue(text.startswith('Error: Invalid reason code specified (300:1)\n'), text)
        self.assertIn('  -firmware\t: Reboot into the firmware setup (Windows 8 and later, UEFI)\n',
                      text)


if __name__ == '__main__':
    unittest.main()
