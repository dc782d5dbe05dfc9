#include "platform/DBusSleepGuard.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace vantrel {

namespace {

const QString kScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
// The portal's inhibition flags: suspend and idle.
constexpr uint kPortalSuspendAndIdle = 4 | 8;

// Sends `call` and hands its reply to `then`.
void callAsync(QDBusConnection bus, const QDBusMessage &call,
               std::function<void(QDBusPendingCallWatcher *)> then)
{
    auto *watcher =
        new QDBusPendingCallWatcher(bus.asyncCall(call, DBusSleepGuard::kAnswerTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [then = std::move(then)](QDBusPendingCallWatcher *done) {
                         done->deleteLater();
                         then(done);
                     });
}

// Ends the screen saver's inhibition `cookie`.
void giveBack(QDBusConnection bus, uint cookie)
{
    bus.asyncCall(QDBusMessage::createMethodCall(kScreenSaver,
                                                 QStringLiteral("/org/freedesktop/ScreenSaver"),
                                                 kScreenSaver, QStringLiteral("UnInhibit"))
                  << cookie);
}

// Ends the portal's inhibition whose request is `handle`.
void closeRequest(QDBusConnection bus, const QDBusObjectPath &handle)
{
    bus.asyncCall(QDBusMessage::createMethodCall(kPortal, handle.path(),
                                                 QStringLiteral("org.freedesktop.portal.Request"),
                                                 QStringLiteral("Close")));
}

} // namespace

DBusSleepGuard::DBusSleepGuard(QDBusConnection system, QDBusConnection session)
    : m_system(std::move(system)), m_session(std::move(session))
{}

DBusSleepGuard::~DBusSleepGuard()
{
    release();
}

void DBusSleepGuard::hold(const QString &why, Held held)
{
    release();
    const int generation = m_generation;
    m_why = why;
    m_held = std::move(held);
    if (!m_system.isConnected()) {
        askPortal(generation);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << applicationTitle() << why << QStringLiteral("block");
    callAsync(m_system, call, [this, generation](QDBusPendingCallWatcher *done) {
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *done;
        // Released meanwhile: the descriptor closes as the reply goes.
        if (generation != m_generation)
            return;
        if (reply.isError() || !reply.value().isValid()) {
            askPortal(generation);
            return;
        }
        m_inhibitor = reply.value();
        if (const Held held = std::exchange(m_held, nullptr))
            held(QStringLiteral("logind"));
    });
}

void DBusSleepGuard::askPortal(int generation)
{
    if (!m_session.isConnected()) {
        askScreenSaver(generation);
        return;
    }
    // The desktop portal inhibits suspend and idle where a sandbox or a
    // desktop keeps logind out of reach; held until its request is closed.
    QDBusMessage call = QDBusMessage::createMethodCall(
        kPortal, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    call << QString() << kPortalSuspendAndIdle << QVariantMap{{QStringLiteral("reason"), m_why}};
    callAsync(m_session, call, [this, generation](QDBusPendingCallWatcher *done) {
        const QDBusPendingReply<QDBusObjectPath> reply = *done;
        if (generation != m_generation) {
            if (!reply.isError())
                closeRequest(m_session, reply.value());
            return;
        }
        if (reply.isError()) {
            askScreenSaver(generation);
            return;
        }
        m_portalRequest = reply.value();
        if (const Held held = std::exchange(m_held, nullptr))
            held(QCoreApplication::translate("DBusSleepGuard", "the desktop portal"));
    });
}

void DBusSleepGuard::askScreenSaver(int generation)
{
    const auto nothing = [this] {
        if (const Held held = std::exchange(m_held, nullptr))
            held(QString());
    };
    if (!m_session.isConnected()) {
        nothing();
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kScreenSaver, QStringLiteral("/org/freedesktop/ScreenSaver"),
                                       kScreenSaver, QStringLiteral("Inhibit"));
    call << applicationTitle() << m_why;
    callAsync(m_session, call, [this, generation, nothing](QDBusPendingCallWatcher *done) {
        const QDBusPendingReply<uint> reply = *done;
        if (generation != m_generation) {
            // Released meanwhile: the inhibition it got is given back.
            if (!reply.isError())
                giveBack(m_session, reply.value());
            return;
        }
        if (reply.isError()) {
            nothing();
            return;
        }
        m_cookie = reply.value();
        if (const Held held = std::exchange(m_held, nullptr))
            held(QCoreApplication::translate("DBusSleepGuard", "the desktop's screen saver"));
    });
}

void DBusSleepGuard::release()
{
    ++m_generation;
    m_held = nullptr;
    m_inhibitor.reset(); // closing the descriptor ends logind's inhibitor
    if (const std::optional<QDBusObjectPath> request = std::exchange(m_portalRequest, std::nullopt))
        closeRequest(m_session, *request);
    if (const std::optional<uint> cookie = std::exchange(m_cookie, std::nullopt))
        giveBack(m_session, *cookie);
}

} // namespace vantrel
