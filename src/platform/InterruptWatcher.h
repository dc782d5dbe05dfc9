#pragma once

#include <QObject>

class QSocketNotifier;

namespace vantrel {

// Turns the requests to end a program (Ctrl+C's SIGINT, SIGTERM, and SIGHUP
// when its terminal or session goes) into a Qt signal on the event loop, so
// that the program ends as cleanly as when the user asks it to.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(QObject *parent = nullptr);
    ~InterruptWatcher() override;

    // Who asked: the user at the terminal (Ctrl+C), or the system ending
    // the program (SIGTERM) or its terminal (SIGHUP).
    enum class Reason
    {
        UserInterrupt,
        Terminate,
        HangUp
    };

    // The exit code a program ended by that request returns: 128 + the signal.
    static int exitCode(Reason reason);

Q_SIGNALS:
    // `count`: 1 for the first request, 2 for the next...
    void interrupted(int count, vantrel::InterruptWatcher::Reason reason);

private:
    QSocketNotifier *m_notifier = nullptr;
    int m_count = 0;
};

} // namespace vantrel
