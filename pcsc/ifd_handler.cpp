// The driver's entry points, as pcsc-lite's IFD handler interface (version 3)
// names them: each finds the reader and slot of its Lun and hands the call on.
// Nothing leaves here as an exception.

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include "driver_log.h"
#include "ifd_interface.h"
#include "reader_registry.h"

namespace {

using pcsc::ReaderDevice;

constexpr char kVendorName[] = "Velomar";
constexpr char kReaderType[] = "Tilvane contactless reader";
// 0xMMmmbbbb: major, minor, build.
constexpr std::uint32_t kDriverVersion = 0x01010000;
// SCARD_ATTR_CHANNEL_ID: a serial line (0x0001) in the upper half.
constexpr std::uint32_t kSerialChannel = 0x00010000;

// Runs `call`, turning anything it throws into a logged communication error.
template <typename Call>
RESPONSECODE guarded(const char *entry, Call &&call) {
    try {
        return call();
    } catch (const std::exception &error) {
        pcsc::log_message(pcsc::LogLevel::Error, std::string(entry) + ": " + error.what());
    } catch (...) {
        pcsc::log_message(pcsc::LogLevel::Error, std::string(entry) + " failed");
    }
    return IFD_COMMUNICATION_ERROR;
}

std::shared_ptr<ReaderDevice> device_at(DWORD lun, pcsc::SlotAddress &address) {
    const auto found = pcsc::slot_address(lun);
    if (!found) return nullptr;
    address = *found;
    return pcsc::device_of(address);
}

RESPONSECODE put_bytes(const void *bytes, std::size_t count, PDWORD length, PUCHAR value) {
    if (*length < count) return IFD_ERROR_INSUFFICIENT_BUFFER;
    if (count > 0) std::memcpy(value, bytes, count);
    *length = static_cast<DWORD>(count);
    return IFD_SUCCESS;
}

RESPONSECODE put_byte(std::uint8_t byte, PDWORD length, PUCHAR value) {
    return put_bytes(&byte, 1, length, value);
}

RESPONSECODE put_number(std::uint32_t number, PDWORD length, PUCHAR value) {
    return put_bytes(&number, sizeof number, length, value);
}

RESPONSECODE put_text(const std::string &text, PDWORD length, PUCHAR value) {
    return put_bytes(text.c_str(), text.size() + 1, length, value);
}

RESPONSECODE put_function(void *function, PDWORD length, PUCHAR value) {
    return put_bytes(&function, sizeof function, length, value);
}

// The field slot's event wait, which pcscd runs in the slot's event thread in
// place of its own polling every 400 ms.
RESPONSECODE wait_for_card_event(DWORD lun, int timeout_ms) {
    return guarded("card event", [&] {
        pcsc::SlotAddress address;
        const auto device = device_at(lun, address);
        if (!device) return static_cast<RESPONSECODE>(IFD_COMMUNICATION_ERROR);
        return device->wait_for_field_event(std::chrono::milliseconds(timeout_ms));
    });
}

RESPONSECODE stop_card_event(DWORD lun) {
    return guarded("stop card event", [&] {
        pcsc::SlotAddress address;
        const auto device = device_at(lun, address);
        if (device) device->stop_waiting();
        return static_cast<RESPONSECODE>(IFD_SUCCESS);
    });
}

RESPONSECODE capability(const std::shared_ptr<ReaderDevice> &device, pcsc::SlotAddress address,
                        DWORD tag, PDWORD length, PUCHAR value) {
    const bool field = address.slot == ReaderDevice::kFieldSlot;
    switch (tag) {
        case TAG_IFD_ATR:
        case SCARD_ATTR_ATR_STRING: {
            const pcsc::Bytes atr = device->atr(address.slot);
            return put_bytes(atr.data(), atr.size(), length, value);
        }
        case TAG_IFD_SLOTS_NUMBER:
            return put_byte(ReaderDevice::kSlots, length, value);
        case TAG_IFD_SIMULTANEOUS_ACCESS:
            return put_byte(pcsc::kMostReaders, length, value);
        case TAG_IFD_THREAD_SAFE:
        case TAG_IFD_SLOT_THREAD_SAFE:
            // Every reader keeps its own line and lock; the slots of one share it.
            return put_byte(1, length, value);
        case TAG_IFD_POLLING_THREAD_WITH_TIMEOUT:
            if (!field) return IFD_ERROR_TAG;
            return put_function(reinterpret_cast<void *>(&wait_for_card_event), length, value);
        case TAG_IFD_POLLING_THREAD_KILLABLE:
            if (!field) return IFD_ERROR_TAG;
            return put_byte(0, length, value);
        case TAG_IFD_STOP_POLLING_THREAD:
            if (!field) return IFD_ERROR_TAG;
            return put_function(reinterpret_cast<void *>(&stop_card_event), length, value);
        case SCARD_ATTR_VENDOR_NAME:
            return put_text(kVendorName, length, value);
        case SCARD_ATTR_VENDOR_IFD_TYPE:
            return put_text(device->model().empty()
                                ? std::string(kReaderType)
                                : std::string(kReaderType) + " " + device->model(),
                            length, value);
        case SCARD_ATTR_VENDOR_IFD_VERSION:
            return put_number(kDriverVersion, length, value);
        case SCARD_ATTR_VENDOR_IFD_SERIAL_NO:
            if (device->serial_number().empty()) return IFD_ERROR_TAG;
            return put_text(device->serial_number(), length, value);
        case SCARD_ATTR_CHANNEL_ID:
            return put_number(kSerialChannel, length, value);
        case SCARD_ATTR_MAXINPUT:
            return put_number(static_cast<std::uint32_t>(device->longest_apdu(address.slot)),
                              length, value);
        case SCARD_ATTR_ICC_PRESENCE:
            // 0 absent, 1 present; the slot's last look, without a new one.
            return put_byte(device->holds_card(address.slot) ? 1 : 0, length, value);
        case SCARD_ATTR_ICC_INTERFACE_STATUS:
            // 1 while the card is powered.
            return put_byte(device->atr(address.slot).empty() ? 0 : 1, length, value);
        default:
            return IFD_ERROR_TAG;
    }
}

}  // namespace

