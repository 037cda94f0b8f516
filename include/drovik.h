/*
 * libDrovik: the programming interface of the 13.56 MHz contactless card reader.
 *
 * Every export keeps a fixed ordinal (shown as [n]); applications may bind them by
 * ordinal or by name: on Windows through the export table of Drovik.dll, elsewhere
 * through the table `ordinal_exports` (see the end of this file).
 *
 * Conventions
 * - Reader commands return a 32-bit result:
 *     0                       success
 *     1                       argument rejected before anything was sent (null
 *                             pointer, value out of range, more than 251 data bytes),
 *                             or the reply did not carry the data the export needs
 *                             (wrong size, shorter than its own length byte says)
 *     1 .. 255                the reader's status byte, passed through unchanged
 *     0x100 .. 0x1FF          the transport failed; see selmek_results.h
 *     -1 .. -6                rf_getlockcardinfo only: the step that failed
 *   The ranges of "rejected" and "reader status 1" overlap; callers report the value.
 * - `address` is the 16-bit reader address on the line (low 16 bits are sent).
 * - Single-byte parameters travel as 32-bit integers of which the low byte is sent.
 * - Multi-byte values inside request data go least significant byte first.
 * - Buffers belong to the caller. A `length` output is one byte that receives the
 *   reply's data count. Variable-size replies need room for 250 bytes.
 * - "count first": the received data count is written to `*length` even when the
 *   call then fails with 1 because the count is not the expected one.
 * - Threads: exports may be called from several threads; the transport carries one
 *   exchange at a time, and rf_GetErrorMessage may be read from any thread (it
 *   holds the status of whichever command finished last). rf_init_com and
 *   rf_getlockcardinfo make several exchanges, between which another thread's
 *   commands could come: call them while no other thread talks to the reader.
 * - When the transport library could not be loaded, every export that would talk
 *   to the reader returns DROVIK_ERR_NO_TRANSPORT at once.
 */
#ifndef DROVIK_H
#define DROVIK_H

#include <stdint.h>

#include "selmek_results.h"

#if defined(_WIN32)
/* The library's module-definition file names the exports with their ordinals. */
#define DROVIK_API
#define DROVIK_CALL __stdcall
#else
#define DROVIK_API __attribute__((visibility("default")))
#define DROVIK_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Port and device ------------------------------------------------------ */

/* [1] Writes the library version (2) to *version. 1 for a null pointer. */
DROVIK_API int32_t DROVIK_CALL lib_ver(uint32_t *version);

/* [4] Opens serial port `port` (1..16) at `baud` (0 means 9600) and puts the reader
   on that rate, searching for the rate the reader runs at: it sends the set-baud
   command first at the rate the reader was last found at on this port (the
   port's memory, below), then at `baud`, then at 9600, 14400, 19200, 28800,
   38400, 57600 and 115200, each rate once, until the reader answers; at `baud`
   any answer counts, at another rate only an acknowledgement, after which the
   port is switched to `baud`. A rate the port cannot be set to (SetCommBaud
   fails: a network port whose server refuses it, or whose rate is fixed) is
   passed over. The memory: after a successful call the rate is kept in the
   user's state directory ($XDG_STATE_HOME/drovik/port<N>.rate, or
   ~/.local/state/...; %LOCALAPPDATA%\drovik\port<N>.rate on Windows), keyed by
   the port number, written through a temporary file; a damaged one is ignored.
   So a reader that kept its rate is found with one exchange.
   1 for a bad port or a rate not in that list (a rate the port takes leaves it
   open at that rate; one it refuses, such as a negative rate, leaves it closed);
   the system's code of a failed open (errno, or GetLastError() on Windows; or
   DROVIK_ERR_OPEN_FAILED; for a network port also SELMEK_ERR_BAD_ADDRESS,
   SELMEK_ERR_UNKNOWN_HOST, SELMEK_ERR_RATE_FIXED); the result of SetCommBaud
   when the reader acknowledged at another rate and the port could not follow;
   after a failed search the last transport result or reader status. */
