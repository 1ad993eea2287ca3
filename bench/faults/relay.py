"""The TCP relay between Kestra and mirabo-logd that the fault run controls.

Kestra connects to the relay; for every connection the relay opens one to the service instance that
runs now and passes the protocol's lines on, whole, in both directions. On the way it reads them: it
pairs each answer with its request, and from every `log.read` answer it takes the numbers of the stream
lines in the text. That is what the service handed out, counted per service instance, at the wire.

Over TLS (`tls` given) the relay ends TLS on both sides, as it must to read the lines: towards Kestra it
answers the TLS question and presents a key of its own, which the fault run has put into Kestra's list
of known stations; towards the service it asks the question and runs the handshake as a client (it does
not check the service's key: both ends are the run's own). What it passes on in between is the same
plain text as without TLS, so the counting does not change.

A cut happens without the service's knowledge: the relay closes Kestra's side (or, for a silent cut,
just stops passing anything on) and leaves the service's side open and unread for `HOLD_S` seconds, as
a pulled cable would. Some cuts wait for the next `log.read` answer that carries text and then drop it,
pass half of it, or pass it whole and cut right after, so that answers are lost in flight.
"""
import json
import re
import selectors
import socket
import ssl
import struct
import threading
import time

HOLD_S = 10.0  # how long the service's side of a cut connection stays open, unread
STREAM_LINE = re.compile(r"S(\d{8,}) t=(\d{19}) ")

CUT_KINDS = ("reset", "swallow", "half", "forwarded", "silent")
TLS_QUESTION = b'{"id":0,"jsonrpc":"2.0","method":"tls.start","params":{}}\n'
TLS_YES = b'{"id":0,"jsonrpc":"2.0","result":{"tls":true}}\n'


def read_line(sock, limit=8192):
    """One line read byte by byte, so that nothing behind it (the handshake) is taken along."""
    line = b""
    while not line.endswith(b"\n") and len(line) < limit:
        byte = sock.recv(1)
        if not byte:
            raise OSError("closed before the end of the line")
        line += byte
    return line


class Tls:
    """The two TLS ends of the relay: a station towards Kestra, a client towards the service."""

    def __init__(self, cert, key):
        self.server = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.server.load_cert_chain(cert, key)
        self.client = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
        self.client.check_hostname = False
        self.client.verify_mode = ssl.CERT_NONE

    def accept(self, down):
        if read_line(down) != TLS_QUESTION:
            raise OSError("Kestra did not ask the TLS question first")
        down.sendall(TLS_YES)
        return self.server.wrap_socket(down, server_side=True)

    def connect(self, up):
        up.sendall(TLS_QUESTION)
        if b'"tls":true' not in read_line(up):
            raise OSError("the service does not speak TLS")
        return self.client.wrap_socket(up)
ANSWER_CUTS = ("swallow", "half", "forwarded")  # wait for a log.read answer with text


class Pair:
    def __init__(self, serial, instance, down, up):
        self.serial = serial
        self.instance = instance
        self.down = down  # Kestra's side
        self.up = up      # the service's side
        self.down_buf = b""
        self.up_buf = b""
        self.methods = {}  # request id -> method
        self.epoch = ""
        self.silent = False
        self.closed = False


