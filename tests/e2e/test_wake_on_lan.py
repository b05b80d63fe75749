"""Wake-on-LAN as a user meets it: a real magic packet from the command line,
caught by a Linux socket and decoded by tshark, and the MAC lookup of the
"Wake-on-LAN" dialog against a network namespace of the test's own.

Network safety: packets go only to 127.0.0.0/8 or into the namespace this
test creates; the namespace's subnet is refused if the machine already
reaches it some other way."""
import os
import re
import socket
import subprocess
import time
import unittest

from harness import HaltallTestCase, USER_KEY, reg_values, wintool

MAIN_WINDOW = 'Haltall 3.0.2.0'
DIALOG = 'Wake-on-LAN'
WM_CLOSE = 0x10
IDC_WAKE_ON_LAN = 1007
IDC_SPECIFY = 1011
IDC_LOOKUP = 1083
ID_FILE_SAVE = 40004

MAC = '0011223344AA'
PACKET = b'\xff' * 6 + bytes.fromhex(MAC) * 20


class MagicPacketTest(HaltallTestCase):

    def setUp(self):
        super().setUp()
        self.receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.addCleanup(self.receiver.close)
        self.receiver.bind(('', 7))

    def start_tshark(self):
        tshark = subprocess.Popen(['tshark', '-i', 'lo', '-f', 'udp port 7', '-n', '-l', '-c', '1',
                                   '-a', 'duration:60', '-o', 'udp.try_heuristic_first:TRUE', '-V'],
                                  stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, text=True)
        self.addCleanup(lambda: tshark.poll() is None and tshark.kill())
        for line in tshark.stderr:  # ready once it says so
            if 'Capturing on' in line:
                break
        time.sleep(1)
        return tshark

    def test_wol_sends_126_bytes_to_the_subnet_broadcast_on_port_7(self):
        tshark = self.start_tshark()
        # The written form with dashes and small letters stands for the same address.
        run = self.run_haltall('wol', '-ip', '127.0.0.1', '-subnet', '255.0.0.0', '-mac',
                               '00-11-22-33-44-aa', '-quiet')
        self.assertEqual(run.returncode, 0)
        self.assertEqual(run.events, [(4, 'Action requested by the user'),
                                      (4, 'Waking up remote computer '),
                                      (4, 'Wake-On-LAN packet has been sent')])

        self.receiver.settimeout(10)
        data, sender = self.receiver.recvfrom(1024)
        self.assertEqual(data, PACKET)
        self.assertEqual(sender[0], '127.0.0.1')

        decoded, _ = tshark.communicate(timeout=60)
        self.assertIn('Dst: 127.255.255.255', decoded)
        self.assertIn('Dst Port: 7', decoded)
        self.assertIn('Wake On LAN, MAC: 00:11:22:33:44:aa', decoded)

    def test_simulate_sends_nothing_and_still_reports_the_packet(self):
        run = self.run_haltall('wol', '-remote', 'pc7', '-ip', '127.0.0.1', '-subnet', '255.0.0.0',
                               '-mac', MAC, '-simulate', '-quiet', '-debug')
        self.assertEqual(run.returncode, 0)
        self.assertEqual(run.events, [(4, 'Action requested by the user (simulated)'),
                                      (4, 'Waking up remote computer pc7'),
                                      (4, 'Wake-On-LAN packet has been sent')])
        self.assertIn('ERROR: WakeOnLan', self.log_lines())
        self.receiver.settimeout(0.5)  # the program has ended: anything sent is here
        with self.assertRaises(socket.timeout):
            self.receiver.recvfrom(1024)


def ip(*args, check=True):
    return subprocess.run(['ip'] + list(args), capture_output=True, text=True, check=check)


