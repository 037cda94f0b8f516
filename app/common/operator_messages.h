#pragma once

// How outcomes reach the operator: the three functions paint the status band of
// the main window. Reader results never use message boxes.

#include <QString>

#include <cstdint>
#include <functional>

namespace tilvane {

class StatusBand;

// The band the functions paint (the main window registers its own; null when
// none, and then the functions do nothing).
void SetStatusBand(StatusBand *band);
StatusBand *CurrentStatusBand();

// The sound of a failure; tests count it instead of hearing it. An empty hook
// restores the system's beep.
void SetFailureSound(std::function<void()> sound);

// The status of one library call: "Error: %x ,Function: name" with the error mark
// and a sound, or " Operation success ,Function: name" (without a name:
// "Operation success") with the success mark.
void ShowResult(std::int32_t status, const char *function_name = nullptr);
// The failure form whatever the status: a call that returned 0 but brought back an
// answer of the wrong size reads "Error: 0 ,Function: name".
// `detail` follows the text (why a connect failed).
void ShowFailedResult(std::int32_t status, const char *function_name,
                      const QString &detail = {});
// "Error: text", the error mark and the sound.
void ShowError(const QString &text);
// The same without the sound, beside a message box that has already sounded.
void ShowErrorBesideBox(const QString &text);
// The text as it stands, with the success mark.
void ShowInfo(const QString &text);

}  // namespace tilvane
