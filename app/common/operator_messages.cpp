#include "app/common/operator_messages.h"

#include <QApplication>
#include <QPointer>

#include "app/common/message_table.h"
#include "app/common/status_band.h"

namespace tilvane {

namespace {

QPointer<StatusBand> &Band() {
    static QPointer<StatusBand> band;
    return band;
}

std::function<void()> &Sound() {
    static std::function<void()> sound;
    return sound;
}

void PlayFailureSound() {
    if (Sound()) {
        Sound()();
    } else {
        QApplication::beep();
    }
}

void Paint(StatusBand::Mark mark, const QString &text) {
    if (Band()) Band()->Show(mark, text);
}

}  // namespace

void SetStatusBand(StatusBand *band) {
    Band() = band;
}

StatusBand *CurrentStatusBand() {
    return Band();
}

void SetFailureSound(std::function<void()> sound) {
    Sound() = std::move(sound);
}

void ShowFailedResult(std::int32_t status, const char *function_name) {
    const ResultPhrases &phrases = kResultPhrases[kLanguageIndex];
    QString text = QStringLiteral("Error: %1").arg(static_cast<std::uint32_t>(status), 0, 16);
    if (function_name != nullptr && *function_name != '\0') {
        text += QString::fromUtf8(phrases.separator) + QString::fromUtf8(function_name);
    }
    PlayFailureSound();
    Paint(StatusBand::Mark::Error, text);
}

void ShowResult(std::int32_t status, const char *function_name) {
    if (status != 0) {
        ShowFailedResult(status, function_name);
        return;
    }
    const ResultPhrases &phrases = kResultPhrases[kLanguageIndex];
    const bool named = function_name != nullptr && *function_name != '\0';
    if (named) {
        Paint(StatusBand::Mark::Success, QString::fromUtf8(phrases.success_with_name) +
                                             QString::fromUtf8(phrases.separator) +
                                             QString::fromUtf8(function_name));
    } else {
        Paint(StatusBand::Mark::Success, QString::fromUtf8(phrases.success));
    }
}

void ShowError(const QString &text) {
    PlayFailureSound();
    Paint(StatusBand::Mark::Error, QStringLiteral("Error: ") + text);
}

void ShowInfo(const QString &text) {
    Paint(StatusBand::Mark::Success, text);
}

}  // namespace tilvane
