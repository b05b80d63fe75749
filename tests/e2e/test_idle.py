"""The idle trigger of the real program: input injected through the X
server keeps it from firing, and it fires once a whole minute has passed
without input. A service refuses it, from its settings and over the
protocol."""
import re
import subprocess
import time
import unittest

from harness import SERVICE_KEY, HaltallTestCase, reg_values
from test_remote_control import RemoteControlTestCase
from test_triggers import count, read_log, wait_for

IDLE_IN_SERVICE = ('The idle trigger cannot be used in service mode: '
                   'a service sees no keyboard or mouse input')


def tray_window():
    """The X window of Wine's notification area, once the program's icon is in it."""
    found = subprocess.run(['xdotool', 'search', '--name', 'Wine System Tray'],
                           capture_output=True, text=True)
    ids = found.stdout.split()
    return ids[0] if ids else None


def move_mouse(window, x):
    # The pointer moves over a Wine window, so Wine takes it as the
    # session's input.
    subprocess.run(['xdotool', 'mousemove', '--window', window, str(x), '5'], check=True)


class IdleTriggerTest(HaltallTestCase):

    def test_fires_a_minute_after_the_last_input_and_not_while_input_arrives(self):
        run = self.start('no_action', '-idle', '1', '-simulate', '-quiet', '-debug')

        def quiet_values():
            return [int(m.group(1)) for m in
                    (re.match(r'CheckIdleTimer, quiet_ms=(\d+)$', line) for line in read_log(self.dir))
                    if m]

        wait_for(lambda: len(quiet_values()) >= 2 and tray_window(), 'the armed trigger in the tray')
        window = tray_window()
        ticks_before = len(quiet_values())
        for x in range(2, 10):
            move_mouse(window, x)
            time.sleep(0.7)
        last_input = time.monotonic()
        wait_for(lambda: len(quiet_values()) >= ticks_before + 7, 'ticks while input arrives')
        during = quiet_values()[ticks_before + 1:ticks_before + 6]
        self.assertTrue(during and max(during) < 2000, during)  # each input starts the count again

        run.wait(150)
        quiet_for = time.monotonic() - last_input
        self.assertEqual(run.returncode, 0)
        self.assertEqual(run.events, [(4, 'Action requested by the idle trigger (simulated)'),
                                      (4, 'Initiating NO_ACTION')])
        self.assertEqual(count(read_log(self.dir), 'HaltAll start'), 1)
        # Never before a whole minute without input (the clocks differ by a
        # fraction of a second at most).
        self.assertGreaterEqual(quiet_for, 59.5)
        self.assertGreaterEqual(quiet_values()[-1], 60000)


class IdleInServiceTest(RemoteControlTestCase):

    def test_a_service_refuses_the_idle_trigger_and_shows_its_settings(self):
        run, _, peer = self.serve('-idle', '5', '-idle_cpu', '20', '-idle_net', '300')
        show = dict(line[4:].split('\t', 1) for line in peer.command('SHOW', 37)[1:])
        self.assertEqual((show['WHEN'], show['IDLE'], show['IDLE_CPU'], show['IDLE_NET']),
                         ('IDLE', '5', '20', '300'))
        self.assertEqual(peer.command('DOIT'), '501 ' + IDLE_IN_SERVICE)
        self.assertEqual(peer.command('WHEN scheduled'), '250 OK')
        self.assertEqual(peer.command('WHEN idle'), '501 ' + IDLE_IN_SERVICE)
        self.assertEqual(peer.command('STOP'), '501 No active command')  # nothing was armed
        # The stored trigger was refused at the start, in the event log.
        self.assertIn((1, IDLE_IN_SERVICE), self.end(run).events)

    def test_service_settings_with_the_idle_trigger_are_not_saved(self):
        result = self.run_haltall('no_action', '-idle', '5', '-save_svc_set', '-quiet', '-debug')
        self.assertEqual(result.returncode, 2)
        self.assertIn('ERROR: ' + IDLE_IN_SERVICE, self.log_lines())
        self.assertIsNone(reg_values(SERVICE_KEY))


if __name__ == '__main__':
    unittest.main()
