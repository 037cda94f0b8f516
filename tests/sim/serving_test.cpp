// The serving loop on a real pseudo-terminal, with a client on the slave side as
// the transport would be: answers only at the reader's rate, the set-baud switch,
// clients that come and go.

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "protocol/baud_rates.h"
#include "pty_port.h"
#include "reader_control.h"
#include "serve_loop.h"
#include "sim/line_speed.h"
#include "sim/wire_frame.h"
#include "sim_reader.h"

namespace {

using namespace sim_test;
using namespace std::chrono_literals;

const Bytes kGetModel = request_frame(Command::GetModel);
const Bytes kModelAnswer = sim::encode_response(0, 0x04, 0, Bytes{0x02, 0x10});

class Client {
  public:
    explicit Client(const std::string &path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {}
    ~Client() { close(); }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    int fd() const { return fd_; }
    bool set_rate(unsigned rate) { return sim::set_raw_line(fd_, rate); }
    void send(const Bytes &bytes) {
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    // Whatever arrives within `wait`, up to one response frame.
    Bytes receive(std::chrono::milliseconds wait = 500ms) {
        Bytes got;
        arrivals_.clear();
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd in{fd_, POLLIN, 0};
            if (::poll(&in, 1, 20) <= 0) {
                if (complete(got)) break;
                continue;
            }
            std::uint8_t buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) got.insert(got.end(), buffer, buffer + n);
            if (n > 0) arrivals_.push_back({std::chrono::steady_clock::now(), got.size()});
        }
        return got;
    }
    // When the last receive() had how many bytes in.
    struct Arrival {
        std::chrono::steady_clock::time_point at;
        std::size_t count;
    };
    const std::vector<Arrival> &arrivals() const { return arrivals_; }

  private:
    static bool complete(const Bytes &got) {
        if (got.size() < 3) return false;
        Bytes copy = got;
        std::size_t unescaped = 2;
        for (std::size_t i = 2; i < copy.size(); ++i, ++unescaped) {
            if (copy[i] == 0xAA) ++i;
        }
        return unescaped >= static_cast<std::size_t>(got[2]) + 4;
    }
    int fd_;
    std::vector<Arrival> arrivals_;
};

class Serving : public ::testing::Test {
  protected:
    // With control commands through pipes of the test's, as a parent gives them.
    void start(unsigned rate, std::optional<sim::Turnarounds> realtime = std::nullopt) {
        std::string error;
        auto port = sim::PtyPort::open(rate, error);
        ASSERT_TRUE(port) << error;
        port_.emplace(std::move(*port));
        reader_ = std::make_unique<sim::VirtualReader>(sim::make_field({"mifare1k"}), rate);
        control_ = std::make_unique<sim::ReaderControl>(*reader_);
        ASSERT_EQ(::pipe(stop_), 0);
        ASSERT_EQ(::pipe(commands_), 0);
        ASSERT_EQ(::pipe(answers_), 0);
        sim::ServeOptions options;
        options.stop_fd = stop_[0];
        options.parent_fd = commands_[0];
        options.control = control_.get();
        options.answer_fd = answers_[1];
        options.realtime = realtime;
        thread_ = std::thread([this, options] { served_ = sim::serve(*port_, *reader_, options); });
    }
    void TearDown() override {
        if (thread_.joinable()) {
            const char byte = 1;
            EXPECT_EQ(::write(stop_[1], &byte, 1), 1);
            thread_.join();
            EXPECT_TRUE(served_);
        }
        for (int fd : {stop_[0], stop_[1], commands_[0], commands_[1], answers_[0], answers_[1]})
            if (fd >= 0) ::close(fd);
    }
    const std::string &path() const { return port_->slave_path(); }

    void send_command(const std::string &line) {
        const std::string text = line + "\n";
        ASSERT_EQ(::write(commands_[1], text.data(), text.size()), ssize_t(text.size()));
    }
    // The next answer line, or what came of it within a second.
    std::string answer() {
        std::string line;
        char c = 0;
        pollfd in{answers_[0], POLLIN, 0};
        while (::poll(&in, 1, 1000) > 0 && ::read(answers_[0], &c, 1) == 1 && c != '\n')
            line.push_back(c);
        return line;
    }
    std::string command(const std::string &line) {
        send_command(line);
        return answer();
    }

