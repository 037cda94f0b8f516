// DES after FIPS 46-3, arranged for speed:
// - The two halves are kept rotated left by one bit for the whole of the 16
//   rounds. Then each of the eight 6-bit groups of the expansion E is a byte of
//   either the half or the half rotated by four, so E costs one rotation.
// - Each S-box is merged with the permutation P into a table of 64 words (the
//   SP tables), so a round is eight lookups.
// - The initial and final permutations are five exchanges of bit groups between
//   the halves instead of 64 single-bit moves.
// - The key schedule is table-driven too: PC-1 by nibble, PC-2 by 7-bit chunk of
//   C and D, each lookup already placing its bits where the round function wants
//   them.
// All tables are computed at compile time from the standard's own tables below.

#include "des.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace drovik::des {

namespace {

// ---- The standard's tables (bit numbers count from 1 at the most significant) ----

constexpr std::array<std::uint8_t, 56> kPc1 = {
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,  // C
    10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,  //
    63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,  // D
    14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4,   //
};

constexpr std::array<std::uint8_t, 48> kPc2 = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
    26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
    51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32,
};

constexpr std::array<std::uint8_t, 16> kLeftShifts = {1, 1, 2, 2, 2, 2, 2, 2,
                                                       1, 2, 2, 2, 2, 2, 2, 1};

constexpr std::array<std::uint8_t, 32> kP = {
    16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
    2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25,
};

// S1 to S8, each four rows of sixteen.
constexpr std::uint8_t kS[8][4][16] = {
    {{14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7},
     {0, 15, 7, 4, 14, 2, 13, 1, 10, 6, 12, 11, 9, 5, 3, 8},
     {4, 1, 14, 8, 13, 6, 2, 11, 15, 12, 9, 7, 3, 10, 5, 0},
     {15, 12, 8, 2, 4, 9, 1, 7, 5, 11, 3, 14, 10, 0, 6, 13}},
    {{15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10},
     {3, 13, 4, 7, 15, 2, 8, 14, 12, 0, 1, 10, 6, 9, 11, 5},
     {0, 14, 7, 11, 10, 4, 13, 1, 5, 8, 12, 6, 9, 3, 2, 15},
     {13, 8, 10, 1, 3, 15, 4, 2, 11, 6, 7, 12, 0, 5, 14, 9}},
    {{10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8},
     {13, 7, 0, 9, 3, 4, 6, 10, 2, 8, 5, 14, 12, 11, 15, 1},
     {13, 6, 4, 9, 8, 15, 3, 0, 11, 1, 2, 12, 5, 10, 14, 7},
     {1, 10, 13, 0, 6, 9, 8, 7, 4, 15, 14, 3, 11, 5, 2, 12}},
    {{7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15},
     {13, 8, 11, 5, 6, 15, 0, 3, 4, 7, 2, 12, 1, 10, 14, 9},
     {10, 6, 9, 0, 12, 11, 7, 13, 15, 1, 3, 14, 5, 2, 8, 4},
     {3, 15, 0, 6, 10, 1, 13, 8, 9, 4, 5, 11, 12, 7, 2, 14}},
    {{2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9},
     {14, 11, 2, 12, 4, 7, 13, 1, 5, 0, 15, 10, 3, 9, 8, 6},
     {4, 2, 1, 11, 10, 13, 7, 8, 15, 9, 12, 5, 6, 3, 0, 14},
     {11, 8, 12, 7, 1, 14, 2, 13, 6, 15, 0, 9, 10, 4, 5, 3}},
    {{12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11},
     {10, 15, 4, 2, 7, 12, 9, 5, 6, 1, 13, 14, 0, 11, 3, 8},
     {9, 14, 15, 5, 2, 8, 12, 3, 7, 0, 4, 10, 1, 13, 11, 6},
     {4, 3, 2, 12, 9, 5, 15, 10, 11, 14, 1, 7, 6, 0, 8, 13}},
    {{4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1},
     {13, 0, 11, 7, 4, 9, 1, 10, 14, 3, 5, 12, 2, 15, 8, 6},
     {1, 4, 11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5, 9, 2},
     {6, 11, 13, 8, 1, 4, 10, 7, 9, 5, 0, 15, 14, 2, 3, 12}},
    {{13, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7},
     {1, 15, 13, 8, 10, 3, 7, 4, 12, 5, 6, 11, 0, 14, 9, 2},
     {7, 11, 4, 1, 9, 12, 14, 2, 0, 6, 10, 13, 15, 3, 5, 8},
     {2, 1, 14, 7, 4, 10, 8, 13, 15, 12, 9, 0, 3, 5, 6, 11}},
};

