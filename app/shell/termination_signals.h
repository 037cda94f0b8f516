#pragma once

// SIGTERM and SIGHUP, which a session's end (logout, shutdown) or a service
// manager sends, reach the event loop as Received(): the application then ends
// as when its window is closed, settings stored. The handlers only write a byte
// to a pipe that a socket notifier watches; everything else happens in the loop.
// A second signal of the same kind ends the process at once, as without handlers,
// should the orderly end hang (a session's end often sends SIGTERM and SIGHUP
// together: that is one end).

#include <QObject>

class QSocketNotifier;

namespace tilvane {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object per process, made after the application
    // object. The default handling returns when it is destroyed.
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

    // False when the pipe or a handler could not be set up: the signals then end
    // the process as before.
    bool installed() const { return notifier_ != nullptr; }
    // True once a signal has reached the event loop.
    bool received() const { return received_; }

signals:
    void Received();

private:
    void OnPipeReadable();

    QSocketNotifier *notifier_ = nullptr;
    bool received_ = false;
};

// Ends the application as closing its main window does: open dialogs and message
// boxes are closed (as with Escape), then the windows, then the event loop.
void EndAsWindowClosed();

}  // namespace tilvane
