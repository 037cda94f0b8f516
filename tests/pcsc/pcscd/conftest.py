"""reader-sim and Debian's pcscd with the driver, for the tests in this folder.

The tests run inside run_in_private_pcscd_dir.sh, so the pcscd started here owns
/run/pcscd. Every process started here ends with the test run, however it ends:
each is told by the kernel when its parent goes (PR_SET_PDEATHSIG), and stopped
by the fixtures otherwise.
"""

import ctypes
import os
import pathlib
import signal
import subprocess
import tempfile
import time
from typing import Iterator, List, Optional, Tuple

import pytest
from smartcard import scard
from smartcard.Exceptions import CardConnectionException
from smartcard.System import readers
from smartcard.pcsc.PCSCContext import PCSCContext
from smartcard.util import toBytes, toHexString

BIN_DIR = pathlib.Path(os.environ.get("TILVANE_BIN_DIR", "build/bin")).resolve()
# The driver pcscd loads: the build's, or another copy (the Debian package's).
DRIVER = pathlib.Path(os.environ.get("TILVANE_IFD_DRIVER", BIN_DIR / "libifd-tilvane.so"))
READER_NAME = "Tilvane Test"
FIELD = READER_NAME + " 00 00"
SAM = READER_NAME + " 00 01"

_PR_SET_PDEATHSIG = 1


def _end_with_parent() -> None:
    ctypes.CDLL(None, use_errno=True).prctl(_PR_SET_PDEATHSIG, signal.SIGTERM)


class Simulator:
    """reader-sim with its control pipe."""

    def __init__(self, cards: List[str], baud: int = 115200, realtime: bool = False) -> None:
        arguments = [str(BIN_DIR / "reader-sim"), "--baud", str(baud)]
        if realtime:
            arguments.append("--realtime")
        for card in cards:
            arguments += ["--card", card]
        self.process = subprocess.Popen(
            arguments, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL, text=True, preexec_fn=_end_with_parent)
        assert self.process.stdout is not None
        self.device = self.process.stdout.readline().strip()
        if not self.device:
            raise RuntimeError("reader-sim did not start")
        if not cards:
            self.command("remove all")

    def command(self, line: str) -> str:
        assert self.process.stdin is not None and self.process.stdout is not None
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        answer = self.process.stdout.readline().strip()
        if not answer.startswith("ok"):
            raise RuntimeError(f"reader-sim: {line}: {answer}")
        return answer

    def stop(self) -> None:
        if self.process.poll() is None:
            assert self.process.stdin is not None
            self.process.stdin.close()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class Daemon:
    """pcscd in the foreground with a reader.conf.d of its own naming the driver
    and the simulator's device."""

    def __init__(self, device_name: str, workdir: pathlib.Path) -> None:
        self.config = workdir / "reader.conf.d"
        self.config.mkdir(exist_ok=True)
        (self.config / "tilvane").write_text(
            f'FRIENDLYNAME "{READER_NAME}"\n'
            f"DEVICENAME {device_name}\n"
            f"LIBPATH {DRIVER}\n")
        self.log_path = workdir / "pcscd.log"
        self.process: Optional[subprocess.Popen] = None

    def start(self) -> None:
        with open(self.log_path, "ab") as log:
            self.process = subprocess.Popen(
                ["pcscd", "--foreground", "--debug", "--config", str(self.config)],
                stdout=log, stderr=subprocess.STDOUT, preexec_fn=_end_with_parent)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise RuntimeError("pcscd ended at start:\n" + self.log())
            try:
                if FIELD in [str(reader) for reader in readers()]:
                    if self.process.poll() is not None:
                        raise RuntimeError("another pcscd answers:\n" + self.log())
                    return
            except Exception:
                # The daemon is not listening yet, or pyscard's one context belongs
                # to a daemon that has ended: a new one for the daemon started here.
                try:
                    PCSCContext.renewContext()
                except Exception:
                    pass
            time.sleep(0.05)
        raise RuntimeError("pcscd did not list the reader:\n" + self.log())

    def stop(self) -> None:
        if self.process is not None and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None

    def ended_unasked(self) -> bool:
        """pcscd ended without being stopped."""
        return self.process is not None and self.process.poll() is not None

    def log(self) -> str:
        return self.log_path.read_text(errors="replace") if self.log_path.exists() else ""


def card_state(name: str, absent: bool = False, timeout: float = 3.0) -> str:
    """Waits, as a client does, until the reader holds a card (or none); its ATR."""
    result, context = scard.SCardEstablishContext(scard.SCARD_SCOPE_USER)
    assert result == scard.SCARD_S_SUCCESS
    try:
        states = [(name, scard.SCARD_STATE_UNAWARE)]
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            result, states = scard.SCardGetStatusChange(context, 200, states)
            if result not in (scard.SCARD_S_SUCCESS, scard.SCARD_E_TIMEOUT):
                raise AssertionError(scard.SCardGetErrorMessage(result))
            _, state, atr = states[0]
            if absent and state & scard.SCARD_STATE_EMPTY:
                return ""
            if not absent and state & scard.SCARD_STATE_PRESENT and atr:
                return toHexString(atr)
            states = [(name, state)]
        raise AssertionError(f"{name}: no {'removal' if absent else 'card'} within {timeout} s")
    finally:
        scard.SCardReleaseContext(context)


def connect(name: str):
    connection = next(r for r in readers() if str(r) == name).createConnection()
    connection.connect()
    return connection


def release(connection) -> None:
    """Ends a connection whose card has gone, before another card is met: a handle
    left to the garbage collector would reset the next card when it goes."""
    try:
        connection.disconnect()
    except CardConnectionException:
        pass


def send(connection, apdu: str) -> Tuple[str, str]:
    """One APDU; its data and status word, as hex."""
    data, sw1, sw2 = connection.transmit(toBytes(apdu.replace(" ", "")))
    return toHexString(data), f"{sw1:02X} {sw2:02X}"


class Setup:
    def __init__(self, simulator: Simulator, daemon: Daemon) -> None:
        self.sim = simulator
        self.daemon = daemon


def _start(cards: List[str]) -> Iterator[Setup]:
    with tempfile.TemporaryDirectory(prefix="pcscd-test-") as workdir:
        simulator = Simulator(cards)
        daemon = Daemon(simulator.device + ":115200", pathlib.Path(workdir))
        try:
            daemon.start()
            yield Setup(simulator, daemon)
            assert not daemon.ended_unasked(), "pcscd ended:\n" + daemon.log()
        except BaseException:
            print(daemon.log()[-20000:])
            raise
        finally:
            daemon.stop()
            simulator.stop()


@pytest.fixture(scope="module")
def running() -> Iterator[Setup]:
    """One simulator and one pcscd for a module's tests; each test fills the field."""
    yield from _start([])


@pytest.fixture
def field(running: Setup) -> Iterator[Simulator]:
    """The simulator, its field emptied before and after the test."""
    running.sim.command("remove all")
    card_state(FIELD, absent=True)
    yield running.sim
    running.sim.command("remove all")


@pytest.fixture
def own_daemon(request: pytest.FixtureRequest) -> Iterator[Setup]:
    """A simulator with the cards the test names (its `cards` mark) and a pcscd
    of the test's own, which the test may stop."""
    marker = request.node.get_closest_marker("cards")
    yield from _start(list(marker.args) if marker else [])


def pytest_configure(config: pytest.Config) -> None:
    config.addinivalue_line("markers", "cards(*kinds): the cards own_daemon starts with")
