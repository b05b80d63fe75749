"""The Windows Installer package (HALTALL_PACKAGE, installing HALTALL_EXE) as a
deployment tool runs it, with Wine's own msiexec in a fresh prefix: a quiet
install with its log, the service feature added later or asked for by a
property, an upgrade by a package of a higher version that keeps the
service's settings, and a quiet uninstall that leaves nothing behind."""
import getpass
import os
import re
import subprocess
import unittest

from harness import WINE_RUN, pe_machine
from wine_prefix import (EVENT_SOURCE, SERVICE_KEY, SETTINGS_KEY, SHORTCUT, PrefixTestCase, accepts,
                         free_port, the_package)

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')
PACKAGE = the_package()
SHIPPED_EXE = os.environ.get('HALTALL_EXE', '')
X64 = pe_machine(SHIPPED_EXE) == 0x8664
PROGRAM_DIR = r'C:\Program Files\Haltall' if X64 else r'C:\Program Files (x86)\Haltall'
SYSTEM_COPY = r'C:\windows\system32\haltall.exe' if X64 else r'C:\windows\syswow64\haltall.exe'
DISPLAY_NAME = 'Haltall (64-bit)' if X64 else 'Haltall'
UNINSTALL_KEYS = (r'HKLM\Software' + ('' if X64 else r'\Wow6432Node') +
                  r'\Microsoft\Windows\CurrentVersion\Uninstall')


# Wine's msiexec puts a per-machine package's shortcuts into the user's
# Start menu; Windows into the one of all users.
SHORTCUTS = (SHORTCUT, r'C:\users\%s\AppData\Roaming\Microsoft\Windows\Start Menu\Programs\Haltall.lnk'
             % getpass.getuser())


def product_code(package):
    table = subprocess.run(['msiinfo', 'export', package, 'Property'], capture_output=True,
                           text=True, check=True).stdout
    return re.search(r'^ProductCode\t(\{[0-9A-F-]+\})', table, re.M).group(1)


