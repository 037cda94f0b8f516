#pragma once

// The pseudo-terminal the program serves the reader on. The program keeps the
// slave side open itself: the master then never reads EIO when a client closes
// the device, and the slave's line settings (which a client sets) can be read at
// any time.

#include <optional>
#include <string>

namespace sim {

class PtyPort {
  public:
    // Opens a new pseudo-terminal, raw at `rate`. nullopt with `error` set on failure.
    static std::optional<PtyPort> open(unsigned rate, std::string &error);

    PtyPort(PtyPort &&other) noexcept;
    PtyPort &operator=(PtyPort &&) = delete;
    PtyPort(const PtyPort &) = delete;
    ~PtyPort();

    // Hangs up as an unplugged adapter does: the client's poll gets POLLHUP, its
    // read ends (0 or EIO), and the device goes away. master(), slave() and close_watch() are
    // -1 from then on.
    void hang_up();
    bool hung_up() const { return master_ < 0; }

    int master() const { return master_; }
    int slave() const { return slave_; }
    const std::string &slave_path() const { return slave_path_; }
    // A file descriptor that turns readable when a client closes the device (an
    // inotify watch on it); -1 when the system cannot watch it.
    int close_watch() const { return close_watch_; }
    // Empties the close watch; true when a client closed the device since.
    bool client_closed();

    std::optional<unsigned> line_speed() const;
    // Exclusive mode (TIOCEXCL) belongs to the terminal, not to a descriptor: a
    // client that ends without undoing it leaves it behind while this program
    // holds the slave, and the next client could not open the device. Called when
    // a client has closed the device: clears the flag when no one else holds it.
    void release_exclusive_if_unused() const;

  private:
    PtyPort() = default;

    int master_ = -1;
    int slave_ = -1;
    int close_watch_ = -1;
    std::string slave_path_;
};

}  // namespace sim
