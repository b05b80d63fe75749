"""One Windows installer (HALTALL_PACKAGE, installing HALTALL_EXE) as an
administrator deploys it: silent install into a fresh Wine prefix, the
installed program, the service component, and a silent uninstall that leaves
nothing behind and nothing running. The 64-bit setup installs into the 64-bit
folders and registry view, the 32-bit one into the 32-bit ones."""
import os
import re
import signal
import subprocess
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

    def install_log(self):
        with open(self.path(PROGRAM_DIR + r'\install.log'), encoding='latin-1') as f:
            return f.read().splitlines()

    def start_program(self, exe):
        """The installed program's window: the pids of its Wine processes."""
        others = set(self.processes('haltall.exe'))  # the service's
        process = subprocess.Popen([WINE_RUN, self.path(exe)], env=self.env, cwd=self.dir,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.addCleanup(process.kill)
        self.wait_for(lambda: process.poll() is not None or set(self.processes('haltall.exe')) - others,
                      'the program did not start')
        self.assertIsNone(process.poll(), 'the program ended at once')
        return set(self.processes('haltall.exe')) - others

    def test_install_add_service_uninstall(self):
        # Plain silent install with its log: program, shortcut, uninstall
        # entry, event source; no service.
        result = self.wine(self.setup_exe, '/S', '/LOG', runner=WINE_RUN)
        self.assertEqual(result.returncode, 0, result.stderr)
        exe = PROGRAM_DIR + r'\haltall.exe'
        for name in ('haltall.exe', 'README.txt', 'LICENSE.txt', 'uninstall.exe', 'install.log'):
            self.assertTrue(os.path.isfile(self.path(PROGRAM_DIR + '\\' + name)), name)
        log = self.install_log()
        self.assertEqual((log[0], log[-1]), ('%s 3.0.2.0 setup: installing into %s' % (DISPLAY_NAME, PROGRAM_DIR),
                                             'Finished with exit code 0'))
        self.assertIn('Installed haltall.exe', log)
        # The users' README, not the developers'.
        with open(self.path(PROGRAM_DIR + r'\README.txt'), encoding='utf-8') as readme:
            text = readme.read()
        self.assertIn('Exit codes', text)
        self.assertNotIn('Building by hand', text)
        self.assertTrue(os.path.isfile(self.path(SHORTCUT)))
        entry = self.values(UNINSTALL_KEY)
        self.assertIsNotNone(entry, 'no uninstall entry')
        self.assertEqual(entry['DisplayName'], DISPLAY_NAME)
        self.assertEqual(entry['DisplayVersion'], '3.0.2.0')
        self.assertEqual(entry['Publisher'], 'Kevra')
        self.assertEqual(entry['UninstallString'], '"%s\\uninstall.exe"' % PROGRAM_DIR)
        self.assertEqual(entry['QuietUninstallString'],
                         '"%s\\uninstall.exe" /S _?=%s' % (PROGRAM_DIR, PROGRAM_DIR))
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

        # Again, over it, with the service component and the firewall rule,
        # which Wine's firewall does not take: reported and skipped.
        result = self.wine(self.setup_exe, '/S', '/SERVICE', '/FIREWALL', '/LOG', runner=WINE_RUN)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn('Installed the Haltall service', self.install_log())
        self.assertIn('Windows Firewall could not take the rule (netsh exit code 0): skipped',
                      self.install_log())
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
        result = self.wine(self.setup_exe, '/S', '/LOG', runner=WINE_RUN)
        self.assertEqual(result.returncode, 0, self.install_log())
        self.assertEqual(self.values(SERVICE_KEY + r'\Parameters'), before)
        self.wait_for(lambda: self.service_state() == 'RUNNING',
                      'the upgraded service does not run: %s' % self.service_state())
        self.wait_for(lambda: accepts(port), 'the upgraded service does not listen on %d' % port)

        # A running program cannot be replaced: it is at the next restart,
        # and the setup says so with 3010.
        running = self.start_program(exe)
        result = self.wine(self.setup_exe, '/S', '/LOG', runner=WINE_RUN)
        for pid in running:
            os.kill(pid, signal.SIGKILL)
        self.assertEqual(result.returncode, 3010 & 0xFF, result.stderr)  # as Wine's exit status holds it
        self.assertIn('haltall.exe is in use: it is replaced at the next restart', self.install_log())
        self.assertEqual(self.install_log()[-1], 'Finished with exit code 3010')
        pending = self.wine('reg', 'query', r'HKLM\System\CurrentControlSet\Control\Session Manager',
                            '/v', 'PendingFileRenameOperations').stdout
        self.assertIn(r'%s\haltall.exe.new' % PROGRAM_DIR, pending)

        # The silent uninstall a deployment tool runs, in place: done when it
        # returns, but for the uninstaller's own file, which a copy of it
        # deletes with the folder a moment later. Its line goes to the system
        # as written (from a batch file: an argument list would quote the
        # folder after _?=).
        command = self.values(UNINSTALL_KEY)['QuietUninstallString']
        with open(os.path.join(self.dir, 'uninstall.bat'), 'w') as batch:
            batch.write('@%s\r\n@exit /b %%errorlevel%%\r\n' % command)
        result = self.wine('cmd', '/c', 'uninstall.bat')
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        folder = self.path(PROGRAM_DIR)
        self.assertLessEqual(set(os.listdir(folder) if os.path.exists(folder) else []), {'uninstall.exe'})
        self.assertIsNone(self.values(UNINSTALL_KEY), 'the uninstall entry is still there')
        self.assertFalse(os.path.exists(self.path(SHORTCUT)))
        self.assertIsNone(self.service_state())
        self.assertIsNone(self.values(SERVICE_KEY))
        self.assertIsNone(self.values(EVENT_SOURCE))
        self.assertFalse(os.path.exists(self.path(program)), 'the service copy is still there')
        self.wait_for(lambda: not os.path.exists(self.path(PROGRAM_DIR)),
                      'the program folder is still there')
        helpers = ('haltall.exe', 'un_a.exe', 'haltall-cleanup.exe')
        self.wait_for(lambda: not any(self.processes(name) for name in helpers),
                      'still running: %s' % [self.processes(name) for name in helpers])
        # A silent uninstall keeps the user's settings.
        self.assertIsNotNone(self.values(SETTINGS_KEY))



if __name__ == '__main__':
    unittest.main(verbosity=2)
