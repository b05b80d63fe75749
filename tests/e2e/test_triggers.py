"""Triggers of the real program: an action scheduled a few seconds ahead,
and an action that follows a real Windows process once it has stopped."""
import os
import shutil
import subprocess
import time
import unittest

import harness
from harness import HaltallTestCase, Run, events


def wait_for(condition, what, timeout=60):
    """Polls condition until it holds; the timeout only guards a hung run."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.2)
    raise AssertionError('gave up waiting for ' + what)


def read_log(folder):
    path = os.path.join(folder, 'haltall.log')
    if not os.path.exists(path):
        return []
    with open(path, encoding='latin-1') as f:
        return [line.rstrip('\n').split(' -> ', 1)[1] for line in f if ' -> ' in line]


def count(lines, prefix):
    return sum(1 for line in lines if line.startswith(prefix))


def end(run):
    """Ends a program that keeps running by itself; returns its events."""
    assert run.process.poll() is None, 'the program ended by itself'
    run.process.kill()
    _, err = run.process.communicate()
    return events(err)


class ScheduleTest(HaltallTestCase):

    def test_after_seconds_fires_once_and_the_run_ends_by_itself(self):
        run = self.start('no_action', '-scheduled', '-seconds', '3', '-simulate', '-quiet', '-debug')
        run.wait(60)
        self.assertEqual(run.returncode, 0)
        self.assertEqual(run.events, [(4, 'Action requested by the schedule (simulated)'),
                                      (4, 'Initiating NO_ACTION')])
        log = read_log(self.dir)
        ticks = [line for line in log
                 if line.startswith(('AFTER_X_SECONDS', 'HaltAll start', 'CheckScheduleTimer start'))]
        self.assertEqual(ticks, ['CheckScheduleTimer start, wait=0', 'AFTER_X_SECONDS: remaining=3',
                                 'CheckScheduleTimer start, wait=0', 'AFTER_X_SECONDS: remaining=2',
                                 'CheckScheduleTimer start, wait=0', 'AFTER_X_SECONDS: remaining=1',
                                 'HaltAll start'])
        self.assertIn('Haltall stopped', log)


class ProcessWatchTest(HaltallTestCase):

    def start_watched(self, path):
        # Any Windows program that keeps running will do: the window tool
        # waiting for a window that never comes.
        process = subprocess.Popen([harness.WINE, path, 'find', 'no such window', '300000'],
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, env=harness.wine_env(False))
        self.addCleanup(lambda: process.poll() is None and (process.kill(), process.wait()))
        return process

    def test_fires_once_after_the_process_stops_and_the_run_ends(self):
        name = 'watched-%d.exe' % os.getpid()
        path = os.path.join(self.dir, name)
        shutil.copy(harness.WINTOOL, path)

        # A second copy watches a name that never runs.
        never_dir = os.path.join(self.dir, 'never')
        os.mkdir(never_dir)
        never = Run(['no_action', '-process', 'never-%d.exe' % os.getpid(), '-simulate', '-quiet',
                     '-debug'], never_dir)
        self.addCleanup(never.stop)
        run = self.start('no_action', '-process', name.upper(), '-simulate', '-quiet', '-debug')

        def log():
            return read_log(self.dir)

        wait_for(lambda: count(log(), 'CheckProcessTimer end, seen_running=0') >= 3, 'three ticks')
        self.assertEqual(count(log(), 'HaltAll start'), 0)

        watched = self.start_watched(path)
        wait_for(lambda: 'CheckProcessTimer end, seen_running=1' in log(), 'the watched process')
        watched.kill()
        watched.wait()
        run.wait(60)
        self.assertEqual(run.returncode, 0)
        self.assertEqual(run.events, [(4, 'Action requested by the process watch (simulated)'),
                                      (4, 'Initiating NO_ACTION')])
        self.assertEqual(count(log(), 'HaltAll start'), 1)

        wait_for(lambda: count(read_log(never_dir), 'CheckProcessTimer start') > 5,
                 'ticks of the copy that watches a name that never runs')
        self.assertEqual(count(read_log(never_dir), 'HaltAll start'), 0)
        self.assertEqual(end(never), [])


if __name__ == '__main__':
    unittest.main()
