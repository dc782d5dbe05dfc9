#include "TestSupport.h"

#include "platform/DBusNotifier.h"
#include "platform/DBusSleepGuard.h"
#include "platform/SystemDesktop.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantMap>

#include <poll.h>
#include <unistd.h>

using namespace vantrel;

namespace {

// A session bus of the test's own: dbus-daemon on a socket in a temporary folder.
class TestBus
{
public:
    bool start()
    {
        if (QStandardPaths::findExecutable(qs("dbus-daemon")).isEmpty())
            return false;
        m_daemon.start(qs("dbus-daemon"),
                       {qs("--session"), qs("--nofork"), qs("--print-address=1"),
                        qs("--address=unix:path=") + m_folder.filePath(qs("bus"))});
        if (!m_daemon.waitForReadyRead(10000))
            return false;
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        return !m_address.isEmpty();
    }
    ~TestBus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
    QDBusConnection connect(const QString &name) const
    {
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
};

// A notification service that keeps what it is sent, one line per call.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList calls;

public Q_SLOTS:
    uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints,
                int timeout)
    {
        calls << QStringList{app,
                             QString::number(replaces),
                             icon,
                             summary,
                             body,
                             QString::number(actions.size()),
                             hints.value(qs("desktop-entry")).toString(),
                             QString::number(timeout)}
                     .join(u'|');
        return uint(calls.size());
    }
};

// Hears the task-bar entry's progress signals.
class LauncherListener : public QObject
{
    Q_OBJECT

public:
    QStringList updates;

public Q_SLOTS:
    void update(const QString &app, const QVariantMap &properties)
    {
        updates << app + u' ' + properties.value(qs("progress")).toString() + u' ' +
                       properties.value(qs("progress-visible")).toString();
    }
};

// logind's manager as far as an inhibitor goes: each Inhibit hands out the
// writing end of a pipe, whose reading end tells when every copy of it is
// closed.
class FakeLogind : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    QStringList calls;
    int readEnd = -1;

    ~FakeLogind() override
    {
        if (readEnd >= 0)
            ::close(readEnd);
    }
    // Whether an inhibitor handed out is still held somewhere.
    bool held() const
    {
        pollfd p{readEnd, POLLIN, 0};
        return ::poll(&p, 1, 0) == 0; // no end of file yet
    }

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why,
                                    const QString &mode)
    {
        calls << QStringList{what, who, why, mode}.join(u'|');
        int ends[2];
        if (::pipe(ends) != 0)
            return QDBusUnixFileDescriptor();
        readEnd = ends[0];
        QDBusUnixFileDescriptor handed(ends[1]); // a copy goes to the caller
        ::close(ends[1]);
        return handed;
    }
};

// The desktop's screen saver: inhibitions by cookie.
class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QStringList calls;

public Q_SLOTS:
    uint Inhibit(const QString &who, const QString &why)
    {
        calls << who + u'|' + why;
        return 42;
    }
    void UnInhibit(uint cookie) { calls << QStringLiteral("un %1").arg(cookie); }
};

// The desktop portal's inhibition: each Inhibit answers with a request
// whose Close ends it.
class FakePortalRequest : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")

public:
    QStringList *calls = nullptr;

public Q_SLOTS:
    void Close() { *calls << QStringLiteral("close"); }
};

class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")

public:
    QStringList calls;

public Q_SLOTS:
    QDBusObjectPath Inhibit(const QString &window, uint flags, const QVariantMap &options)
    {
        calls << QStringLiteral("%1|%2|%3")
                     .arg(window)
                     .arg(flags)
                     .arg(options.value(QStringLiteral("reason")).toString());
        return QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/1"));
    }
};

} // namespace

// The batch's progress and end reach the desktop over the session bus, as
// a notification service and a dock read them; without a service or a bus
// nothing is shown and nothing fails.
TEST(DBusNotifier, NotificationsAndTaskBarProgressReachTheDesktop)
{
    TestBus bus;
    if (!bus.start())
        GTEST_SKIP() << "dbus-daemon is not installed";
    QDBusConnection client = bus.connect(qs("client"));
    ASSERT_TRUE(client.isConnected());
    DBusNotifier notifier(client);
    notifier.notify(qs("Nobody listens"), qs("yet"), false); // no service: silent

    QDBusConnection desktop = bus.connect(qs("desktop"));
    FakeNotifications service;
    LauncherListener dock;
    ASSERT_TRUE(desktop.registerObject(qs("/org/freedesktop/Notifications"), &service,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(desktop.registerService(qs("org.freedesktop.Notifications")));
    ASSERT_TRUE(desktop.connect(QString(), QString(), qs("com.canonical.Unity.LauncherEntry"),
                                qs("Update"), &dock, SLOT(update(QString, QVariantMap))));

    notifier.showProgress(0.25);
    notifier.notify(qs("Conversion completed!"), qs("2 files converted."), false);
    notifier.notify(qs("Conversion completed!"), qs("1 of 2 files converted, 1 failed."), true);
    notifier.showProgress(std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return service.calls.size() == 2 && dock.updates.size() == 2; }, 10000))
        << service.calls.join(u'\n') << dock.updates.join(u'\n');
    EXPECT_EQ(service.calls,
              (QStringList{qs("Vantrel Video Converter|0|vantrel|Conversion completed!|2 files "
                              "converted.|0|vantrel|-1"),
                           qs("Vantrel Video Converter|0|dialog-warning|Conversion completed!|1 of "
                              "2 files converted, 1 failed.|0|vantrel|-1")}));
    EXPECT_EQ(dock.updates, (QStringList{qs("application://vantrel.desktop 0.25 true"),
                                         qs("application://vantrel.desktop 0 false")}));

    DBusNotifier nowhere(QDBusConnection::connectToBus(qs("unix:path=/nonexistent"), qs("none")));
    nowhere.showProgress(0.5);
    nowhere.notify(qs("Conversion completed!"), QString(), false);
    settle();
    EXPECT_EQ(service.calls.size(), 2);
    QDBusConnection::disconnectFromBus(qs("client"));
    QDBusConnection::disconnectFromBus(qs("desktop"));
}

