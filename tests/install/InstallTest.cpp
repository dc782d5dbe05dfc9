#include "MediaClips.h"
#include "TestSupport.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The program as a user gets it: installed into a prefix, and as a Debian
// package. The build tree is installed once per test into a folder of its own.

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun run(const QString &program, const QStringList &args,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
            const QString &folder = QString())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, args);
    // Packing compresses; on a busy machine it takes its time.
    EXPECT_TRUE(process.waitForFinished(600000)) << program.toStdString();
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

class Installed : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const ToolRun install = run(
            qs("cmake"), {qs("--install"), qs(VANTREL_BUILD_DIR), qs("--prefix"), prefix.path()});
        ASSERT_EQ(install.exitCode, 0) << install.err.toStdString();
        // A user who never ran the program: an empty home and runtime folder.
        home.insert(qs("HOME"), user.path());
        home.insert(qs("XDG_DATA_HOME"), user.filePath(qs("data")));
        home.insert(qs("XDG_CONFIG_HOME"), user.filePath(qs("config")));
        home.insert(qs("XDG_RUNTIME_DIR"), runtime.path());
        home.insert(qs("QT_QPA_PLATFORM"), qs("offscreen"));
        home.insert(qs("QT_LOGGING_RULES"), qs("vantrel.app.info=true"));
        home.remove(qs("VANTREL_DATA_DIR"));
    }

    QString bin(const char *program) const { return prefix.filePath(qs("bin/") + qs(program)); }
    QString share(const char *file) const { return prefix.filePath(qs("share/") + qs(file)); }

    QTemporaryDir prefix;
    QTemporaryDir user;
    QTemporaryDir runtime;
    QProcessEnvironment home = QProcessEnvironment::systemEnvironment();
};

} // namespace

TEST_F(Installed, RunsFromThePrefixWithItsSkinAndFirstSettings)
{
    const QString version = run(bin("vantrel-cli"), {qs("--version")}).out;
    // Its own version, then those of the tools it drives, as About names them.
    const QStringList lines = version.trimmed().split(u'\n');
    ASSERT_EQ(lines.size(), 4) << version.toStdString();
    EXPECT_EQ(lines[0], qs("vantrel-cli " VANTREL_VERSION));
    EXPECT_TRUE(lines[1].startsWith(qs("FFmpeg 5.")) && lines[2].startsWith(qs("MPlayer ")) &&
                lines[3].startsWith(qs("yt-dlp ")))
        << version.toStdString();
    EXPECT_EQ(run(bin("vantrel"), {qs("--version")}, home).out,
              qs("vantrel " VANTREL_VERSION "\n"));
    const ToolRun help = run(bin("vantrel"), {qs("--help")}, home);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(qs("Usage: vantrel "))) << help.out.toStdString();
    EXPECT_EQ(run(bin("vantrel"), {qs("--frobnicate")}, home).exitCode, 2);
    const ToolRun profiles = run(bin("vantrel-cli"), {qs("profiles")});
    EXPECT_EQ(profiles.exitCode, 0);
    EXPECT_GT(profiles.out.count(u'\n'), 100);

    // The window program's first start: the shipped settings become the
    // user's, the skin comes from the installation, and closing it as the
    // system does keeps the selected profile.
    QProcess window;
    window.setProcessEnvironment(home);
    window.start(bin("vantrel"), {});
    QString log;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            log += QString::fromUtf8(window.readAllStandardError());
            return log.contains(qs("window shown"));
        },
        20000))
        << log.toStdString();
    ::kill(pid_t(window.processId()), SIGTERM);
    ASSERT_TRUE(window.waitForFinished(10000));
    log += QString::fromUtf8(window.readAllStandardError());
    EXPECT_TRUE(log.contains(qs("skin: ") + share("vantrel/skins/frmmain.qss")))
        << log.toStdString();
    const QString settings = user.filePath(qs("data/vantrel/settings.dat"));
    EXPECT_TRUE(readFile(settings).contains("profile=13")) << readFile(settings).toStdString();

    EXPECT_EQ(run(qs("desktop-file-validate"), {share("applications/vantrel.desktop")}).exitCode,
              0);
    const ToolRun appstream =
        run(qs("appstreamcli"), {qs("validate"), qs("--no-net"),
                                 share("metainfo/io.github.vantrel.Converter.metainfo.xml")});
    EXPECT_EQ(appstream.exitCode, 0) << appstream.out.toStdString();
    for (const char *icon :
         {"icons/hicolor/scalable/apps/vantrel.svg", "icons/hicolor/48x48/apps/vantrel.png"})
        EXPECT_TRUE(QFile::exists(share(icon))) << icon;
}