DROVIK_API int32_t DROVIK_CALL rf_init_com(int32_t port, int32_t baud);

/* [5] Sets the reader address (low 16 bits); sent to address 0. */
DROVIK_API int32_t DROVIK_CALL rf_init_device_number(int32_t new_address);

/* [6] Reads the reader address into *address; sent to address 0. */
DROVIK_API int32_t DROVIK_CALL rf_get_device_number(uint16_t *address);

/* [7] Reads the reader's 2-byte model into model[0..1]. */
DROVIK_API int32_t DROVIK_CALL rf_get_model(int32_t address, uint8_t *model);

/* [8] Reads the reader's 8-byte serial number into serial[0..7]. */
DROVIK_API int32_t DROVIK_CALL rf_get_snr(int32_t address, uint8_t *serial);

/* [9] Sounds the buzzer for `time` x 10 ms (low byte). */
DROVIK_API int32_t DROVIK_CALL rf_beep(int32_t address, int32_t time);

/* [42] Sets the indicator light (colour code, low byte). */
DROVIK_API int32_t DROVIK_CALL rf_light(int32_t address, int32_t colour);

/* [44] Releases memory of the library's heap; null is ignored. The library hands
   out no memory of its own, so this is only for callers that were given some. */
DROVIK_API void DROVIK_CALL rf_free(void *pointer);

/* [45] Closes the port. Returns 0. */
DROVIK_API int32_t DROVIK_CALL rf_ClosePort(void);

/* [46] The status byte of the most recent reader command (0..255). */
DROVIK_API int32_t DROVIK_CALL rf_GetErrorMessage(void);

/* [73] Shows eight digits. mode 0: the 8 bytes are raw segment patterns. Other mode:
   each byte is a digit 0..9 or 10 (blank) and `point` 1..8 lights the decimal point
   of that position (0 none). 1 for a digit above 10 or a point above 8, or when the
   reply carries data. */
DROVIK_API int32_t DROVIK_CALL rf_display(int32_t address, int32_t mode, int32_t point,
                                          const uint8_t *digits);

/* [74] Writes `count` bytes at `offset` of the reader's 256-byte flash page `page`.
   1 when offset + count passes the page end, when count is above 224, or when
   the reply carries data. */
DROVIK_API int32_t DROVIK_CALL rf_flash_write(int32_t address, int32_t page, int32_t offset,
                                              int32_t count, const uint8_t *data);

/* [75] Reads `count` bytes at `offset` of flash page `page` into data[0..count-1].
   1 when offset + count passes the page end, when count is above 200, or when the
   reply does not carry exactly `count` bytes (then nothing is written). */
DROVIK_API int32_t DROVIK_CALL rf_flash_read(int32_t address, int32_t page, int32_t offset,
                                             int32_t count, uint8_t *data);

/* ---- ISO 14443 Type A and Mifare Classic ------------------------------------ */

/* [13] Selects the card protocol of the reader (low byte sent as it is): 'A' Type A,
   'B' Type B, 'r' AT88RF020, 's' SR176/SRIX4K, '1' ISO 15693. */
DROVIK_API int32_t DROVIK_CALL rf_init_type(int32_t address, int32_t type);

/* [14] Antenna field: 0 off, 1 on (low byte); any other state gives 1, nothing sent. */
DROVIK_API int32_t DROVIK_CALL rf_antenna_sta(int32_t address, int32_t state);

/* [15] Type A request: 0x26 for idle cards; any other code is sent as 0x52 (wake up
   all cards). The 2-byte ATQA goes to atqa[0..1]; an answer of another size gives 1
   and nothing written. */
DROVIK_API int32_t DROVIK_CALL rf_request(int32_t address, int32_t mode, uint8_t *atqa);

/* [16] Anticollision for a UID of `uid_size` 4, 7 or 10 bytes (else 1, nothing sent).
   Count first; succeeds only with a 4-byte UID, written to uid[0..3]. */
DROVIK_API int32_t DROVIK_CALL rf_anticoll(int32_t address, int32_t uid_size, uint8_t *uid,
                                           uint8_t *length);

