"""Libraries come from the system directory: a DLL planted beside the
program under a system library's name is never loaded. Wine prefers its own
builtin libraries, so the run asks it to prefer a native one found on the
search path, as Windows does."""
import os
import shutil
import subprocess
import unittest

from harness import HALTALL, WINE_RUN, HaltallTestCase, pe_machine, wine_env

PLANTED_SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'planted_library.c')
COMPILERS = {0x14c: 'i686-w64-mingw32-gcc', 0x8664: 'x86_64-w64-mingw32-gcc'}


class PlantedLibraryTest(HaltallTestCase):

    def test_a_power_library_beside_the_program_is_not_loaded(self):
        program = os.path.join(self.dir, 'haltall.exe')
        shutil.copy(HALTALL, program)
        # The library is built for the program's machine type, or it could
        # never be loaded whatever the search order.
        subprocess.run([COMPILERS[pe_machine(HALTALL)], '-shared', '-o',
                        os.path.join(self.dir, 'powrprof.dll'), PLANTED_SOURCE], check=True)
        env = wine_env(False)
        env['WINEDLLOVERRIDES'] = env.get('WINEDLLOVERRIDES', '') + ';powrprof=n,b'
        # Start-up looks up the suspend function of the power library.
        run = subprocess.run([WINE_RUN, program, 'standby', '-quiet', '-simulate'], cwd=self.dir,
                             stdin=subprocess.DEVNULL, capture_output=True, text=True,
                             errors='replace', env=env, timeout=60)
        self.assertEqual(run.returncode, 0, run.stderr)
        loaded = [name for name in os.listdir(self.dir) if name.lower().endswith('.loaded')]
        self.assertEqual(loaded, [], 'the planted powrprof.dll was loaded')


if __name__ == '__main__':
    unittest.main()
