#pragma once

// A small card operating system for the processor cards and the SAM: it answers
// APDUs (ISO 7816-4) over a master file with a few elementary files and
// applications found by their AID.
//
//   SELECT          00 A4 00 P2 [Lc FID]     by file identifier (3F00 or no data: the MF)
//                   00 A4 04 P2 Lc AID       by application name (a leading part is enough)
//                   P2 00 answers with the FCI (DF) or FCP (EF), P2 0C with none
//   READ BINARY     00 B0 P1 P2 Le           from the current EF (P1 bit 8: SFI in P1)
//   UPDATE BINARY   00 D6 P1 P2 Lc data      into the current EF
//   GET CHALLENGE   00 84 00 00 Le           4 or 8 random bytes
//
// Status words: 90 00 done; 62 82 end of file before Le bytes; 67 00 wrong length;
// 69 86 no current EF; 6A 82 file or application not found; 6A 86 wrong P1-P2;
// 6B 00 offset beyond the file; 6D 00 unknown instruction; 6E 00 class not supported.

#include <cstdint>
#include <vector>

#include "random_source.h"
#include "sim/bytes.h"

namespace sim {

struct CosFile {
    std::uint16_t id = 0;
    std::uint8_t short_id = 0;  // SFI 1..30, 0 for none
    Bytes content;
};

struct CosApplication {
    Bytes aid;
    std::uint16_t id = 0;
    std::vector<CosFile> files;
};

class CardOs {
  public:
    CardOs(std::vector<CosFile> master_files, std::vector<CosApplication> applications);

    // One command APDU; the answer ends with its two status bytes.
    Bytes process(ByteView apdu);
    // Power-on state: the MF is current, no EF.
    void reset();

  private:
    // Where selection stands: the MF (application -1) or one application, and the
    // current EF within it, if any.
    struct Position {
        int application = -1;
        int file = -1;
    };

    Bytes select(std::uint8_t p1, std::uint8_t p2, ByteView data);
    // Makes the MF (-1) or an application the current DF, with no current EF; its
    // FCI when `answer`.
    Bytes select_dedicated(int application, bool answer);
    // The file and offset that READ BINARY and UPDATE BINARY address, or the
    // status word that refuses them.
    struct BinaryTarget {
        CosFile *file;
        std::size_t offset;
        std::uint16_t error;
    };
    BinaryTarget binary_target(std::uint8_t p1, std::uint8_t p2);
    Bytes read_binary(std::uint8_t p1, std::uint8_t p2, std::size_t le);
    Bytes update_binary(std::uint8_t p1, std::uint8_t p2, ByteView data);
    Bytes get_challenge(std::uint8_t p1, std::uint8_t p2, std::size_t le);

    std::vector<CosFile> &files_at(int application);
    CosFile *file_by_short_id(std::uint8_t short_id);
    Bytes dedicated_file_fci(int application) const;

    std::vector<CosFile> master_files_;
    std::vector<CosApplication> applications_;
    Position position_;
    RandomSource random_;
};

// Status words.
inline constexpr std::uint16_t kSwOk = 0x9000;
inline constexpr std::uint16_t kSwEndOfFile = 0x6282;
inline constexpr std::uint16_t kSwWrongLength = 0x6700;
inline constexpr std::uint16_t kSwNoCurrentEf = 0x6986;
inline constexpr std::uint16_t kSwNotFound = 0x6A82;
inline constexpr std::uint16_t kSwWrongP1P2 = 0x6A86;
inline constexpr std::uint16_t kSwWrongOffset = 0x6B00;
inline constexpr std::uint16_t kSwUnknownInstruction = 0x6D00;
inline constexpr std::uint16_t kSwClassNotSupported = 0x6E00;

}  // namespace sim
