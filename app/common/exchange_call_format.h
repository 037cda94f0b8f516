#pragma once

// One library call written as the exchange log shows it, from the export's
// description (binding/export_descriptions.h): the arguments before the call,
// what came back after it.
//
//   arguments  values and input buffers: "address=0, block=4, key=******".
//              i32 values in decimal, u32 values as 0x%08X, buffers in hex
//              without spaces (at most kMaxLoggedBytes bytes, then
//              "...(N bytes)"), an untyped pointer as its address, a null
//              pointer as "null".
//   returned   output buffers, counts and values returned through pointers,
//              only after a call that returned 0 (or has no result): before
//              that their memory holds nothing the library wrote. An output
//              buffer with a count shows as many bytes as the count says (no
//              more than its room), one without a count its whole room. Counts
//              and u16, i32, u32 values in decimal, u8 values as two hex digits.
//
// Keys are masked as "******" unless the call is formatted with keys shown. The
// key parameters, by their names in reader/exports.list:
//   rf_M1_authentication2 key, rf_download_key keys, rf_at020_check password,
//   des_encrypt key, des_decrypt key: the whole buffer;
//   rf_M1_write data and rf_M1_read data where `block` is a Mifare Classic
//   sector trailer: its key A (bytes 0 to 5) and key B (bytes 10 to 15), the
//   access bits and user byte between them stay readable.
// A call formatted with keys shown keeps both texts; the masked one is what the
// log shows once "show keys" is unticked again.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "binding/export_descriptions.h"

namespace tilvane {

inline constexpr std::size_t kMaxLoggedBytes = 1024;
inline constexpr std::string_view kMaskedKey = "******";

// One argument of a call: its value, or the pointer passed.
struct RawArgument {
    std::int64_t value = 0;
    const void *pointer = nullptr;
};

// How a parameter's bytes are masked.
enum class KeyMask { None, Whole, MifareTrailerKeys };

struct KeyParameter {
    std::string_view function;
    std::string_view parameter;
    KeyMask mask;
};
// The parameters that carry keys (listed above).
std::span<const KeyParameter> KeyParameters();
KeyMask KeyMaskOf(std::string_view function, std::string_view parameter);

// A text with its keys masked, and the same in clear when that differs and
// keys were asked for (empty otherwise).
struct MaskedText {
    std::string masked;
    std::string with_keys;
};

class CallFormat {
public:
    // `arguments` holds one entry per parameter of `description`, in order;
    // they must stay valid until returned() has run.
    CallFormat(const binding::ExportDescription &description,
               std::span<const RawArgument> arguments, bool show_keys);

    // Before the call: the values and input buffers (an input may be the output
    // buffer of the same call, as with DES in place).
    MaskedText arguments() const;
    // After the call with its result (none for a function without one).
    MaskedText returned(std::optional<std::int32_t> result) const;

private:
    struct Piece {
        std::string masked;
        std::string clear;  // empty when the same as masked
    };
    Piece Buffer(std::size_t index, std::size_t size) const;
    std::size_t BufferSize(std::size_t index) const;
    std::size_t OutputSize(std::size_t index) const;
    MaskedText Join(const std::vector<Piece> &pieces) const;

    const binding::ExportDescription &description_;
    std::span<const RawArgument> arguments_;
    bool show_keys_;
};

}  // namespace tilvane
