// Tilvane: the operator's application for the contactless card reader.

#include <QApplication>

#include <iostream>

#include "shell/application.h"
#include "shell/program_options.h"
#include "shell/termination_signals.h"

int main(int argc, char *argv[]) {
    // --help and --version answer before any window or lock.
    if (const auto status = tilvane::AnswerProgramOptions(argc, argv, std::cout)) return *status;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tilvane"));
    QApplication::setOrganizationName(QStringLiteral("Velomar"));

    // A session's end sends SIGTERM or SIGHUP: end as when the window closes, so
    // that the port is closed and the settings stored.
    tilvane::TerminationSignals termination;
    QObject::connect(&termination, &tilvane::TerminationSignals::Received,
                     &tilvane::EndAsWindowClosed);

    tilvane::CPranixApp tilvane;
    if (!tilvane.InitInstance()) return tilvane.ExitInstance();
    // A signal taken during the start (in the box of a failed connect) ends the
    // program before its loop.
    const int result = termination.received() ? 0 : QApplication::exec();
    const int end = tilvane.ExitInstance();
    return result != 0 ? result : end;
}
