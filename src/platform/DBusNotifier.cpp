#include "platform/DBusNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QVariantMap>

namespace vantrel {

DBusNotifier::DBusNotifier(QDBusConnection bus) : m_bus(std::move(bus)) {}

void DBusNotifier::showProgress(std::optional<double> done)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage update = QDBusMessage::createSignal(
        QStringLiteral("/com/canonical/unity/launcherentry/vantrel"),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    update << QStringLiteral("application://%1.desktop").arg(QLatin1String(kDesktopEntry))
           << QVariantMap{{QStringLiteral("progress"), done.value_or(0.0)},
                          {QStringLiteral("progress-visible"), done.has_value()}};
    m_bus.send(update);
}

void DBusNotifier::notify(const QString &summary, const QString &body, bool warning)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QLatin1String(kDesktopEntry)},
        {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}, // normal
    };
    call << applicationTitle() << uint(0)
         << (warning ? QStringLiteral("dialog-warning") : QLatin1String(kDesktopEntry)) << summary
         << body << QStringList() << hints << int(-1);
    // The answer (the notification's id, or that no service runs) is not needed.
    m_bus.asyncCall(call);
}

} // namespace vantrel
