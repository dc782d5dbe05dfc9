#include "MediaClips.h"
#include "TestEnvironment.h"
#include "TestSupport.h"

#include "core/app/MainController.h"
#include "core/convert/command/EntryAvailability.h"
#include "core/sources/ListKeeper.h"
#include "core/sources/SourceFileRules.h"

#include <QSignalSpy>
#include <QTest>

using namespace vantrel;

namespace {

SourceList::SavedRow row(const char *file, RowStatus status, const char *reason = "")
{
    SourceList::SavedRow saved;
    saved.item = {qs(file), qs("0:00:00"), qs("0:00:03"), qs("160x120"), qs("FMP4"),
                  status,   qs("0:00:03"), QString(),     std::nullopt};
    saved.statusDetail = qs(reason);
    return saved;
}

} // namespace

// A list left by a run that did not end cleanly is offered back: restored
// rows keep OK and Fail with their reasons, a row that was converting or
// waiting for its turn comes back unconverted; declined, it is gone; a clean
// exit leaves nothing to offer.
TEST(LeftList, OfferedBackAfterACrashAndGoneAfterACleanExit)
{
    const struct
    {
        bool left;   // a list was left
        bool answer; // the user's
        QStringList rows;
    } cases[] = {
        {true,
         true,
         {qs("/v/a.avi OK "), qs("/v/b.avi Fail no sound"), qs("/v/c.avi  "), qs("/v/d.avi  ")}},
        {true, false, {}},
        {false, true, {}},
    };
    for (const auto &c : cases) {
        QTemporaryDir data;
        TestSurroundings surroundings;
        surroundings.prompt.answer = c.answer;
        MainEnvironment env = surroundings.main(data);
        env.listFile = data.filePath(qs("list.json"));
        if (c.left) {
            // A run that was killed while its third row converted.
            MainController crashed(env);
            crashed.startUp();
            crashed.sources().appendSavedRows(
                {row("/v/a.avi", RowStatus::Ok), row("/v/b.avi", RowStatus::Fail, "no sound"),
                 row("/v/c.avi", RowStatus::Processing), row("/v/d.avi", RowStatus::Waiting)});
            // Written while the running row's progress keeps changing.
            int percent = 0;
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    crashed.sources().setProgress(2, ++percent % 100);
                    return QFile::exists(env.listFile);
                },
                5000));
        }
        MainController controller(env);
        controller.startUp();
        EXPECT_EQ(surroundings.prompt.questions.size(), c.left ? 1 : 0);
        QStringList rows;
        for (int i = 0; i < controller.sources().count(); ++i)
            rows << controller.sources().item(i).fileName + u' ' +
                        rowStatusText(controller.sources().item(i).status) + u' ' +
                        controller.sources().statusDetail(i);
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(QFile::exists(env.listFile), !c.rows.isEmpty());

        controller.unload(); // a clean exit
        EXPECT_FALSE(QFile::exists(env.listFile));
    }
}

// The list is written when what it keeps changes: a row's progress alone
// writes nothing, its new status is written after the delay.
TEST(LeftList, WrittenWhenWhatItKeepsChangesNotOnProgress)
{
    QTemporaryDir data;
    const QString file = data.filePath(qs("list.json"));
    SourceList list(nullptr);
    ListKeeper keeper(list, file);
    keeper.keep();
    list.appendSavedRows({row("/v/a.avi", RowStatus::Processing)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(file); }, 5000));
    QFile::remove(file); // whatever is written from here on shows

    int percent = 0;
    EXPECT_FALSE(QTest::qWaitFor(
        [&] {
            list.setProgress(0, ++percent % 100);
            return QFile::exists(file);
        },
        3 * ListKeeper::kSaveDelayMs));

    list.setStatus(0, RowStatus::Ok);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(file); }, 5000));
    EXPECT_TRUE(readFile(file).contains("\"status\":\"ok\"")) << readFile(file).toStdString();
}

