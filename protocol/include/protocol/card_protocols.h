#pragma once

// What the set-protocol command (rf_init_type), the Type A request and the Mifare
// Classic authentication take: the card protocol the reader's field speaks, which
// cards a request wakes, and which key of a sector authenticates.

#include <cstdint>

namespace protocol {

inline constexpr char kProtocolTypeA = 'A';
inline constexpr char kProtocolTypeB = 'B';
inline constexpr char kProtocolAt88rf020 = 'r';
inline constexpr char kProtocolShortRange = 's';  // SR176 and SRIX4K
inline constexpr char kProtocolIso15693 = '1';

inline constexpr char kCardProtocols[] = {kProtocolTypeA, kProtocolTypeB, kProtocolAt88rf020,
                                          kProtocolShortRange, kProtocolIso15693};

// Request codes: idle cards only, or every card in the field, halted ones too.
inline constexpr std::uint8_t kRequestIdle = 0x26;
inline constexpr std::uint8_t kRequestAll = 0x52;

// Mifare Classic authentication modes: with the sector's key A or its key B.
inline constexpr std::uint8_t kAuthenticateKeyA = 0x60;
inline constexpr std::uint8_t kAuthenticateKeyB = 0x61;

}  // namespace protocol
