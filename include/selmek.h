/*
 * libSelmek: the serial transport that libDrovik loads from its own directory and
 * binds by name. It carries one request frame to the reader and brings one
 * response frame back; it knows nothing of what a command means.
 */
#ifndef SELMEK_H
#define SELMEK_H

#include <stdint.h>

#include "selmek_results.h"

#if defined(_WIN32)
#define SELMEK_API __declspec(dllexport)
#define SELMEK_CALL __stdcall
#else
#define SELMEK_API __attribute__((visibility("default")))
#define SELMEK_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The transport's version number: 1 for this release. Does not block, never fails. */
SELMEK_API int32_t SELMEK_CALL GetCOMDLLVersion(void);

/* Opens serial port `port` (1 to 16) at `baud` bits per second, for this process
   alone. A port that is already open is closed first, so after a failed call no
   port is open.

   The device of port n is the first that is set of: the environment variable
   SELMEK_PORT<n>; a line "<n>=<path>" in $XDG_CONFIG_HOME/selmek/ports.conf
   (~/.config/selmek/ports.conf when XDG_CONFIG_HOME is unset); the same in
   /etc/selmek/ports.conf; /dev/ttyS<n-1>. A name without '/' is taken under
   /dev. On Windows: SELMEK_PORT<n>; %APPDATA%\selmek\ports.conf;
   %PROGRAMDATA%\selmek\ports.conf; \\.\COM<n>; a bare name such as "COM12"
   is taken as \\.\COM12. The wait for the reader's first answer byte W and the turnaround
   allowance A (see CommunicateRFResult) are taken now, the same way:
   SELMEK_TIMEOUT_MS, then "timeout_ms=<ms>" in those files, else 500 ms; and
   SELMEK_TURNAROUND_MS, then "turnaround_ms=<ms>", else 50 ms.

   A network port: the device may be rfc2217://HOST:PORT (Telnet with the
   COM-PORT-OPTION of RFC 2217: the server sets its line to `baud`, 8N1, no
   flow control, DTR and RTS raised, and purges its buffers; the rate and 8N1
   must be confirmed) or tcp://HOST:PORT (a raw stream to a server whose line
   runs at a rate of its own; with "?baud=<rate>" an open at another rate
   fails). HOST is an IPv4 address, [an IPv6 address] or a name. Options
   after '?', joined by '&': connect_ms=<ms> and network_ms=<ms> for this
   address alone; any other option makes the address malformed. The network
   allowance N is added to W and A for every exchange (SELMEK_NETWORK_MS, then
   "network_ms=<ms>", else 100 ms); connecting (name, connection, the
   server's agreement and confirmation) is bounded by SELMEK_CONNECT_MS, then
   "connect_ms=<ms>", else 3000 ms, and blocks up to that bound.

   The device is opened without becoming the controlling terminal, locked
   (flock) and set to exclusive mode (TIOCEXCL), and run raw, 8 data bits, no
   parity, 1 stop bit, no flow control, modem control lines ignored. Any
   positive rate the device takes is accepted (the reader's seven included);
   pending input and output are discarded. On Windows the device is opened
   without sharing, raw 8N1 the same way (DTR and RTS raised).

   Does not block: the open does not wait for a carrier.
   Returns 1 when the port is open. Returns 0 when it is not, with errno telling
   why, for example: EINVAL (port number out of range, a rate that is not
   positive or that the device refuses), ENOENT (no such device), EACCES (no
   permission: see the dialout group), EBUSY (another program holds the device),
   ENOTTY (not a terminal), EIO or ENXIO (the device does not answer). On
   Windows GetLastError() tells why: ERROR_INVALID_PARAMETER (87) as EINVAL,
   ERROR_FILE_NOT_FOUND (2), ERROR_ACCESS_DENIED (5, another program holds the
   port), or whatever else the port's driver says. A network port may also
   fail with SELMEK_ERR_BAD_ADDRESS (malformed address, unknown scheme, port
   out of 1 to 65535, unknown option), SELMEK_ERR_UNKNOWN_HOST (the name does
   not resolve within the connect bound), SELMEK_ERR_RATE_FIXED (tcp:// with
   baud= another rate), ECONNREFUSED, ETIMEDOUT (no connection or no answer
   within the bound), ECONNRESET (the server closed while opening),
   EPROTONOSUPPORT (the server refused the COM-PORT-OPTION), EPROTO (it sent a
   malformed sub-negotiation of it), EINVAL (it refused the rate or 8N1); on
   Windows the WSA codes, and ERROR_INVALID_DATA for EPROTO. */
SELMEK_API int32_t SELMEK_CALL OpenComPort(int32_t port, int32_t baud);

/* Closes the open port, if any, and releases its lock and exclusive mode.
   Output not yet sent is discarded, so the close does not wait for it.
   Returns 0. */
SELMEK_API int32_t SELMEK_CALL CloseComPort(void);