/* [17] Selects the card by the `uid_length` (low byte) bytes of uid; 1 with nothing
   sent when that is more than 251. The 1-byte SAK goes to *sak. */
DROVIK_API int32_t DROVIK_CALL rf_select(int32_t address, const uint8_t *uid, int32_t uid_length,
                                         uint8_t *sak);

/* [18] Halts the card. */
DROVIK_API int32_t DROVIK_CALL rf_halt(int32_t address);

/* [19] Loads sixteen 6-byte keys (keys[0..95]) of kind 'A' or 'B' into the reader;
   another kind gives 1, nothing sent. */
DROVIK_API int32_t DROVIK_CALL rf_download_key(int32_t address, int32_t key_type,
                                               const uint8_t *keys);

/* [20] Authenticates `block` with a key of kind 'A' or 'B' that the reader holds
   (rf_download_key); another kind gives 1, nothing sent. */
DROVIK_API int32_t DROVIK_CALL rf_M1_authentication1(int32_t address, int32_t key_type,
                                                     int32_t block);

/* [21] Authenticates `block` with the 6-byte `key`; auth_code 0x60 key A, 0x61 key B,
   anything else gives 1, nothing sent. */
DROVIK_API int32_t DROVIK_CALL rf_M1_authentication2(int32_t address, int32_t auth_code,
                                                     int32_t block, const uint8_t *key);

/* [22] Reads the 16-byte block into data[0..15]; count first. */
DROVIK_API int32_t DROVIK_CALL rf_M1_read(int32_t address, int32_t block, uint8_t *data,
                                          uint8_t *length);

/* [23] Writes data[0..15] to the block. */
DROVIK_API int32_t DROVIK_CALL rf_M1_write(int32_t address, int32_t block, const uint8_t *data);

/* [24] Formats the block as a value block holding `value`. */
DROVIK_API int32_t DROVIK_CALL rf_M1_initval(int32_t address, int32_t block, int32_t value);

/* [25] Reads the value of a value block into *value (the reader's 4 bytes, least
   significant first); another answer size gives 1 and nothing written. */
DROVIK_API int32_t DROVIK_CALL rf_M1_readval(int32_t address, int32_t block, int32_t *value);

/* [26] Decrements the value block by `value` (into the card's transfer buffer). */
DROVIK_API int32_t DROVIK_CALL rf_M1_decrement(int32_t address, int32_t block, int32_t value);

/* [27] Increments the value block by `value` (into the card's transfer buffer). */
DROVIK_API int32_t DROVIK_CALL rf_M1_increment(int32_t address, int32_t block, int32_t value);

/* [28] Restores the value block into the card's transfer buffer. */
DROVIK_API int32_t DROVIK_CALL rf_M1_restore(int32_t address, int32_t block);

/* [29] Transfers the card's transfer buffer into the block. */
DROVIK_API int32_t DROVIK_CALL rf_M1_transfer(int32_t address, int32_t block);

/* [72] Two-byte request (low bytes of `first`, `second`) with an 8-byte answer: on
   exactly 8 bytes writes them to data[0..7] and 8 to *length; else 1 and nothing
   written, *length included. */
DROVIK_API int32_t DROVIK_CALL rf_request_080(int32_t address, int32_t first, int32_t second,
                                              uint8_t *data, uint8_t *length);

/* ---- ISO 14443-4, Type B and SAM --------------------------------------------- */
/* The answers here are variable-size: `answer` needs room for 250 bytes. The card's
   answer is returned whole, status word included; one reporting a card error is
   still a successful call. */

/* [30] Activates an ISO 14443-4 Type A card (request code `mode`, usually 0x52); its
   activation answer goes to answer/length. */
DROVIK_API int32_t DROVIK_CALL rf_typea_rst(int32_t address, int32_t mode, uint8_t *answer,
                                            uint8_t *length);

/* [31] Sends `command_length` (low byte) command bytes to the card; its answer goes
   to answer/length. More than 251 command bytes give 1, nothing sent. */