    std::optional<sim::PtyPort> port_;
    std::unique_ptr<sim::VirtualReader> reader_;
    std::unique_ptr<sim::ReaderControl> control_;
    int stop_[2] = {-1, -1};
    int commands_[2] = {-1, -1};
    int answers_[2] = {-1, -1};
    std::thread thread_;
    bool served_ = false;
};

TEST_F(Serving, AnswersOnlyWhileTheLineIsAtTheReadersRate) {
    start(38400);
    Client client(path());
    ASSERT_TRUE(client.set_rate(115200));
    client.send(kGetModel);
    EXPECT_TRUE(client.receive(300ms).empty());
    ASSERT_TRUE(client.set_rate(38400));
    client.send(kGetModel);
    EXPECT_EQ(client.receive(), kModelAnswer);
}

TEST_F(Serving, SetBaudIsAnsweredAtTheOldRateAndThenTheReaderFollowsIt) {
    start(9600);
    Client client(path());
    ASSERT_TRUE(client.set_rate(9600));
    client.send(request_frame(Command::SetBaud, {2}));  // 14400, a rate without a Bxxx constant
    EXPECT_EQ(client.receive(), sim::encode_response(0, 0x01, 0, {}));
    client.send(kGetModel);
    EXPECT_TRUE(client.receive(300ms).empty());
    ASSERT_TRUE(client.set_rate(14400));
    EXPECT_EQ(sim::read_line_speed(client.fd()), 14400u);
    client.send(kGetModel);
    EXPECT_EQ(client.receive(), kModelAnswer);
}

TEST_F(Serving, AFrameInPiecesIsAnsweredAndAnAbandonedOneIsForgotten) {
    start(9600);
    Client client(path());
    ASSERT_TRUE(client.set_rate(9600));
    client.send(Bytes(kGetModel.begin(), kGetModel.begin() + 3));
    std::this_thread::sleep_for(50ms);
    client.send(Bytes(kGetModel.begin() + 3, kGetModel.end()));
    EXPECT_EQ(client.receive(), kModelAnswer);

    // Half a frame, then silence: the reader drops it and takes the next request
    // as a frame of its own.
    client.send(Bytes(kGetModel.begin(), kGetModel.begin() + 5));
    std::this_thread::sleep_for(400ms);
    client.send(kGetModel);
    EXPECT_EQ(client.receive(), kModelAnswer);
}

// Paced, no byte of an answer comes sooner than the line could bring it: the
// request's bytes, the turnaround, then the answer's bytes up to that one. Strict
// that way; a loaded machine may be late.
TEST_F(Serving, APacedAnswerComesNoSoonerThanTheLineCouldBringIt) {
    const sim::Turnarounds turnarounds;
    start(9600, turnarounds);
    Client client(path());
    ASSERT_TRUE(client.set_rate(9600));
    const struct {
        const char *what;
        Bytes request;
        std::size_t answer_size;
    } cases[] = {
        {"a 250-byte flash read", request_frame(Command::FlashRead, {0, 0, 0, 250}), 259},
        // Answered at 9600, the rate it came at, before the reader follows it.
        {"set-baud to 115200", request_frame(Command::SetBaud, {7}), 9},
    };
    for (const auto &paced : cases) {
        SCOPED_TRACE(paced.what);
        const auto sent = std::chrono::steady_clock::now();
        client.send(paced.request);
        ASSERT_EQ(client.receive(1500ms).size(), paced.answer_size);
        const auto before_answer =
            protocol::wire_time(paced.request.size(), 9600) + turnarounds.reader;
        for (const auto &arrival : client.arrivals()) {
            ASSERT_GE(arrival.at - sent, before_answer + protocol::wire_time(arrival.count, 9600))
                << arrival.count << " bytes in";
        }
        EXPECT_LT(client.arrivals().back().at - sent,
                  before_answer + protocol::wire_time(paced.answer_size, 9600) + 500ms);
    }
}

int exclusive_flag(int fd) {
    int exclusive = -1;
    EXPECT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
    return exclusive;
}

// Waits a little for the serving thread to take in a close.
int exclusive_flag_after_close(int fd, int expected) {
    int exclusive = exclusive_flag(fd);
    for (int i = 0; i < 50 && exclusive != expected; ++i) {
        std::this_thread::sleep_for(20ms);
        exclusive = exclusive_flag(fd);
    }
    return exclusive;
}

TEST_F(Serving, AnExclusiveModeLeftBehindByAGoneClientIsCleared) {
    start(9600);
    {
        Client first(path());
        ASSERT_TRUE(first.set_rate(9600));
        ASSERT_EQ(::ioctl(first.fd(), TIOCEXCL), 0);
        first.send(kGetModel);
        EXPECT_EQ(first.receive(), kModelAnswer);
    }
    EXPECT_EQ(exclusive_flag_after_close(port_->slave(), 0), 0);
    Client second(path());
    ASSERT_GE(second.fd(), 0);
    ASSERT_TRUE(second.set_rate(9600));
    second.send(kGetModel);
    EXPECT_EQ(second.receive(), kModelAnswer);
}

TEST_F(Serving, TheExclusiveModeOfAClientStillThereStays) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root opens a line held in exclusive mode";
    start(9600);
    Client holder(path());
    ASSERT_EQ(::ioctl(holder.fd(), TIOCEXCL), 0);
    {
        // A second opener (root gets past the exclusive mode) looks and goes.
        Client visitor(path());
        ASSERT_GE(visitor.fd(), 0);
    }
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(exclusive_flag(port_->slave()), 1);
}

