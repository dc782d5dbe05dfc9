#include "MediaClips.h"
#include "TestEnvironment.h"
#include "TestSupport.h"

#include "core/app/MainController.h"
#include "core/settings/IniFile.h"
#include "core/watch/WatchFolder.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace vantrel;

// A batch seen from the desktop: its progress on the task bar from nothing to
// its end, and a notification when it ends while the user looks elsewhere
// (the counts, a warning when a row failed), none while the user watches.
// Where no file browser opens, the user is told where the files are.
TEST(BatchOnDesktop, ABatchThatEndsUnseenIsNoted)
{
    MediaClips clips;
    clips.video(qs("a.avi"), 1);
    writeFile(clips.path(qs("noise.avi")), QByteArray(20000, 'x'));
    for (const bool watching : {false, true}) {
        QTemporaryDir data;
        TestSurroundings surroundings;
        surroundings.desktop.opens = false;
        RecordingNotifier notifier;
        iniWrite(data.filePath(qs("settings.dat")), qs("Set"),
                 {{qs("profile"), qs("73")}, {qs("outputfolder"), clips.path(qs("out"))}});
        MainEnvironment env = surroundings.main(data);
        env.notifier = &notifier;
        MainController controller(env);
        controller.startUp();
        controller.setWatching([watching] { return watching; });
        controller.addFiles({clips.path(qs("a.avi")), clips.path(qs("noise.avi"))});
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return controller.sources().pendingProbes() == 0; }, 30000));
        QSignalSpy finished(&controller.batch(), &BatchRun::finished);
        ASSERT_TRUE(controller.convert());
        ASSERT_TRUE(finished.wait(60000));

        ASSERT_GE(notifier.progress.size(), 3);
        EXPECT_EQ(notifier.progress.first(), 0.0);
        EXPECT_EQ(notifier.progress.last(), std::nullopt);
        const QList<std::optional<double>> shown =
            notifier.progress.mid(0, notifier.progress.size() - 1);
        EXPECT_TRUE(std::is_sorted(shown.cbegin(), shown.cend()));
        EXPECT_EQ(notifier.notes,
                  watching ? QStringList()
                           : QStringList{qs("!Conversion completed!|1 of 2 files converted, 1 "
                                            "failed. Point at \"Fail\" in the Status column to "
                                            "see why.")});
        // One message: how the batch went, and where the files are.
        ASSERT_EQ(surroundings.prompt.warnings.size(), 1);
        EXPECT_TRUE(surroundings.prompt.warnings.first().endsWith(
            qs("see why.\nNo file browser opened. The files are in:\n") + clips.path(qs("out"))))
            << surroundings.prompt.warnings.first().toStdString();
        EXPECT_TRUE(surroundings.prompt.notices.isEmpty());
    }
}

namespace {

// Holds sleep off as told, and keeps what was asked.
class RecordingSleepGuard : public SleepGuard
{
public:
    QString by; // what answers a hold
    QStringList calls;

    void hold(const QString &why, Held held) override
    {
        calls << qs("hold ") + why;
        held(by);
    }
    void release() override { calls << qs("release"); }
};

} // namespace

// The computer is kept awake from the batch's start to its end; where
// nothing could keep it awake, the batch says so while it runs.
TEST(BatchOnDesktop, TheComputerIsKeptAwakeWhileTheBatchRuns)
{
    MediaClips clips;
    clips.video(qs("a.avi"), 1);
    for (const char *by : {"logind", ""}) {
        SCOPED_TRACE(by);
        QTemporaryDir data;
        TestSurroundings surroundings;
        RecordingSleepGuard guard;
        guard.by = qs(by);
        iniWrite(data.filePath(qs("settings.dat")), qs("Set"),
                 {{qs("profile"), qs("73")}, {qs("outputfolder"), clips.path(qs("out"))}});
        MainEnvironment env = surroundings.main(data);
        env.sleepGuard = &guard;
        MainController controller(env);
        controller.startUp();
        controller.addFiles({clips.path(qs("a.avi"))});
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return controller.sources().pendingProbes() == 0; }, 30000));
        QStringList notes;
        QObject::connect(&controller.keepsAwake(), &BatchKeepsAwake::noteChanged,
                         [&notes](const QString &note) { notes << note; });
        QSignalSpy finished(&controller.batch(), &BatchRun::finished);
        ASSERT_TRUE(controller.convert());
        ASSERT_TRUE(finished.wait(60000));
        EXPECT_EQ(guard.calls, (QStringList{qs("hold Converting videos"), qs("release")}));
        EXPECT_EQ(notes.size(), *by ? 0 : 2); // said, then taken back at the end
        EXPECT_TRUE(controller.keepsAwake().note().isEmpty());
    }
}

// The window converts what lands in its watched folders beside its own list,
// keeping the computer awake meanwhile, and stops watching a folder the
// preferences no longer list.
TEST(BatchOnDesktop, TheWindowConvertsWhatLandsInItsWatchedFolders)
{
    MediaClips clips;
    QTemporaryDir data;
    ASSERT_TRUE(QDir().mkpath(clips.path(qs("in"))));
    TestSurroundings surroundings;
    RecordingSleepGuard guard;
    guard.by = qs("logind");
    iniWrite(data.filePath(qs("settings.dat")), qs("Set"),
             {{qs("outputfolder"), clips.path(qs("out"))}, {qs("WatchSettle"), qs("1")}});
    const WatchFolderFile folders(data.filePath(qs("watch-folders.json")));
    ASSERT_TRUE(folders.write({{clips.path(qs("in")), ListChoices{73, {}}, false}}));
    MainEnvironment env = surroundings.main(data);
    env.sleepGuard = &guard;
    env.watchFoldersFile = data.filePath(qs("watch-folders.json"));
    env.convertedRecordFile = data.filePath(qs("converted.jsonl"));
    MainController controller(env);
    controller.startUp();
    WatchedFolders &watched = *controller.watchedFolders();
    EXPECT_EQ(watched.status(), qs("Watching 1 folder."));

    ASSERT_TRUE(QFile::rename(clips.video(qs("a.avi"), 1), clips.path(qs("in/a.avi"))));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return watched.status().contains(qs("1 converted")); }, 60000))
        << watched.status().toStdString();
    EXPECT_EQ(QDir(clips.path(qs("out"))).entryList(QDir::Files), QStringList{qs("a.mp4")});
    EXPECT_EQ(controller.sources().count(), 0); // the window's list is the user's
    ASSERT_TRUE(QTest::qWaitFor([&] { return guard.calls.size() == 2; }, 10000));
    EXPECT_EQ(guard.calls, (QStringList{qs("hold Converting videos"), qs("release")}));

    ASSERT_TRUE(folders.write({}));
    controller.preferencesSaved();
    EXPECT_EQ(watched.count(), 0);
    EXPECT_EQ(watched.status(), QString());
}