DROVIK_API int32_t DROVIK_CALL rf_cos_command(int32_t address, const uint8_t *command,
                                              int32_t command_length, uint8_t *answer,
                                              uint8_t *length);

/* [43] Deselects the ISO 14443-4 card. */
DROVIK_API int32_t DROVIK_CALL rf_cl_deselect(int32_t address);

/* [32] Type B request, mode 0 or 1 (low byte; else 1, nothing sent). Count first; the
   12-byte ATQB goes to atqb[0..11]. */
DROVIK_API int32_t DROVIK_CALL rf_atqb(int32_t address, int32_t mode, uint8_t *atqb,
                                       uint8_t *length);

/* [33] Type B ATTRIB for the card `pupi` (sent least significant byte first, so the
   4 ATQB bytes read as one value go out in their own order), then `parameter`. */
DROVIK_API int32_t DROVIK_CALL rf_attrib(int32_t address, uint32_t pupi, int32_t parameter);

/* [34] Type B command exchange: the leading byte, then `command_length` (low byte)
   command bytes; more than 250 command bytes give 1, nothing sent. */
DROVIK_API int32_t DROVIK_CALL rf_typeb_cos(int32_t address, int32_t leading_byte,
                                            const uint8_t *command, int32_t command_length,
                                            uint8_t *answer, uint8_t *length);

/* [35] Type B halt of the card `pupi` (least significant byte first). */
DROVIK_API int32_t DROVIK_CALL rf_hltb(int32_t address, uint32_t pupi);

/* [10] Configures the SAM slot (configuration byte, low byte). */
DROVIK_API int32_t DROVIK_CALL rf_init_sam(int32_t address, int32_t configuration);

/* [11] Resets the SAM; its answer to reset goes to answer/length. */
DROVIK_API int32_t DROVIK_CALL rf_sam_rst(int32_t address, uint8_t *answer, uint8_t *length);

/* [12] Sends `command_length` (low byte) command bytes to the SAM; its answer goes to
   answer/length. More than 251 command bytes give 1, nothing sent. */
DROVIK_API int32_t DROVIK_CALL rf_sam_cos(int32_t address, const uint8_t *command,
                                          int32_t command_length, uint8_t *answer,
                                          uint8_t *length);

/* ---- AT88RF020, SR176, SRIX4K and Ultralight ------------------------------------ */

/* [36] AT88RF020 password check with password[0..7]. */
DROVIK_API int32_t DROVIK_CALL rf_at020_check(int32_t address, const uint8_t *password);
/* [37] AT88RF020 reads the 8-byte page into data[0..7]; count first. */
DROVIK_API int32_t DROVIK_CALL rf_at020_read(int32_t address, int32_t page, uint8_t *data,
                                             uint8_t *length);
/* [38] AT88RF020 writes data[0..7] to the page. */
DROVIK_API int32_t DROVIK_CALL rf_at020_write(int32_t address, int32_t page,
                                              const uint8_t *data);
/* [39] AT88RF020 writes the 4 lock bytes lock[0..3]. */
DROVIK_API int32_t DROVIK_CALL rf_at020_lock(int32_t address, const uint8_t *lock);
/* [40] AT88RF020 count operation with the 6-byte signature[0..5]. */
DROVIK_API int32_t DROVIK_CALL rf_at020_count(int32_t address, const uint8_t *signature);
/* [41] AT88RF020 deselect. */
DROVIK_API int32_t DROVIK_CALL rf_at020_deselect(int32_t address);

/* [47] SR176 / SRIX4K select; the 1-byte chip identifier goes to *chip_id (another
   answer size gives 1, nothing written). */
DROVIK_API int32_t DROVIK_CALL rf_st_select(int32_t address, uint8_t *chip_id);
/* [48] SR176 / SRIX4K completion (deactivates the card). */
DROVIK_API int32_t DROVIK_CALL rf_st_completion(int32_t address);
/* [49] SR176 reads the 2-byte block into data[0..1]; count first. */
DROVIK_API int32_t DROVIK_CALL rf_sr176_readblock(int32_t address, int32_t block, uint8_t *data,
                                                  uint8_t *length);