class Relay:
    def __init__(self, tls=None):
        self._tls = tls  # a Tls, or None for a relay in clear
        self._listener = socket.create_server(("127.0.0.1", 0))
        self._listener.setblocking(False)
        self.port = self._listener.getsockname()[1]
        self._sel = selectors.DefaultSelector()
        self._sel.register(self._listener, selectors.EVENT_READ, None)
        self._lock = threading.Lock()
        self._upstream = None  # (port, instance) of the service that runs now
        self._pairs = []
        self._held = []  # (socket, close at)
        self._serial = 0
        self._armed = None
        self._cut_now = None
        self._stop = False
        # Figures, read by the fault run (under the lock).
        self.handed = {}        # instance -> set of stream line numbers handed out
        self.handed_total = 0   # stream lines in log.read answers, repeats included
        self.sent_times = {}    # stream line number -> its time stamp (ns), for every line handed out
        self.resent = 0         # log.read answers with text that repeat an earlier one (same epoch, seq)
        self.cuts = {k: 0 for k in CUT_KINDS}
        self.refused = 0        # Kestra connections with no service to pass them to
        self.reads = 0          # log.read answers passed to Kestra
        self._newest_made = 0   # the time stamp of the newest stream line passed to Kestra
        self._seen_answers = set()
        self._text_answers = []  # serial of the connection of each answer with text passed on
        self.error = None       # what ended the relay's thread early, if anything
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    # ---- control (any thread) ----

    def set_upstream(self, port, instance):
        with self._lock:
            self._upstream = None if port is None else (port, instance)

    def serial(self):
        """The serial of the newest connection so far; later connections get higher ones."""
        with self._lock:
            return self._serial

    def text_answers_since(self, serial):
        """log.read answers with text passed to Kestra on connections newer than `serial`."""
        with self._lock:
            return sum(1 for s in self._text_answers if s > serial)

    def newest_made_ns(self):
        """The time stamp (when bench_feed made it) of the newest stream line passed to Kestra."""
        with self._lock:
            return self._newest_made

    def any_read_answer(self):
        with self._lock:
            return self.reads > 0

    def arm(self, kind):
        """Cuts at the next log.read answer with text (kind in ANSWER_CUTS) or at once."""
        with self._lock:
            if kind in ANSWER_CUTS:
                self._armed = kind
            else:
                self._cut_now = kind

    def pending_cut(self):
        with self._lock:
            return self._armed is not None or self._cut_now is not None

    def figures(self):
        with self._lock:
            return {
                "handed": {k: set(v) for k, v in self.handed.items()},
                "handed_total": self.handed_total,
                "sent_times": dict(self.sent_times),
                "resent": self.resent,
                "cuts": dict(self.cuts),
                "refused": self.refused,
            }

    def close(self):
        with self._lock:
            self._stop = True
        self._thread.join(timeout=5)

    # ---- the relay thread ----

    def _run(self):
        try:
            self._loop()
        except Exception as e:  # reported by the fault run; Kestra then finds no relay
            self.error = repr(e)
            self._listener.close()

    def _loop(self):
        while True:
            with self._lock:
                if self._stop:
                    break
                cut_now, self._cut_now = self._cut_now, None
            if cut_now:
                pair = self._newest()
                if pair:
                    self._cut(pair, cut_now)
                else:
                    with self._lock:
                        self._cut_now = cut_now  # no connection yet: try again
            for key, _ in self._sel.select(timeout=0.02):
                if key.data is None:
                    self._accept()
                else:
                    pair, side = key.data
                    if not pair.closed:
                        self._readable(pair, side)
            now = time.monotonic()
            for sock, at in [h for h in self._held if h[1] <= now]:
                sock.close()
            self._held = [h for h in self._held if h[1] > now]
        for pair in self._pairs:
            self._close_pair(pair)
        for sock, _ in self._held:
            sock.close()
        self._listener.close()

    def _newest(self):
        live = [p for p in self._pairs if not p.closed and not p.silent]
        return live[-1] if live else None

    def _accept(self):
        try:
            down, _ = self._listener.accept()
        except OSError:
            return
        with self._lock:
            upstream = self._upstream
            self._serial += 1
            serial = self._serial
        up = None
        if upstream:
            try:
                up = socket.create_connection(("127.0.0.1", upstream[0]), timeout=2)
            except OSError:
                up = None
        if up is not None and self._tls:
            # Both handshakes before the pair is passed on; a service that goes away meanwhile counts as
            # none to pass the connection to.
            try:
                down.setblocking(True)
                down.settimeout(5)
                up.settimeout(5)
                up = self._tls.connect(up)
                down = self._tls.accept(down)
            except OSError:
                up.close()
                up = None
        if up is None:
            with self._lock:
                self.refused += 1
            down.close()
            return
        for s in (down, up):
            s.setblocking(True)
            s.settimeout(5)
            s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        pair = Pair(serial, upstream[1], down, up)
        self._pairs.append(pair)
        self._sel.register(down, selectors.EVENT_READ, (pair, "down"))
        self._sel.register(up, selectors.EVENT_READ, (pair, "up"))

    def _readable(self, pair, side):
        sock = pair.down if side == "down" else pair.up
        try:
            data = sock.recv(65536)
            # TLS may hold more than one read gave out; no readiness of the socket would tell of it.
            while data and isinstance(sock, ssl.SSLSocket) and sock.pending():
                data += sock.recv(65536)
        except OSError:
            data = b""
        if not data:
            self._ended(pair, side)
            return
        if side == "down":
            pair.down_buf += data
            while b"\n" in pair.down_buf and not pair.closed:
                line, pair.down_buf = pair.down_buf.split(b"\n", 1)
                self._from_kestra(pair, line + b"\n")
        else:
            pair.up_buf += data
            while b"\n" in pair.up_buf and not pair.closed:
                line, pair.up_buf = pair.up_buf.split(b"\n", 1)
                self._from_service(pair, line + b"\n")

    def _send(self, pair, sock, data):
        try:
            sock.sendall(data)
            return True
        except OSError:
            self._close_pair(pair)
            return False

    def _from_kestra(self, pair, line):
        if pair.silent:
            return
        try:
            msg = json.loads(line)
            pair.methods[msg.get("id")] = msg.get("method")
        except (ValueError, AttributeError):
            pass
        self._send(pair, pair.up, line)

    def _from_service(self, pair, line):
        text = ""
        seq = None
        is_read = False
        try:
            msg = json.loads(line)
            result = msg.get("result")
            method = pair.methods.pop(msg.get("id"), None)
            if isinstance(result, dict) and method == "hello":
                pair.epoch = str(result.get("epoch", ""))
            if isinstance(result, dict) and method == "log.read":
                is_read = True
                text = str(result.get("text", ""))
                seq = result.get("seq")
        except (ValueError, AttributeError):
            pass
        if text:
            self._note_handed(pair, text, seq)
        with self._lock:
            armed = self._armed if text else None
            if armed:
                self._armed = None
        if armed:
            if armed == "half":
                self._send(pair, pair.down, line[: len(line) // 2])
            elif armed == "forwarded":
                self._send(pair, pair.down, line)
            self._cut(pair, armed)
            return
        if self._send(pair, pair.down, line) and is_read:
            with self._lock:
                self.reads += 1
                if text:
                    self._text_answers.append(pair.serial)
                    for m in STREAM_LINE.finditer(text):
                        self._newest_made = max(self._newest_made, int(m.group(2)))

    def _note_handed(self, pair, text, seq):
        numbers = [(int(m.group(1)), int(m.group(2))) for m in STREAM_LINE.finditer(text)]
        with self._lock:
            key = (pair.instance, pair.epoch, seq)
            if key in self._seen_answers:
                self.resent += 1
            self._seen_answers.add(key)
            got = self.handed.setdefault(pair.instance, set())
            for n, t in numbers:
                got.add(n)
                self.sent_times[n] = t
            self.handed_total += len(numbers)

    def _cut(self, pair, kind):
        """Cuts Kestra's side now; the service's side stays open, unread, for HOLD_S seconds."""
        with self._lock:
            self.cuts[kind] += 1
        self._hold(pair.up)
        if kind == "silent":
            pair.silent = True  # Kestra's side is read and dropped until Kestra gives up on it
            return
        try:
            self._sel.unregister(pair.down)
        except (KeyError, ValueError):
            pass
        if kind == "reset":
            pair.down.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        pair.down.close()
        pair.closed = True
        self._pairs = [p for p in self._pairs if p is not pair]

    def _hold(self, sock):
        try:
            self._sel.unregister(sock)
        except (KeyError, ValueError):
            pass
        self._held.append((sock, time.monotonic() + HOLD_S))

    def _ended(self, pair, side):
        """One side closed: the other side is closed too (what the service sent last still goes)."""
        if side == "up" and pair.up_buf and not pair.silent:
            self._send(pair, pair.down, pair.up_buf)
        self._close_pair(pair)

    def _close_pair(self, pair):
        if pair.closed:
            return
        pair.closed = True
        for sock in (pair.down, pair.up):
            try:
                self._sel.unregister(sock)
            except (KeyError, ValueError):
                pass
            if not pair.silent or sock is pair.down:
                sock.close()
        self._pairs = [p for p in self._pairs if p is not pair]
