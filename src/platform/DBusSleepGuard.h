#pragma once

#include "core/common/PlatformServices.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>

#include <optional>

namespace vantrel {

// Keeps the computer awake through logind on the system bus (an inhibitor
// of "sleep:idle" that blocks, held as long as its descriptor is open, so
// that the kernel lets go when the program dies), else through the
// desktop's screen saver on the session bus, which stops at least the idle
// suspend of the desktops that have no logind.
class DBusSleepGuard : public SleepGuard
{
public:
    static constexpr int kAnswerTimeoutMs = 5000;

    explicit DBusSleepGuard(QDBusConnection system = QDBusConnection::systemBus(),
                            QDBusConnection session = QDBusConnection::sessionBus());
    ~DBusSleepGuard() override;

    void hold(const QString &why, Held held) override;
    void release() override;

private:
    void askPortal(int generation);
    void askScreenSaver(int generation);

    QDBusConnection m_system;
    QDBusConnection m_session;
    int m_generation = 0; // a release drops any answer still to come
    QString m_why;
    Held m_held;
    std::optional<QDBusUnixFileDescriptor> m_inhibitor; // logind's: held while open
    std::optional<QDBusObjectPath> m_portalRequest;     // the portal's: held until closed
    std::optional<uint> m_cookie;                       // the screen saver's
};

} // namespace vantrel