/* [50] SR176 writes data[0..1] to the block. */
DROVIK_API int32_t DROVIK_CALL rf_sr176_writeblock(int32_t address, int32_t block,
                                                   const uint8_t *data);
/* [51] SR176 writes the protection (lock) byte. */
DROVIK_API int32_t DROVIK_CALL rf_sr176_protectblock(int32_t address, int32_t lock);
/* [52] SRIX4K reads the 4-byte block into data[0..3]; count first. */
DROVIK_API int32_t DROVIK_CALL rf_srix4k_readblock(int32_t address, int32_t block, uint8_t *data,
                                                   uint8_t *length);
/* [53] SRIX4K writes data[0..3] to the block. */
DROVIK_API int32_t DROVIK_CALL rf_srix4k_writeblock(int32_t address, int32_t block,
                                                    const uint8_t *data);
/* [54] SRIX4K authentication with the 6-byte challenge[0..5]; the card's answer
   (variable size, room for 250 bytes) goes to answer/length; any size succeeds. */
DROVIK_API int32_t DROVIK_CALL rf_srix4k_authenticate(int32_t address, const uint8_t *challenge,
                                                      uint8_t *answer, uint8_t *length);
/* [55] SRIX4K reads its 8-byte UID into uid[0..7]; count first. */
DROVIK_API int32_t DROVIK_CALL rf_srix4k_getuid(int32_t address, uint8_t *uid, uint8_t *length);
/* [58] SRIX4K writes the lock register (low byte). */
DROVIK_API int32_t DROVIK_CALL rf_srix4k_writelockreg(int32_t address, int32_t value);
/* [56] Ultralight select; the 7-byte UID goes to uid[0..6]; count first. */
DROVIK_API int32_t DROVIK_CALL rf_ul_select(int32_t address, uint8_t *uid, uint8_t *length);
/* [57] Ultralight writes data[0..3] to the page. */
DROVIK_API int32_t DROVIK_CALL rf_ul_write(int32_t address, int32_t page, const uint8_t *data);

/* [100] Finds and selects one Type A card of either UID size: rf_request with `mode`
   (tried twice) into atqa[0..1]; for the ATQA 44 00 rf_ul_select, otherwise
   rf_anticoll for a 4-byte UID and rf_select (its SAK is not passed on). `uid` needs
   room for 7 bytes; *length receives the UID size. Results:
      0  selected               -1  no ATQA after two requests
      1  a null pointer         -2  anticollision failed      -3  its UID not 4 bytes
                                -4  select failed
                                -5  Ultralight select failed  -6  its UID not 7 bytes
   For -3 and -6 *length holds the size received; on the other failures it is left
   as it was. Only atqa[0..1] is read. */
DROVIK_API int32_t DROVIK_CALL rf_getlockcardinfo(int32_t address, int32_t mode, uint8_t *uid,
                                                  uint8_t *length, uint8_t *atqa);

/* ---- ISO 15693 (uid: 8 bytes, sent in the order held) ---------------------------- */
/* Addressed commands send the flags byte (low byte, unchanged), the UID, then their
   own arguments. Variable-size answers need room for 250 bytes and are passed on
   whole; the caller checks their size. */

/* [59] Inventory; count first; the 9-byte answer goes to data[0..8]. */
DROVIK_API int32_t DROVIK_CALL ISO15693_Inventory(int32_t address, uint8_t *data, uint8_t *length);
/* [60] Stay quiet (the UID alone, no flags byte). */
DROVIK_API int32_t DROVIK_CALL ISO15693_Stay_Quiet(int32_t address, const uint8_t *uid);
/* [61] Select (the UID alone, no flags byte). */
DROVIK_API int32_t DROVIK_CALL ISO15693_Select(int32_t address, const uint8_t *uid);
/* [62] Reset to ready. */
DROVIK_API int32_t DROVIK_CALL ISO15693_Reset_To_Ready(int32_t address, int32_t flags,
                                                       const uint8_t *uid);
