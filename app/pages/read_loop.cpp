#include "pages/read_loop.h"

#include <algorithm>
#include <numeric>

#include "common/message_table.h"
#include "common/operator_messages.h"
#include "pages/call_checks.h"

namespace tilvane {

bool ReadUnits(std::span<const int> units, const std::function<UnitCheck(int unit)> &check,
               const ReadUnitCall &read, const ShowUnit &show) {
    for (const int unit : units) {
        std::uint8_t answer[kAnswerRoom] = {};
        std::uint8_t length = 0;
        const std::int32_t status = read(unit, answer, &length);
        const UnitCheck rule = check(unit);
        const bool size_ok = rule.at_least ? length >= rule.size : length == rule.size;
        if (status != 0 || !size_ok) {
            ShowFailedResult(status, rule.failure_name.toUtf8().constData());
            return false;
        }
        show(unit, std::span<const std::uint8_t>(answer, length));
    }
    return true;
}

bool ReadUnits(std::span<const int> units, int size, int failure_message, const ReadUnitCall &read,
               const ShowUnit &show) {
    const auto check = [size, failure_message](int unit) {
        return UnitCheck{size, false, Message(failure_message, unit)};
    };
    return ReadUnits(units, check, read, show);
}

std::vector<int> NumbersFrom(int first, int last) {
    std::vector<int> numbers(static_cast<std::size_t>(std::max(0, last - first + 1)));
    std::iota(numbers.begin(), numbers.end(), first);
    return numbers;
}

}  // namespace tilvane
