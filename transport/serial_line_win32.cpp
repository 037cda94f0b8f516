// The line over the Win32 communications functions. Every wait is a per-call
// timeout of the port (COMMTIMEOUTS), set before each read and write, so no call
// outlasts its deadline; a read returns once bytes have come and the line has
// gone quiet for a moment, not when its timeout runs out.
#include "serial_line.h"

#include <windows.h>

#include "platform/last_error.h"
#include "platform/utf16.h"
#include "selmek_results.h"

namespace selmek {

namespace {

// Once bytes have come, a read ends when no further byte follows within this
// many milliseconds: a frame's bytes follow each other without a gap, so the
// read ends right after the last one has arrived.
constexpr DWORD kQuietGapMs = 1;

HANDLE native(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// What an unplugged USB adapter or a hung-up line reports, depending on its driver.
bool means_device_gone(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_NOT_READY:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
        case ERROR_IO_DEVICE:
        case ERROR_OPERATION_ABORTED:
            return true;
        default:
            return false;
    }
}

std::int32_t translate(DWORD error, std::int32_t otherwise) {
    return means_device_gone(error) ? SELMEK_ERR_DEVICE_GONE : otherwise;
}

// Whole milliseconds until `deadline`, rounded up; 0 once it has passed.
DWORD milliseconds_left(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms >= MAXDWORD ? MAXDWORD - 1 : static_cast<DWORD>(ms);
}

// Applies `wanted` and checks that the port runs at its rate: some drivers (Wine's
// on a pseudo-terminal among them) take a rate they cannot set and quietly run
// at another. Puts `previous` back then. False with the system's error.
bool apply_state(HANDLE port, const DCB &previous, DCB wanted) {
    if (!SetCommState(port, &wanted)) return false;
    DCB actual{};
    actual.DCBlength = sizeof actual;
    if (!GetCommState(port, &actual)) return false;
    if (!close_enough(actual.BaudRate, static_cast<std::int32_t>(wanted.BaudRate))) {
        DCB restore = previous;
        SetCommState(port, &restore);
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

// Reads the port's state, sets `rate` and whatever `adjust` changes in a copy of
// it, and applies that (apply_state).
template <typename Adjust>
bool change_state(HANDLE port, std::int32_t rate, Adjust adjust) {
    DCB previous{};
    previous.DCBlength = sizeof previous;
    if (!GetCommState(port, &previous)) return false;
    DCB wanted = previous;
    wanted.BaudRate = static_cast<DWORD>(rate);
    adjust(wanted);
    return apply_state(port, previous, wanted);
}

// Raw 8N1 at `rate`: binary, no parity check, no software or hardware flow
// control, modem status lines ignored, DTR and RTS raised (adapters that power
// the reader from them), errors do not stop the port.
bool configure_raw(HANDLE port, std::int32_t rate) {
    return change_state(port, rate, [](DCB &dcb) {
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fTXContinueOnXoff = TRUE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fAbortOnError = FALSE;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
    });
}

bool set_baud(HANDLE port, std::int32_t rate) {
    return change_state(port, rate, [](DCB &) {});
}

// A read that waits up to `wait_ms` for the first byte and ends `kQuietGapMs`
// after the last; with no time left, one that takes only what is there. Writes
// may take up to `wait_ms` (a total of 0 would mean no limit at all).
bool set_timeouts(HANDLE port, DWORD wait_ms) {
    COMMTIMEOUTS timeouts{};
    if (wait_ms == 0) {
        timeouts.ReadIntervalTimeout = MAXDWORD;
    } else {
        timeouts.ReadIntervalTimeout = kQuietGapMs;
        timeouts.ReadTotalTimeoutConstant = wait_ms;
    }
    timeouts.WriteTotalTimeoutConstant = wait_ms == 0 ? 1 : wait_ms;
    return SetCommTimeouts(port, &timeouts) != FALSE;
}

}  // namespace

SerialLine::~SerialLine() {
    close();
}

int SerialLine::open(const std::string &path, std::int32_t rate) {
    close();
    if (rate <= 0) return platform::kErrorInvalidArgument;
    // No sharing: a second opener, in this process or another, is refused.
    const HANDLE port = CreateFileW(platform::to_utf16(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());

    DWORD why = 0;
    if (!configure_raw(port, rate)) {
        why = GetLastError();
    } else if (!PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT)) {
        why = GetLastError();
    }
    if (why != 0) {
        CloseHandle(port);
        return static_cast<int>(why);
    }
    handle_ = reinterpret_cast<std::intptr_t>(port);
    rate_ = rate;
    return 0;
}

void SerialLine::close() {
    if (!is_open()) return;
    // Output still queued would hold the close back until it has gone out.
    PurgeComm(native(handle_), PURGE_TXABORT | PURGE_TXCLEAR);
    CloseHandle(native(handle_));
    handle_ = kClosed;
    rate_ = 0;
}

std::int32_t SerialLine::set_rate(std::int32_t rate) {
    if (!is_open()) return SELMEK_ERR_NOT_OPEN;
    if (rate <= 0) return SELMEK_ERR_BAD_BAUD;
    if (set_baud(native(handle_), rate)) {
        rate_ = rate;
        return SELMEK_OK;
    }
    const DWORD why = GetLastError();
    if (why == ERROR_INVALID_PARAMETER || why == ERROR_NOT_SUPPORTED) return SELMEK_ERR_BAD_BAUD;
    return translate(why, SELMEK_ERR_IO);
}

std::int32_t SerialLine::discard_input() {
    if (PurgeComm(native(handle_), PURGE_RXCLEAR)) return SELMEK_OK;
    return translate(GetLastError(), SELMEK_ERR_IO);
}

std::int32_t SerialLine::write_all(const std::uint8_t *data, std::size_t count,
                                   Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < count) {
        const DWORD left = milliseconds_left(deadline);
        if (left == 0) return SELMEK_ERR_WRITE_FAILED;
        if (!set_timeouts(native(handle_), left)) return translate(GetLastError(), SELMEK_ERR_IO);
        DWORD written = 0;
        if (!WriteFile(native(handle_), data + done, static_cast<DWORD>(count - done), &written,
                       nullptr)) {
            return translate(GetLastError(), SELMEK_ERR_WRITE_FAILED);
        }
        done += written;
    }
    return SELMEK_OK;
}

ReadResult SerialLine::read_some(std::uint8_t *buffer, std::size_t room, Clock::time_point deadline,
                                 bool /*bytes_likely*/) {
    // The port's own timeout does the waiting, so there is nothing to save by
    // reading before a wait.
    const DWORD to_read = room > MAXDWORD ? MAXDWORD : static_cast<DWORD>(room);
    for (;;) {
        const DWORD left = milliseconds_left(deadline);
        if (!set_timeouts(native(handle_), left)) {
            return {translate(GetLastError(), SELMEK_ERR_IO), 0};
        }
        DWORD got = 0;
        if (!ReadFile(native(handle_), buffer, to_read, &got, nullptr)) {
            return {translate(GetLastError(), SELMEK_ERR_IO), 0};
        }
        if (got > 0) return {SELMEK_OK, got};
        if (left == 0 || milliseconds_left(deadline) == 0) return {SELMEK_ERR_TIMEOUT, 0};
    }
}

}  // namespace selmek
