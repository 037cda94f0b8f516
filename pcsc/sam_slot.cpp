#include "sam_slot.h"

#include <array>

#include "card_activation.h"
#include "command_apdu.h"
#include "protocol/frame.h"
#include "protocol/reader_status.h"

namespace pcsc {

namespace {

// rf_init_sam's rate codes.
constexpr std::int32_t kSamRate9600 = 0;
constexpr std::int32_t kSamRate38400 = 1;

}  // namespace

SamSlot::SamSlot(const binding::ReaderApi &api, std::int32_t rate)
    : api_(api), rate_code_(rate == 38400 ? kSamRate38400 : kSamRate9600) {}

std::int32_t SamSlot::reset(Bytes &answer) {
    answer.clear();
    if (const std::int32_t result = api_.rf_init_sam(kReaderAddress, rate_code_); result != 0) {
        return result;
    }
    std::array<std::uint8_t, protocol::kMaxResponseData> buffer{};
    std::uint8_t length = 0;
    const std::int32_t result = api_.rf_sam_rst(kReaderAddress, buffer.data(), &length);
    if (result != 0) return result;
    answer.assign(buffer.begin(), buffer.begin() + length);
    return 0;
}

void SamSlot::look(Clock::time_point now) {
    if (known_) return;
    if (last_try_ && now - *last_try_ < kRetry) return;
    last_try_ = now;
    Bytes answer;
    if (reset(answer) != 0 || answer.empty()) return;
    known_ = true;
    powered_ = false;
    presence_.found();
}

RESPONSECODE SamSlot::power_up(Bytes &atr) {
    atr.clear();
    Bytes answer;
    const std::int32_t result = reset(answer);
    if (result != 0 || answer.empty()) {
        forget();
        return is_line_fault(result) ? IFD_COMMUNICATION_ERROR : IFD_ERROR_POWER_ACTION;
    }
    if (answer.size() > MAX_ATR_SIZE) answer.resize(MAX_ATR_SIZE);
    if (!known_) {
        known_ = true;
        presence_.found();
    }
    powered_ = true;
    atr = answer;
    set_atr(std::move(answer));
    return IFD_SUCCESS;
}

void SamSlot::power_down() {
    // The reader cannot take the SAM's power away; the SAM is reset at the next
    // power-up.
    powered_ = false;
    set_atr({});
}

RESPONSECODE SamSlot::transmit(ByteView apdu, Bytes &response) {
    response.clear();
    if (!powered_) return IFD_COMMUNICATION_ERROR;
    if (apdu.size() < 4 || apdu.size() > kLongestApdu) {
        response = status_only(sw::kWrongLength);
        return IFD_SUCCESS;
    }
    std::array<std::uint8_t, protocol::kMaxResponseData> answer{};
    std::uint8_t length = 0;
    const std::int32_t result =
        api_.rf_sam_cos(kReaderAddress, apdu.data(), static_cast<std::int32_t>(apdu.size()),
                        answer.data(), &length);
    if (result == 0) {
        response.assign(answer.begin(), answer.begin() + length);
        return IFD_SUCCESS;
    }
    if (is_line_fault(result) ||
        result == protocol::status_byte(protocol::ReaderStatus::SamNotReset)) {
        forget();
    }
    return IFD_COMMUNICATION_ERROR;
}

void SamSlot::line_lost() { forget(); }

void SamSlot::forget() {
    known_ = false;
    powered_ = false;
    last_try_.reset();
    set_atr({});
    presence_.gone();
}

Bytes SamSlot::atr() const {
    std::lock_guard<std::mutex> lock(atr_mutex_);
    return atr_;
}

void SamSlot::set_atr(Bytes atr) {
    std::lock_guard<std::mutex> lock(atr_mutex_);
    atr_ = std::move(atr);
}

}  // namespace pcsc
