#pragma once

#include <QObject>

class QSocketNotifier;

namespace vantrel::cli {

// Turns Ctrl+C (SIGINT) and SIGTERM into a Qt signal on the event loop.
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

} // namespace vantrel::cli
