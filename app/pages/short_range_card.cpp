#include "pages/short_range_card.h"

#include <QLineEdit>

#include "common/hex_text.h"
#include "common/message_box.h"
#include "common/message_table.h"
#include "common/operator_messages.h"
#include "pages/call_checks.h"
#include "pages/card_search.h"
#include "common/app_state.h"

namespace tilvane {

namespace {

// Antenna off, protocol 's', 10 ms, antenna on.
constexpr FieldSteps kSearchSteps{protocol::kProtocolShortRange, 0, 10, 0};

}  // namespace

bool SearchShortRangeCard(const AppState &state, QLineEdit *chip_id,
                          const std::function<void()> &clear_blocks) {
    chip_id->clear();
    if (!RequireConnection(state)) return false;
    std::uint8_t found = 0;
    const auto select = [&] {
        return CallSucceeded(state.api.rf_st_select(kReaderAddress, &found), "rf_st_select");
    };
    if (!SearchCard(state, kSearchSteps, 2, select)) return false;
    clear_blocks();
    SetHexText(chip_id, &found, 1);
    ShowInfo(Message(kMsgSearchCardSuccess));
    return true;
}

void WriteLockRegister(QWidget *page, const AppState &state, const QLineEdit *value,
                       const std::function<std::int32_t(std::uint8_t)> &write,
                       const char *function_name) {
    if (!RequireConnection(state)) return;
    const auto byte = ExactHexBytes(value, 1);
    if (!byte) return;
    if (!ConfirmWrite(page, Message(kMsgConfirmLockBlock), QMessageBox::Question)) return;
    if (!CallSucceeded(write(byte->front()), function_name)) return;
    ShowInfo(Message(kMsgLockBlockSuccess));
}

}  // namespace tilvane