def host_path(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


class MsiTest(PrefixTestCase):
    runs = 0

    def msiexec(self, *args):
        """msiexec, quiet, with a verbose log (in result.log)."""
        MsiTest.runs += 1
        log = os.path.join(self.dir, 'msiexec-%d.log' % self.runs)
        result = self.wine('msiexec', *args, '/qn', '/l*v', host_path(log), timeout=180)
        with open(log, 'rb') as f:
            data = f.read()
        result.log = data.decode('utf-16' if data.startswith(b'\xff\xfe') else 'latin-1', 'replace')
        return result

    def entry(self, package):
        return self.values(UNINSTALL_KEYS + '\\' + product_code(package))

    def higher_version(self):
        """The package at a higher version, of a program that differs from
        the shipped one (by bytes after its image), built from the shipped files."""
        stage = os.path.join(os.path.dirname(PACKAGE), 'stage')
        program = os.path.join(self.dir, 'haltall.exe')
        with open(SHIPPED_EXE, 'rb') as shipped, open(program, 'wb') as changed:
            changed.write(shipped.read() + b'9.1.0.0\0')
        out = os.path.join(self.dir, 'haltall-9.1.0.0.msi')
        subprocess.run([os.path.join(ROOT, 'packaging', 'make_msi'), 'x64' if X64 else 'x86',
                        '9.1.0.0', stage, program, out], check=True)
        return out, program

    def assertNothingLeft(self, package):
        self.assertFalse(os.path.exists(self.path(PROGRAM_DIR)), 'the program folder is still there')
        self.assertIsNone(self.entry(package), 'the uninstall entry is still there')
        self.assertFalse([s for s in SHORTCUTS if os.path.exists(self.path(s))])
        self.assertIsNone(self.service_state())
        self.assertIsNone(self.values(SERVICE_KEY))
        self.assertIsNone(self.values(EVENT_SOURCE))
        self.assertFalse(os.path.exists(self.path(SYSTEM_COPY)), 'the service copy is still there')
        self.wait_for(lambda: not self.processes('haltall.exe'),
                      'still running: %s' % self.processes('haltall.exe'))

    def test_install_add_service_upgrade_uninstall(self):
        # Quiet install with its log: program, shortcut, uninstall entry, event source; no service.
        result = self.msiexec('/i', host_path(PACKAGE))
        self.assertEqual(result.returncode, 0, result.log[-3000:])
        self.assertRegex(result.log, r'Action ended [\d:]+: INSTALL\. Return value 1\.')
        exe = PROGRAM_DIR + r'\haltall.exe'
        for name in ('haltall.exe', 'README.txt', 'LICENSE.txt'):
            self.assertTrue(os.path.isfile(self.path(PROGRAM_DIR + '\\' + name)), name)
        self.assertTrue([s for s in SHORTCUTS if os.path.isfile(self.path(s))], 'no shortcut')
        entry = self.entry(PACKAGE)
        self.assertIsNotNone(entry, 'no uninstall entry')
        self.assertEqual((entry['DisplayName'], entry['DisplayVersion'], entry['Publisher']),
                         (DISPLAY_NAME, '3.0.2.0', 'Kevra'))
        self.assertEqual(self.values(EVENT_SOURCE)['EventMessageFile'], exe)
        self.assertIsNone(self.service_state())
        self.assertFalse(os.path.exists(self.path(SYSTEM_COPY)))
        with open(self.path(exe), 'rb') as installed, open(SHIPPED_EXE, 'rb') as shipped:
            self.assertEqual(installed.read(), shipped.read())
        self.assertEqual(self.wine(self.path(exe), '-save_settings', '-quiet',
                                   runner=WINE_RUN).returncode, 0)

        # The service feature added to the installed package.
        result = self.msiexec('/i', host_path(PACKAGE), 'ADDLOCAL=Service')
        self.assertEqual(result.returncode, 0, result.log[-3000:])
        self.wait_for(lambda: self.service_state() == 'RUNNING',
                      'the service does not run: %s' % self.service_state())
        self.assertEqual(self.values(SERVICE_KEY)['ImagePath'].lower(), '"%s" -service' % SYSTEM_COPY.lower())

        # An upgrade by a higher version, asked for nothing: the service
        # stays, with what it has saved, and runs again with it.
        port = free_port()
        saved = self.wine(self.path(exe), '-quiet', '-save_svc_set', '-allow_remote',
                          '-remote_port', str(port), '-remote_pswd', 'kept', runner=WINE_RUN)
        self.assertEqual(saved.returncode, 0, saved.stderr)
        before = self.values(SERVICE_KEY + r'\Parameters')
        higher, program = self.higher_version()
        result = self.msiexec('/i', host_path(higher))
        self.assertEqual(result.returncode, 0, result.log[-3000:])
        self.assertIsNone(self.entry(PACKAGE), 'the older version is still installed')
        self.assertEqual(self.entry(higher)['DisplayVersion'], '9.1.0.0')
        for copy in (exe, SYSTEM_COPY):
            with open(self.path(copy), 'rb') as installed, open(program, 'rb') as newer:
                self.assertEqual(installed.read(), newer.read(), copy + ' was not replaced')
        self.assertEqual(self.values(SERVICE_KEY + r'\Parameters'), before)
        self.wait_for(lambda: self.service_state() == 'RUNNING',
                      'the upgraded service does not run: %s' % self.service_state())
        self.wait_for(lambda: accepts(port), 'the upgraded service does not listen on %d' % port)

        # The older package now refuses to install over the newer one.
        result = self.msiexec('/i', host_path(PACKAGE))
        self.assertNotEqual(result.returncode, 0)
        self.assertIsNone(self.entry(PACKAGE))

        # Quiet uninstall: nothing left but the user's settings.
        result = self.msiexec('/x', host_path(higher))
        self.assertEqual(result.returncode, 0, result.log[-3000:])
        self.assertNothingLeft(higher)
        self.assertIsNotNone(self.values(SETTINGS_KEY))

        # SERVICE=1 asks for the service at the first install.
        result = self.msiexec('/i', host_path(PACKAGE), 'SERVICE=1')
        self.assertEqual(result.returncode, 0, result.log[-3000:])
        self.wait_for(lambda: self.service_state() == 'RUNNING',
                      'the service does not run: %s' % self.service_state())
        result = self.msiexec('/x', host_path(PACKAGE))
        self.assertEqual(result.returncode, 0, result.log[-3000:])
        self.assertNothingLeft(PACKAGE)


if __name__ == '__main__':
    unittest.main(verbosity=2)
