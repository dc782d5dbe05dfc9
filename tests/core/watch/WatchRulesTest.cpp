#include "TestSupport.h"

#include "core/settings/Settings.h"
#include "core/watch/ConvertedRecord.h"
#include "core/watch/SettleTracker.h"
#include "core/watch/WatchedNames.h"

#include <QTemporaryDir>

using namespace vantrel;

// What lands in a watched folder joins only as a finished film or song:
// names of files still being written, hidden ones and unpackers' folders are
// passed over.
TEST(WatchedNames, PassesOverWhatIsStillBeingWritten)
{
    const struct
    {
        const char *path;
        const char *reason; // empty: it joins
    } cases[] = {
        {"holiday.mp4", ""},
        {"card/DCIM/100/MVI_0001.MOV", ""},
        {"film.mkv.part", "still being written"},
        {"film.MKV.crdownload", "still being written"},
        {"clip.mp4.tmp", "still being written"},
        {"show.ts.!qB", "still being written"},
        {".film.mkv", "hidden"},
        {".sync/film.mkv", "hidden"},
        {"_UNPACK_show/show.mkv", "unpacked"},
        {"notes.txt", "no video or sound file"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        const std::optional<QString> reason = passedOverReason(qs(c.path));
        EXPECT_EQ(reason.has_value(), *c.reason != 0);
        if (reason) {
            EXPECT_TRUE(reason->contains(qs(c.reason))) << reason->toStdString();
        }
    }
}

// A file joins once its size and time have held still for the settle time,
// and not while it is empty; a change starts its wait again; it is told once.
TEST(SettleTracker, AFileJoinsOnceItHoldsStill)
{
    const QDateTime t0 = QDateTime::fromSecsSinceEpoch(1'700'000'000);
    SettleTracker tracker(10'000);
    tracker.seen(qs("/w/a.mp4"), 0, t0, 0); // opened by a copier
    tracker.seen(qs("/w/b.mp4"), 500, t0, 0);
    EXPECT_EQ(tracker.settled(5'000), QStringList());
    tracker.seen(qs("/w/a.mp4"), 800, t0.addSecs(6), 6'000); // still growing
    tracker.seen(qs("/w/b.mp4"), 500, t0, 9'000);            // the same
    EXPECT_EQ(tracker.settled(10'000), QStringList{qs("/w/b.mp4")});
    EXPECT_EQ(tracker.settled(12'000), QStringList()); // told once
    EXPECT_EQ(tracker.settled(16'000), QStringList{qs("/w/a.mp4")});
    tracker.seen(qs("/w/b.mp4"), 900, t0.addSecs(20), 20'000); // replaced
    tracker.gone(qs("/w/a.mp4"));
    EXPECT_EQ(tracker.settled(30'000), QStringList{qs("/w/b.mp4")});
    EXPECT_EQ(tracker.waiting(), QStringList{qs("/w/b.mp4")});
}

// What was converted is remembered across runs by path, size and time: an
// unchanged file is not converted again, a replaced one is; a broken or
// hostile record reads as what it holds of use.
TEST(ConvertedRecord, ARestartConvertsNothingTwice)
{
    QTemporaryDir data;
    const QString file = data.filePath(qs("watched.jsonl"));
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1'700'000'000'123);
    {
        ConvertedRecord record(file);
        ASSERT_TRUE(record.load()); // none yet
        EXPECT_TRUE(record.remember(qs("/w/a.mp4"), 500, when, qs("/out/a.mp4")));
    }
    writeFile(file, readFile(file) + "not json\n{\"path\": 3}\n{\"path\":\"/w/b.mp4\"}\n");
    ConvertedRecord again(file);
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.count(), 1);
    EXPECT_TRUE(again.converted(qs("/w/a.mp4"), 500, when));
    EXPECT_FALSE(again.converted(qs("/w/a.mp4"), 501, when)); // replaced
    EXPECT_FALSE(again.converted(qs("/w/a.mp4"), 500, when.addSecs(1)));
    EXPECT_FALSE(again.converted(qs("/w/b.mp4"), 0, when));

    ConvertedRecord folder(data.path()); // no file at all
    EXPECT_FALSE(folder.load());
    EXPECT_FALSE(folder.remember(qs("/w/c.mp4"), 1, when, qs("/out/c.mp4")));
    EXPECT_TRUE(folder.converted(qs("/w/c.mp4"), 1, when)); // held for this run
}

// The settle time as stored: 10 s when none, a number held to 1..3600 with
// a warning, never zero (a file would join while still being copied).
TEST(WatchSettle, StoredSecondsAreHeldToTheirRange)
{
    const struct
    {
        const char *stored;
        int seconds;
        bool warned;
    } cases[] = {{"", 10, false}, {"30", 30, false}, {" 5s", 5, false},     {"0", 1, true},
                 {"-4", 1, true}, {"abc", 1, true},  {"99999", 3600, true}, {"2.5", 2, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stored);
        QString warning;
        EXPECT_EQ(watchSettleSeconds(qs(c.stored), &warning), c.seconds);
        EXPECT_EQ(!warning.isEmpty(), c.warned);
    }
}
