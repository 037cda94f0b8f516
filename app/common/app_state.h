#pragma once

// The state the whole application shares: the family on show, the port and rate
// of the next connect, whether a port is open, the table of library calls, and
// who holds the reader for card work off the GUI thread. The shell and the
// settings dialog change it; pages read it.

#include <QObject>
#include <QString>

#include <functional>

#include "binding/reader_api.h"

namespace tilvane {

// The ports the operator can choose: 1 to 4 (COM1 to COM4).
inline constexpr int kLastComPort = 4;

class AppState : public QObject {
    Q_OBJECT
public:
    explicit AppState(QObject *parent = nullptr);

    // The library's entry points. While the exchange log's window is open the
    // GUI thread swaps in a table of logging thunks (common/logged_api.h): pages
    // read it at each call; a worker thread takes a copy before it starts.
    binding::ReaderApi api;
    int card_family = 0;
    int com_port = 1;
    int baud_rate = 1;

    // Waits between the steps of a card search; tests replace it to run fast.
    std::function<void(unsigned milliseconds)> sleep_ms;

    bool connected() const { return connected_; }
    void set_connected(bool connected);

    // The rate of the stored baud index.
    std::int32_t baud() const;

    // Opens the port of `com_port` at the rate of `baud_rate` (rf_init_com); on
    // failure closes it again. Sets the connection flag either way and returns
    // the library's status; reporting is the caller's.
    std::int32_t OpenPort();
    // Closes the port (rf_ClosePort) and clears the connection flag.
    void ClosePort();

    // The transport carries one exchange at a time and the pages work on the GUI
    // thread, so card work on another thread (the workbench) holds the reader for
    // its whole run: the main window then takes no reader command until it is
    // released. `holder` says what holds it, in words for the operator. False,
    // and nothing changes, when the reader is held already.
    bool ClaimReader(const QString &holder);
    void ReleaseReader();
    bool reader_busy() const { return !reader_holder_.isEmpty(); }
    const QString &reader_holder() const { return reader_holder_; }

signals:
    void connection_changed(bool connected);
    void reader_busy_changed(bool busy);

private:
    bool connected_ = false;
    QString reader_holder_;
};

}  // namespace tilvane
