// Tilvane: the operator's application for the contactless card reader.

#include <QApplication>

#include "app/shell/application.h"

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tilvane"));
    QApplication::setOrganizationName(QStringLiteral("Velomar"));

    tilvane::CPranixApp tilvane;
    if (!tilvane.InitInstance()) return tilvane.ExitInstance();
    const int result = QApplication::exec();
    const int end = tilvane.ExitInstance();
    return result != 0 ? result : end;
}
