"""A fresh Wine prefix per test class, as a newly set-up computer, for the
installer tests: running Windows programs in it, reading its registry, files,
processes and the Haltall service."""
import glob
import os
import re
import shutil
import socket
import subprocess
import tempfile
import time
import unittest

from harness import WINE, windows_path, windows_processes

WINESERVER = '/usr/lib/wine/wineserver64'
SHORTCUT = r'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Haltall.lnk'
SERVICE_KEY = r'HKLM\SYSTEM\CurrentControlSet\Services\Haltall'
EVENT_SOURCE = r'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Haltall'
SETTINGS_KEY = r'HKCU\SOFTWARE\Haltall'


def the_package():
    """HALTALL_PACKAGE names the package, or a pattern that matches one."""
    found = glob.glob(os.environ.get('HALTALL_PACKAGE', ''))
    if len(found) != 1:
        raise SystemExit('expected one package for %r (scripts/package makes it), found %s'
                         % (os.environ.get('HALTALL_PACKAGE'), found))
    return found[0]


def free_port():
    with socket.socket() as probe:
        probe.bind(('127.0.0.1', 0))
        return probe.getsockname()[1]


def accepts(port):
    try:
        socket.create_connection(('127.0.0.1', port), timeout=1).close()
        return True
    except OSError:
        return False


class PrefixTestCase(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix='haltall-installer-')
        # No menu builder: it would copy the shortcut to this machine's own menus.
        overrides = os.environ.get('WINEDLLOVERRIDES', '')
        cls.env = dict(os.environ, WINEPREFIX=os.path.join(cls.dir, 'prefix'), WINEDEBUG='-all',
                       WINEDLLOVERRIDES=';'.join(filter(None, [overrides, 'winemenubuilder.exe=d'])))
        # A fresh prefix, kept alive by its own server so that the service
        # does not end with the last program; its desktop brought up detached.
        cls.wine('wineboot', '-i', timeout=180)
        subprocess.run([WINESERVER, '-w'], env=cls.env, timeout=120)
        subprocess.run([WINESERVER, '-p'], env=cls.env, timeout=60)
        subprocess.run([WINE, 'wineboot'], env=cls.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True,
                       timeout=120)

    @classmethod
    def tearDownClass(cls):
        subprocess.run([WINESERVER, '-k'], env=cls.env, timeout=60)
        shutil.rmtree(cls.dir, True)

    @classmethod
    def wine(cls, *args, runner=WINE, timeout=120, debug='-all'):
        """Runs a Windows program to its end. Its output goes through files:
        helper processes that Wine starts on the way would hold pipes open."""
        with tempfile.TemporaryFile('w+', errors='replace') as out, \
                tempfile.TemporaryFile('w+', errors='replace') as err:
            result = subprocess.run([runner] + list(args), env=dict(cls.env, WINEDEBUG=debug),
                                    cwd=cls.dir, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                    timeout=timeout)
            out.seek(0)
            err.seek(0)
            result.stdout, result.stderr = out.read(), err.read()
        return result

    def path(self, windows):
        return windows_path(windows, self.env['WINEPREFIX'])

    def values(self, key):
        result = self.wine('reg', 'query', key)
        if result.returncode != 0:
            return None
        return dict((name, data) for name, _, data in
                    re.findall(r'^    (\S+)    (REG_\w+)    ?(.*)$', result.stdout, re.M))

    def processes(self, name):
        return windows_processes(name, self.env['WINEPREFIX'])

    def service_state(self):
        result = self.wine('sc', 'query', 'Haltall')
        m = re.search(r'STATE\s*:\s*\d+\s+(\w+)', result.stdout)
        return m.group(1) if result.returncode == 0 and m else None

    def wait_for(self, condition, message, seconds=30):
        deadline = time.monotonic() + seconds
        while not condition():
            if time.monotonic() > deadline:
                self.fail(message)
            time.sleep(0.25)
