#include "status_words.h"

#include <array>
#include <string_view>

namespace rfcard {

namespace {

struct Word {
    std::uint8_t sw1, sw2;
    std::string_view meaning;
};

// The interindustry status words of ISO 7816-4.
constexpr std::array<Word, 46> kWords = {{
    {0x90, 0x00, "done"},
    {0x62, 0x00, "warning: no information given, memory unchanged"},
    {0x62, 0x81, "warning: part of the returned data may be corrupted"},
    {0x62, 0x82, "warning: end of file or record before Le bytes"},
    {0x62, 0x83, "warning: selected file deactivated"},
    {0x62, 0x84, "warning: file control information not formatted"},
    {0x62, 0x85, "warning: selected file in termination state"},
    {0x62, 0x86, "warning: no input data available from a sensor"},
    {0x63, 0x00, "warning: no information given, memory changed"},
    {0x63, 0x81, "warning: file filled up by the last write"},
    {0x64, 0x00, "execution error, memory unchanged"},
    {0x64, 0x01, "execution error: immediate response required by the card"},
    {0x65, 0x00, "execution error, memory changed"},
    {0x65, 0x81, "execution error: memory failure"},
    {0x66, 0x00, "security error"},
    {0x67, 0x00, "wrong length"},
    {0x68, 0x00, "functions in the class byte not supported"},
    {0x68, 0x81, "logical channel not supported"},
    {0x68, 0x82, "secure messaging not supported"},
    {0x68, 0x83, "last command of the chain expected"},
    {0x68, 0x84, "command chaining not supported"},
    {0x69, 0x00, "command not allowed"},
    {0x69, 0x81, "command incompatible with the file structure"},
    {0x69, 0x82, "security status not satisfied"},
    {0x69, 0x83, "authentication method blocked"},
    {0x69, 0x84, "reference data not usable"},
    {0x69, 0x85, "conditions of use not satisfied"},
    {0x69, 0x86, "command not allowed (no current file)"},
    {0x69, 0x87, "expected secure messaging data objects missing"},
    {0x69, 0x88, "incorrect secure messaging data objects"},
    {0x6A, 0x00, "wrong parameters P1-P2"},
    {0x6A, 0x80, "incorrect parameters in the data field"},
    {0x6A, 0x81, "function not supported"},
    {0x6A, 0x82, "file or application not found"},
    {0x6A, 0x83, "record not found"},
    {0x6A, 0x84, "not enough memory space in the file"},
    {0x6A, 0x85, "data length inconsistent with its TLV structure"},
    {0x6A, 0x86, "incorrect parameters P1-P2"},
    {0x6A, 0x87, "data length inconsistent with P1-P2"},
    {0x6A, 0x88, "referenced data not found"},
    {0x6A, 0x89, "file already exists"},
    {0x6A, 0x8A, "application name already exists"},
    {0x6B, 0x00, "wrong parameters P1-P2"},
    {0x6D, 0x00, "instruction not supported or invalid"},
    {0x6E, 0x00, "class not supported"},
    {0x6F, 0x00, "no precise diagnosis"},
}};

std::string class_of(std::uint8_t sw1) {
    switch (sw1) {
        case 0x62:
        case 0x63:
            return "warning";
        case 0x64:
        case 0x65:
        case 0x66:
            return "execution error";
        case 0x67:
        case 0x68:
        case 0x69:
        case 0x6A:
        case 0x6B:
        case 0x6C:
        case 0x6D:
        case 0x6E:
        case 0x6F:
            return "checking error";
        default:
            return sw1 >= 0x90 && sw1 <= 0x9F ? "proprietary" : "not a status word";
    }
}

}  // namespace

std::string status_word_meaning(std::uint8_t sw1, std::uint8_t sw2) {
    if (sw1 == 0x61) {
        return "done; " + std::to_string(sw2 == 0 ? 256 : sw2) +
               " more bytes to fetch with GET RESPONSE";
    }
    if (sw1 == 0x6C) {
        return "wrong length; " + std::to_string(sw2 == 0 ? 256 : sw2) + " bytes available";
    }
    if (sw1 == 0x63 && (sw2 & 0xF0) == 0xC0) {
        return "verification failed, " + std::to_string(sw2 & 0x0F) + " tries left";
    }
    for (const Word &word : kWords) {
        if (word.sw1 == sw1 && word.sw2 == sw2) return std::string(word.meaning);
    }
    return class_of(sw1);
}

}  // namespace rfcard