constexpr std::uint32_t rotl(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
constexpr std::uint32_t rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

// ---- Tables computed from them ---------------------------------------------------

// SP[j][x]: S-box j+1 applied to the 6-bit group x (first bit most significant),
// its 4 bits put in place and passed through P, rotated as the halves are.
using SpTables = std::array<std::array<std::uint32_t, 64>, 8>;

constexpr SpTables make_sp_tables() {
    SpTables sp{};
    for (int box = 0; box < 8; ++box) {
        for (int x = 0; x < 64; ++x) {
            const int row = ((x >> 4) & 2) | (x & 1);
            const int column = (x >> 1) & 0xF;
            const std::uint32_t placed = std::uint32_t{kS[box][row][column]} << (28 - 4 * box);
            std::uint32_t permuted = 0;
            for (int i = 0; i < 32; ++i) {
                if ((placed >> (32 - kP[i])) & 1) permuted |= std::uint32_t{1} << (31 - i);
            }
            sp[box][x] = rotl(permuted, 1);
        }
    }
    return sp;
}

alignas(64) constexpr SpTables kSp = make_sp_tables();

// PC-1 by key nibble: kPc1ByNibble[n][v] holds the bits of C (bits 55..28) and
// D (27..0) that nibble n of the key (0 = most significant) gives when it is v.
using Pc1Tables = std::array<std::array<std::uint64_t, 16>, 16>;

constexpr Pc1Tables make_pc1_tables() {
    Pc1Tables tables{};
    for (int i = 0; i < 56; ++i) {
        const int bit = kPc1[i] - 1;  // 0 = most significant bit of the key
        const int nibble = bit / 4;
        const int within = 3 - bit % 4;
        for (int v = 0; v < 16; ++v) {
            if ((v >> within) & 1) tables[nibble][v] |= std::uint64_t{1} << (55 - i);
        }
    }
    return tables;
}

alignas(64) constexpr Pc1Tables kPc1ByNibble = make_pc1_tables();

// Where output bit i (0..47) of PC-2 goes in a subkey pair (first word in the high
// half): groups 1, 3, 5, 7 make the first word and groups 2, 4, 6, 8 the second,
// one group in the low six bits of each byte, in the order the round reads them.
constexpr int subkey_position(int i) {
    const int group = i / 6;  // 0..7
    const int bit_in_group = 5 - i % 6;
    const int byte = 3 - group / 2;
    const int word_base = group % 2 == 0 ? 32 : 0;
    return word_base + 8 * byte + bit_in_group;
}

// PC-2 by 7-bit chunk: chunks 0..3 are C from the most significant end, 4..7 D.
using Pc2Tables = std::array<std::array<std::uint64_t, 128>, 8>;

constexpr Pc2Tables make_pc2_tables() {
    Pc2Tables tables{};
    for (int i = 0; i < 48; ++i) {
        const int bit = kPc2[i] - 1;  // 0..55 across C then D
        const int chunk = bit / 7;
        const int within = 6 - bit % 7;
        for (int v = 0; v < 128; ++v) {
            if ((v >> within) & 1) tables[chunk][v] |= std::uint64_t{1} << subkey_position(i);
        }
    }
    return tables;
}

alignas(64) constexpr Pc2Tables kPc2ByChunk = make_pc2_tables();

constexpr std::uint32_t kMask28 = 0x0FFFFFFF;

constexpr std::uint32_t rotl28(std::uint32_t x, int n) {
    return ((x << n) | (x >> (28 - n))) & kMask28;
}

Cipher::Schedule encryption_schedule(const std::uint8_t *key) {
    std::uint64_t cd = 0;
    for (int byte = 0; byte < 8; ++byte) {
        cd |= kPc1ByNibble[2 * byte][key[byte] >> 4];
        cd |= kPc1ByNibble[2 * byte + 1][key[byte] & 0xF];
    }
    auto c = static_cast<std::uint32_t>(cd >> 28) & kMask28;
    auto d = static_cast<std::uint32_t>(cd) & kMask28;

    Cipher::Schedule schedule{};
    for (int round = 0; round < 16; ++round) {
        c = rotl28(c, kLeftShifts[round]);
        d = rotl28(d, kLeftShifts[round]);
        const std::uint64_t pair =
            kPc2ByChunk[0][c >> 21] | kPc2ByChunk[1][(c >> 14) & 0x7F] |
            kPc2ByChunk[2][(c >> 7) & 0x7F] | kPc2ByChunk[3][c & 0x7F] |
            kPc2ByChunk[4][d >> 21] | kPc2ByChunk[5][(d >> 14) & 0x7F] |
            kPc2ByChunk[6][(d >> 7) & 0x7F] | kPc2ByChunk[7][d & 0x7F];
        schedule[2 * round] = static_cast<std::uint32_t>(pair >> 32);
        schedule[2 * round + 1] = static_cast<std::uint32_t>(pair);
    }
    return schedule;
}

// Decryption applies the same subkeys in the opposite round order.
Cipher::Schedule reversed(const Cipher::Schedule &schedule) {
    Cipher::Schedule out{};
    for (int round = 0; round < 16; ++round) {
        out[2 * round] = schedule[2 * (15 - round)];
        out[2 * round + 1] = schedule[2 * (15 - round) + 1];
    }
    return out;
}

Cipher::Schedule schedule_for(const std::uint8_t *key, Direction direction) {
    const Cipher::Schedule forward = encryption_schedule(key);
    return direction == Direction::Encrypt ? forward : reversed(forward);
}

// ---- The block function ----------------------------------------------------------

// Exchanges the bits of `a` under `mask` with those of `b` under `mask >> shift`.
inline void swap_bits(std::uint32_t &a, std::uint32_t &b, int shift, std::uint32_t mask) {
    const std::uint32_t t = ((a >> shift) ^ b) & mask;
    b ^= t;
    a ^= t << shift;
}

// The initial permutation, leaving both halves rotated left by one.
inline void initial_permutation(std::uint32_t &left, std::uint32_t &right) {
    swap_bits(left, right, 4, 0x0F0F0F0F);
    swap_bits(left, right, 16, 0x0000FFFF);
    swap_bits(right, left, 2, 0x33333333);
    swap_bits(right, left, 8, 0x00FF00FF);
    right = rotl(right, 1);
    const std::uint32_t t = (left ^ right) & 0xAAAAAAAA;
    left ^= t;
    right ^= t;
    left = rotl(left, 1);
}

// The inverse of initial_permutation.
inline void final_permutation(std::uint32_t &left, std::uint32_t &right) {
    left = rotr(left, 1);
    const std::uint32_t t = (left ^ right) & 0xAAAAAAAA;
    left ^= t;
    right ^= t;
    right = rotr(right, 1);
    swap_bits(right, left, 8, 0x00FF00FF);
    swap_bits(right, left, 2, 0x33333333);
    swap_bits(left, right, 16, 0x0000FFFF);
    swap_bits(left, right, 4, 0x0F0F0F0F);
}

inline std::uint32_t feistel(std::uint32_t half, const std::uint32_t *subkey) {
    const std::uint32_t odd = rotr(half, 4) ^ subkey[0];  // groups 1, 3, 5, 7
    const std::uint32_t even = half ^ subkey[1];          // groups 2, 4, 6, 8
    return kSp[0][(odd >> 24) & 0x3F] ^ kSp[2][(odd >> 16) & 0x3F] ^
           kSp[4][(odd >> 8) & 0x3F] ^ kSp[6][odd & 0x3F] ^ kSp[1][(even >> 24) & 0x3F] ^
           kSp[3][(even >> 16) & 0x3F] ^ kSp[5][(even >> 8) & 0x3F] ^ kSp[7][even & 0x3F];
}

// Sixteen rounds; afterwards `left` holds L16 and `right` R16.
inline void sixteen_rounds(std::uint32_t &left, std::uint32_t &right,
                           const Cipher::Schedule &schedule) {
    const std::uint32_t *k = schedule.data();
    for (int pair = 0; pair < 8; ++pair, k += 4) {
        left ^= feistel(right, k);
        right ^= feistel(left, k + 2);
    }
}

inline std::uint32_t load_be32(const std::uint8_t *p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

inline void store_be32(std::uint8_t *p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

}  // namespace

Cipher::Cipher(const std::uint8_t *key, std::size_t key_length, Direction direction) {
    std::uint8_t k1[kKeySize] = {};
    std::memcpy(k1, key, std::min(key_length, kKeySize));
    first_ = schedule_for(k1, direction);
    triple_ = key_length > kKeySize;
    if (triple_) {
        std::uint8_t k2[kKeySize] = {};
        std::memcpy(k2, key + kKeySize, std::min(key_length - kKeySize, kKeySize));
        // The inner pass runs the other way: E-D-E to encrypt, D-E-D to decrypt.
        middle_ = schedule_for(k2, direction == Direction::Encrypt ? Direction::Decrypt
                                                                   : Direction::Encrypt);
    }
}

void Cipher::process(std::uint8_t *out, const std::uint8_t *in, std::size_t blocks) const {
    for (std::size_t block = 0; block < blocks; ++block) {
        const std::size_t offset = block * kBlockSize;
        std::uint32_t left = load_be32(in + offset);
        std::uint32_t right = load_be32(in + offset + 4);
        initial_permutation(left, right);
        sixteen_rounds(left, right, first_);
        if (triple_) {
            // Between passes the final and initial permutations cancel out; only
            // the exchange of the halves that ends a pass remains.
            std::swap(left, right);
            sixteen_rounds(left, right, middle_);
            std::swap(left, right);
            sixteen_rounds(left, right, first_);
        }
        // The output block is R16 followed by L16.
        final_permutation(right, left);
        store_be32(out + offset, right);
        store_be32(out + offset + 4, left);
    }
}

}  // namespace drovik::des
