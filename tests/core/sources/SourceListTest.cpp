#include "MediaClips.h"
#include "TestSupport.h"

#include "core/sources/SourceList.h"
#include "core/tools/MediaProbe.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace vantrel;

namespace {

const QString kPlayer = qs("/usr/bin/mplayer");

QStringList rowTexts(const SourceList &list, int row)
{
    QStringList texts;
    for (int column = 0; column < list.columnCount(); ++column)
        texts.append(list.data(list.index(row, column)).toString());
    return texts;
}

QStringList filled(const QString &path, const char *end, const char *size, const char *format)
{
    return {path, qs("0:00:00"), qs(end), qs(size), qs(format), QString(), qs(end)};
}

// A file the player could not read says so in its status; it has no size.
QStringList unreadable(const QString &path)
{
    return {path, qs("0:00:00"), QString(), QString(), QString(), qs("Cannot be read"), QString()};
}

bool waitForAllProbed(SourceList &list, int timeoutMs = 20000)
{
    return QTest::qWaitFor([&] { return list.pendingProbes() == 0; }, timeoutMs);
}

} // namespace

TEST(SourceList, ColumnsAndCaptions)
{
    MediaProbe probe(kPlayer);
    SourceList list(&probe);
    ASSERT_EQ(list.columnCount(), 7);
    QStringList captions;
    for (int column = 0; column < list.columnCount(); ++column)
        captions.append(list.headerData(column, Qt::Horizontal).toString());
    EXPECT_EQ(captions, (QStringList{qs("File Name"), qs("Start"), qs("End"), qs("Size"),
                                     qs("Format"), qs("Status"), qs("Video Time")}));
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.count(), 0);
}

TEST(SourceList, RowsKeepTheirOrderWhileProbesEndInAnyOrder)
{
    MediaClips clips;
    // The pipe hangs until the time limit: its row, the first, is filled last.
    const QString fifo = clips.fifo(qs("pipe.avi"));
    const QString video = clips.video(qs("clip.avi"), 3);
    const QString sound = clips.audio(qs("sound.ogg"), 2);
    const QString wide = clips.video(qs("wide clip.avi"), 1, "176x144");
    const QString missing = clips.path(qs("missing.avi"));
    // The player reports the video of transport streams by number.
    const QString stream = clips.encoded(qs("stream.ts"), {qs("-f"), qs("lavfi"), qs("-i"),
                                                           qs("testsrc=duration=1:size=160x120"),
                                                           qs("-c:v"), qs("mpeg2video")});

    MediaProbe probe(kPlayer);
    // Two places for the other probes beside the hanging one, and a limit they
    // all beat even on a busy machine.
    probe.setMaxParallel(3);
    probe.setTimeLimitMs(3000);
    SourceList list(&probe);
    QSignalSpy probed(&list, &SourceList::rowProbed);
    QSignalSpy all(&list, &SourceList::allProbed);
    QSignalSpy changed(&list, &SourceList::dataChanged);
    QSignalSpy inserted(&list, &SourceList::rowsInserted);

    const QStringList paths = {fifo, video, sound, wide, missing, video, stream};
    for (const QString &path : paths)
        list.addSourceFile(path);

    // The rows are there at once, waiting for their probes.
    EXPECT_EQ(inserted.count(), paths.size());
    ASSERT_EQ(list.count(), paths.size());
    EXPECT_EQ(list.pendingProbes(), paths.size());
    for (int row = 0; row < list.count(); ++row) {
        EXPECT_TRUE(list.isProbing(row));
        EXPECT_EQ(list.item(row).fileName, paths[row]);
        EXPECT_TRUE(list.item(row).frameSize.isEmpty());
        EXPECT_EQ(list.data(list.index(row, SourceList::SizeColumn)).toString(), qs("Probing..."));
    }

    ASSERT_TRUE(waitForAllProbed(list));
    EXPECT_EQ(all.count(), 1);
    ASSERT_EQ(probed.count(), paths.size());
    EXPECT_EQ(probed.last().at(0).toInt(), 0); // the pipe's row came last
    EXPECT_EQ(changed.count(), paths.size());
    for (int row = 0; row < list.count(); ++row)
        EXPECT_FALSE(list.isProbing(row));

    EXPECT_EQ(rowTexts(list, 0), unreadable(fifo));
    EXPECT_EQ(rowTexts(list, 1), filled(video, "0:00:03", "160x120", "MPEG-4"));
    EXPECT_EQ(rowTexts(list, 2), filled(sound, "0:00:02", "0x0", ""));
    EXPECT_EQ(rowTexts(list, 3), filled(wide, "0:00:01", "176x144", "MPEG-4"));
    EXPECT_EQ(rowTexts(list, 4), unreadable(missing));
    EXPECT_EQ(rowTexts(list, 5), filled(video, "0:00:03", "160x120", "MPEG-4"));
    EXPECT_EQ(list.item(3).frameSize, qs("176x144"));
    EXPECT_EQ(list.data(list.index(6, SourceList::FormatColumn)).toString(), qs("MPEG-2"));
    EXPECT_EQ(list.item(6).videoFormat, qs("0x10000002")); // the record keeps the player's code
    for (const auto &[code, name] : {std::pair{"0x10000001", "MPEG-1"},
                                     {"0x10000005", "H.264"},
                                     {"0X10000004", "MPEG-4"},
                                     {"XVID", "MPEG-4"},
                                     {"dvsd", "DV"},
                                     {"s263", "H.263"},
                                     {"FOO1", "FOO1"},
                                     {"", ""}})
        EXPECT_EQ(videoFormatName(qs(code)), qs(name)) << code;
}