TEST_F(Installed, ASecondStartAddsItsFilesToTheRunningWindow)
{
    MediaClips clips;
    const QString clip = clips.video(qs("a clip.avi"), 1);
    QProcess first;
    first.setProcessEnvironment(home);
    first.start(bin("vantrel"), {});
    QString log;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            log += QString::fromUtf8(first.readAllStandardError());
            return log.contains(qs("window shown")); // listening by now
        },
        20000));

    // Relative to its own folder, as a file manager starts it.
    const ToolRun second = run(bin("vantrel"), {qs("a clip.avi")}, home, clips.folder());
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_TRUE(second.err.contains(qs("handed the files"))) << second.err.toStdString();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            log += QString::fromUtf8(first.readAllStandardError());
            return log.contains(qs("files from another start of the program: 1"));
        },
        10000))
        << log.toStdString();
    ::kill(pid_t(first.processId()), SIGTERM);
    EXPECT_TRUE(first.waitForFinished(10000));
}

// Where outputs go before any folder is chosen: for an installed program the
// user's videos folder, not its hidden data folder.
TEST_F(Installed, OutputsGoToTheVideosFolderUntilOneIsChosen)
{
    MediaClips clips;
    clips.video(qs("clip.avi"), 1);
    const ToolRun convert =
        run(bin("vantrel-cli"), {qs("convert"), qs("--profile"), qs("73"), qs("clip.avi")}, home,
            clips.folder());
    EXPECT_EQ(convert.exitCode, 0) << convert.err.toStdString();
    EXPECT_EQ(convert.out.section(u'\t', 2).trimmed(), user.filePath(qs("Videos/clip.mp4")));
    EXPECT_TRUE(QFile::exists(user.filePath(qs("Videos/clip.mp4"))));
}

TEST(Package, DebianPackageDeclaresWhatItNeeds)
{
    QTemporaryDir out;
    const ToolRun cpack =
        run(qs("cpack"), {qs("-G"), qs("DEB"), qs("-B"), out.path(), qs("--config"),
                          qs(VANTREL_BUILD_DIR "/CPackConfig.cmake")});
    ASSERT_EQ(cpack.exitCode, 0) << cpack.out.toStdString() << cpack.err.toStdString();
    QStringList packages = QDir(out.path()).entryList({qs("*.deb")});
    ASSERT_EQ(packages.size(), 1) << cpack.out.toStdString();
    const QString deb = QDir(out.path()).filePath(packages.first());
    const QString info = run(qs("dpkg-deb"), {qs("-I"), deb}).out;
    const QString depends = info.section(qs("Depends:"), 1).section(u'\n', 0, 0);
    for (const char *needed :
         {"ffmpeg", "mplayer", "qt6-qpa-plugins", "libqt6widgets6", "libqt6network6"})
        EXPECT_TRUE(depends.contains(qs(needed)))
            << needed << " missing in" << depends.toStdString();
    const QString files = run(qs("dpkg-deb"), {qs("-c"), deb}).out;
    for (const char *file :
         {"./usr/bin/vantrel", "./usr/bin/vantrel-cli", "./usr/libexec/vantrel/vantrel-guard",
          "./usr/share/vantrel/settings.dat", "./usr/share/applications/vantrel.desktop"})
        EXPECT_TRUE(files.contains(qs(file))) << file;
}
