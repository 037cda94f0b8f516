#pragma once

// Ultralight and NTAG tags: 4-byte pages, the type (and with it the page count)
// that GET_VERSION names, and what the first pages hold: UID and check bytes in
// pages 0 to 2, the static lock bytes in page 2, the capability container in
// page 3, and for the larger types dynamic lock bytes near the end.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cardkit/bytes.h"

namespace cardkit {

enum class UltralightType {
    Ultralight,        // MF0ICU1, 16 pages
    UltralightC,       // MF0ICU2, 48 pages
    UltralightEv1_11,  // MF0UL11, 20 pages
    UltralightEv1_21,  // MF0UL21, 41 pages
    Ntag203,
    Ntag210,
    Ntag212,
    Ntag213,
    Ntag215,
    Ntag216,
    NtagI2c1k,
    NtagI2c2k,
    NtagI2cPlus1k,
    NtagI2cPlus2k,
};

inline constexpr int kUltralightPageSize = 4;

std::span<const UltralightType> ultralight_types();
int ultralight_pages(UltralightType type);
// "Ultralight", "Ultralight C", "Ultralight EV1 MF0UL11", "NTAG213", ...
std::string_view ultralight_type_name(UltralightType type);
// The names above, or short ones ("ulc", "ul11", "ntag215", "ntag-i2c-plus-1k"),
// in either case and with or without spaces, dashes and underscores.
std::optional<UltralightType> ultralight_type_from_name(std::string_view name);
// From the 8 bytes GET_VERSION answers; nullopt when they name no type this
// program knows (all zeros: a first-generation Ultralight has no GET_VERSION).
std::optional<UltralightType> ultralight_type_from_version(ByteView version);
// The type with exactly this many pages, else the smallest with more (a dump
// cut short); nullopt for none.
std::optional<UltralightType> ultralight_type_holding(int pages);

// Page and byte of the dynamic lock bytes, and how many pages each of their
// bits locks; nullopt for types without them or whose bits this program does
// not decode.
struct DynamicLock {
    int page;
    int bytes;       // lock bytes (the block-locking byte follows them)
    int first_page;  // the first page the bits lock
    int pages_per_bit;
};
std::optional<DynamicLock> dynamic_lock(UltralightType type);

// Pages 3 to 15 that the static lock bytes (page 2, bytes 2 and 3) lock.
std::vector<int> static_locked_pages(std::uint8_t lock0, std::uint8_t lock1);

// Page 3 as a capability container: "NDEF E1, version 1.0, 496 bytes of data,
// read and write"; nullopt when byte 0 is not E1.
std::optional<std::string> describe_capability_container(ByteView page3);

}  // namespace cardkit