TEST(SourceList, ResultsOfRemovedRowsAreDropped)
{
    MediaClips clips;
    const QString fifo = clips.fifo(qs("pipe.avi"));
    const QString first = clips.video(qs("first.avi"), 1, "176x144");
    const QString second = clips.video(qs("second.avi"), 2);
    const QString third = clips.video(qs("third.avi"), 3);

    MediaProbe probe(kPlayer);
    probe.setTimeLimitMs(0); // the pipe would hang for ever
    SourceList list(&probe);
    QSignalSpy all(&list, &SourceList::allProbed);

    list.addSourceFile(fifo);
    list.addSourceFile(first);
    list.addSourceFile(second);
    list.removeRow(0); // its hanging probe goes with it
    list.removeRow(7); // no such row: nothing happens
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.pendingProbes(), 2);
    ASSERT_TRUE(waitForAllProbed(list));
    EXPECT_EQ(all.count(), 1);
    EXPECT_EQ(rowTexts(list, 0), filled(first, "0:00:01", "176x144", "MPEG-4"));
    EXPECT_EQ(rowTexts(list, 1), filled(second, "0:00:02", "160x120", "MPEG-4"));
    EXPECT_EQ(probe.pending(), 0);

    // Removing the only probing row ends the wait too.
    list.addSourceFile(third);
    list.removeRow(2);
    EXPECT_EQ(list.pendingProbes(), 0);
    EXPECT_EQ(all.count(), 2);

    // Clearing drops every pending probe; nothing comes back later.
    QSignalSpy probed(&list, &SourceList::rowProbed);
    list.addSourceFile(third);
    list.addSourceFile(fifo);
    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.pendingProbes(), 0);
    EXPECT_EQ(all.count(), 3);
    EXPECT_EQ(probe.pending(), 0);
    list.addSourceFile(first);
    ASSERT_TRUE(waitForAllProbed(list));
    ASSERT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).isEmpty(); }, 5000));
    settle(); // nothing of the removed rows' probes comes after all
    EXPECT_EQ(probed.count(), 1);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(rowTexts(list, 0), filled(first, "0:00:01", "176x144", "MPEG-4"));
    EXPECT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).isEmpty(); }, 5000));
}

TEST(SourceList, DestroyingTheListCancelsItsProbes)
{
    MediaClips clips;
    MediaProbe probe(kPlayer);
    probe.setTimeLimitMs(0);
    probe.setMaxParallel(2);
    auto list = std::make_unique<SourceList>(&probe);
    list->addSourceFile(clips.fifo(qs("a.avi")));
    list->addSourceFile(clips.fifo(qs("b.avi")));
    list->addSourceFile(clips.fifo(qs("c.avi")));
    ASSERT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).size() == 2; }, 5000));
    list.reset();
    EXPECT_EQ(probe.pending(), 0);
    EXPECT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).isEmpty(); }, 5000));
}

TEST(SourceList, StatusAndClipEdits)
{
    MediaClips clips;
    const QString video = clips.video(qs("clip.avi"), 3);
    MediaProbe probe(kPlayer);
    SourceList list(&probe);
    list.addSourceFile(video);
    // The status set while the probe runs survives the probe.
    list.setStatus(0, RowStatus::Processing);
    ASSERT_TRUE(waitForAllProbed(list));
    EXPECT_EQ(list.item(0).status, RowStatus::Processing);

    QSignalSpy changed(&list, &SourceList::dataChanged);
    list.setStatus(0, RowStatus::Ok);
    list.setClip(0, qs("0:00:01"), qs("0:00:02"));
    list.setStatus(3, RowStatus::Fail); // no such row
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex().column(), SourceList::StatusColumn);
    EXPECT_EQ(changed.at(0).at(1).toModelIndex().column(), SourceList::StatusColumn);
    EXPECT_EQ(changed.at(1).at(0).toModelIndex().column(), SourceList::StartColumn);
    EXPECT_EQ(changed.at(1).at(1).toModelIndex().column(), SourceList::EndColumn);
    EXPECT_EQ(rowTexts(list, 0), (QStringList{video, qs("0:00:01"), qs("0:00:02"), qs("160x120"),
                                              qs("MPEG-4"), qs("OK"), qs("0:00:03")}));
}

TEST(SourceList, MissingPlayerStillFillsTheRows)
{
    MediaProbe probe(qs("/nonexistent/mplayer"));
    SourceList list(&probe);
    list.addSourceFile(qs("/v/a.avi"));
    list.addSourceFile(qs("relative b.avi"));
    ASSERT_TRUE(waitForAllProbed(list));
    EXPECT_TRUE(probe.isToolMissing());
    EXPECT_EQ(rowTexts(list, 0), unreadable(qs("/v/a.avi")));
    EXPECT_EQ(rowTexts(list, 1), unreadable(qs("relative b.avi")));
}
