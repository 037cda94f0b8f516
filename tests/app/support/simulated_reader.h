#pragma once

// The whole road for the application tests: reader-sim on a pseudo-terminal, the
// transport pointed at it as port 1, and the built reader library bound by
// ordinal into a ReaderApi, as the application binds it.

#include <QString>

#include <string>
#include <vector>

#include "shell/reader_library.h"
#include "sim_process.h"

namespace app_test {

class SimulatedReader {
public:
    // Starts reader-sim with these arguments and points port 1 at it. The
    // simulator ends with this object.
    explicit SimulatedReader(const std::vector<std::string> &arguments);
    ~SimulatedReader();

    bool ready() const { return !simulator_.device().empty() && library_.loaded(); }
    const binding::ReaderApi &api() const { return library_.api(); }
    // The simulator's control commands (insert, remove, save, load, ...).
    test_support::SimProcess &simulator() { return simulator_; }
    QString why_not() const { return why_not_; }

private:
    test_support::SimProcess simulator_;
    QString why_not_;
    tilvane::ReaderLibrary library_;
};

}  // namespace app_test
