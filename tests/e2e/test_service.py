"""The service as an administrator installs it: -create_service copies the
program into the system folder, registers and starts the service and the
event source whose message table gives the events their texts, and over a
running service replaces it; -remove_service takes all of that away again."""
import filecmp
import os
import re
import subprocess
import time
import unittest

from harness import (HaltallTestCase, HALTALL, SERVICE_KEY, WINE, pe_machine, reg_delete,
                     reg_values, sc, windows_path, windows_processes)

SERVICE = r'HKLM\SYSTEM\CurrentControlSet\Services\Haltall'
EVENT_SOURCE = r'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Haltall'
EVENTVIEW = os.environ.get('EVENTVIEW_EXE', '')


def service_state():
    """The service's state word ("RUNNING", "STOPPED"...), None when there is no service."""
    result = sc('query', 'Haltall')
    m = re.search(r'STATE\s*:\s*\d+\s+(\w+)', result.stdout)
    return m.group(1) if result.returncode == 0 and m else None


def wait_for(condition, seconds=20):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.2)
    return True


def event_text(*args):
    return subprocess.run([WINE, EVENTVIEW, 'Haltall'] + [str(a) for a in args],
                          stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          errors='replace', timeout=60)


class ServiceTest(HaltallTestCase):

    def setUp(self):
        super().setUp()
        self.remove_service()
        self.addCleanup(self.remove_service)

    def remove_service(self):
        sc('stop', 'Haltall')
        sc('delete', 'Haltall')
        reg_delete(EVENT_SOURCE)
        wait_for(lambda: not windows_processes('haltall.exe'), 10)

    def test_create_and_remove(self):
        run = self.run_haltall('-create_service', '-quiet', '-debug')
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual([kind for kind, _ in run.events], [], run.events)
        self.assertTrue(wait_for(lambda: service_state() == 'RUNNING'), service_state())

        # The service runs this program's copy in the system folder.
        image = reg_values(SERVICE)['ImagePath'][1]
        m = re.fullmatch(r'"(.*)" -service', image)
        self.assertIsNotNone(m, image)
        program = m.group(1)
        self.assertTrue(filecmp.cmp(windows_path(program), HALTALL, shallow=False), program)
        self.assertIsNotNone(reg_values(SERVICE_KEY))

        # The event source points at that copy, whose message table shows
        # each event's own text, whatever characters it holds.
        self.assertEqual(reg_values(EVENT_SOURCE),
                         {'EventMessageFile': ('REG_SZ', program), 'TypesSupported': ('REG_DWORD', 7)})
        # Every kind of event has its id in the table.
        for kind, text in ((0, 'Access denied: 100% of %1 and %s'),
                           (1, 'Action requested by remote control from 192.168.1.5'),
                           (2, 'Initiating REBOOT'), (3, 'ExitWindowsEx executed succesfully!'),
                           (4, 'Call not implemented.'), (5, 'Remote control: wrong password from ::1'),
                           (6, 'Group action on 2 computers: 2 done, 0 failed'),
                           (7, 'The action failed on these computers:'),
                           (8, 'No ip address specified'), (9, 'ExitWindowsEx'),
                           (10, 'Action postponed by the user for 1 minute')):
            shown = event_text(kind, text)
            self.assertEqual((shown.returncode, shown.stdout), (0, text), shown.stderr)

        # Installing again over the running service stops it, stores the new
        # settings and starts it again.
        run = self.run_haltall('-create_service', '-quiet', '-warntime', '77')
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual([kind for kind, _ in run.events], [], run.events)
        self.assertEqual(reg_values(SERVICE_KEY)['seconds'], ('REG_DWORD', 77))
        self.assertTrue(wait_for(lambda: service_state() == 'RUNNING'), service_state())
        # Without settings of its own (an upgrade), it keeps the saved ones.
        run = self.run_haltall('-create_service', '-quiet')
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(reg_values(SERVICE_KEY)['seconds'], ('REG_DWORD', 77))
        self.assertTrue(wait_for(lambda: service_state() == 'RUNNING'), service_state())

        run = self.run_haltall('-remove_service', '-quiet')
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertTrue(wait_for(lambda: service_state() is None), service_state())
        self.assertIsNone(reg_values(EVENT_SOURCE))
        self.assertIsNone(reg_values(SERVICE_KEY))
        self.assertTrue(wait_for(lambda: not windows_processes('haltall.exe'), 10),
                        'the service process outlived its removal')
        # Removing it again is no failure: an uninstall script may run twice.
        run = self.run_haltall('-remove_service', '-quiet')
        self.assertEqual((run.returncode, run.events), (0, []), run.stderr)


class MessageTableTest(unittest.TestCase):
    """The resource itself, read back from the file with windres."""

    def test_message_table_holds_every_kind_of_event(self):
        triple = {0x14c: 'i686', 0x8664: 'x86_64'}[pe_machine(HALTALL)] + '-w64-mingw32'
        dump = subprocess.run([triple + '-windres', '-J', 'coff', '-O', 'rc', '-i', HALTALL],
                              capture_output=True, text=True, errors='replace', timeout=60)
        self.assertEqual(dump.returncode, 0, dump.stderr)
        table = dump.stdout[dump.stdout.index('RT_MESSAGETABLE'):]
        # Each id shows the event's one string as its whole text.
        for kind in range(11):
            self.assertRegex(table, r'MessageId = 0x%x\n\s*%%1%%0' % kind)
        self.assertEqual(table.count('MessageId ='), 11, table)


if __name__ == '__main__':
    unittest.main(verbosity=2)
