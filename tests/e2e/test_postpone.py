"""Postponing at the warning, as a user does it: the 1-minute choice and
the Postpone button, the event, the tray, the warning again a minute later,
and the action once."""
import subprocess
import time
import unittest

import harness
from harness import HaltallTestCase
from test_triggers import count, read_log

IDC_WARN_POSTPONE, IDC_WARN_DELAY = 1260, 1261


class PostponeTest(HaltallTestCase):

    def tool(self, *args):
        # The warning window's caption counts down: "Haltall - no action in 9 s".
        process = subprocess.Popen([harness.WINE, harness.WINTOOL, args[0], '*no action in ',
                                    str(args[1])] +
                                   [str(a) for a in args[2:]], env=harness.wine_env(False),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True, errors='replace')
        self.addCleanup(lambda: process.poll() is None and (process.kill(), process.wait()))
        return process

    def test_postponed_for_a_minute_the_action_warns_again_and_happens_once(self):
        run = self.start('no_action', '-warn', '-warntime', '10', '-simulate', '-quiet', '-debug')
        # The first choice is one minute.
        postpone = self.tool('select', 20000, IDC_WARN_DELAY, 0, IDC_WARN_POSTPONE)
        self.assertEqual(postpone.wait(timeout=60), 0, postpone.stderr.read())
        postponed_at = time.monotonic()
        # Gone at once, then back about a minute later.
        self.assertEqual(self.tool('gone', 5000).wait(timeout=30), 0)
        again = self.tool('find', 120000)
        self.assertEqual(again.wait(timeout=150), 0)
        waited = time.monotonic() - postponed_at
        log = read_log(self.dir)
        # The tray counts down to a time of day; its dash is in the system's code page.
        tips = '\n'.join(line for line in log if line.startswith('Tray tooltip: '))
        self.assertRegex(tips, r'Tray tooltip: No action postponed, again at \d\d:\d\d \S+ 1 min left')
        self.assertRegex(tips, r'Tray tooltip: No action postponed, again at \d\d:\d\d \S+ 59 s left')
        self.assertIn('DoNoAction end, postponed', log)
        self.assertGreaterEqual(waited, 59)

        run.wait(60)
        self.assertEqual(run.returncode, 0)
        self.assertEqual(run.events, [(4, 'Action postponed by the user for 1 minute'),
                                      (4, 'Action requested by the user (simulated)'),
                                      (4, 'Initiating NO_ACTION')])
        log = read_log(self.dir)
        self.assertEqual(count(log, 'ShowWarningMessage start'), 2)
        self.assertEqual(count(log, 'DoNoAction start'), 2)


if __name__ == '__main__':
    unittest.main()