// A row's own tracks are kept with it and come back as they were; a value
// this program does not write comes back as none (the sheet's rules), and
// the row with it.
TEST(LeftList, ARowsOwnTracksComeBackAndCorruptOnesAreNone)
{
    QTemporaryDir data;
    const QString file = data.filePath(qs("list.json"));
    {
        SourceList list(nullptr);
        ListKeeper keeper(list, file);
        keeper.keep();
        list.appendSavedRows({row("/v/a.mkv", RowStatus::None), row("/v/b.mkv", RowStatus::None),
                              row("/v/c.mkv", RowStatus::None)});
        list.setTracks(0, TrackPick{{1, 3, 4}, 1});
        list.setTracks(1, TrackPick{{3}, std::nullopt});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return readFile(file).contains("\"tracks\":{\"kept\":[3]}"); }, 5000))
            << readFile(file).toStdString();
        EXPECT_EQ(readFile(file).count("\"tracks\""), 2); // none for the sheet's rules
    }
    SourceList restarted(nullptr);
    ListKeeper keeper(restarted, file);
    const std::optional<QList<SourceList::SavedRow>> left = keeper.leftRows();
    ASSERT_TRUE(left.has_value());
    ASSERT_EQ(left->size(), 3);
    EXPECT_EQ(left->at(0).item.tracks, (TrackPick{{1, 3, 4}, 1}));
    EXPECT_EQ(left->at(1).item.tracks, (TrackPick{{3}, std::nullopt}));
    EXPECT_FALSE(left->at(2).item.tracks.has_value());

    const struct
    {
        const char *tracks;
        std::optional<TrackPick> read;
    } values[] = {
        {R"({"kept":[],"default":null})", std::nullopt},
        {R"({"kept":[]})", TrackPick{}},
        {R"({"kept":[2,1],"default":1})", TrackPick{{2, 1}, 1}},
        {R"({"kept":[1,2],"default":3})", std::nullopt},
        {R"({"kept":[1,1]})", std::nullopt},
        {R"({"kept":[1.5]})", std::nullopt},
        {R"({"kept":[-1]})", std::nullopt},
        {R"({"kept":[1e12]})", std::nullopt},
        {R"({"kept":["1"]})", std::nullopt},
        {R"({"kept":{"1":1}})", std::nullopt},
        {R"({"default":1})", std::nullopt},
        {R"([1,2])", std::nullopt},
        {R"("all")", std::nullopt},
        {R"(null)", std::nullopt},
    };
    for (const auto &v : values) {
        writeFile(file, QByteArray(R"({"rows":[{"file":"/v/a.mkv","tracks":)") + v.tracks + "}]}");
        const std::optional<QList<SourceList::SavedRow>> read = keeper.leftRows();
        ASSERT_TRUE(read.has_value()) << v.tracks;
        ASSERT_EQ(read->size(), 1) << v.tracks;
        EXPECT_EQ(read->first().item.tracks, v.read) << v.tracks;
    }
}

// The profile and the option sheet the left list was to be converted with
// come back with it, and only with it.
TEST(LeftList, TheProfileAndTheSheetComeBackWithTheList)
{
    for (const bool answer : {true, false}) {
        QTemporaryDir data;
        TestSurroundings surroundings;
        surroundings.prompt.answer = answer;
        MainEnvironment env = surroundings.main(data);
        env.listFile = data.filePath(qs("list.json"));
        {
            MainController crashed(env);
            crashed.startUp();
            crashed.pickEntry(96);
            crashed.sheet().setValue(qs("Audio Options"), qs("Audio Bitrate"), qs("320"));
            crashed.sources().appendSavedRows({row("/v/a.avi", RowStatus::Ok)});
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return readFile(env.listFile).contains("320"); }, 5000));
        }
        MainController controller(env);
        controller.startUp();
        EXPECT_EQ(controller.selectedEntry(), answer ? std::optional<int>(96) : std::nullopt);
        EXPECT_EQ(controller.sheet().value(qs("Audio Options"), qs("Audio Bitrate")) == qs("320"),
                  answer);
    }
}

