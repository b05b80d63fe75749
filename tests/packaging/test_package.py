"""What scripts/package hands to Windows users: a 64-bit and a 32-bit setup,
the same as Windows Installer packages, and one portable zip with both
shipped programs."""
import glob
import os
import subprocess
import tempfile
import unittest
import zipfile

from harness import pe_machine

PACKAGE_DIR = os.environ.get('HALTALL_PACKAGE_DIR', '')
SHIPPED = {'x64': os.environ.get('HALTALL_EXE64', ''), 'x86': os.environ.get('HALTALL_EXE32', '')}


def read(path):
    with open(path, 'rb') as f:
        return f.read()


class PackageTest(unittest.TestCase):

    def test_each_setup_is_a_small_program_of_its_own_machine_type(self):
        for arch, machine in (('x64', 0x8664), ('x86', 0x14c)):
            setup, = glob.glob(os.path.join(PACKAGE_DIR, 'haltall-*-%s-setup.exe' % arch))
            self.assertEqual(pe_machine(setup), machine, setup)
            self.assertLess(os.path.getsize(setup), 1 << 20)

    def test_each_msi_holds_the_shipped_program_of_its_machine_type(self):
        for arch, platform in (('x64', 'x64'), ('x86', 'Intel')):
            msi, = glob.glob(os.path.join(PACKAGE_DIR, 'haltall-*-%s.msi' % arch))
            summary = subprocess.run(['msiinfo', 'suminfo', msi], capture_output=True, text=True,
                                     check=True).stdout
            self.assertIn('Template: %s;1033' % platform, summary)
            with tempfile.TemporaryDirectory() as folder:
                subprocess.run(['msiextract', '-C', folder, msi], capture_output=True, check=True)
                # msiextract names the 32-bit Program Files only.
                program, = glob.glob(os.path.join(folder, '**', 'Haltall', 'haltall.exe'), recursive=True)
                self.assertEqual(read(program), read(SHIPPED[arch]))
                self.assertIn(b'\r\n', read(os.path.join(os.path.dirname(program), 'README.txt')))

    def test_the_zip_holds_both_shipped_programs(self):
        portable, = glob.glob(os.path.join(PACKAGE_DIR, 'haltall-*-portable.zip'))
        with zipfile.ZipFile(portable) as z:
            self.assertEqual(sorted(z.namelist()),
                             ['LICENSE.txt', 'README.txt', 'x64/haltall.exe', 'x86/haltall.exe'])
            readme = z.read('README.txt')
            self.assertIn(b'\r\n', readme)
            # The users' README: how to install, run and deploy; not how to build.
            for text in (b'## Exit codes', b'## Securing remote control', b'msiexec /i', b'/FIREWALL'):
                self.assertIn(text, readme)
            for text in (b'## Building by hand', b'scripts/', b'<!--', b'## Fuzzing'):
                self.assertNotIn(text, readme)
            for arch, shipped in SHIPPED.items():
                self.assertEqual(z.read(arch + '/haltall.exe'), read(shipped),
                                 'the zip holds another %s program than the shipped one' % arch)


if __name__ == '__main__':
    unittest.main(verbosity=2)
