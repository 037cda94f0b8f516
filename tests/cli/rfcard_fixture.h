#pragma once

// rfcard run as its users run it: the program of the build's bin/ as a child
// process, against reader-sim on port 1, with its files and its remembered keys
// in a directory of the test's own.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cardkit/dump.h"
#include "program_run.h"
#include "running_program.h"
#include "sim_process.h"

namespace rfcard_test {

class RfcardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts reader-sim with `cards` (and `options`) and points port 1 at it.
    void start_reader(const std::vector<std::string> &cards,
                      const std::vector<std::string> &options = {});
    // The same at the pace of a real line, each card command and memory access
    // taking `turnaround_ms`: slow enough to act while rfcard works.
    void start_paced_reader(const std::vector<std::string> &cards, int turnaround_ms);

    test_support::ProgramRun rfcard(const std::vector<std::string> &arguments,
                                    const std::string &input = {});
    // rfcard left running, its progress drawn on a terminal (running_program.h).
    std::unique_ptr<test_support::RunningProgram> start_rfcard(
        const std::vector<std::string> &arguments, const std::string &input = {});
    // rfcard --json ...; its document, the exit status checked first.
    nlohmann::json rfcard_json(const std::vector<std::string> &arguments, int expected_status);

    // A file of the test's directory.
    std::string path(const std::string &name) const { return (directory_ / name).string(); }
    void write_file(const std::string &name, const std::string &content) const;
    cardkit::CardDump read_dump(const std::string &name) const;
    // The directory the keys of each card are remembered in.
    std::filesystem::path key_memory() const;

    std::filesystem::path directory_;
    test_support::SimProcess sim_;
};

}  // namespace rfcard_test
