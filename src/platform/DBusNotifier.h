#pragma once

#include "core/common/PlatformServices.h"

#include <QDBusConnection>

namespace vantrel {

// The desktop's own ways of telling over the session bus: notifications
// through org.freedesktop.Notifications, and the progress mark of the
// program's task-bar or dock entry through the com.canonical.Unity.LauncherEntry
// signal (read by KDE, Plank, Dock and Dash-to-Dock). Nothing waits for an
// answer; without a bus or a notification service nothing is shown.
class DBusNotifier : public DesktopNotifier
{
public:
    // The desktop entry the program is known by ("vantrel.desktop").
    static constexpr char kDesktopEntry[] = "vantrel";

    explicit DBusNotifier(QDBusConnection bus = QDBusConnection::sessionBus());

    void showProgress(std::optional<double> done) override;
    void notify(const QString &summary, const QString &body, bool warning) override;

private:
    QDBusConnection m_bus;
};

} // namespace vantrel