/* [63] Reads `block_count` blocks from `first_block` (variable size). A count whose
   low byte is above 15 gives 1, nothing sent. */
DROVIK_API int32_t DROVIK_CALL ISO15693_Read(int32_t address, int32_t flags, const uint8_t *uid,
                                             int32_t first_block, int32_t block_count,
                                             uint8_t *data, uint8_t *length);
/* [64] Writes data[0..3] to the block. */
DROVIK_API int32_t DROVIK_CALL ISO15693_Write(int32_t address, int32_t flags, const uint8_t *uid,
                                              int32_t block, const uint8_t *data);
/* [65] Locks a block. */
DROVIK_API int32_t DROVIK_CALL ISO15693_Lock_Block(int32_t address, int32_t flags,
                                                   const uint8_t *uid, int32_t block);
/* [66] Writes the AFI. */
DROVIK_API int32_t DROVIK_CALL ISO15693_Write_AFI(int32_t address, int32_t flags,
                                                  const uint8_t *uid, int32_t afi);
/* [67] Locks the AFI. */
DROVIK_API int32_t DROVIK_CALL ISO15693_Lock_AFI(int32_t address, int32_t flags,
                                                 const uint8_t *uid);
/* [68] Writes the DSFID. */
DROVIK_API int32_t DROVIK_CALL ISO15693_Write_DSFID(int32_t address, int32_t flags,
                                                    const uint8_t *uid, int32_t dsfid);
/* [69] Locks the DSFID. */
DROVIK_API int32_t DROVIK_CALL ISO15693_Lock_DSFID(int32_t address, int32_t flags,
                                                   const uint8_t *uid);
/* [70] System information (variable size). */
DROVIK_API int32_t DROVIK_CALL ISO15693_Get_System_Information(int32_t address, int32_t flags,
                                                               const uint8_t *uid, uint8_t *data,
                                                               uint8_t *length);
/* [71] Security status, one byte per block (variable size). A count whose low byte
   is above 63 gives 1, nothing sent. */
DROVIK_API int32_t DROVIK_CALL ISO15693_Get_Block_Security(int32_t address, int32_t flags,
                                                           const uint8_t *uid,
                                                           int32_t first_block,
                                                           int32_t block_count, uint8_t *data,
                                                           uint8_t *length);

/* ---- DES and two-key triple DES on the host (no reader, no last status) ---------- */

/* [2] ECB over the whole 8-byte blocks of `length` bytes; trailing bytes are neither
   read nor written, and a length below 8 (negative ones included) processes nothing.
   Key of k = key_length bytes: k <= 8 single DES (zero-filled to 8); k > 8 two-key
   triple DES, encrypt-decrypt-encrypt, K1 = bytes 0..7, K2 = the next up to 8 bytes,
   zero-filled; bytes beyond 16 are not read. Parity bits are ignored. `input` is
   never changed; output may equal input. 1 for a null pointer (whatever the length)
   or a negative key length, else 0. Reentrant. */
DROVIK_API int32_t DROVIK_CALL des_encrypt(uint8_t *output, const uint8_t *input, int32_t length,
                                           const uint8_t *key, int32_t key_length);
/* [3] The inverse of des_encrypt (triple DES: decrypt-encrypt-decrypt), same rules. */
DROVIK_API int32_t DROVIK_CALL des_decrypt(uint8_t *output, const uint8_t *input, int32_t length,
                                           const uint8_t *key, int32_t key_length);

/* ---- Binding by ordinal ------------------------------------------------------- */

#if !defined(_WIN32)
/* The table of (ordinal, name) pairs the library exports under this name; it ends
   with an entry whose ordinal is 0. Windows keeps ordinals in the export table
   itself (GetProcAddress with MAKEINTRESOURCE), so that build has no such table. */
typedef struct drovik_ordinal_export {
    uint16_t ordinal;
    const char *name;
} drovik_ordinal_export;

DROVIK_API extern const drovik_ordinal_export ordinal_exports[];
#endif

#ifdef __cplusplus
}
#endif

#endif /* DROVIK_H */
