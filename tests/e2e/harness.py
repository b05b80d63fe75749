"""Runs the real haltall.exe under Wine and observes what a user would see:
exit codes, message boxes and windows (through wintool.exe), the registry,
haltall.log and the event-log lines Wine prints with +eventlog."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

WINE = '/usr/lib/wine/wine64'
HALTALL = os.environ.get('HALTALL_EXE', '')
# The program under test may be the i686 or the x86_64 build: the runner
# picks the Wine loader by its machine type and refuses what it cannot run.
WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'cmake', 'wine-run')
HALTALL_COMMAND = [WINE_RUN, HALTALL]


def pe_machine(path):
    """The machine field of a Windows program: 0x14c i686, 0x8664 x86_64."""
    with open(path, 'rb') as f:
        data = f.read(4096)
    offset = int.from_bytes(data[0x3c:0x40], 'little')
    return int.from_bytes(data[offset + 4:offset + 6], 'little')


# A 32-bit program on 64-bit Windows has its own view of HKLM\SOFTWARE: the
# registry is read and written in the view of the program under test.
REG_VIEW = ['/reg:32'] if HALTALL and pe_machine(HALTALL) == 0x14c else []
WINTOOL = os.environ.get('WINTOOL_EXE', '')

EVENT_LINE = re.compile(r'^[0-9a-f]{4}:(trace|warn|err):eventlog:ReportEventW L"(.*)"$')
EVENT_TYPES = {'err': 1, 'warn': 2, 'trace': 4}


def wine_env(eventlog=True):
    env = dict(os.environ)
    # The advapi fixme line of each event shows its type and id.
    env['WINEDEBUG'] = '-all,+eventlog,fixme+advapi' if eventlog else '-all'
    return env


WINE_DEBUG_LINE = re.compile(r'^[0-9a-f]{4}:(fixme|err|warn|trace):')
EVENT_ID_LINE = re.compile(r'^[0-9a-f]{4}:fixme:advapi:ReportEventW \([^,]*,0x([0-9a-f]{4}),'
                           r'0x[0-9a-f]{4},0x([0-9a-f]{8}),')


def console_text(output):
    """What the program wrote to a console stream, without Wine's debug
    lines, with its CR LF line ends as line feeds."""
    return ''.join(line for line in output.replace('\r\n', '\n').splitlines(True)
                   if not WINE_DEBUG_LINE.match(line.strip()))


def event_ids(stderr):
    """The event-log entries in stderr as (type, event id, text)."""
    found = []
    kind = None
    for line in stderr.splitlines():
        m = EVENT_ID_LINE.match(line.strip())
        if m:
            kind = (int(m.group(1), 16), int(m.group(2), 16))
            continue
        m = EVENT_LINE.match(line.strip())
        if m and kind:
            found.append(kind + (m.group(2).replace('\\n', '\n'),))
            kind = None
    return found


def events(stderr):
    """The event-log entries in stderr as (type, text); type 1 error, 4 information."""
    found = []
    for line in stderr.splitlines():
        m = EVENT_LINE.match(line.strip())
        if m:
            # The trace escapes the text as C does.
            text = re.sub(r'\\(.)', lambda e: {'n': '\n', 'r': '\r', 't': '\t'}.get(e.group(1), e.group(1)),
                          m.group(2))
            found.append((EVENT_TYPES[m.group(1)], text))
    return found


# Started through Wine's "start /wait" the program gets no output handles
# and no console, as from Explorer or a shortcut: it shows its boxes.
# Started directly it writes to the test's pipes, as to a redirected console.
def shortcut_command(cwd):
    return [WINE, 'start', '/d', 'Z:' + cwd.replace('/', '\\'), '/wait', '/unix', HALTALL]


class Run:
    """A started haltall.exe; wait() gives (exit code, stdout, stderr)."""

    def __init__(self, args, cwd, eventlog=True, from_shortcut=False):
        command = shortcut_command(cwd) if from_shortcut else HALTALL_COMMAND
        self.process = subprocess.Popen(command + list(args), cwd=cwd,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True, errors='replace',
                                        env=wine_env(eventlog))

    def stop(self):
        """Ends the program if it still runs, so no stray window outlives its test."""
        if self.process.poll() is None:
            self.process.kill()
            self.process.communicate()

    def wait(self, timeout=60):
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            out, err = self.process.communicate()
            raise AssertionError('haltall did not end within %ss\n%s' % (timeout, err))
        self.stdout, self.stderr = out, err
        self.returncode = self.process.returncode
        self.events = events(err)
        return self


def wintool(verb, caption, timeout_ms=10000, *args):
    """Runs wintool; a run that stalls past its own time-out (Wine sometimes
    holds a process that starts while another one is starting up) is killed
    and tried once more."""
    command = [WINE, WINTOOL, verb, caption, str(timeout_ms)] + [str(a) for a in args]
    for attempt in (1, 2):
        try:
            return subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                  errors='replace', env=wine_env(False), timeout=timeout_ms / 1000 + 15)
        except subprocess.TimeoutExpired:
            if attempt == 2:
                raise


def bring_up_desktop():
    """Makes sure Wine's desktop process runs before a test starts a window.
    Started by the program or by wintool, it would inherit their stderr pipe
    and keep the test waiting for as long as it lives."""
    subprocess.run([WINE, WINTOOL, 'find', 'no such window', '0'], stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True,
                   timeout=60)


def parse_dump(text):
    """wintool dump output as {id: (class, text, enabled, visible, checked)};
    of repeated ids (statics) the first."""
    controls = {}
    for line in text.splitlines():
        parts = line.split('|')
        if len(parts) == 6:
            controls.setdefault(int(parts[0]), (parts[1], parts[2]) + tuple(p == '1' for p in parts[3:]))
    return controls


def reg(*args):
    return subprocess.run([WINE, 'reg'] + list(args) + REG_VIEW, stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, errors='replace',
                          env=wine_env(False), timeout=60)


def reg_values(key):
    """The values of a registry key as {name: (type, data)}, or None when it is missing."""
    result = reg('query', key)
    if result.returncode != 0:
        return None
    values = {}
    for line in result.stdout.splitlines():
        m = re.match(r'^    (\S+)    (REG_\w+)    ?(.*)$', line)
        if m:
            name, kind, data = m.groups()
            values[name] = (kind, int(data, 16) if kind == 'REG_DWORD' else data)
    return values


def reg_delete(key):
    reg('delete', key, '/f')


def reg_add(key, name, kind, data):
    return reg('add', key, '/v', name, '/t', kind, '/d', str(data), '/f')


USER_KEY = r'HKCU\SOFTWARE\Kevra\Haltall'
MACHINE_KEY = r'HKLM\SOFTWARE\Kevra\Haltall'
OLD_USER_KEY = r'HKCU\SOFTWARE\Haltall'
OLD_MACHINE_KEY = r'HKLM\SOFTWARE\Haltall'
SERVICE_KEY = r'HKLM\SYSTEM\CurrentControlSet\Services\Haltall\Parameters'
ALL_KEYS = [USER_KEY, MACHINE_KEY, OLD_USER_KEY, OLD_MACHINE_KEY, SERVICE_KEY]


class HaltallTestCase(unittest.TestCase):
    """Each test runs in a fresh working folder (where haltall.log lands) with
    no stored settings at any location."""

    def setUp(self):
        if not HALTALL or not WINTOOL:
            self.fail('HALTALL_EXE and WINTOOL_EXE must name the built programs')
        bring_up_desktop()
        self.dir = tempfile.mkdtemp(prefix='haltall-e2e-')
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.clear_settings()
        self.addCleanup(self.clear_settings)

    def clear_settings(self):
        for key in ALL_KEYS:
            reg_delete(key)

    def start(self, *args, eventlog=True, from_shortcut=False):
        run = Run(args, self.dir, eventlog, from_shortcut)
        self.addCleanup(run.stop)
        return run

    def run_haltall(self, *args, timeout=60):
        return self.start(*args).wait(timeout)

    def log_lines(self):
        """The messages of haltall.log, without their time stamps."""
        path = os.path.join(self.dir, 'haltall.log')
        if not os.path.exists(path):
            return None
        with open(path, encoding='latin-1', newline='') as f:
            lines = f.read().split('\r\n')
        return [line.rstrip('\r').split(' -> ', 1)[1] for line in lines if ' -> ' in line]

    def usage_box(self, *args):
        """Runs haltall with args as from a shortcut, expecting the usage box
        of a usage error; returns its text."""
        run = self.start(*args, from_shortcut=True)
        box = wintool('msgbox', 'haltall', 20000)
        run.wait()
        self.assertEqual(box.returncode, 0, 'no usage message box appeared')
        self.assertEqual(run.returncode, 1)
        return box.stdout


def sc(*args):
    return subprocess.run([WINE, 'sc'] + list(args), stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, errors='replace', env=wine_env(False), timeout=60)


def windows_processes(name, prefix=None):
    """Pids of the Wine processes of a prefix (default: this run's) whose
    command line names the program file name (any letter case)."""
    prefix = os.path.realpath(prefix or os.environ.get('WINEPREFIX', ''))
    found = []
    for pid in filter(str.isdigit, os.listdir('/proc')):
        try:
            with open('/proc/%s/cmdline' % pid, 'rb') as f:
                command = f.read().decode('latin-1').lower()
            with open('/proc/%s/environ' % pid, 'rb') as f:
                environ = f.read().decode('latin-1').split('\0')
        except OSError:
            continue
        if name.lower() in command and any(
                entry.startswith('WINEPREFIX=') and os.path.realpath(entry[11:]) == prefix
                for entry in environ):
            found.append(int(pid))
    return found


def windows_path(path, prefix=None):
    """The Linux path of a C: path in a prefix (default: this run's)."""
    prefix = prefix or os.environ.get('WINEPREFIX', '')
    drive, rest = path[:2], path[2:]
    if drive.upper() != 'C:':
        raise ValueError('not a C: path: %s' % path)
    return os.path.join(prefix, 'drive_c', *[part for part in rest.split('\\') if part])
