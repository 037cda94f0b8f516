#include "rfcard_fixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cardkit/dump_formats.h"
#include "transport_environment.h"

namespace rfcard_test {

void RfcardTest::SetUp() {
    const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
    directory_ = std::filesystem::temp_directory_path() /
                 ("rfcard-" + std::string(test->test_suite_name()) + "-" + test->name() + "-" +
                  std::to_string(getpid()));
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directories(directory_);
    setenv("XDG_DATA_HOME", (directory_ / "data").c_str(), 1);
    setenv("XDG_STATE_HOME", (directory_ / "state").c_str(), 1);
}

void RfcardTest::TearDown() {
    sim_.stop();
    std::filesystem::remove_all(directory_);
}

void RfcardTest::start_reader(const std::vector<std::string> &cards,
                              const std::vector<std::string> &options) {
    std::vector<std::string> arguments = {"--baud", "115200"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    for (const auto &card : cards) {
        arguments.push_back("--card");
        arguments.push_back(card);
    }
    std::string error;
    ASSERT_TRUE(sim_.start(TILVANE_BIN_DIR "/reader-sim", arguments, error)) << error;
    test_support::use_device(1, sim_.device());
}

void RfcardTest::start_paced_reader(const std::vector<std::string> &cards, int turnaround_ms) {
    const std::string ms = std::to_string(turnaround_ms);
    start_reader(cards,
                 {"--realtime", "--turnaround", "card=" + ms, "--turnaround", "memory=" + ms});
}

std::unique_ptr<test_support::RunningProgram> RfcardTest::start_rfcard(
    const std::vector<std::string> &arguments, const std::string &input) {
    auto program = std::make_unique<test_support::RunningProgram>();
    std::string error;
    EXPECT_TRUE(program->start(TILVANE_BIN_DIR "/rfcard", arguments, error,
                               test_support::RunningProgram::ErrorStream::terminal))
        << error;
    program->write_input(input);
    program->close_input();
    return program;
}

test_support::ProgramRun RfcardTest::rfcard(const std::vector<std::string> &arguments,
                                            const std::string &input) {
    auto run = test_support::run_program(TILVANE_BIN_DIR "/rfcard", arguments, input);
    EXPECT_FALSE(run.timed_out) << "rfcard did not end";
    return run;
}

nlohmann::json RfcardTest::rfcard_json(const std::vector<std::string> &arguments,
                                       int expected_status) {
    std::vector<std::string> with_json = {"--json"};
    with_json.insert(with_json.end(), arguments.begin(), arguments.end());
    const auto run = rfcard(with_json);
    EXPECT_EQ(run.status, expected_status) << run.err;
    return nlohmann::json::parse(run.out, nullptr, false);
}

void RfcardTest::write_file(const std::string &name, const std::string &content) const {
    std::ofstream(path(name), std::ios::binary) << content;
}

cardkit::CardDump RfcardTest::read_dump(const std::string &name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return cardkit::import_dump(content.str(), name);
}

std::filesystem::path RfcardTest::key_memory() const {
    return directory_ / "data" / "Velomar" / "rfcard" / "keys";
}

}  // namespace rfcard_test
