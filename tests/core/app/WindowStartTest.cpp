#include "TestSupport.h"

#include "core/app/SingleInstance.h"
#include "core/app/WindowCommandLine.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vantrel;

TEST(WindowCommandLine, FilesOptionsHelpAndVersion)
{
    using A = WindowCommandLine::Action;
    const struct
    {
        QStringList args;
        A action;
        QStringList files;
    } cases[] = {
        {{}, A::Run, {}},
        {{qs("a.avi"), qs("/v/b c.mp4")}, A::Run, {qs("/home/u/a.avi"), qs("/v/b c.mp4")}},
        {{qs("--"), qs("-odd.avi"), qs("--help")},
         A::Run,
         {qs("/home/u/-odd.avi"), qs("/home/u/--help")}},
        {{qs("a.avi"), qs("--help")}, A::Help, {}},
        {{qs("--bogus"), qs("-h")}, A::Help, {}},
        {{qs("--version"), qs("a.avi")}, A::Version, {}},
        {{qs("a.avi"), qs("-x")}, A::Error, {}},
        {{qs("../v/./c.avi"), qs("-")}, A::Run, {qs("/home/v/c.avi"), qs("/home/u/-")}},
    };
    for (const auto &c : cases) {
        const WindowCommandLine line = parseWindowCommandLine(c.args, qs("/home/u"));
        EXPECT_EQ(line.action, c.action) << c.args.join(u' ').toStdString();
        EXPECT_EQ(line.files, c.files) << c.args.join(u' ').toStdString();
    }
    EXPECT_EQ(parseWindowCommandLine({qs("-x")}, qs("/")).error, qs("unknown option -x"));
}

TEST(SingleInstance, ASecondStartHandsItsFilesToTheFirst)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(qs("vantrel.socket"));
    SingleInstance first(name);
    QSignalSpy firstIsPrimary(&first, &SingleInstance::primary);
    QSignalSpy received(&first, &SingleInstance::filesReceived);
    first.start({});
    ASSERT_TRUE(firstIsPrimary.count() == 1 || firstIsPrimary.wait(5000));

    const QStringList files{qs("/v/a b.avi"), qs("/v/new\nline.mp4"), qs("/v/ünï.mkv")};
    SingleInstance second(name);
    QSignalSpy handedOver(&second, &SingleInstance::handedOver);
    QSignalSpy secondIsPrimary(&second, &SingleInstance::primary);
    second.start(files);
    ASSERT_TRUE(handedOver.wait(5000));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.at(0).at(0).toStringList(), files);
    EXPECT_EQ(secondIsPrimary.count(), 0);

    // A start without files asks the first to come forward.
    SingleInstance third(name);
    QSignalSpy thirdHandedOver(&third, &SingleInstance::handedOver);
    third.start({});
    ASSERT_TRUE(thirdHandedOver.wait(5000));
    EXPECT_EQ(received.count(), 2);
}

TEST(SingleInstance, ASocketLeftByACrashedProgramIsTakenOver)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(qs("vantrel.socket"));
    // Bound and closed without being removed: what a killed program leaves.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(name).constData(), sizeof address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(name));

    SingleInstance first(name);
    QSignalSpy primary(&first, &SingleInstance::primary);
    first.start({qs("/v/a.avi")});
    ASSERT_TRUE(primary.count() == 1 || primary.wait(5000));
    SingleInstance second(name);
    QSignalSpy handedOver(&second, &SingleInstance::handedOver);
    second.start({qs("/v/b.avi")});
    EXPECT_TRUE(handedOver.wait(5000)); // the first listens on the name again
}
