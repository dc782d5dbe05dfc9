#include "TestSupport.h"

#include "core/watch/ConvertedRecord.h"
#include "core/watch/FolderWatcher.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace vantrel;

namespace {

// What a watcher told, by path.
struct Told
{
    QStringList ready;
    QHash<QString, qint64> readySize;
    QStringList passedOver;

    explicit Told(FolderWatcher &watcher)
    {
        QObject::connect(&watcher, &FolderWatcher::fileReady,
                         [this](const QString &path, qint64 size, const QDateTime &) {
                             ready << path;
                             readySize.insert(path, size);
                         });
        QObject::connect(&watcher, &FolderWatcher::passedOver,
                         [this](const QString &path, const QString &) { passedOver << path; });
    }
};

void append(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace

// Twenty copiers write into the folder at once, each in chunks with pauses
// longer than a burst of events but shorter than the settle time: no file
// joins before its last byte is written, and each joins once, whole.
TEST(FolderWatcher, SlowCopiesJoinOnlyWhenWhole)
{
    QTemporaryDir folder;
    ConvertedRecord record(folder.filePath(qs("none.jsonl")));
    FolderWatcher watcher({folder.path(), false, 900, true, {}}, record);
    Told told(watcher);
    watcher.start();

    constexpr int kCopies = 20;
    constexpr int kChunks = 6;
    const QByteArray chunk(256 * 1024, 'v');
    QHash<QString, int> written; // chunks so far
    QStringList early;           // told before they were whole
    QObject::connect(&watcher, &FolderWatcher::fileReady, [&](const QString &path) {
        if (written.value(path) < kChunks)
            early << path;
    });
    QTimer writer;
    writer.setInterval(400); // above the watcher's gathering of events
    QObject::connect(&writer, &QTimer::timeout, [&] {
        for (int i = 0; i < kCopies; ++i) {
            const QString path = folder.filePath(QStringLiteral("copy%1.mp4").arg(i));
            if (written.value(path) < kChunks) {
                append(path, chunk);
                ++written[path];
            }
        }
    });
    writer.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return told.ready.size() == kCopies; }, 20000))
        << told.ready.size();
    EXPECT_EQ(early, QStringList());
    for (const QString &path : std::as_const(told.ready))
        EXPECT_EQ(told.readySize.value(path), chunk.size() * kChunks) << path.toStdString();
    watcher.lookNow(); // a second look finds nothing new
    EXPECT_EQ(told.ready.size(), kCopies);
}

// A download written as ".part" and renamed when done joins once, by its
// final name; the ".part" is passed over once.
TEST(FolderWatcher, ARenamedPartJoinsOnce)
{
    QTemporaryDir folder;
    ConvertedRecord record(folder.filePath(qs("none.jsonl")));
    FolderWatcher watcher({folder.path(), false, 300, true, {}}, record);
    Told told(watcher);
    watcher.start();
    const QString part = folder.filePath(qs("film.mkv.part"));
    append(part, QByteArray(4096, 'x'));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !told.passedOver.isEmpty(); }, 5000));
    watcher.lookNow();
    EXPECT_EQ(told.ready, QStringList());
    ASSERT_TRUE(QFile::rename(part, folder.filePath(qs("film.mkv"))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !told.ready.isEmpty(); }, 5000));
    watcher.lookNow();
    EXPECT_EQ(told.ready, QStringList{folder.filePath(qs("film.mkv"))});
    EXPECT_EQ(told.passedOver, QStringList{part});
}

// A folder that sends no events (a network share, FUSE) is found by the
// scans alone, on a clock the test moves: a file joins after the settle
// time; after a restart, what the record holds as converted does not join
// again, a replaced file does, and outputs written inside are no sources.
// Sub-folders are looked into only when asked.
TEST(FolderWatcher, ScansAloneFindWhatNoEventTells)
{
    QTemporaryDir folder;
    QTemporaryDir data;
    const QString recordFile = data.filePath(qs("converted.jsonl"));
    qint64 now = 0;
    const auto options = [&](bool subfolders) {
        return FolderWatcher::Options{folder.path(), subfolders, 10'000, false, [&] {
                                          return now;
                                      }};
    };
    const QString film = folder.filePath(qs("film.mp4"));
    const QString deep = folder.filePath(qs("card/clip.mov"));
    append(film, QByteArray(1000, 'a'));
    ASSERT_TRUE(QDir(folder.path()).mkdir(qs("card")));
    append(deep, QByteArray(1000, 'c'));
    {
        ConvertedRecord record(recordFile);
        ASSERT_TRUE(record.load());
        FolderWatcher watcher(options(false), record);
        Told told(watcher);
        watcher.lookNow();
        now = 9'999;
        watcher.lookNow();
        EXPECT_EQ(told.ready, QStringList());
        now = 10'000;
        watcher.lookNow();
        EXPECT_EQ(told.ready, QStringList{film});
        record.remember(film, 1000, QFileInfo(film).lastModified(),
                        folder.filePath(qs("film-out.mp4")));
    }
    append(folder.filePath(qs("film-out.mp4")), QByteArray(500, 'o')); // an output inside
    ConvertedRecord record(recordFile);
    ASSERT_TRUE(record.load());
    FolderWatcher watcher(options(true), record);
    Told told(watcher);
    now = 20'000;
    watcher.lookNow();
    now = 40'000;
    watcher.lookNow();
    EXPECT_EQ(told.ready, QStringList{deep}); // the film was converted as it is
    append(film, QByteArray(10, 'b'));        // replaced by a longer one
    now = 41'000;
    watcher.lookNow();
    now = 51'000;
    watcher.lookNow();
    EXPECT_EQ(told.ready, (QStringList{deep, film}));
}
