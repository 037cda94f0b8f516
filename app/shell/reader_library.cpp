#include "app/shell/reader_library.h"

#include <QCoreApplication>

namespace tilvane {

QString ReaderLibrary::DefaultPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/libDrovik.so");
}

bool ReaderLibrary::Load(const QString &path) {
    Unload();
    module_ = platform::Module::load(path.toStdString());
    if (!module_.loaded()) return false;
    missing_ordinal_ =
        BindReaderApi([this](std::uint16_t ordinal) { return module_.resolve(ordinal); }, api_);
    return missing_ordinal_ == 0;
}

void ReaderLibrary::Unload() {
    api_ = ReaderApi{};
    missing_ordinal_ = 0;
    module_.unload();
}

}  // namespace tilvane
