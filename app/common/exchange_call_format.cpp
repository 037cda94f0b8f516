#include "common/exchange_call_format.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "cardkit/mifare_layout.h"

namespace tilvane {

namespace {

using binding::ParameterKind;
using binding::ValueType;

// The parameters that carry keys or passwords (see the header).
constexpr std::array<KeyParameter, 7> kKeyParameters = {{
    {"rf_M1_authentication2", "key", KeyMask::Whole},
    {"rf_download_key", "keys", KeyMask::Whole},
    {"rf_at020_check", "password", KeyMask::Whole},
    {"des_encrypt", "key", KeyMask::Whole},
    {"des_decrypt", "key", KeyMask::Whole},
    {"rf_M1_write", "data", KeyMask::MifareTrailerKeys},
    {"rf_M1_read", "data", KeyMask::MifareTrailerKeys},
}};

constexpr int kKeySize = 6;
constexpr int kLastMifareBlock = 255;

void AppendHex(std::string &text, std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
}

std::string Decimal(std::int64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%" PRId64, value);
    return text;
}

template <typename T>
T Read(const void *pointer) {
    T value;
    std::memcpy(&value, pointer, sizeof value);
    return value;
}

}  // namespace

std::span<const KeyParameter> KeyParameters() {
    return kKeyParameters;
}

KeyMask KeyMaskOf(std::string_view function, std::string_view parameter) {
    for (const KeyParameter &key : kKeyParameters) {
        if (key.function == function && key.parameter == parameter) return key.mask;
    }
    return KeyMask::None;
}

CallFormat::CallFormat(const binding::ExportDescription &description,
                       std::span<const RawArgument> arguments, bool show_keys)
    : description_(description), arguments_(arguments), show_keys_(show_keys) {}

std::size_t CallFormat::BufferSize(std::size_t index) const {
    const binding::ParameterDescription &parameter = description_.parameters[index];
    if (parameter.size > 0) return static_cast<std::size_t>(parameter.size);
    if (parameter.related < 0) return 0;
    // A negative size is no buffer at all.
    const std::int64_t size = arguments_[static_cast<std::size_t>(parameter.related)].value;
    return size > 0 ? static_cast<std::size_t>(size) : 0;
}

std::size_t CallFormat::OutputSize(std::size_t index) const {
    const std::size_t room = BufferSize(index);
    for (std::size_t i = 0; i < description_.parameters.size(); ++i) {
        const binding::ParameterDescription &count = description_.parameters[i];
        if (count.kind != ParameterKind::Count || count.related != static_cast<int>(index)) {
            continue;
        }
        if (arguments_[i].pointer == nullptr) return 0;
        return std::min<std::size_t>(room, Read<std::uint8_t>(arguments_[i].pointer));
    }
    return room;
}

CallFormat::Piece CallFormat::Buffer(std::size_t index, std::size_t size) const {
    const void *pointer = arguments_[index].pointer;
    if (pointer == nullptr) return {"null", {}};
    const auto *bytes = static_cast<const std::uint8_t *>(pointer);
    const std::size_t shown = std::min(size, kMaxLoggedBytes);
    std::string clear;
    clear.reserve(2 * shown + 16);
    for (std::size_t i = 0; i < shown; ++i) AppendHex(clear, bytes[i]);
    if (shown < size) clear += "...(" + Decimal(static_cast<std::int64_t>(size)) + " bytes)";

    const binding::ParameterDescription &parameter = description_.parameters[index];
    switch (KeyMaskOf(description_.name, parameter.name)) {
        case KeyMask::None:
            return {std::move(clear), {}};
        case KeyMask::Whole:
            return {std::string(kMaskedKey), std::move(clear)};
        case KeyMask::MifareTrailerKeys:
            break;
    }
    const auto block = std::find_if(
        description_.parameters.begin(), description_.parameters.end(),
        [](const binding::ParameterDescription &candidate) { return candidate.name == "block"; });
    if (block == description_.parameters.end()) return {std::move(clear), {}};
    const std::int64_t number =
        arguments_[static_cast<std::size_t>(block - description_.parameters.begin())].value;
    if (number < 0 || number > kLastMifareBlock || !cardkit::is_trailer(static_cast<int>(number))) {
        return {std::move(clear), {}};
    }
    // Key A and key B masked, the access bits and the user byte kept.
    std::string masked;
    for (std::size_t i = 0; i < shown; ++i) {
        const auto offset = static_cast<int>(i);
        const bool key_a =
            offset >= cardkit::kTrailerKeyA && offset < cardkit::kTrailerKeyA + kKeySize;
        const bool key_b =
            offset >= cardkit::kTrailerKeyB && offset < cardkit::kTrailerKeyB + kKeySize;
        if (key_a || key_b) {
            if (offset == cardkit::kTrailerKeyA || offset == cardkit::kTrailerKeyB) {
                masked += kMaskedKey;
            }
            continue;
        }
        AppendHex(masked, bytes[i]);
    }
    if (shown < size) masked += "...(" + Decimal(static_cast<std::int64_t>(size)) + " bytes)";
    if (masked == clear) return {std::move(clear), {}};
    return {std::move(masked), std::move(clear)};
}

MaskedText CallFormat::Join(const std::vector<Piece> &pieces) const {
    MaskedText text;
    bool any_key = false;
    for (const Piece &piece : pieces) {
        if (!text.masked.empty()) text.masked += ", ";
        text.masked += piece.masked;
        any_key = any_key || !piece.clear.empty();
    }
    if (!show_keys_ || !any_key) return text;
    for (const Piece &piece : pieces) {
        if (!text.with_keys.empty()) text.with_keys += ", ";
        text.with_keys += piece.clear.empty() ? piece.masked : piece.clear;
    }
    return text;
}

MaskedText CallFormat::arguments() const {
    std::vector<Piece> pieces;
    for (std::size_t i = 0; i < description_.parameters.size(); ++i) {
        const binding::ParameterDescription &parameter = description_.parameters[i];
        const std::string name = std::string(parameter.name) + '=';
        const RawArgument &argument = arguments_[i];
        switch (parameter.kind) {
            case ParameterKind::Value: {
                if (parameter.type == ValueType::U32) {
                    char text[16];
                    std::snprintf(text, sizeof text, "0x%08" PRIX32,
                                  static_cast<std::uint32_t>(argument.value));
                    pieces.push_back({name + text, {}});
                } else {
                    pieces.push_back({name + Decimal(argument.value), {}});
                }
                break;
            }
            case ParameterKind::Input: {
                Piece buffer = Buffer(i, BufferSize(i));
                pieces.push_back({name + buffer.masked,
                                  buffer.clear.empty() ? std::string() : name + buffer.clear});
                break;
            }
            case ParameterKind::Pointer: {
                char text[24];
                std::snprintf(text, sizeof text, "0x%" PRIxPTR,
                              reinterpret_cast<std::uintptr_t>(argument.pointer));
                pieces.push_back({name + (argument.pointer ? text : "null"), {}});
                break;
            }
            case ParameterKind::Output:
            case ParameterKind::Count:
            case ParameterKind::ValueOut:
                break;
        }
    }
    return Join(pieces);
}

MaskedText CallFormat::returned(std::optional<std::int32_t> result) const {
    if (result && *result != 0) return {};
    std::vector<Piece> pieces;
    for (std::size_t i = 0; i < description_.parameters.size(); ++i) {
        const binding::ParameterDescription &parameter = description_.parameters[i];
        const std::string name = std::string(parameter.name) + '=';
        const void *pointer = arguments_[i].pointer;
        switch (parameter.kind) {
            case ParameterKind::Output: {
                Piece buffer = Buffer(i, OutputSize(i));
                pieces.push_back({name + buffer.masked,
                                  buffer.clear.empty() ? std::string() : name + buffer.clear});
                break;
            }
            case ParameterKind::Count:
                pieces.push_back(
                    {name + (pointer ? Decimal(Read<std::uint8_t>(pointer)) : "null"), {}});
                break;
            case ParameterKind::ValueOut: {
                std::string value = "null";
                if (pointer != nullptr) {
                    switch (parameter.type) {
                        case ValueType::U8: {
                            value.clear();
                            AppendHex(value, Read<std::uint8_t>(pointer));
                            break;
                        }
                        case ValueType::U16:
                            value = Decimal(Read<std::uint16_t>(pointer));
                            break;
                        case ValueType::I32:
                            value = Decimal(Read<std::int32_t>(pointer));
                            break;
                        case ValueType::U32:
                            value = Decimal(Read<std::uint32_t>(pointer));
                            break;
                        case ValueType::Void:
                            break;
                    }
                }
                pieces.push_back({name + value, {}});
                break;
            }
            case ParameterKind::Value:
            case ParameterKind::Input:
            case ParameterKind::Pointer:
                break;
        }
    }
    return Join(pieces);
}

}  // namespace tilvane