// Opening a folder answers whether a file browser took it: xdg-open's own
// answer, and no when there is no xdg-open at all.
TEST(SystemDesktop, OpeningAFolderAnswersWhetherABrowserTookIt)
{
    const QByteArray path = qgetenv("PATH");
    const struct
    {
        const char *opener; // xdg-open's script; none: not installed
        bool opened;
    } cases[] = {{"exit 0", true}, {"exit 3", false}, {nullptr, false}};
    for (const auto &c : cases) {
        QTemporaryDir bin;
        if (c.opener) {
            writeFile(bin.filePath(qs("xdg-open")),
                      QByteArray("#!/bin/sh\necho \"$1\" > \"$0.asked\"\n") + c.opener + '\n');
            QFile::setPermissions(bin.filePath(qs("xdg-open")), QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(bin.path()));
        std::optional<bool> answer;
        SystemDesktop().openFolder(qs("/some folder"), [&answer](bool opened) { answer = opened; });
        qputenv("PATH", path);
        ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 5000)) << c.opener;
        EXPECT_EQ(*answer, c.opened) << c.opener;
        if (c.opener) {
            EXPECT_EQ(readFile(bin.filePath(qs("xdg-open.asked"))), "/some folder\n");
        }
    }
}

// While a batch runs, logind holds an inhibitor of sleep that the program's
// descriptor keeps; where there is no logind, the desktop portal inhibits
// suspend and idle, else the desktop's screen saver; where none answers,
// nothing is held and that is said.
TEST(DBusSleepGuard, LogindElseThePortalElseTheScreenSaverElseNothing)
{
    TestBus bus;
    if (!bus.start())
        GTEST_SKIP() << "dbus-daemon is not installed";
    QDBusConnection services = bus.connect(qs("services"));
    QDBusConnection client = bus.connect(qs("sleeper"));
    ASSERT_TRUE(client.isConnected());
    FakeLogind logind;
    FakeScreenSaver screenSaver;
    ASSERT_TRUE(services.registerObject(qs("/org/freedesktop/ScreenSaver"), &screenSaver,
                                        QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(services.registerService(qs("org.freedesktop.ScreenSaver")));
    const auto held = [](DBusSleepGuard &guard) {
        std::optional<QString> by;
        guard.hold(qs("Converting videos"), [&by](const QString &what) { by = what; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return by.has_value(); }, 10000));
        return by.value_or(qs("no answer"));
    };

    {
        // No logind on the "system" bus: the screen saver's, given back.
        DBusSleepGuard guard(client, client);
        EXPECT_EQ(held(guard), qs("the desktop's screen saver"));
        guard.release();
        EXPECT_TRUE(QTest::qWaitFor([&] { return screenSaver.calls.size() == 2; }, 10000));
        EXPECT_EQ(screenSaver.calls,
                  (QStringList{qs("Vantrel Video Converter|Converting videos"), qs("un 42")}));
    }

    FakePortal portal;
    FakePortalRequest request;
    request.calls = &portal.calls;
    ASSERT_TRUE(services.registerObject(qs("/org/freedesktop/portal/desktop"), &portal,
                                        QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(services.registerObject(qs("/org/freedesktop/portal/desktop/request/1"), &request,
                                        QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(services.registerService(qs("org.freedesktop.portal.Desktop")));
    {
        DBusSleepGuard guard(client, client);
        EXPECT_EQ(held(guard), qs("the desktop portal"));
        guard.release();
        EXPECT_TRUE(QTest::qWaitFor([&] { return portal.calls.size() == 2; }, 10000));
        EXPECT_EQ(portal.calls, (QStringList{qs("|12|Converting videos"), qs("close")}));
        EXPECT_EQ(screenSaver.calls.size(), 2);
    }

    ASSERT_TRUE(services.registerObject(qs("/org/freedesktop/login1"), &logind,
                                        QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(services.registerService(qs("org.freedesktop.login1")));
    {
        DBusSleepGuard guard(client, client);
        EXPECT_EQ(held(guard), qs("logind"));
        EXPECT_EQ(logind.calls, (QStringList{qs("sleep:idle|Vantrel Video Converter|Converting "
                                                "videos|block")}));
        EXPECT_TRUE(logind.held());
        guard.release();
        EXPECT_FALSE(logind.held()); // the descriptor closed: logind lets go
        EXPECT_EQ(screenSaver.calls.size(), 2);
        EXPECT_EQ(portal.calls.size(), 2);
    }

    DBusSleepGuard nowhere(QDBusConnection::connectToBus(qs("unix:path=/nonexistent"), qs("none")),
                           QDBusConnection::connectToBus(qs("unix:path=/nonexistent"), qs("none")));
    EXPECT_EQ(held(nowhere), QString());
    QDBusConnection::disconnectFromBus(qs("services"));
    QDBusConnection::disconnectFromBus(qs("sleeper"));
}

#include "DesktopServicesTest.moc"
