/*
 * Result codes of the serial transport (libSelmek) and of the reader library
 * (libDrovik) that do not come from the reader itself.
 *
 * A reader status byte is 1 to 255 and an operating-system error code from a
 * failed port open is a small errno value; every code here is above 255, so an
 * operator can tell "the line failed" from "the reader said no".
 */
#ifndef SELMEK_RESULTS_H
#define SELMEK_RESULTS_H

/* The exchange carried one whole response frame. */
#define SELMEK_OK 0

/* Reader library: the transport library could not be loaded at start, so no
   exchange is possible. Returned at once, nothing is called. */
#define DROVIK_ERR_NO_TRANSPORT 0x100

/* Transport: no port is open (OpenComPort has not succeeded, or CloseComPort ran). */
#define SELMEK_ERR_NOT_OPEN 0x101
/* Transport: the reader sent nothing at all within the wait for the first byte. */
#define SELMEK_ERR_TIMEOUT 0x102
/* Transport: a frame began but did not end within the frame deadline. */
#define SELMEK_ERR_INCOMPLETE_FRAME 0x103
/* Transport: the device went away (unplugged, hang-up, EIO, ENXIO, ENODEV). */
#define SELMEK_ERR_DEVICE_GONE 0x104
/* Transport: the response would exceed 1024 bytes. Not returned by libSelmek as it
   stands: a length byte announces at most 255 bytes, so a frame takes at most 516
   bytes on the wire, stuffed bytes included. */
#define SELMEK_ERR_FRAME_TOO_LONG 0x105
/* Transport: the request could not be written, or not all of it within its wait. */
#define SELMEK_ERR_WRITE_FAILED 0x106
/* Transport: a null pointer or a request length out of range. */
#define SELMEK_ERR_BAD_ARGUMENT 0x107
/* Transport: the port does not take the rate (not positive, refused by the device,
   or the device would run more than 3 % off it). The reader knows 9600, 14400,
   19200, 28800, 38400, 57600 and 115200. */
#define SELMEK_ERR_BAD_BAUD 0x108
/* Transport: any other failure of the operating system on the open port. */
#define SELMEK_ERR_IO 0x109
/* Transport: bytes came, but no frame header whose length byte matches its
   complement among them within the frame deadline (noise on the line, the
   reader at another rate). */
#define SELMEK_ERR_BAD_FRAME 0x10A
/* Transport: the entry point exists for binding only (the parallel port). */
#define SELMEK_ERR_NOT_SUPPORTED 0x10B
/* Transport: the port is a raw network stream (tcp://) whose server runs its
   line at a rate of its own: a change of rate cannot be carried out, and an
   open at another rate than the address's baud= fails with this as its reason. */
#define SELMEK_ERR_RATE_FIXED 0x10C
/* Transport, as the reason a port did not open: its device is a malformed
   network address (an unknown scheme, no host, a port out of 1 to 65535, an
   unknown or repeated option). */
#define SELMEK_ERR_BAD_ADDRESS 0x10D
/* Transport, as the reason a port did not open: the host name of its network
   address does not resolve (unknown, or no answer within the connect bound). */
#define SELMEK_ERR_UNKNOWN_HOST 0x10E

/* Reader library, rf_init_com: the transport reported a failed open without
   telling why (its errno was 0). */
#define DROVIK_ERR_OPEN_FAILED 0x1FF

#endif /* SELMEK_RESULTS_H */
