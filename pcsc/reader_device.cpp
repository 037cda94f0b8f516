#include "reader_device.h"

#include <algorithm>
#include <cstring>

#include "binding/result_meaning.h"
#include "driver_log.h"
#include "linked_library.h"
#include "selmek_results.h"

namespace pcsc {

namespace {

std::string hex(const std::uint8_t *bytes, std::size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

// The device is no longer there, as opposed to a reader that is silent.
bool device_gone(std::int32_t fault) {
    return fault == SELMEK_ERR_DEVICE_GONE || fault == SELMEK_ERR_IO ||
           fault == SELMEK_ERR_NOT_OPEN || fault == SELMEK_ERR_WRITE_FAILED;
}

std::string transport_text(std::int32_t result) { return binding::result_meaning("", result).text; }

}  // namespace

ReaderDevice::ReaderDevice(DeviceName name)
    : name_(std::move(name)), api_(linked_reader_api()), field_(api_), sam_(api_, name_.sam_rate) {}

std::shared_ptr<ReaderDevice> ReaderDevice::open(const DeviceName &name) {
    std::shared_ptr<ReaderDevice> device(new ReaderDevice(name));
    std::lock_guard<std::mutex> lock(device->line_mutex_);
    const ReaderLine::Opening opening = device->line_.open(name.path, name.rate);
    if (opening.system_error != 0) {
        log_message(LogLevel::Error,
                    name.path + " does not open: " + std::strerror(opening.system_error));
        return nullptr;
    }
    if (opening.probe_result != 0) {
        log_message(LogLevel::Error, "no reader answers on " + name.path +
                                         " at any rate: " + transport_text(opening.probe_result));
        return nullptr;
    }
    ReaderLine::ServingThread serving(device->line_);
    std::uint8_t model[2] = {};
    if (device->api_.rf_get_model(kReaderAddress, model) == 0) device->model_ = hex(model, 2);
    std::uint8_t serial[8] = {};
    if (device->api_.rf_get_snr(kReaderAddress, serial) == 0) {
        device->serial_number_ = hex(serial, 8);
    }
    device->start_reader();
    device->line_.take_health();
    log_message(LogLevel::Info, "reader on " + name.path + " at " +
                                    std::to_string(device->line_.rate()) + " baud, model " +
                                    device->model_ + ", serial number " + device->serial_number_);
    return device;
}

ReaderDevice::~ReaderDevice() {
    std::lock_guard<std::mutex> lock(line_mutex_);
    if (line_.is_open()) {
        ReaderLine::ServingThread serving(line_);
        field_.power_down();
    }
    line_.close();
}

void ReaderDevice::start_reader() {
    api_.rf_antenna_sta(kReaderAddress, 1);
    field_.line_lost();
    sam_.line_lost();
}

bool ReaderDevice::line_ready(Clock::time_point now) {
    if (line_.is_open()) return true;
    if (now - last_reopen_ < kReopenInterval) return false;
    last_reopen_ = now;
    if (!line_.open(name_.path, name_.rate).ok()) return false;
    start_reader();
    line_.take_health();
    line_state_ = LineState::Up;
    log_message(LogLevel::Info, "the reader on " + name_.path + " is back at " +
                                    std::to_string(line_.rate()) + " baud");
    return true;
}

void ReaderDevice::after_line_use(Clock::time_point now) {
    const ReaderLine::Health health = line_.take_health();
    if (health.fault == 0) {
        if (health.answered && line_state_ != LineState::Up) {
            line_state_ = LineState::Up;
            log_message(LogLevel::Info, "the reader on " + name_.path + " answers again");
        }
        return;
    }
    // Whatever the slots' cards were doing, it is not known now.
    field_.line_lost();
    sam_.line_lost();
    if (device_gone(health.fault)) {
        line_.close();
        last_reopen_ = now;
        if (line_state_ != LineState::Gone) {
            log_message(LogLevel::Error, "the reader on " + name_.path + " went away (" +
                                             transport_text(health.fault) +
                                             "); trying it again every few seconds");
        }
        line_state_ = LineState::Gone;
    } else if (line_state_ == LineState::Up) {
        line_state_ = LineState::Silent;
        log_message(LogLevel::Error,
                    "the reader on " + name_.path + " fails: " + transport_text(health.fault));
    }
}

void ReaderDevice::look(int slot, Clock::time_point now) {
    ReaderLine::ServingThread serving(line_);
    if (!line_ready(now)) return;
    if (slot == kFieldSlot) {
        field_.look(now);
    } else {
        sam_.look(now);
    }
    after_line_use(now);
}

PresenceReport &ReaderDevice::presence_of(int slot) {
    return slot == kFieldSlot ? field_.presence() : sam_.presence();
}

RESPONSECODE ReaderDevice::presence(int slot) {
    {
        std::unique_lock<std::mutex> line(line_mutex_, std::try_to_lock);
        if (line) {
            const Clock::time_point now = Clock::now();
            if (slot != kFieldSlot || now >= field_.next_look()) look(slot, now);
        }
    }
    return presence_of(slot).report() ? IFD_ICC_PRESENT : IFD_ICC_NOT_PRESENT;
}

RESPONSECODE ReaderDevice::power(int slot, DWORD action, Bytes &atr) {
    atr.clear();
    std::lock_guard<std::mutex> lock(line_mutex_);
    const Clock::time_point now = Clock::now();
    ReaderLine::ServingThread serving(line_);
    RESPONSECODE result = IFD_SUCCESS;
    switch (action) {
        case IFD_POWER_UP:
        case IFD_RESET:
            if (!line_.is_open()) return IFD_COMMUNICATION_ERROR;
            result = slot == kFieldSlot ? field_.power_up(atr) : sam_.power_up(atr);
            break;
        case IFD_POWER_DOWN:
            if (slot == kFieldSlot) {
                field_.power_down();
            } else {
                sam_.power_down();
            }
            break;
        default:
            return IFD_NOT_SUPPORTED;
    }
    after_line_use(now);
    return result;
}

RESPONSECODE ReaderDevice::transmit(int slot, ByteView apdu, Bytes &response) {
    response.clear();
    std::lock_guard<std::mutex> lock(line_mutex_);
    const Clock::time_point now = Clock::now();
    if (!line_.is_open()) return IFD_COMMUNICATION_ERROR;
    ReaderLine::ServingThread serving(line_);
    const RESPONSECODE result =
        slot == kFieldSlot ? field_.transmit(apdu, response) : sam_.transmit(apdu, response);
    after_line_use(now);
    return result;
}

RESPONSECODE ReaderDevice::wait_for_field_event(std::chrono::milliseconds timeout) {
    PresenceReport &report = field_.presence();
    const Clock::time_point deadline = Clock::now() + std::max(timeout, decltype(timeout)::zero());
    while (!report.stopped() && !report.changed()) {
        Clock::time_point next = Clock::now() + FieldSlot::kLookInterval;
        {
            std::unique_lock<std::mutex> line(line_mutex_, std::try_to_lock);
            if (line) {
                const Clock::time_point now = Clock::now();
                if (now >= field_.next_look()) look(kFieldSlot, now);
                // No look while the line is away: wait the interval.
                next = std::max(field_.next_look(), now + FieldSlot::kLookInterval / 2);
            }
        }
        if (report.changed() || Clock::now() >= deadline) break;
        report.wait(std::min(deadline, next));
    }
    return IFD_SUCCESS;
}

void ReaderDevice::stop_waiting() { field_.presence().stop(); }

Bytes ReaderDevice::atr(int slot) const { return slot == kFieldSlot ? field_.atr() : sam_.atr(); }

bool ReaderDevice::holds_card(int slot) { return presence_of(slot).holds_card(); }

std::size_t ReaderDevice::longest_apdu(int slot) const {
    return slot == kFieldSlot ? FieldSlot::longest_apdu() : SamSlot::kLongestApdu;
}

}  // namespace pcsc