class LookupTest(HaltallTestCase):
    """A namespace with one veth peer whose MAC the test sets; .3 is silent."""
    SUBNET = '10.213.7.'
    PEER_MAC = '02:48:41:4c:54:41'

    @classmethod
    def setUpClass(cls):
        for line in ip('-o', '-4', 'addr', 'show').stdout.splitlines():
            if ' inet %s' % cls.SUBNET not in line:
                continue
            device = line.split()[1]
            if not re.fullmatch(r'hw\d+a', device):
                raise unittest.SkipTest('%s0/24 is in use on this machine' % cls.SUBNET)
            # Left by an earlier run of this test that was killed.
            ip('link', 'del', device, check=False)
            ip('netns', 'del', device[:-1], check=False)
        tag = 'hw%d' % (os.getpid() % 10**7)
        cls.namespace, cls.host_side, cls.peer_side = tag, tag + 'a', tag + 'b'
        ip('netns', 'add', cls.namespace)
        try:
            ip('link', 'add', cls.host_side, 'type', 'veth', 'peer', 'name', cls.peer_side)
            ip('link', 'set', cls.peer_side, 'netns', cls.namespace)
            ip('addr', 'add', cls.SUBNET + '1/24', 'dev', cls.host_side)
            ip('link', 'set', cls.host_side, 'up')
            ip('-n', cls.namespace, 'link', 'set', cls.peer_side, 'address', cls.PEER_MAC)
            ip('-n', cls.namespace, 'addr', 'add', cls.SUBNET + '2/24', 'dev', cls.peer_side)
            ip('-n', cls.namespace, 'link', 'set', cls.peer_side, 'up')
            for host in ('2', '3'):
                route = ip('route', 'get', cls.SUBNET + host).stdout
                if 'dev %s ' % cls.host_side not in route:
                    raise AssertionError('%s%s would not go into the namespace: %s'
                                         % (cls.SUBNET, host, route))
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        ip('link', 'del', cls.host_side, check=False)
        ip('netns', 'del', cls.namespace, check=False)

    def open_dialog_and_look_up(self, address):
        """Starts a window with the address set, chooses Wake-On-LAN, opens
        the dialog and presses "Lookup"."""
        run = self.start('-ip', address, '-subnet', '255.255.255.0', '-debug')
        self.assertEqual(wintool('click', MAIN_WINDOW, 20000, IDC_WAKE_ON_LAN).returncode, 0)
        self.assertEqual(wintool('command', MAIN_WINDOW, 5000, IDC_SPECIFY).returncode, 0)
        self.assertEqual(wintool('command', DIALOG, 10000, IDC_LOOKUP).returncode, 0)
        return run

    def lookup_end(self):
        for _ in range(200):
            ended = [l for l in self.log_lines() or [] if l.startswith('LookupMACAddress end')]
            if ended:
                return ended[0]
            time.sleep(0.1)
        self.fail('the lookup did not end')

    def close(self, run):
        wintool('message', MAIN_WINDOW, 5000, WM_CLOSE, 0, 0)
        self.assertEqual(run.wait().returncode, 0)

    def test_lookup_finds_the_mac_of_the_peer(self):
        run = self.open_dialog_and_look_up(self.SUBNET + '2')
        self.assertEqual(self.lookup_end(), 'LookupMACAddress end, mac=0248414C5441')
        # What the user sees in the edit goes into the record with OK.
        self.assertEqual(wintool('click', DIALOG, 5000, 1).returncode, 0)
        self.assertEqual(wintool('command', MAIN_WINDOW, 5000, ID_FILE_SAVE).returncode, 0)
        self.close(run)
        values = reg_values(USER_KEY)
        self.assertEqual(values['mac_address'], ('REG_SZ', '0248414C5441'))
        self.assertEqual(values['ip_address'], ('REG_SZ', self.SUBNET + '2'))

    def test_a_silent_address_ends_with_mac_address_not_found(self):
        run = self.open_dialog_and_look_up(self.SUBNET + '3')
        box = wintool('msgbox', 'haltall', 10000)
        self.assertEqual(box.stdout, 'MAC address not found')
        self.assertEqual(self.lookup_end(), 'LookupMACAddress end, ret=1')
        # The dialog stays open with the MAC it had.
        self.assertEqual(wintool('click', DIALOG, 5000, 1).returncode, 0)
        self.assertEqual(wintool('command', MAIN_WINDOW, 5000, ID_FILE_SAVE).returncode, 0)
        self.close(run)
        self.assertEqual(reg_values(USER_KEY)['mac_address'], ('REG_SZ', '000000000000'))


if __name__ == '__main__':
    unittest.main()
