#include "reader_registry.h"

#include <array>
#include <map>
#include <mutex>

#include "driver_log.h"

namespace pcsc {

namespace {

struct Entry {
    std::shared_ptr<ReaderDevice> device;
    std::string device_name;
    std::array<bool, ReaderDevice::kSlots> open{};
};

std::mutex g_mutex;
std::map<DWORD, Entry> &readers() {
    static std::map<DWORD, Entry> map;
    return map;
}

}  // namespace

std::optional<SlotAddress> slot_address(DWORD lun) {
    const int slot = static_cast<int>(lun & 0xFFFF);
    if (slot >= ReaderDevice::kSlots) return std::nullopt;
    return SlotAddress{lun >> 16, slot};
}

RESPONSECODE open_slot(SlotAddress address, const char *device_name) {
    if (device_name == nullptr) return IFD_COMMUNICATION_ERROR;
    std::lock_guard<std::mutex> lock(g_mutex);
    auto found = readers().find(address.reader);
    if (found != readers().end()) {
        Entry &entry = found->second;
        if (entry.open[address.slot] || entry.device_name != device_name) {
            log_message(LogLevel::Error, "slot " + std::to_string(address.slot) + " of " +
                                             entry.device_name + " is open already");
            return IFD_COMMUNICATION_ERROR;
        }
        entry.open[address.slot] = true;
        return IFD_SUCCESS;
    }
    if (readers().size() >= static_cast<std::size_t>(kMostReaders)) {
        log_message(LogLevel::Error, "no more than " + std::to_string(kMostReaders) +
                                         " readers: " + device_name + " is left out");
        return IFD_COMMUNICATION_ERROR;
    }
    std::string error;
    const auto name = parse_device_name(device_name, error);
    if (!name) {
        log_message(LogLevel::Error, "DEVICENAME \"" + std::string(device_name) + "\": " + error);
        return IFD_COMMUNICATION_ERROR;
    }
    std::shared_ptr<ReaderDevice> device = ReaderDevice::open(*name);
    if (!device) return IFD_COMMUNICATION_ERROR;
    Entry entry{std::move(device), device_name, {}};
    entry.open[address.slot] = true;
    readers().emplace(address.reader, std::move(entry));
    return IFD_SUCCESS;
}

RESPONSECODE close_slot(SlotAddress address) {
    std::shared_ptr<ReaderDevice> closing;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto found = readers().find(address.reader);
        if (found == readers().end() || !found->second.open[address.slot]) {
            return IFD_COMMUNICATION_ERROR;
        }
        Entry &entry = found->second;
        entry.open[address.slot] = false;
        if (address.slot == ReaderDevice::kFieldSlot) entry.device->stop_waiting();
        if (entry.open[0] || entry.open[1]) return IFD_SUCCESS;
        closing = std::move(entry.device);
        readers().erase(found);
    }
    // The device closes when the last call that holds it returns; here, unless
    // one is still in progress.
    closing.reset();
    return IFD_SUCCESS;
}

std::shared_ptr<ReaderDevice> device_of(SlotAddress address) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto found = readers().find(address.reader);
    if (found == readers().end() || !found->second.open[address.slot]) return nullptr;
    return found->second.device;
}

}  // namespace pcsc
