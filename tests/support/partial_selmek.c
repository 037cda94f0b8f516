/* A transport library that lacks one of the eight entry points (FreeComData), so
   that binding it must fail. */
#include <stdint.h>

#if defined(_WIN32)
#define EXPORT __declspec(dllexport)
#else
#define EXPORT __attribute__((visibility("default")))
#endif

EXPORT int32_t GetCOMDLLVersion(void) { return 1; }
EXPORT int32_t OpenComPort(int32_t port, int32_t baud) { return port + baud; }
EXPORT int32_t CloseComPort(void) { return 0; }
EXPORT int32_t OpenLPTPort(int32_t port) { return port; }
EXPORT int32_t CloseLPTPort(void) { return 0; }
EXPORT int32_t SetCommBaud(int32_t baud) { return baud; }
EXPORT int32_t CommunicateRFResult(const uint8_t *request, int32_t request_length,
                                   uint8_t *response, uint32_t *response_length) {
    (void)request;
    (void)request_length;
    (void)response;
    *response_length = 0;
    return 0;
}