// The one thing the driver exports (ifd.map lets nothing else out).
#pragma GCC visibility push(default)
extern "C" {

RESPONSECODE IFDHCreateChannelByName(DWORD Lun, LPSTR DeviceName) {
    return guarded("IFDHCreateChannelByName", [&] {
        const auto address = pcsc::slot_address(Lun);
        if (!address) return static_cast<RESPONSECODE>(IFD_COMMUNICATION_ERROR);
        return pcsc::open_slot(*address, DeviceName);
    });
}

RESPONSECODE IFDHCreateChannel(DWORD Lun, DWORD Channel) {
    // Without DEVICENAME pcscd gives the channel number of reader.conf's CHANNELID:
    // channel n is the serial port /dev/ttyS<n-1>.
    return guarded("IFDHCreateChannel", [&] {
        if (Channel < 1) return static_cast<RESPONSECODE>(IFD_COMMUNICATION_ERROR);
        const std::string device = "/dev/ttyS" + std::to_string(Channel - 1);
        return IFDHCreateChannelByName(Lun, const_cast<LPSTR>(device.c_str()));
    });
}

RESPONSECODE IFDHCloseChannel(DWORD Lun) {
    return guarded("IFDHCloseChannel", [&] {
        const auto address = pcsc::slot_address(Lun);
        if (!address) return static_cast<RESPONSECODE>(IFD_COMMUNICATION_ERROR);
        return pcsc::close_slot(*address);
    });
}

RESPONSECODE IFDHGetCapabilities(DWORD Lun, DWORD Tag, PDWORD Length, PUCHAR Value) {
    return guarded("IFDHGetCapabilities", [&] {
        if (Length == nullptr || (Value == nullptr && *Length > 0)) {
            return static_cast<RESPONSECODE>(IFD_COMMUNICATION_ERROR);
        }
        pcsc::SlotAddress address;
        const auto device = device_at(Lun, address);
        if (!device) return static_cast<RESPONSECODE>(IFD_COMMUNICATION_ERROR);
        return capability(device, address, Tag, Length, Value);
    });
}

RESPONSECODE IFDHSetCapabilities(DWORD, DWORD, DWORD, PUCHAR) {
    // Nothing of the reader is set this way.
    return IFD_ERROR_TAG;
}

RESPONSECODE IFDHSetProtocolParameters(DWORD Lun, DWORD Protocol, UCHAR, UCHAR, UCHAR, UCHAR) {
    return guarded("IFDHSetProtocolParameters", [&] {
        pcsc::SlotAddress address;
        if (!device_at(Lun, address)) return static_cast<RESPONSECODE>(IFD_COMMUNICATION_ERROR);
        // The reader carries APDUs whichever protocol the ATR offers; there is no
        // PPS to send over the air, nor to the SAM through the reader.
        if (Protocol != SCARD_PROTOCOL_T0 && Protocol != SCARD_PROTOCOL_T1) {
            return static_cast<RESPONSECODE>(IFD_PROTOCOL_NOT_SUPPORTED);
        }
        return static_cast<RESPONSECODE>(IFD_SUCCESS);
    });
}

RESPONSECODE IFDHPowerICC(DWORD Lun, DWORD Action, PUCHAR Atr, PDWORD AtrLength) {
    if (AtrLength != nullptr) *AtrLength = 0;
    return guarded("IFDHPowerICC", [&] {
        if (Atr == nullptr || AtrLength == nullptr) {
            return static_cast<RESPONSECODE>(IFD_COMMUNICATION_ERROR);
        }
        pcsc::SlotAddress address;
        const auto device = device_at(Lun, address);
        if (!device) return static_cast<RESPONSECODE>(IFD_COMMUNICATION_ERROR);
        pcsc::Bytes atr;
        const RESPONSECODE result = device->power(address.slot, Action, atr);
        if (result != IFD_SUCCESS) return result;
        const std::size_t count = std::min<std::size_t>(atr.size(), MAX_ATR_SIZE);
        if (count > 0) std::memcpy(Atr, atr.data(), count);
        *AtrLength = static_cast<DWORD>(count);
        return static_cast<RESPONSECODE>(IFD_SUCCESS);
    });
}

RESPONSECODE IFDHTransmitToICC(DWORD Lun, SCARD_IO_HEADER, PUCHAR TxBuffer, DWORD TxLength,
                               PUCHAR RxBuffer, PDWORD RxLength, PSCARD_IO_HEADER) {
    const DWORD capacity = RxLength != nullptr ? *RxLength : 0;
    if (RxLength != nullptr) *RxLength = 0;
    return guarded("IFDHTransmitToICC", [&] {
        if (TxBuffer == nullptr || RxBuffer == nullptr || RxLength == nullptr) {
            return static_cast<RESPONSECODE>(IFD_COMMUNICATION_ERROR);
        }
        pcsc::SlotAddress address;
        const auto device = device_at(Lun, address);
        if (!device) return static_cast<RESPONSECODE>(IFD_COMMUNICATION_ERROR);
        pcsc::Bytes response;
        const RESPONSECODE result =
            device->transmit(address.slot, pcsc::ByteView(TxBuffer, TxLength), response);
        if (result != IFD_SUCCESS) return result;
        if (response.size() > capacity) {
            return static_cast<RESPONSECODE>(IFD_ERROR_INSUFFICIENT_BUFFER);
        }
        if (!response.empty()) std::memcpy(RxBuffer, response.data(), response.size());
        *RxLength = static_cast<DWORD>(response.size());
        return static_cast<RESPONSECODE>(IFD_SUCCESS);
    });
}

RESPONSECODE IFDHICCPresence(DWORD Lun) {
    return guarded("IFDHICCPresence", [&] {
        pcsc::SlotAddress address;
        const auto device = device_at(Lun, address);
        if (!device) return static_cast<RESPONSECODE>(IFD_COMMUNICATION_ERROR);
        return device->presence(address.slot);
    });
}

RESPONSECODE IFDHControl(DWORD Lun, DWORD dwControlCode, PUCHAR, DWORD, PUCHAR, DWORD,
                         LPDWORD pdwBytesReturned) {
    if (pdwBytesReturned != nullptr) *pdwBytesReturned = 0;
    return guarded("IFDHControl", [&] {
        pcsc::SlotAddress address;
        if (!device_at(Lun, address)) return static_cast<RESPONSECODE>(IFD_COMMUNICATION_ERROR);
        // The feature query is answered with no features: no PIN pad, no display.
        if (dwControlCode == CM_IOCTL_GET_FEATURE_REQUEST) {
            return static_cast<RESPONSECODE>(IFD_SUCCESS);
        }
        return static_cast<RESPONSECODE>(IFD_ERROR_NOT_SUPPORTED);
    });
}

}  // extern "C"
#pragma GCC visibility pop
