#include "platform/LogindPowerOff.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace vantrel {

bool LogindPowerOff::powerOff()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    call << false; // not interactive: no password prompt
    return bus.send(call);
}

} // namespace vantrel
