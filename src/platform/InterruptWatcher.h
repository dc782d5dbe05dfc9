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

Q_SIGNALS:
    void interrupted(int count); // 1 for the first one, 2 for the next...

private:
    QSocketNotifier *m_notifier = nullptr;
    int m_count = 0;
};

} // namespace vantrel
