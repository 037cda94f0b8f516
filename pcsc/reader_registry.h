#pragma once

// The readers the driver serves, by the reader part of pcscd's Lun (its upper 16
// bits; the lower 16 are the slot). Both slots of a reader share one device: the
// first slot opened opens it, the last one closed closes it. A call in progress
// keeps its device alive until it returns, even when the channel closes meanwhile.

#include <memory>

#include "device_name.h"
#include "ifd_interface.h"
#include "reader_device.h"

namespace pcsc {

struct SlotAddress {
    DWORD reader = 0;
    int slot = 0;
};

// The reader and slot of a Lun; nullopt for a slot the reader does not have.
std::optional<SlotAddress> slot_address(DWORD lun);

// Opens the slot at `address` on the device `device_name` describes (shared with
// the reader's other slot when that is open already). IFD_SUCCESS, or
// IFD_COMMUNICATION_ERROR with the reason logged.
RESPONSECODE open_slot(SlotAddress address, const char *device_name);
// IFD_SUCCESS, or IFD_COMMUNICATION_ERROR for a slot that is not open.
RESPONSECODE close_slot(SlotAddress address);

// The device of an open slot; null when the slot is not open.
std::shared_ptr<ReaderDevice> device_of(SlotAddress address);

// How many readers the driver serves at most.
inline constexpr int kMostReaders = 16;

}  // namespace pcsc
