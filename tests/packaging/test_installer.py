"""One Windows installer (HALTALL_PACKAGE, installing HALTALL_EXE) as an
administrator deploys it: silent install into a fresh Wine prefix, the
installed program, the service component, and a silent uninstall that leaves
nothing behind and nothing running. The 64-bit setup installs into the 64-bit
folders and registry view, the 32-bit one into the 32-bit ones."""
import os
import re
import unittest

from harness import WINE_RUN, events, pe_machine
from wine_prefix import (EVENT_SOURCE, SERVICE_KEY, SETTINGS_KEY, SHORTCUT, PrefixTestCase, accepts,
                         free_port, the_package)

SETUP = the_package()
SHIPPED_EXE = os.environ.get('HALTALL_EXE', '')
X64 = pe_machine(SETUP) == 0x8664
PROGRAM_DIR = r'C:\Program Files\Haltall' if X64 else r'C:\Program Files (x86)\Haltall'
DISPLAY_NAME = 'Haltall (64-bit)' if X64 else 'Haltall'
# The setup's own view of HKLM\Software.
UNINSTALL_KEY = (r'HKLM\Software' + ('' if X64 else r'\Wow6432Node') +
                 r'\Microsoft\Windows\CurrentVersion\Uninstall\Haltall')


class InstallerTest(PrefixTestCase):
    setup_exe = SETUP

    def test_install_add_service_uninstall(self):
        # Plain silent install: program, shortcut, uninstall entry, event source; no service.
        result = self.wine(self.setup_exe, '/S', runner=WINE_RUN)
        self.assertEqual(result.returncode, 0, result.stderr)
        exe = PROGRAM_DIR + r'\haltall.exe'
        for name in ('haltall.exe', 'README.txt', 'LICENSE.txt', 'uninstall.exe'):
            self.assertTrue(os.path.isfile(self.path(PROGRAM_DIR + '\\' + name)), name)
        self.assertTrue(os.path.isfile(self.path(SHORTCUT)))
        entry = self.values(UNINSTALL_KEY)
        self.assertIsNotNone(entry, 'no uninstall entry')
        self.assertEqual(entry['DisplayName'], DISPLAY_NAME)
        self.assertEqual(entry['DisplayVersion'], '3.0.2.0')
        self.assertEqual(entry['Publisher'], 'Kevra')
        self.assertEqual(entry['UninstallString'], '"%s\\uninstall.exe"' % PROGRAM_DIR)
        self.assertEqual(entry['QuietUninstallString'], '"%s\\uninstall.exe" /S' % PROGRAM_DIR)
        self.assertGreater(int(entry['EstimatedSize'], 16), 100)  # KB, the program alone
        self.assertEqual(self.values(EVENT_SOURCE)['EventMessageFile'], exe)
        self.assertIsNone(self.service_state())

        # The installed program is the shipped one, and runs.
        with open(self.path(exe), 'rb') as installed, open(SHIPPED_EXE, 'rb') as shipped:
            self.assertEqual(installed.read(), shipped.read())
        run = self.wine(self.path(exe), 'no_action', '-simulate', '-quiet', runner=WINE_RUN,
                        debug='-all,+eventlog')
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(events(run.stderr), [(4, 'Action requested by the user (simulated)'),
                                              (4, 'Initiating NO_ACTION')])
        self.assertEqual(self.wine(self.path(exe), '-save_settings', '-quiet',
                                   runner=WINE_RUN).returncode, 0)
        self.assertIsNotNone(self.values(SETTINGS_KEY))

        # Again, over it, with the service component.
        result = self.wine(self.setup_exe, '/S', '/SERVICE', runner=WINE_RUN)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.wait_for(lambda: self.service_state() == 'RUNNING',
                      'the service does not run: %s' % self.service_state())
        image = self.values(SERVICE_KEY)['ImagePath']
        program = re.fullmatch(r'"(.*)" -service', image).group(1)
        self.assertTrue(os.path.isfile(self.path(program)), image)
        if X64:  # the copy of the 64-bit program in the 64-bit system folder
            self.assertEqual(program.lower(), r'c:\windows\system32\haltall.exe')
            self.assertEqual(pe_machine(self.path(program)), 0x8664)
        self.assertEqual(self.values(EVENT_SOURCE)['EventMessageFile'], program)

        # An upgrade (plain /S) over the service keeps what the service has
        # saved, and the service runs again with it.
        port = free_port()
        saved = self.wine(self.path(exe), '-quiet', '-save_svc_set', '-allow_remote',
                          '-remote_port', str(port), '-remote_pswd', 'kept', runner=WINE_RUN)
        self.assertEqual(saved.returncode, 0, saved.stderr)
        before = self.values(SERVICE_KEY + r'\Parameters')
        self.assertEqual(int(before['remote_control_port'], 16), port)
        result = self.wine(self.setup_exe, '/S', runner=WINE_RUN)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(self.values(SERVICE_KEY + r'\Parameters'), before)
        self.wait_for(lambda: self.service_state() == 'RUNNING',
                      'the upgraded service does not run: %s' % self.service_state())
        self.wait_for(lambda: accepts(port), 'the upgraded service does not listen on %d' % port)

        # The silent uninstall a deployment tool runs.
        command = re.fullmatch(r'"(.*)" /S', self.values(UNINSTALL_KEY)['QuietUninstallString'])
        result = self.wine(self.path(command.group(1)), '/S', runner=WINE_RUN)
        self.assertEqual(result.returncode, 0, result.stderr)
        # The uninstaller goes on from a copy of itself in the temp folder.
        self.wait_for(lambda: not os.path.exists(self.path(PROGRAM_DIR)),
                      'the program folder is still there')
        self.wait_for(lambda: self.values(UNINSTALL_KEY) is None, 'the uninstall entry is still there')
        self.assertFalse(os.path.exists(self.path(SHORTCUT)))
        self.assertIsNone(self.service_state())
        self.assertIsNone(self.values(SERVICE_KEY))
        self.assertIsNone(self.values(EVENT_SOURCE))
        self.assertFalse(os.path.exists(self.path(program)), 'the service copy is still there')
        self.wait_for(lambda: not self.processes('haltall.exe') and not self.processes('un_a.exe'),
                      'still running: %s' % (self.processes('haltall.exe') + self.processes('un_a.exe')))
        # A silent uninstall keeps the user's settings.
        self.assertIsNotNone(self.values(SETTINGS_KEY))



if __name__ == '__main__':
    unittest.main(verbosity=2)