/* Parallel-port pair, present for binding only. OpenLPTPort returns 0 (nothing
   opened) with errno ENOTSUP (ERROR_NOT_SUPPORTED on Windows); CloseLPTPort returns SELMEK_ERR_NOT_SUPPORTED.
   Neither blocks. */
SELMEK_API int32_t SELMEK_CALL OpenLPTPort(int32_t port);
SELMEK_API int32_t SELMEK_CALL CloseLPTPort(void);

/* Nothing to release: the transport hands out no memory. Returns 0. */
SELMEK_API int32_t SELMEK_CALL FreeComData(void);

/* Changes the rate of the open port at once, without waiting for output to
   drain; other line settings stay. Does not block, but for an rfc2217://
   port, which waits for the server to confirm the rate, up to the connect
   bound (see OpenComPort).
   Returns SELMEK_OK; SELMEK_ERR_NOT_OPEN; SELMEK_ERR_BAD_BAUD (the rate is not
   positive or the device refuses it, or the server did not confirm it in
   time; the port keeps its rate); SELMEK_ERR_RATE_FIXED (a tcp:// port, for
   any rate but its own); SELMEK_ERR_DEVICE_GONE; SELMEK_ERR_IO. */
SELMEK_API int32_t SELMEK_CALL SetCommBaud(int32_t baud);

/* One exchange: discards any input nobody has read yet, sends `request`
   (`request_length` bytes, already escaped), then receives one response frame:
   bytes before the header 0xAA 0xBB are skipped; after it come the length byte
   L, its complement (a header whose complement does not match is skipped as
   noise), and L more bytes; from L on, every 0xAA is followed by one stuffed
   byte, which belongs to the frame. The frame goes into `response`, header
   included and still escaped, at most 516 bytes (`response` must have room for
   1024), and its byte count into `*response_length`; the call returns the moment
   the last byte of the frame has arrived.

   Blocks, with bounded waits, where W is the wait for the first byte (500 ms
   unless set, see OpenComPort; for a network port W + N, and A + N below) and t(n) the time n bytes take on the line at
   the port's rate: the request must be written within t(request) + W; the first
   answer byte must arrive within t(request) + W after that; from the first byte
   (noise included) the whole frame must be in within t(516) + W (537 ms + W at
   9600 baud, 45 ms + W at 115200) - one deadline for the frame, however its
   bytes trickle in.

   Probes: until a reader has brought back a whole frame since the port was
   opened, the exchange right after OpenComPort or a SetCommBaud that changed
   the rate is a probe, and waits the turnaround allowance A (50 ms unless set,
   see OpenComPort) in place of W, in all three waits above. A reader at the
   port's rate answers within milliseconds, so a search for the reader's rate
   (one probe at each rate) costs t(request) + A at every rate it is not at,
   not t(request) + W. Raise A for a reader, or an adapter, that is slower to
   answer; once a reader has answered, every exchange waits W.

   Returns SELMEK_OK with the frame, or, with `*response_length` 0 and
   `response` untouched (nothing of a partial frame is handed over):
   SELMEK_ERR_BAD_ARGUMENT  a null pointer, or `request_length` not 1 to 1024
                            (nothing sent);
   SELMEK_ERR_NOT_OPEN      no port is open (nothing sent);
   SELMEK_ERR_WRITE_FAILED  the request could not be written whole in time;
   SELMEK_ERR_TIMEOUT       the reader sent nothing within its wait;
   SELMEK_ERR_BAD_FRAME     bytes came, but no valid header within the frame deadline;
   SELMEK_ERR_INCOMPLETE_FRAME  a frame began but did not end within the deadline;
   SELMEK_ERR_DEVICE_GONE   the device was unplugged or hung up (EIO, ENXIO,
                            ENODEV, a hang-up, end of file), before or during the
                            frame; for a network port, the server closed or
                            reset the connection; the port stays open until
                            CloseComPort, and the next OpenComPort connects
                            afresh;
   SELMEK_ERR_IO            any other failure of the operating system.
   Calls from several threads are served one after the other. */
SELMEK_API int32_t SELMEK_CALL CommunicateRFResult(const uint8_t *request, int32_t request_length,
                                                   uint8_t *response, uint32_t *response_length);

#ifdef __cplusplus
}
#endif

/* Entry point types, as the reader library binds them. */
typedef int32_t(SELMEK_CALL *GetCOMDLLVersion_fn)(void);
typedef int32_t(SELMEK_CALL *OpenComPort_fn)(int32_t port, int32_t baud);
typedef int32_t(SELMEK_CALL *CloseComPort_fn)(void);
typedef int32_t(SELMEK_CALL *OpenLPTPort_fn)(int32_t port);
typedef int32_t(SELMEK_CALL *CloseLPTPort_fn)(void);
typedef int32_t(SELMEK_CALL *FreeComData_fn)(void);
typedef int32_t(SELMEK_CALL *SetCommBaud_fn)(int32_t baud);
typedef int32_t(SELMEK_CALL *CommunicateRFResult_fn)(const uint8_t *request, int32_t request_length,
                                                     uint8_t *response, uint32_t *response_length);

#endif /* SELMEK_H */
