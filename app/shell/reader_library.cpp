#include "shell/reader_library.h"

#include <QCoreApplication>
#include <algorithm>

namespace tilvane {

bool UsedByApplication(std::uint16_t ordinal) {
    // The two-byte request, the display and the reader's flash have no page.
    return ordinal < 72 || ordinal > 75;
}

QString ReaderLibrary::DefaultPath() {
    return QString::fromStdString(binding::ReaderLibrary::file_in(
        QCoreApplication::applicationDirPath().toStdString()));
}

bool ReaderLibrary::Load(const QString &path) {
    Unload();
    if (!library_.load(path.toStdString())) return false;
    const auto &missing = library_.missing();
    const auto first = std::find_if(missing.begin(), missing.end(), UsedByApplication);
    missing_ordinal_ = first == missing.end() ? 0 : *first;
    return missing_ordinal_ == 0;
}

void ReaderLibrary::Unload() {
    missing_ordinal_ = 0;
    library_.unload();
}

}  // namespace tilvane