// ---- Faults of the line, armed by control commands -------------------------------

TEST_F(Serving, EachFaultHitsTheNextAnswerOnly) {
    start(9600);
    Client client(path());
    ASSERT_TRUE(client.set_rate(9600));

    ASSERT_EQ(command("fault garbage 5"), "ok");
    client.send(kGetModel);
    const Bytes junk_first = client.receive();
    ASSERT_EQ(junk_first.size(), 5 + kModelAnswer.size());
    EXPECT_EQ(std::count(junk_first.begin(), junk_first.begin() + 5, 0xAA), 0)
        << "junk that starts no frame";
    EXPECT_EQ(Bytes(junk_first.begin() + 5, junk_first.end()), kModelAnswer);

    ASSERT_EQ(command("fault drop"), "ok");
    client.send(kGetModel);
    EXPECT_EQ(client.receive(), Bytes(kModelAnswer.begin(), kModelAnswer.begin() + 5));

    ASSERT_EQ(command("fault silent 300"), "ok");
    client.send(kGetModel);
    EXPECT_TRUE(client.receive(200ms).empty());
    std::this_thread::sleep_for(150ms);
    client.send(kGetModel);
    EXPECT_EQ(client.receive(), kModelAnswer);
}

TEST_F(Serving, AnUnplugHangsTheClientUpAndTheDeviceGoesWhileCommandsStillWork) {
    start(9600);
    Client client(path());
    ASSERT_TRUE(client.set_rate(9600));
    ASSERT_EQ(command("fault unplug"), "ok");
    pollfd hang_up{client.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&hang_up, 1, 0), 1);
    EXPECT_TRUE(hang_up.revents & POLLHUP);
    std::uint8_t byte = 0;
    const ssize_t got = ::read(client.fd(), &byte, 1);
    EXPECT_TRUE(got == 0 || (got < 0 && errno == EIO)) << "read " << got;
    client.close();
    EXPECT_LT(::open(path().c_str(), O_RDWR | O_NOCTTY), 0) << "the device is gone";
    EXPECT_EQ(command("cards"), "ok 1 mifare1k 5A3C71E2");
    EXPECT_EQ(command("fault unplug").substr(0, 6), "error ");
}

TEST_F(Serving, ACommandThatComesDuringAPacedAnswerTakesEffectAfterIt) {
    start(9600, sim::Turnarounds{});
    Client client(path());
    ASSERT_TRUE(client.set_rate(9600));
    // 259 bytes: about 270 ms on the line.
    client.send(request_frame(Command::FlashRead, {0, 0, 0, 250}));
    std::this_thread::sleep_for(50ms);
    send_command("fault drop");
    EXPECT_EQ(client.receive(1500ms).size(), 259u);
    EXPECT_EQ(answer(), "ok");
    client.send(kGetModel);
    EXPECT_EQ(client.receive(), Bytes(kModelAnswer.begin(), kModelAnswer.begin() + 5));
}

}  // namespace
