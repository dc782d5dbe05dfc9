#pragma once

#include "core/common/PlatformServices.h"
#include "core/convert/batch/BatchRun.h"

#include <QObject>

#include <functional>

namespace vantrel {

// Shows a batch on the desktop: its progress on the program's entry in the
// task bar or dock while it runs, and, when it ends while the user looks
// elsewhere (the window not active), a notification saying how it ended. A
// cancelled batch is not announced: the user ended it.
class BatchOnDesktop : public QObject
{
    Q_OBJECT

public:
    // Whether the user sees the window now.
    using Watching = std::function<bool()>;

    // Null: nothing is shown.
    explicit BatchOnDesktop(DesktopNotifier *notifier, QObject *parent = nullptr);
    // A batch still running as the program ends takes its mark with it.
    ~BatchOnDesktop() override;

    void follow(BatchRun &batch);
    void setWatching(Watching watching) { m_watching = std::move(watching); }

    // The notification's text under its summary: the counts, and where to
    // read why when a row failed.
    static QString notificationBody(const BatchOutcome &outcome);

private:
    void onFinished(const BatchOutcome &outcome);

    DesktopNotifier *m_notifier;
    Watching m_watching;
    bool m_running = false;
    int m_percent = -1; // last shown
};

} // namespace vantrel
