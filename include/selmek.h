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

/* The transport's own version number. Never fails. */
SELMEK_API int32_t SELMEK_CALL GetCOMDLLVersion(void);

/* Opens serial port `port` (1 to 16) at `baud` bits per second. Nonzero when the
   port is open; 0 on failure with errno telling why. */
SELMEK_API int32_t SELMEK_CALL OpenComPort(int32_t port, int32_t baud);

/* Closes the open port, if any. Returns 0. */
SELMEK_API int32_t SELMEK_CALL CloseComPort(void);

/* Parallel-port pair: not supported; OpenLPTPort returns 0, CloseLPTPort 0. */
SELMEK_API int32_t SELMEK_CALL OpenLPTPort(int32_t port);
SELMEK_API int32_t SELMEK_CALL CloseLPTPort(void);

/* Nothing to release: the transport hands out no memory. Returns 0. */
SELMEK_API int32_t SELMEK_CALL FreeComData(void);

/* Changes the rate of the open port. 0 on success, else a SELMEK_ERR_ code. */
SELMEK_API int32_t SELMEK_CALL SetCommBaud(int32_t baud);

/* Sends `request` (already escaped, `request_length` bytes) and receives one
   response frame into `response` (room for 1024 bytes), header included and
   still escaped; its byte count goes to `*response_length`. Blocks until the
   frame is complete or a bounded wait runs out. 0 on success, else a
   SELMEK_ERR_ code; nothing of a partial frame counts as a response. */
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
