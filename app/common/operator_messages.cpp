#include "common/operator_messages.h"

#include <QApplication>
#include <QPointer>

#include "common/message_table.h"
#include "common/status_band.h"

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

// " ,Function: name"; nothing when there is no name.
QString FunctionPart(const char *function_name) {
    if (function_name == nullptr || *function_name == '\0') return {};
    return QString::fromUtf8(kResultPhrases[kLanguageIndex].separator) +
           QString::fromUtf8(function_name);
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

void ShowFailedResult(std::int32_t status, const char *function_name, const QString &detail) {
    PlayFailureSound();
    Paint(StatusBand::Mark::Error,
          QStringLiteral("Error: %1").arg(static_cast<std::uint32_t>(status), 0, 16) +
              FunctionPart(function_name) + detail);
}

void ShowResult(std::int32_t status, const char *function_name) {
    if (status != 0) {
        ShowFailedResult(status, function_name);
        return;
    }
    const ResultPhrases &phrases = kResultPhrases[kLanguageIndex];
    const QString function = FunctionPart(function_name);
    Paint(StatusBand::Mark::Success, function.isEmpty()
                                         ? QString::fromUtf8(phrases.success)
                                         : QString::fromUtf8(phrases.success_with_name) + function);
}

void ShowError(const QString &text) {
    PlayFailureSound();
    ShowErrorBesideBox(text);
}

void ShowErrorBesideBox(const QString &text) {
    Paint(StatusBand::Mark::Error, QStringLiteral("Error: ") + text);
}

void ShowInfo(const QString &text) {
    Paint(StatusBand::Mark::Success, text);
}

}  // namespace tilvane
