#pragma once

// The command codes of the reader, by what they do. Codes 0x35 to 0x3F, 0x4D to
// 0x5F, 0x63 to 0x6F and above 0x70 are not used.

#include <cstdint>

namespace protocol {

enum class Command : std::uint8_t {
    // The port and the reader itself.
    SetBaud = 0x01,
    SetAddress = 0x02,
    GetAddress = 0x03,
    GetModel = 0x04,
    GetSerialNumber = 0x05,
    Beep = 0x06,
    Light = 0x27,
    Display = 0x60,
    FlashRead = 0x61,
    FlashWrite = 0x62,
    // The SAM slot.
    SamConfigure = 0x07,
    SamReset = 0x08,
    SamCommand = 0x09,
    // Protocol, field, ISO 14443 Type A and Mifare Classic.
    SetProtocol = 0x0A,
    Antenna = 0x0B,
    RequestA = 0x0C,
    Anticollision = 0x0D,
    SelectA = 0x0E,
    HaltA = 0x0F,
    DownloadKeys = 0x10,
    AuthenticateLoadedKey = 0x11,
    AuthenticateGivenKey = 0x12,
    ReadBlock = 0x13,
    WriteBlock = 0x14,
    InitValue = 0x15,
    ReadValue = 0x16,
    Decrement = 0x17,
    Increment = 0x18,
    Restore = 0x19,
    Transfer = 0x1A,
    Request080 = 0x70,
    // ISO 14443-4 and Type B.
    ActivateTypeA = 0x1B,
    TypeACommand = 0x1C,
    RequestB = 0x1D,
    Attrib = 0x1E,
    TypeBCommand = 0x1F,
    HaltB = 0x20,
    Deselect = 0x28,
    // AT88RF020.
    At020Check = 0x21,
    At020Read = 0x22,
    At020Write = 0x23,
    At020Lock = 0x24,
    At020Count = 0x25,
    At020Deselect = 0x26,
    // SR176 and SRIX4K.
    StSelect = 0x29,
    StCompletion = 0x2A,
    Sr176Read = 0x2B,
    Sr176Write = 0x2C,
    Sr176Protect = 0x2D,
    Srix4kRead = 0x2E,
    Srix4kWrite = 0x2F,
    Srix4kAuthenticate = 0x30,
    Srix4kGetUid = 0x31,
    Srix4kWriteLockRegister = 0x32,
    // Ultralight.
    UltralightSelect = 0x33,
    UltralightWrite = 0x34,
    // ISO 15693.
    Inventory = 0x40,
    StayQuiet = 0x41,
    Select15693 = 0x42,
    ResetToReady = 0x43,
    ReadBlocks15693 = 0x44,
    WriteBlock15693 = 0x45,
    LockBlock15693 = 0x46,
    WriteAfi = 0x47,
    LockAfi = 0x48,
    WriteDsfid = 0x49,
    LockDsfid = 0x4A,
    GetSystemInformation = 0x4B,
    GetBlockSecurity = 0x4C,
};

constexpr std::uint8_t code_of(Command command) { return static_cast<std::uint8_t>(command); }

}  // namespace protocol
