// DES and two-key triple DES for callers of the library, on memory only: no
// reader, no last status. Each call sets up its own keys, so calls may run on
// several threads at once, and the input is never written.

#include "des.h"
#include "drovik.h"

namespace {

int32_t run_des(uint8_t *output, const uint8_t *input, int32_t length, const uint8_t *key,
                int32_t key_length, drovik::des::Direction direction) {
    if (output == nullptr || input == nullptr || key == nullptr) return 1;
    if (key_length < 0) return 1;
    // Whole blocks only: trailing bytes are neither read nor written, and a length
    // below one block (negative ones included) processes nothing.
    if (length < static_cast<int32_t>(drovik::des::kBlockSize)) return 0;
    const auto blocks = static_cast<std::size_t>(length) / drovik::des::kBlockSize;
    drovik::des::Cipher(key, static_cast<std::size_t>(key_length), direction)
        .process(output, input, blocks);
    return 0;
}

}  // namespace

extern "C" {

DROVIK_API int32_t DROVIK_CALL des_encrypt(uint8_t *output, const uint8_t *input, int32_t length,
                                           const uint8_t *key, int32_t key_length) {
    return run_des(output, input, length, key, key_length, drovik::des::Direction::Encrypt);
}

DROVIK_API int32_t DROVIK_CALL des_decrypt(uint8_t *output, const uint8_t *input, int32_t length,
                                           const uint8_t *key, int32_t key_length) {
    return run_des(output, input, length, key, key_length, drovik::des::Direction::Decrypt);
}

}  // extern "C"
