"""Small stand-ins for copies of haltall serving remote control, all on
127.0.0.1 (or ::1): one thread serves any number of listening ports with the
protocol's greeting and replies and counts the commands each port received.
A port can also accept and never answer, hold its greeting until released,
or (never_accepting) have its accept queue kept full so that further
connection requests are dropped."""
import selectors
import socket
import threading

WELCOME = b'201 Welcome to Haltall 3.0.2.0 created by Telmarin\r\n'

ANSWER, SILENT, HELD = 'answer', 'silent', 'held'


class FakeServers:

    def __init__(self):
        self.selector = selectors.DefaultSelector()
        self.lock = threading.Lock()
        self.commands = {}   # port -> list of command lines received
        self.modes = {}
        self.held = []       # connections of HELD ports waiting for release()
        self.released = False
        self.sockets = []
        self.wake_r, self.wake_w = socket.socketpair()
        self.selector.register(self.wake_r, selectors.EVENT_READ, ('wake', None))
        self.running = True
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def listen(self, mode=ANSWER, host='127.0.0.1', port=0):
        """A new listening port (any free one, or port) with the given
        behaviour; returns the port."""
        listener = socket.socket(socket.AF_INET6 if ':' in host else socket.AF_INET)
        listener.bind((host, port))
        listener.listen(128)
        listener.setblocking(False)
        port = listener.getsockname()[1]
        with self.lock:
            self.commands[port] = []
            self.modes[port] = mode
            self.sockets.append(listener)
        self._register(listener, ('listen', port))
        return port

    def never_accepting(self, host='127.0.0.1'):
        """A port whose accept queue is full: Linux drops further SYNs, so a
        client's connect waits until its own time-out."""
        listener = socket.socket()
        listener.bind((host, 0))
        listener.listen(0)
        port = listener.getsockname()[1]
        self.sockets.append(listener)
        fillers = []
        for _ in range(8):  # queue length 0 still admits one or two
            filler = socket.socket()
            filler.setblocking(False)
            filler.connect_ex((host, port))
            fillers.append(filler)
        self.sockets.extend(fillers)
        return port

    def release(self):
        """Held ports greet the connections waiting on them, and later ones at once."""
        with self.lock:
            self.released = True
            waiting, self.held = self.held, []
        for connection in waiting:
            connection.sendall(WELCOME)

    def doit_count(self, port):
        with self.lock:
            return self.commands[port].count('DOIT')

    def close(self):
        self.running = False
        self.wake_w.send(b'x')
        self.thread.join(5)
        for s in self.sockets:
            s.close()
        self.wake_r.close()
        self.wake_w.close()

    def _register(self, sock, data):
        self.selector.register(sock, selectors.EVENT_READ, data)
        self.wake_w.send(b'x')

    def _serve(self):
        buffers = {}
        while self.running:
            for key, _ in self.selector.select(timeout=1):
                kind, port = key.data
                if kind == 'wake':
                    key.fileobj.recv(4096)
                elif kind == 'listen':
                    try:
                        connection, _ = key.fileobj.accept()
                    except BlockingIOError:
                        continue
                    connection.setblocking(True)
                    with self.lock:
                        self.sockets.append(connection)
                        mode = self.modes[port]
                        hold = mode == HELD and not self.released
                        if hold:
                            self.held.append(connection)
                    if mode == ANSWER or (mode == HELD and not hold):
                        connection.sendall(WELCOME)
                    buffers[connection] = b''
                    self.selector.register(connection, selectors.EVENT_READ, ('peer', port))
                else:
                    self._read(key.fileobj, port, buffers)

    def _read(self, connection, port, buffers):
        try:
            data = connection.recv(65536)
        except OSError:
            data = b''
        if not data:
            self.selector.unregister(connection)
            buffers.pop(connection, None)
            connection.close()
            return
        if self.modes[port] == SILENT:
            return
        buffers[connection] += data
        while b'\n' in buffers[connection]:
            line, buffers[connection] = buffers[connection].split(b'\n', 1)
            text = line.decode('latin-1').rstrip('\r')
            with self.lock:
                self.commands[port].append(text)
            reply = b'201 3.0.2.0\r\n' if text == 'VERSION' else b'250 OK\r\n'
            connection.sendall(reply)
