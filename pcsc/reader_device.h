#pragma once

// One reader as pcscd meets it: its line, its two slots (0 the field, 1 the SAM)
// and the lock that gives the line to one thread at a time. pcscd calls in from
// several threads (an event thread per slot, a thread per client): a call that
// needs the line waits for it, but the presence questions never wait. They
// answer from the slot's last look when the line is busy, and the field's event
// wait looks at the field as often as FieldSlot::next_look() allows.
//
// A line that fails is reported once in the log, not at every look; its slots
// then hold no card. A device that went away is opened again every
// kReopenInterval, so a reader plugged back in comes back.

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "device_name.h"
#include "field_slot.h"
#include "ifd_interface.h"
#include "reader_line.h"
#include "sam_slot.h"

namespace pcsc {

class ReaderDevice {
public:
    static constexpr int kFieldSlot = 0;
    static constexpr int kSamSlot = 1;
    static constexpr int kSlots = 2;
    static constexpr std::chrono::seconds kReopenInterval{2};

    // Opens the reader `name` names and turns its field on; null (and the reason
    // logged) when the device does not open or no reader answers on it.
    static std::shared_ptr<ReaderDevice> open(const DeviceName &name);
    // Powers the field's card down and closes the line.
    ~ReaderDevice();
    ReaderDevice(const ReaderDevice &) = delete;
    ReaderDevice &operator=(const ReaderDevice &) = delete;

    // IFD_ICC_PRESENT or IFD_ICC_NOT_PRESENT, after a look at the slot when the line
    // is free and the slot is due for one.
    RESPONSECODE presence(int slot);
    // IFD_POWER_UP, IFD_RESET (the card activated again) or IFD_POWER_DOWN.
    RESPONSECODE power(int slot, DWORD action, Bytes &atr);
    RESPONSECODE transmit(int slot, ByteView apdu, Bytes &response);

    // The field slot's event wait: returns when there is news for IFDHICCPresence,
    // when `timeout` has passed, or when stop_waiting() was called. IFD_SUCCESS.
    RESPONSECODE wait_for_field_event(std::chrono::milliseconds timeout);
    void stop_waiting();

    Bytes atr(int slot) const;
    // As the slot's last look found, without a new one.
    bool holds_card(int slot);
    // The longest APDU the slot takes (a longer one is answered with 67 00).
    std::size_t longest_apdu(int slot) const;
    const std::string &path() const { return name_.path; }
    // The reader's model and serial number in hex, empty when it did not tell.
    const std::string &model() const { return model_; }
    const std::string &serial_number() const { return serial_number_; }

private:
    explicit ReaderDevice(DeviceName name);

    // With the line held.
    void look(int slot, Clock::time_point now);
    bool line_ready(Clock::time_point now);
    void start_reader();
    void after_line_use(Clock::time_point now);
    PresenceReport &presence_of(int slot);

    enum class LineState { Up, Silent, Gone };

    DeviceName name_;
    std::mutex line_mutex_;
    ReaderLine line_;
    binding::ReaderApi api_;
    FieldSlot field_;
    SamSlot sam_;
    LineState line_state_ = LineState::Up;
    Clock::time_point last_reopen_{};
    std::string model_;
    std::string serial_number_;
};

}  // namespace pcsc