// Clear All is undone with its rows, clips and statuses, on top of what came
// since (a row that was converting comes back unconverted).
TEST(MainControllerList, ClearAllIsUndone)
{
    QTemporaryDir data;
    TestSurroundings surroundings;
    MainController controller(surroundings.main(data));
    controller.startUp();
    SourceList &list = controller.sources();
    list.appendSavedRows({row("/v/a.avi", RowStatus::Ok), row("/v/b.avi", RowStatus::Processing),
                          row("/v/c.avi", RowStatus::Fail, "no sound")});
    list.setClip(0, qs("0:00:01"), qs("0:00:02"));
    QSignalSpy undoable(&controller, &MainController::undoClearChanged);
    EXPECT_FALSE(controller.canUndoClear());
    controller.clearAll();
    EXPECT_EQ(list.count(), 0);
    EXPECT_TRUE(controller.canUndoClear());
    list.appendSavedRows({row("/v/new.avi", RowStatus::None)});
    controller.undoClear();
    QStringList rows;
    for (int i = 0; i < list.count(); ++i)
        rows << list.item(i).fileName + u' ' + list.item(i).clipStart + u' ' +
                    rowStatusText(list.item(i).status) + u' ' + list.statusDetail(i);
    EXPECT_EQ(rows,
              (QStringList{qs("/v/a.avi 0:00:01 OK "), qs("/v/b.avi 0:00:00  "),
                           qs("/v/c.avi 0:00:00 Fail no sound"), qs("/v/new.avi 0:00:00  ")}));
    EXPECT_FALSE(controller.canUndoClear());
    EXPECT_EQ(undoable.count(), 2);
    controller.undoClear(); // nothing more to bring back
    EXPECT_EQ(list.count(), 4);
}

// Rows a list file brings back are taken as added files are: a name that is
// not text is refused with the same message, and every row is probed again,
// so a folder or a file gone since shows why it cannot be converted. A
// row whose file is still there keeps its status and its clip.
TEST(LeftList, RestoredRowsMeetTheChecksOfAnAddedFile)
{
    MediaClips clips;
    QDir().mkpath(clips.path(qs("folder.avi")));
    const QString notText = clips.path(qs("caf\xef\xbf\xbd.avi")); // what such a name reads as
    const struct
    {
        QString file;
        RowStatus status;
        const char *restoredAs; // status text and problem; none: refused
    } rows[] = {
        {clips.video(qs("kept.avi"), 3), RowStatus::Ok, "OK "},
        {clips.path(qs("folder.avi")), RowStatus::None, " is a folder"},
        {notText, RowStatus::None, nullptr},
        {clips.path(qs("gone.avi")), RowStatus::Fail, "Fail does not exist"},
    };
    QList<SourceList::SavedRow> saved;
    QStringList expected;
    for (const auto &r : rows) {
        saved.append(row("", r.status));
        saved.last().item.fileName = r.file;
        saved.last().item.clipStart = qs("0:00:01"); // trimmed
        if (r.restoredAs)
            expected << qs(r.restoredAs);
    }
    QTemporaryDir data;
    TestSurroundings surroundings;
    MainEnvironment env = surroundings.main(data);
    env.listFile = data.filePath(qs("list.json"));
    MainController crashed(env); // killed with these rows in its list
    crashed.startUp();
    crashed.sources().appendSavedRows(saved);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(env.listFile); }, 5000));
    MainController controller(env);
    controller.startUp();
    SourceList &list = controller.sources();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.pendingProbes() == 0; }, 30000));
    EXPECT_EQ(surroundings.prompt.errors, QStringList{*unusableNameReason(notText)});
    QStringList restored;
    for (int i = 0; i < list.count(); ++i) {
        const QString problem = list.item(i).problem;
        restored << rowStatusText(list.item(i).status) + u' ' +
                        problem.section(qs("\" "), 1).section(u',', 0, 0).remove(u'.');
    }
    EXPECT_EQ(restored, expected);
    EXPECT_EQ(list.item(0).clipStart, qs("0:00:01")); // the probe keeps the clip
    EXPECT_EQ(list.item(0).frameSize, qs("160x120"));
}

// An entry whose encoder this computer's FFmpeg lacks shows so, and its rows
// fail before anything runs, saying what is missing.
TEST(MissingEncoders, AnEntryThatCannotRunSaysSoBeforeItRuns)
{
    QSet<QString> installed = {qs("libx264"), qs("aac"),       qs("libvpx-vp9"), qs("libopus"),
                               qs("flac"),    qs("libsvtav1"), qs("mpeg4"),      qs("libmp3lame")};
    const QMap<int, QString> unavailable = unavailableEntries(installed, qs("ffmpeg"));
    EXPECT_TRUE(unavailable.value(104).contains(qs("libx265"))) << unavailable.value(104);
    for (const int entry : {103, 105, 106, 107, 108, 110, 111})
        EXPECT_FALSE(unavailable.contains(entry)) << entry;
    EXPECT_TRUE(unavailableEntries({}, qs("ffmpeg")).isEmpty()); // nothing known yet
}
