#pragma once

// The whole road for the application tests: reader-sim on a pseudo-terminal, the
// transport pointed at it as port 1, and the built reader library bound by
// ordinal into a ReaderApi, as the application binds it.

#include <QProcess>
#include <QString>
#include <QStringList>

#include "app/shell/reader_library.h"

namespace app_test {

class SimulatedReader {
public:
    // Starts reader-sim with these arguments and points port 1 at it. The
    // simulator ends with this object (its standard input closes).
    explicit SimulatedReader(const QStringList &arguments);
    ~SimulatedReader();

    bool ready() const { return !device_.isEmpty() && library_.loaded(); }
    QString device() const { return device_; }
    const tilvane::ReaderApi &api() const { return library_.api(); }
    QString why_not() const { return why_not_; }

private:
    QProcess simulator_;
    QString device_;
    QString why_not_;
    tilvane::ReaderLibrary library_;
};

}  // namespace app_test
