#pragma once

// DES (FIPS 46-3) and two-key triple DES in electronic codebook mode, on the host.
// A Cipher holds its own key schedules, computed once when it is made, so any
// number of them can work at the same time on different threads.

#include <array>
#include <cstddef>
#include <cstdint>

namespace drovik::des {

inline constexpr std::size_t kBlockSize = 8;
inline constexpr std::size_t kKeySize = 8;

enum class Direction { Encrypt, Decrypt };

class Cipher {
public:
    // Keys from `key_length` bytes at `key`: up to 8 bytes give single DES with
    // the bytes followed by zeros; more give two-key triple DES (encrypt with K1,
    // decrypt with K2, encrypt with K1) where K1 is the first 8 bytes and K2 the
    // next up to 8, followed by zeros. Bytes beyond the sixteenth are not read.
    // Parity bits are ignored.
    Cipher(const std::uint8_t *key, std::size_t key_length, Direction direction);

    // Runs `blocks` whole blocks of `in` into `out`, each on its own. `out` may be
    // `in`; `in` is otherwise only read.
    void process(std::uint8_t *out, const std::uint8_t *in, std::size_t blocks) const;

    // Subkeys of one DES pass in the order they are applied: 16 rounds of two
    // words, each word four 6-bit groups in the layout the round function uses.
    using Schedule = std::array<std::uint32_t, 32>;

private:
    Schedule first_{};   // single DES, or the outer passes of triple DES
    Schedule middle_{};  // the inner pass of triple DES
    bool triple_ = false;
};

}  // namespace drovik::des
