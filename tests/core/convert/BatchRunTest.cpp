#include "MediaClips.h"
#include "TestEnvironment.h"
#include "TestSupport.h"

#include "core/common/FileNames.h"
#include "core/convert/batch/BatchNames.h"
#include "core/convert/batch/BatchRun.h"
#include "core/convert/batch/ProgressTicker.h"
#include "core/convert/checks/EncoderStatus.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileDefaults.h"
#include "core/records/OutputTargets.h"
#include "core/settings/IniFile.h"
#include "core/sources/SourceList.h"
#include "core/tools/MediaProbe.h"
#include "core/tools/ToolControl.h"
#include "core/tools/ToolLocator.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <functional>
#include <memory>

using namespace vantrel;

namespace {

// What the encoder decodes of a file, in seconds, by its own report.
double decodableSeconds(const QString &path, bool soundOnly)
{
    QProcess ffmpeg;
    QStringList args = {qs("-v"), qs("quiet"), qs("-stats"), qs("-i"), path};
    if (soundOnly)
        args << qs("-vn");
    ffmpeg.start(qs("ffmpeg"), args + QStringList{qs("-f"), qs("null"), qs("-")});
    ffmpeg.waitForFinished(30000);
    return encodedSecondsOfStatusText(QString::fromUtf8(ffmpeg.readAllStandardError()))
        .value_or(-1);
}

class BatchRunTest : public ::testing::Test
{
protected:
    static constexpr int kEntry = 73; // "Mobile Phone MPEG-4 Movie(*.mp4)": small and quick

    void SetUp() override
    {
        sheet.build();
        applyProfileDefaults(sheet, kEntry);
        output = clips.path(qs("out"));
        setSetting("outputfolder", output);
    }

    void TearDown() override
    {
        batch.reset();
        // Nothing the batch started may outlive it.
        EXPECT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("ffmpeg")).isEmpty(); }, 10000));
        // A probe that has just ended is reaped by the event loop.
        EXPECT_TRUE(QTest::qWaitFor([] { return childProcesses(qs("mplayer")).isEmpty(); }, 10000));
    }

    void setSetting(const char *key, const QString &value)
    {
        iniWrite(data.filePath(qs("settings.dat")), qs("Set"), qs(key), value);
    }

    BatchRun &makeBatch()
    {
        const BatchEnvironment env = surroundings.batch(data, &tools);
        batch = std::make_unique<BatchRun>(
            list, sheet, [this] { return entry; }, env);
        surroundings.reportEnds(*batch, data);
        return *batch;
    }

    void add(const QStringList &paths)
    {
        for (const QString &path : paths)
            list.addSourceFile(path);
    }

    void addProbed(const QStringList &paths)
    {
        add(paths);
        ASSERT_TRUE(QTest::qWaitFor([this] { return list.pendingProbes() == 0; }, 30000));
    }

    // Runs the batch to its end and returns how it ended.
    std::optional<BatchEnding> run(int timeoutMs = 60000)
    {
        BatchRun &b = batch ? *batch : makeBatch();
        QSignalSpy finished(&b, &BatchRun::finished);
        Settings settings = TestSurroundings::settings(data);
        if (simultaneous)
            settings.simultaneous = *simultaneous;
        if (!b.start(settings))
            return std::nullopt;
        if (!finished.wait(timeoutMs))
            return std::nullopt;
        return finished.at(0).at(0).value<BatchOutcome>().ending;
    }

    QStringList statuses() const
    {
        QStringList out;
        for (int row = 0; row < list.count(); ++row)
            out << rowStatusText(list.item(row).status);
        return out;
    }

    MediaClips clips;
    QTemporaryDir data;
    QString output;
    TestSurroundings surroundings;
    RecordingPrompt &prompt = surroundings.prompt;
    RecordingPowerOff &power = surroundings.power;
    RecordingDesktop &desktop = surroundings.desktop;
    ToolControl tools;
    MediaProbe probe;
    SourceList list{&probe};
    OptionSheet sheet;
    std::optional<int> entry = kEntry;
    std::optional<int> simultaneous; // rows at once, beyond what the settings allow
    std::unique_ptr<BatchRun> batch;
};

} // namespace

TEST_F(BatchRunTest, TakenNamesGetNewAndTheBatchCompletes)
{
    addProbed({clips.video(qs("a.avi"), 2), clips.video(qs("a.mkv"), 2)});
    BatchRun &b = makeBatch();
    QSignalSpy total(&b, &BatchRun::totalPercentChanged);
    QSignalSpy panel(&b, &BatchRun::panelVisibleChanged);
    QSignalSpy busy(&b, &BatchRun::busyChanged);
    QSignalSpy captions(&b, &BatchRun::rowStarted);

    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(statuses(), (QStringList{qs("OK"), qs("OK")}));
    EXPECT_EQ(b.rowOutput(0), output + qs("/a.mp4"));
    EXPECT_EQ(b.rowOutput(1), output + qs("/a_New.mp4"));
    for (const QString &file : {qs("/a.mp4"), qs("/a_New.mp4")}) {
        const FileFacts facts = inspect(output + file);
        EXPECT_NEAR(facts.seconds, 2.0, 0.5) << file.toStdString();
        EXPECT_EQ(facts.codecs, (QStringList{qs("mpeg4"), qs("aac")}));
    }
    EXPECT_EQ(captions.at(0).at(1).toString(),
              qs("Progress....") + clips.path(qs("a.avi")) + qs(" To ") + output + qs("/a.mp4"));
    QList<int> totals;
    for (const auto &args : total)
        totals << args.at(0).toInt();
    EXPECT_EQ(totals, (QList<int>{0, 50, 100, 100, 0}));
    EXPECT_EQ(prompt.notices, QStringList{qs("Conversion completed!")});
    EXPECT_TRUE(prompt.errors.isEmpty());
    EXPECT_EQ(desktop.opened, QStringList{output});
    EXPECT_EQ(power.calls, 0);
    EXPECT_EQ(panel.first().at(0).toBool(), true);
    EXPECT_EQ(panel.last().at(0).toBool(), false);
    EXPECT_EQ(busy.last().at(0).toBool(), false);
    EXPECT_FALSE(b.isRunning());

    // Again: the names are taken twice over now.
    list.clear();
    addProbed({clips.path(qs("a.avi"))});
    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(b.rowOutput(0), output + qs("/a_New_New.mp4"));
}

TEST_F(BatchRunTest, OverwritePolicyReplacesTheFileWithoutAsking)
{
    setSetting("existedfile", qs("1"));
    QDir().mkpath(output);
    QFile old(output + qs("/a.mp4"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("not a movie");
    old.close();
    addProbed({clips.video(qs("a.avi"), 1)});
    EXPECT_EQ(run(30000), BatchEnding::Completed);
    EXPECT_EQ(statuses(), QStringList{qs("OK")});
    EXPECT_EQ(batch->rowOutput(0), output + qs("/a.mp4"));
    EXPECT_EQ(inspect(output + qs("/a.mp4")).codecs, (QStringList{qs("mpeg4"), qs("aac")}));
}

// "Overwrite" replaces what was there before the batch, never the source
// itself and never what the same batch wrote: those take the "_New" chain,
// and the row's tip says why.
TEST_F(BatchRunTest, OverwriteSparesTheSourceAndTheBatchsOwnOutputs)
{
    setSetting("existedfile", qs("1"));
    setSetting("outputfolder", clips.folder());
    const QString holiday = clips.encoded(qs("holiday.mp4"), {qs("-f"), qs("lavfi"), qs("-i"),
                                                              qs("testsrc=duration=1:size=160x120"),
                                                              qs("-c:v"), qs("mpeg4")});
    const QByteArray holidayBytes = readFile(holiday);
    writeFile(clips.path(qs("talk.mp4")), "there before the batch");
    addProbed(
        {holiday, clips.video(qs("talk.part1.avi"), 1), clips.video(qs("talk.part2.avi"), 2)});

    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(statuses(), (QStringList{qs("OK"), qs("OK"), qs("OK")}));
    EXPECT_EQ(readFile(holiday), holidayBytes);
    EXPECT_EQ(batch->rowOutput(0), clips.path(qs("holiday_New.mp4")));
    EXPECT_TRUE(batch->rowMessages(0).contains(qs("its own source file")))
        << batch->rowMessages(0).toStdString();
    EXPECT_EQ(batch->rowOutput(1), clips.path(qs("talk.mp4")));
    EXPECT_NEAR(inspect(clips.path(qs("talk.mp4"))).seconds, 1.0, 0.3);
    EXPECT_EQ(batch->rowOutput(2), clips.path(qs("talk_New.mp4")));
    EXPECT_NEAR(inspect(clips.path(qs("talk_New.mp4"))).seconds, 2.0, 0.3);
    EXPECT_TRUE(batch->rowMessages(2).contains(qs("written earlier in this batch")));
}

// A batch sweeps what killed runs on this machine left (hidden temporary
// outputs and downloads, statistics files, name claims) from its folders,
// and never touches a running program's files nor another machine's: two
// machines may share the folder.
TEST_F(BatchRunTest, LeftoversOfKilledRunsAreSwept)
{
    QProcess gone; // a process id that no longer runs
    gone.start(qs("true"));
    ASSERT_TRUE(gone.waitForStarted(5000));
    const QString dead = QString::number(gone.processId());
    ASSERT_TRUE(gone.waitForFinished(5000));
    const QString live = QString::number(QCoreApplication::applicationPid());
    const QString here = hostTag();
    const QString other = qs("otherbox");
    QDir().mkpath(output);
    const struct
    {
        QString file;
        QByteArray text;
        bool swept;
    } files[] = {
        {output + qs("/.a.vantrel-") + here + u'-' + dead + qs("-3.mp4"), "", true},
        {data.filePath(qs("curconvert-") + here + u'-' + dead + qs(".log")), "", true},
        {data.filePath(qs("curconvert-") + here + u'-' + dead + qs("-2.log")), "", true},
        {output + qs("/.a.mp4.vantrel-claim"), (here + u' ' + dead + u'\n').toUtf8(), true},
        {data.filePath(qs(".t.vantrel-") + here + u'-' + dead + qs("-1.mp4.part")), "", true},
        {data.filePath(qs(".t.vantrel-") + here + u'-' + dead + qs("-1.f137.mp4.ytdl")), "", true},
        {data.filePath(qs(".t.vantrel-") + here + u'-' + dead + qs("-1.mp4.part-Frag3")), "", true},
        {output + qs("/.b.vantrel-") + here + u'-' + live + qs("-1.mp4"), "", false},
        {output + qs("/.b.vantrel-") + here + qs("-1-1.mp4"), "", false}, // pid 1 always runs
        {output + qs("/.b.mp4.vantrel-claim"), (here + u' ' + live + u'\n').toUtf8(), false},
        {output + qs("/.c.vantrel-") + other + u'-' + dead + qs("-3.mp4"), "", false},
        {data.filePath(qs("curconvert-") + other + u'-' + dead + qs(".log")), "", false},
        {output + qs("/.c.mp4.vantrel-claim"), (other + u' ' + dead + u'\n').toUtf8(), false},
        {output + qs("/.d.vantrel-") + dead + qs("-3.mp4"), "", false}, // an older program's
        {output + qs("/.e.mp4.vantrel-claim"), "not a claim", false},
        {output + qs("/notes.vantrel-") + here + u'-' + dead + qs("-1.txt"), "", false},
    };
    for (const auto &f : files)
        writeFile(f.file, f.text.isEmpty() ? QByteArray("left") : f.text);
    // A claim's marker that still names nobody: its maker died before it
    // wrote it, unless it was made a moment ago.
    const QString unwritten = output + qs("/.f.mp4.vantrel-claim");
    const QString beingWritten = output + qs("/.g.mp4.vantrel-claim");
    writeFile(unwritten, QByteArray());
    writeFile(beingWritten, QByteArray());
    QFile old(unwritten);
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    ASSERT_TRUE(old.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                                QFileDevice::FileModificationTime));
    old.close();
    addProbed({clips.video(qs("a.avi"), 1)});
    EXPECT_EQ(run(), BatchEnding::Completed);
    for (const auto &f : files)
        EXPECT_EQ(QFile::exists(f.file), !f.swept) << f.file;
    EXPECT_FALSE(QFile::exists(unwritten));
    EXPECT_TRUE(QFile::exists(beingWritten));

    // Host names as they stand in file names: safe, bounded, and apart.
    EXPECT_EQ(hostTagOf(qs("box1")), qs("box1"));
    EXPECT_EQ(hostTagOf(qs("")), qs("host"));
    EXPECT_TRUE(hostTagOf(qs("box1.example.com")).startsWith(qs("box1_example_com_")));
    EXPECT_NE(hostTagOf(qs("node-a.b")), hostTagOf(qs("node.a-b")));
    EXPECT_NE(hostTagOf(qs("node-a.b")), hostTagOf(qs("node_a_b")));
    const QString longA = hostTagOf(qs("a-very-long-host-name-of-a-cluster-node-0001.example"));
    const QString longB = hostTagOf(qs("a-very-long-host-name-of-a-cluster-node-0002.example"));
    EXPECT_EQ(longA.size(), 32);
    EXPECT_NE(longA, longB);
    EXPECT_EQ(leftoverOwnerOf(QFileInfo(files[0].file).fileName()),
              (LeftoverOwner{here, dead.toLongLong()}));
}

// The picture keeps its shape: fitted into the frame the profile asks for
// (after the source's rotation), with black bars, never stretched.
TEST_F(BatchRunTest, PicturesKeepTheirShape)
{
    entry = 7; // iPod video: 320x240 shown at 4:3
    applyProfileDefaults(sheet, *entry);
    const QStringList testsrc = {qs("-f"),   qs("lavfi"),
                                 qs("-i"),   qs("color=c=orange:s=320x180:d=2"),
                                 qs("-c:v"), qs("mpeg4")};
    const QString landscape = clips.encoded(qs("landscape.mp4"), testsrc);
    // A phone held upright: 320x180 pixels shown turned, 180x320.
    const QString portrait =
        clips.encoded(qs("portrait.mp4"), {qs("-i"), landscape, qs("-c"), qs("copy"),
                                           qs("-metadata:s:v:0"), qs("rotate=90")});
    addProbed({portrait, landscape});
    EXPECT_EQ(run(), BatchEnding::Completed);
    const struct
    {
        int row;
        QSize picture; // what is not bars, within 4 pixels
    } cases[] = {{0, {135, 240}}, {1, {320, 180}}};
    for (const auto &c : cases) {
        QProcess ffmpeg;
        ffmpeg.start(qs("ffmpeg"), {qs("-i"), batch->rowOutput(c.row), qs("-vf"),
                                    qs("cropdetect=24:2:0"), qs("-f"), qs("null"), qs("-")});
        ASSERT_TRUE(ffmpeg.waitForFinished(30000));
        const QRegularExpressionMatch crop =
            QRegularExpression(qs("crop=(\\d+):(\\d+):(\\d+):(\\d+)\\s*$"),
                               QRegularExpression::MultilineOption)
                .match(QString::fromUtf8(ffmpeg.readAllStandardError()));
        ASSERT_TRUE(crop.hasMatch()) << c.row;
        EXPECT_NEAR(crop.captured(1).toInt(), c.picture.width(), 4) << c.row;
        EXPECT_NEAR(crop.captured(2).toInt(), c.picture.height(), 4) << c.row;
        EXPECT_NEAR(crop.captured(3).toInt(), (320 - c.picture.width()) / 2, 4) << c.row;
    }
}

// Rows removed while a batch runs (above, at and below the running one, or
// all of them) take nothing with them: every status lands on its own row, and
// no row is converted twice or skipped.
TEST_F(BatchRunTest, RowsAreFollowedByIdentityWhileTheListChanges)
{
    const struct
    {
        const char *when;    // the row whose start triggers the change
        QStringList removed; // empty: the list is cleared
        QStringList kept;    // what stays, with its status
        QStringList outputs; // the output folder afterwards
    } cases[] = {
        {"c.avi",
         {qs("a.avi"), qs("c.avi"), qs("d.avi")},
         {qs("b.avi OK"), qs("e.avi OK")},
         {qs("a.mp4"), qs("b.mp4"), qs("c.mp4"), qs("e.mp4")}},
        {"b.avi", {}, {}, {qs("a.mp4"), qs("b.mp4")}},
    };
    for (const char *name : {"a.avi", "b.avi", "c.avi", "d.avi", "e.avi"})
        clips.video(qs(name), 1);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.when);
        QDir(output).removeRecursively();
        list.clear();
        addProbed({clips.path(qs("a.avi")), clips.path(qs("b.avi")), clips.path(qs("c.avi")),
                   clips.path(qs("d.avi")), clips.path(qs("e.avi"))});
        BatchRun &b = batch ? *batch : makeBatch();
        QMetaObject::Connection change =
            QObject::connect(&b, &BatchRun::rowStarted, &b, [&](int, const QString &caption) {
                if (!caption.contains(qs("/") + qs(c.when) + qs(" To ")))
                    return;
                if (c.removed.isEmpty())
                    list.clear();
                for (const QString &gone : c.removed) {
                    for (int row = 0; row < list.count(); ++row) {
                        if (list.item(row).fileName.endsWith(u'/' + gone))
                            list.removeRow(row);
                    }
                }
            });
        EXPECT_EQ(run(), BatchEnding::Completed);
        QObject::disconnect(change);
        QStringList kept;
        for (int row = 0; row < list.count(); ++row)
            kept << QFileInfo(list.item(row).fileName).fileName() + u' ' +
                        rowStatusText(list.item(row).status);
        EXPECT_EQ(kept, c.kept);
        for (int row = 0; row < list.count(); ++row)
            EXPECT_EQ(QFileInfo(b.rowOutput(row)).completeBaseName(),
                      QFileInfo(list.item(row).fileName).completeBaseName());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !b.encoderAlive(); }, 20000));
        EXPECT_EQ(QDir(output).entryList(QDir::Files | QDir::Hidden), c.outputs);
    }
}

// Several rows at once: they start in list order, never more than allowed,
// each converts whole under its own name (clashing names included), a row
// that fails or is removed touches no other, and Cancel stops them all.
TEST_F(BatchRunTest, SeveralRowsAtOnce)
{
    for (const auto &[name, seconds] : {std::pair{"a.avi", 2}, {"b.avi", 1}, {"c.avi", 3}})
        clips.video(qs(name), seconds);
    clips.video(qs("a.mkv"), 1);
    writeFile(clips.path(qs("noise.avi")), QByteArray(20000, 'x'));
    enum class Act
    {
        None,
        RemoveWaiting,
        Cancel
    };
    const struct
    {
        int atOnce;
        QStringList rows;
        Act act;
        QStringList statuses;
        QStringList outputs; // in the output folder afterwards
    } cases[] = {
        {2,
         {qs("a.avi"), qs("b.avi"), qs("c.avi")},
         Act::None,
         {qs("OK"), qs("OK"), qs("OK")},
         {qs("a.mp4"), qs("b.mp4"), qs("c.mp4")}},
        {3,
         {qs("a.avi"), qs("a.mkv"), qs("noise.avi"), qs("c.avi")},
         Act::None,
         {qs("OK"), qs("OK"), qs("Fail"), qs("OK")},
         {qs("a.mp4"), qs("a_New.mp4"), qs("c.mp4")}},
        {2,
         {qs("a.avi"), qs("c.avi"), qs("b.avi"), qs("a.mkv")},
         Act::RemoveWaiting,
         {qs("OK"), qs("OK"), qs("OK")},
         {qs("a.mp4"), qs("a_New.mp4"), qs("c.mp4")}},
        {2,
         {qs("c.avi"), qs("a.avi"), qs("b.avi")},
         Act::Cancel,
         {qs("Cancel"), qs("Cancel"), QString()},
         {qs("a.mp4"), qs("c.mp4")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rows.join(u' ').toStdString());
        QDir(output).removeRecursively();
        list.clear();
        QStringList paths;
        for (const QString &row : c.rows)
            paths << clips.path(row);
        addProbed(paths);
        simultaneous = c.atOnce; // three even on a machine of two cores
        BatchRun &b = batch ? *batch : makeBatch();
        QSet<QString> running; // rows whose encoders run
        int most = 0;
        QStringList started;
        QObject context;
        QObject::connect(&b, &BatchRun::rowStarted, &context, [&](int row, const QString &) {
            started << QFileInfo(list.item(row).fileName).fileName();
            running.insert(started.last());
            most = std::max(most, int(running.size()));
            if (c.act == Act::RemoveWaiting && started.size() == 2)
                list.removeRow(2); // "b.avi", waiting for its turn
            if (c.act == Act::Cancel && started.size() == 2)
                b.cancel();
        });
        QObject::connect(&b, &BatchRun::rowFinished, &context, [&](int row) {
            running.remove(QFileInfo(list.item(row).fileName).fileName());
        });
        // A row whose output is checked no longer converts: the next one may start.
        QObject::connect(&list, &SourceList::dataChanged, &context, [&] {
            for (int row = 0; row < list.count(); ++row) {
                if (list.item(row).status == RowStatus::Checking)
                    running.remove(QFileInfo(list.item(row).fileName).fileName());
            }
        });
        EXPECT_EQ(run(), c.act == Act::Cancel ? BatchEnding::Cancelled : BatchEnding::Completed);
        EXPECT_EQ(statuses(), c.statuses);
        // The first rows start together, never more than allowed.
        EXPECT_EQ(most, c.atOnce);
        // In list order, the removed row and the one that could not start skipped.
        QStringList expectedStarts = c.rows;
        if (c.act == Act::RemoveWaiting)
            expectedStarts.removeAt(2);
        expectedStarts.removeAll(qs("noise.avi"));
        EXPECT_EQ(started, expectedStarts.mid(0, started.size()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !b.encoderAlive(); }, 30000));
        const QStringList outputs = QDir(output).entryList(QDir::Files | QDir::Hidden);
        if (c.act == Act::Cancel) {
            // Stopped as they began: a file stays only with what was converted.
            for (const QString &file : outputs) {
                EXPECT_TRUE(c.outputs.contains(file)) << file;
                EXPECT_FALSE(inspect(QDir(output).filePath(file)).codecs.isEmpty()) << file;
            }
        } else {
            EXPECT_EQ(outputs, c.outputs);
        }
        for (int row = 0; row < list.count(); ++row) {
            if (list.item(row).status != RowStatus::Ok)
                continue;
            const double source = decodableSeconds(list.item(row).fileName, false);
            EXPECT_NEAR(inspect(b.rowOutput(row)).seconds, source, 0.3) << row;
        }
    }
    // The running encoders' statistics files all go with the batch.
    batch.reset();
    EXPECT_TRUE(QDir(data.path()).entryList({qs("curconvert*")}).isEmpty());
}

// A row whose profile needs an encoder this computer's FFmpeg lacks fails
// before anything runs, saying which (the encoder's list as remembered).
TEST_F(BatchRunTest, AMissingEncoderFailsTheRowBeforeItRuns)
{
    BatchEnvironment env = surroundings.batch(data, &tools);
    const QFileInfo encoder(QStandardPaths::findExecutable(env.encoderPath));
    env.encoderListCache = data.filePath(qs("encoders.cache"));
    writeFile(env.encoderListCache, QStringLiteral("%1\t%2\t%3\naac\nlibx264\n")
                                        .arg(encoder.canonicalFilePath())
                                        .arg(encoder.size())
                                        .arg(encoder.lastModified().toMSecsSinceEpoch())
                                        .toUtf8());
    entry = 104; // H.265
    applyProfileDefaults(sheet, *entry);
    batch = std::make_unique<BatchRun>(
        list, sheet, [this] { return entry; }, env);
    addProbed({clips.video(qs("a.avi"), 1)});
    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(statuses(), QStringList{qs("Fail")});
    EXPECT_TRUE(batch->rowMessages(0).contains(qs("no \"libx265\" encoder")))
        << batch->rowMessages(0);
    EXPECT_TRUE(QDir(output).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// Each source is read once: the list keeps its facts for the next batch,
// whatever the entry, and reads it again only when the file has changed;
// the old entries read nothing. One row converts while the last one's
// output is checked ("Checking"), and the batch ends when every check has.
TEST_F(BatchRunTest, EachSourceIsReadOnceAndCheckedBesideTheNext)
{
    // ffprobe as the batch runs it, each run written down.
    const QString readings = clips.path(qs("readings.log"));
    const QString probe = clips.path(qs("counting-ffprobe"));
    writeFile(probe, QStringLiteral("#!/bin/sh\necho \"$*\" >> '%1'\nexec ffprobe \"$@\"\n")
                         .arg(readings)
                         .toUtf8());
    QFile::setPermissions(probe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const auto readCount = [&] {
        return int(readFile(readings).count('\n'));
    };
    QStringList sources;
    for (const char *name : {"a.mp4", "b.mp4", "c.mp4"}) {
        sources << clips.encoded(qs(name), {qs("-f"), qs("lavfi"), qs("-i"),
                                            qs("testsrc=size=160x120:rate=25:d=1"), qs("-c:v"),
                                            qs("libx264"), qs("-pix_fmt"), qs("yuv420p")});
    }
    addProbed(sources);
    BatchEnvironment env = surroundings.batch(data, &tools);
    env.probePath = probe;
    batch = std::make_unique<BatchRun>(
        list, sheet, [this] { return entry; }, env);
    surroundings.reportEnds(*batch, data);
    QStringList checkingWhenStarted; // the other rows' statuses as each row starts
    QObject context;
    QObject::connect(batch.get(), &BatchRun::rowStarted, &context,
                     [&](int started, const QString &) {
                         for (int row = 0; row < started; ++row)
                             checkingWhenStarted << rowStatusText(list.item(row).status);
                     });

    const struct
    {
        int entry;
        int newReadings;
        bool touch; // the second file changes before the batch
    } cases[] = {{103, 3, false}, {105, 0, false}, {108, 0, false}, {103, 1, true}, {2, 0, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.entry);
        if (c.touch) {
            QFile file(sources.at(1));
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-30),
                                         QFileDevice::FileModificationTime));
        }
        entry = c.entry;
        applyProfileDefaults(sheet, c.entry);
        const int before = readCount();
        EXPECT_EQ(run(), BatchEnding::Completed);
        EXPECT_EQ(statuses(), (QStringList{qs("OK"), qs("OK"), qs("OK")})) << batch->rowMessages(0);
        EXPECT_EQ(readCount() - before, c.newReadings);
        for (int row = 0; row < list.count(); ++row)
            EXPECT_TRUE(list.sourceFacts(row)) << row;
    }
    EXPECT_TRUE(checkingWhenStarted.contains(qs("Checking"))) << checkingWhenStarted.join(u' ');
}

// Every status is true at every moment: a new batch takes the old ones away
// ("Waiting"), each running row has its own progress, which never goes back,
// and the panel follows the oldest running row; a row cancelled before its
// encoder wrote anything keeps no file, and the rows whose turn never came
// stay blank.
TEST_F(BatchRunTest, StatusesAndProgressStayTrueRowByRow)
{
    addProbed(
        {clips.video(qs("a.avi"), 4), clips.video(qs("b.avi"), 1), clips.video(qs("c.avi"), 1)});
    simultaneous = 2;
    BatchRun &b = makeBatch();
    ASSERT_EQ(run(), BatchEnding::Completed);
    ASSERT_EQ(statuses(), (QStringList{qs("OK"), qs("OK"), qs("OK")}));

    QStringList atFirstStart;
    QHash<quint64, QList<int>> percents;
    QStringList followed;
    QStringList barMismatches;
    QObject context;
    QObject::connect(&b, &BatchRun::rowStarted, &context, [&] {
        if (atFirstStart.isEmpty())
            atFirstStart = statuses();
    });
    QObject::connect(&b, &BatchRun::rowProgressChanged, &context,
                     [&](quint64 id, int percent) { percents[id] << percent; });
    quint64 followedId = 0;
    QObject::connect(&b, &BatchRun::followedRowChanged, &context,
                     [&](quint64 id, const QString &caption) {
                         followedId = id;
                         followed << QFileInfo(caption.section(qs(" To "), 0, 0)).fileName();
                     });
    QObject::connect(&b, &BatchRun::filePercentChanged, &context, [&](int percent) {
        const int own = percents.value(followedId).value(percents.value(followedId).size() - 1);
        if (b.isRunning() && percent != own && percent != 100)
            barMismatches << QStringLiteral("%1 != %2").arg(percent).arg(own);
    });
    ASSERT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(atFirstStart, (QStringList{qs("Processing"), qs("Waiting"), qs("Waiting")}));
    EXPECT_EQ(followed.value(0), qs("a.avi")); // the oldest, while b and c come and go
    EXPECT_TRUE(barMismatches.isEmpty()) << barMismatches.join(u' ');
    EXPECT_EQ(percents.size(), 3);
    for (auto it = percents.cbegin(); it != percents.cend(); ++it)
        EXPECT_TRUE(std::is_sorted(it->cbegin(), it->cend())) << it.key();

    // Cancelled as its encoder starts: nothing converted, nothing kept.
    const QStringList before = QDir(output).entryList(QDir::Files | QDir::Hidden);
    QObject::connect(&b, &BatchRun::rowStarted, &context, [&b] { b.cancel(); });
    QSignalSpy gone(&b, &BatchRun::encoderGone);
    ASSERT_EQ(run(), BatchEnding::Cancelled);
    ASSERT_TRUE(!b.encoderAlive() || gone.wait(15000));
    EXPECT_EQ(statuses(), (QStringList{qs("Cancel"), QString(), QString()}));
    EXPECT_EQ(QDir(output).entryList(QDir::Files | QDir::Hidden), before);
    EXPECT_TRUE(b.rowMessages(0).contains(qs("no file was kept"))) << b.rowMessages(0);
}

TEST_F(BatchRunTest, CancelDuringTheSecondOfThreeRows)
{
    entry = 5; // x264 at 1280x720: slow enough to be caught while encoding
    sheet.build();
    applyProfileDefaults(sheet, *entry);
    addProbed({clips.video(qs("one.avi"), 1), clips.video(qs("two.avi"), 30),
               clips.video(qs("three.avi"), 1)});
    BatchRun &b = makeBatch();
    QSignalSpy finished(&b, &BatchRun::finished);
    QSignalSpy gone(&b, &BatchRun::encoderGone);
    QObject::connect(&b, &BatchRun::elapsedTextChanged, &b, [&b] {
        if (b.rowJob(1)) // the second row runs
            b.cancel();
    });
    ASSERT_TRUE(b.start(TestSurroundings::settings(data)));
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(finished.at(0).at(0).value<BatchOutcome>().ending, BatchEnding::Cancelled);
    EXPECT_EQ(statuses(), (QStringList{qs("OK"), qs("Cancel"), QString()}));
    // A Cancel the user asked for is told, not shown as an error.
    EXPECT_TRUE(prompt.errors.isEmpty());
    EXPECT_EQ(prompt.notices, QStringList{qs("Conversion Canceled by the user!")});
    EXPECT_TRUE(desktop.opened.isEmpty());
    EXPECT_FALSE(b.isRunning());

    // The encoder got "q": it finishes the file it was writing and exits.
    ASSERT_TRUE(b.encoderAlive() ? gone.wait(15000) : true);
    const FileFacts cut = inspect(output + qs("/two.mp4"));
    EXPECT_GT(cut.seconds, 0.0);
    EXPECT_LT(cut.seconds, 29.0);

    // A Cancel while nothing runs is not kept for the next batch.
    b.cancel();
    list.clear();
    addProbed({clips.path(qs("three.avi"))});
    EXPECT_EQ(run(60000), BatchEnding::Completed);
    EXPECT_EQ(statuses(), QStringList{qs("OK")});
}

// A row of today's entries learns its source before its encoder starts: a
// Cancel then ends it at once, with nothing written and nothing left running.
TEST_F(BatchRunTest, CancelWhileTheSourceIsAnalysed)
{
    entry = 103;
    sheet.build();
    applyProfileDefaults(sheet, *entry);
    addProbed({clips.video(qs("one.avi"), 1)});
    BatchRun &b = makeBatch();
    QSignalSpy finished(&b, &BatchRun::finished);
    QObject::connect(&b, &BatchRun::rowStarted, &b, [&b] { b.cancel(); });
    ASSERT_TRUE(b.start(TestSurroundings::settings(data)));
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_EQ(finished.at(0).at(0).value<BatchOutcome>().ending, BatchEnding::Cancelled);
    EXPECT_EQ(statuses(), QStringList{qs("Cancel")});
    EXPECT_FALSE(b.encoderAlive());
    settle();
    EXPECT_TRUE(QDir(output).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(childProcesses(qs("ffprobe")).isEmpty());
}

TEST_F(BatchRunTest, MissingSourceStopsTheBatchAndRestoresTheWindow)
{
    addProbed({clips.video(qs("first.avi"), 1), clips.video(qs("gone.avi"), 1),
               clips.video(qs("after.avi"), 1)});
    QFile::remove(clips.path(qs("gone.avi")));
    BatchRun &b = makeBatch();
    QSignalSpy panel(&b, &BatchRun::panelVisibleChanged);
    QSignalSpy busy(&b, &BatchRun::busyChanged);
    EXPECT_EQ(run(), BatchEnding::Stopped);
    EXPECT_EQ(statuses(), (QStringList{qs("OK"), QString(), QString()}));
    EXPECT_EQ(prompt.errors,
              QStringList{qs("Invalid input file name. ") + clips.path(qs("gone.avi"))});
    EXPECT_TRUE(prompt.notices.isEmpty());
    EXPECT_TRUE(desktop.opened.isEmpty());
    EXPECT_FALSE(panel.last().at(0).toBool());
    EXPECT_FALSE(busy.last().at(0).toBool());
    EXPECT_FALSE(b.isRunning());
}

TEST_F(BatchRunTest, FailedRowsSayWhyAndLeaveNoPartialFile)
{
    addProbed({clips.video(qs("negative.avi"), 2), clips.video(qs("good.avi"), 1)});
    list.setClip(0, qs("0:00:02"), qs("0:00:01"));
    BatchRun &b = makeBatch();
    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(statuses(), (QStringList{qs("Fail"), qs("OK")}));
    EXPECT_FALSE(QFile::exists(output + qs("/negative.mp4")));
    // A clip past the source's end is refused before the encoder starts.
    EXPECT_TRUE(
        b.rowMessages(0).startsWith(qs("The clip starts at 0:00:02, past the end of the source")))
        << b.rowMessages(0).toStdString();
    EXPECT_TRUE(b.rowMessages(1).isEmpty());

    // A size the codec cannot encode fails after the output was created.
    sheet.setValue(qs("Video Options"), qs("Video Codec"), qs("h263"));
    sheet.setValue(qs("Video Options"), qs("Video Size"), qs("320x240"));
    list.setClip(0, qs("0:00:00"), qs("0:00:01"));
    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(statuses(), (QStringList{qs("Fail"), qs("Fail")}));
    EXPECT_FALSE(QFile::exists(b.rowOutput(0)));
    EXPECT_TRUE(b.rowMessages(0).contains(qs("H.263"))) << b.rowMessages(0).toStdString();
}

TEST_F(BatchRunTest, AnUntouchedExistingFileSurvivesAFailure)
{
    setSetting("existedfile", qs("1"));
    QDir().mkpath(output);
    QFile keep(output + qs("/a.mp4"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("precious");
    keep.close();
    addProbed({clips.video(qs("a.avi"), 1)});
    // Refused before any output, and refused after the encoder began to write.
    const struct
    {
        const char *codec;
        const char *size;
    } failures[] = {{"mpeg4", "abc"}, {"h263", "320x240"}};
    for (const auto &failure : failures) {
        SCOPED_TRACE(failure.codec);
        sheet.setValue(qs("Video Options"), qs("Video Codec"), qs(failure.codec));
        sheet.setValue(qs("Video Options"), qs("Video Size"), qs(failure.size));
        EXPECT_EQ(run(), BatchEnding::Completed);
        EXPECT_EQ(statuses(), QStringList{qs("Fail")});
        ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
        EXPECT_EQ(keep.readAll(), QByteArray("precious"));
        keep.close();
        EXPECT_EQ(QDir(output).entryList(QDir::Files | QDir::Hidden), QStringList{qs("a.mp4")});
    }
}

TEST_F(BatchRunTest, RowsThatCannotBePreparedFailWithoutTheEncoder)
{
    addProbed({clips.video(qs("x.avi"), 1), clips.video(qs("y.avi"), 1)});
    sheet.setValue(qs("Audio Options"), qs("Audio Bitrate"), qs("lots"));
    BatchRun &b = makeBatch();
    QSignalSpy total(&b, &BatchRun::totalPercentChanged);
    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(statuses(), (QStringList{qs("Fail"), qs("Fail")}));
    EXPECT_TRUE(b.rowMessages(0).contains(qs("Audio Bitrate")));
    for (const auto &args : total) // failed rows do not advance the total
        EXPECT_TRUE(args.at(0).toInt() == 0 || args.at(0).toInt() == 100);

    entry = 1; // a group header has no output extension
    sheet.setValue(qs("Audio Options"), qs("Audio Bitrate"), qs("128"));
    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(statuses(), (QStringList{qs("Fail"), qs("Fail")}));
    entry = std::nullopt;
    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_TRUE(b.rowMessages(0).contains(qs("No output profile")));

    // An output folder that cannot be made (a file stands in its way).
    entry = kEntry;
    writeFile(clips.path(qs("a file")), "x");
    setSetting("outputfolder", clips.path(qs("a file/out")));
    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_TRUE(b.rowMessages(0).contains(qs("cannot be made"))) << b.rowMessages(0).toStdString();
}

TEST_F(BatchRunTest, OddFileNamesConvertIntact)
{
    const QStringList names = {qs("with blank.avi"), qs("quote's \"double\".avi"),
                               qs("$(touch pwned).avi"), qs("ünïcødé 名前.avi"),
                               qs("-leading.avi")};
    QStringList sources;
    for (const QString &name : names)
        sources << clips.video(name, 1);
    addProbed(sources);
    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(statuses(), QStringList(names.size(), qs("OK")));
    for (int row = 0; row < names.size(); ++row) {
        const QString expected =
            output + u'/' + names[row].left(names[row].indexOf(u'.')) + qs(".mp4");
        EXPECT_EQ(batch->rowOutput(row), expected);
        EXPECT_GT(inspect(expected).seconds, 0.5) << expected.toStdString();
    }
    EXPECT_FALSE(QFile::exists(qs("pwned")));
}

// A row still being probed waits for its probe: it converts as listed, and
// a file the player cannot read fails with the list's reason, no encoder run.
// Rows start while their files are still probed; one the player cannot read
// fails with the list's reason, whether its encoder or its probe ends first.
TEST_F(BatchRunTest, ARowStillBeingProbedStartsAndAnUnreadableOneSaysWhy)
{
    writeFile(clips.path(qs("notes.txt")), "a shopping list\n");
    add({clips.video(qs("fresh.avi"), 2), clips.path(qs("notes.txt"))});
    ASSERT_TRUE(list.isProbing(0));
    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(statuses(), (QStringList{qs("OK"), qs("Fail")}));
    EXPECT_NEAR(inspect(batch->rowOutput(0)).seconds, 2.0, 0.3);
    EXPECT_TRUE(batch->rowMessages(1).contains(qs("is not a video or sound file")))
        << batch->rowMessages(1);
}

TEST_F(BatchRunTest, SecondConvertIsRefusedAndEmptyListDoesNothing)
{
    BatchRun &b = makeBatch();
    EXPECT_FALSE(b.start(TestSurroundings::settings(data)));
    EXPECT_TRUE(prompt.errors.isEmpty() && prompt.notices.isEmpty());

    addProbed({clips.video(qs("a.avi"), 1)});
    QSignalSpy finished(&b, &BatchRun::finished);
    ASSERT_TRUE(b.start(TestSurroundings::settings(data)));
    EXPECT_FALSE(b.canStart());
    EXPECT_FALSE(b.start(TestSurroundings::settings(data)));
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_EQ(finished.size(), 1);
}

TEST_F(BatchRunTest, AutoShutPowersOffInsteadOfReporting)
{
    setSetting("autoshut", qs("1"));
    addProbed({clips.video(qs("a.avi"), 1)});
    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(surroundings.lastEndAction, BatchEndActions::Action::PoweringOff);
    EXPECT_EQ(power.calls, 1);
    EXPECT_TRUE(prompt.notices.isEmpty());
    EXPECT_TRUE(desktop.opened.isEmpty());

    // A refused power-off ends the batch as usual.
    power.accept = false;
    QSignalSpy panel(batch.get(), &BatchRun::panelVisibleChanged);
    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(surroundings.lastEndAction, BatchEndActions::Action::Reported);
    EXPECT_EQ(prompt.notices, QStringList{qs("Conversion completed!")});
    EXPECT_EQ(desktop.opened, QStringList{output});
    EXPECT_FALSE(panel.last().at(0).toBool());
}

TEST_F(BatchRunTest, AudioOnlyProfileConvertsTheWholeSource)
{
    entry = 96;
    applyProfileDefaults(sheet, 96);
    addProbed({clips.audio(qs("song.ogg"), 3), clips.video(qs("movie.avi"), 2)});
    list.setClip(1, qs("0:00:00"), qs("0:00:01")); // not sent: the whole file converts
    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(statuses(), (QStringList{qs("OK"), qs("OK")}));
    EXPECT_NEAR(inspect(output + qs("/song.mp3")).seconds, 3.0, 0.3);
    EXPECT_NEAR(inspect(output + qs("/movie.mp3")).seconds, 2.0, 0.3);
    EXPECT_EQ(inspect(output + qs("/song.mp3")).codecs, QStringList{qs("mp3")});
}

// Files whose headers say too little or too much: each converts all that the
// encoder can decode of it, or says why not, and nothing unfinished is left.
TEST_F(BatchRunTest, HardFilesConvertAllTheyHoldOrSayWhy)
{
    const auto lavfi = [](const char *source) {
        return QStringList{qs("-f"), qs("lavfi"), qs("-i"), qs(source)};
    };
    const QString flv =
        clips.encoded(qs("whole.flv"), lavfi("testsrc=s=160x120:r=25:d=6") + lavfi("sine=d=6") +
                                           QStringList{qs("-c:v"), qs("flv1"), qs("-c:a"),
                                                       qs("libmp3lame"), qs("-ar"), qs("22050")});
    const QString shortSound = clips.encoded(
        qs("short sound.mkv"), lavfi("testsrc=s=160x120:r=25:d=4") + lavfi("sine=d=1") +
                                   QStringList{qs("-c:v"), qs("mpeg4"), qs("-c:a"), qs("mp2")});
    const QString noise = clips.path(qs("noise.avi"));
    writeFile(noise, QByteArray(40000, '\x5a'));
    // A flipped bit in a timestamp: the frames from the second on stand 8388 s
    // later, while the header still says 2 s (its Duration, an 8-byte float
    // of milliseconds, and the picture's DURATION tag, set back by hand). The
    // encoder would fill the gap.
    const QString jumping = clips.encoded(
        qs("jumping.mkv"), {qs("-i"), clips.video(qs("steady.mkv"), 2), qs("-c"), qs("copy"),
                            qs("-bsf:v"), qs("setts=ts=if(gte(N\\,25)\\,TS+8388000\\,TS)")});
    QByteArray bytes = readFile(jumping);
    const qsizetype duration = bytes.indexOf(QByteArray("\x44\x89\x88", 3));
    ASSERT_GT(duration, 0);
    bytes.replace(duration + 3, 8, QByteArray("\x40\x9f\x40\x00\x00\x00\x00\x00", 8)); // 2000.0
    ASSERT_TRUE(bytes.contains("02:19:50.0"));
    bytes.replace("02:19:50.0", "00:00:02.0");
    writeFile(jumping, bytes);
    const struct
    {
        const char *what;
        QString file;
        int entry;
        RowStatus status;
        const char *says; // part of the row's tip; "" for none
    } rows[] = {
        {"no length in the header",
         clips.piped(qs("piped.mkv"), lavfi("testsrc=s=160x120:r=25:d=3") + lavfi("sine=d=3") +
                                          QStringList{qs("-c:v"), qs("mpeg4"), qs("-c:a"),
                                                      qs("mp2"), qs("-f"), qs("matroska")}),
         kEntry, RowStatus::Ok, ""},
        {"sub-second DV",
         clips.encoded(qs("short.dv"),
                       lavfi("testsrc=s=720x576:r=25:d=0.4") +
                           QStringList{qs("-pix_fmt"), qs("yuv420p"), qs("-f"), qs("dv")}),
         kEntry, RowStatus::Ok, ""},
        {"sub-second TS", clips.encoded(qs("short.ts"), lavfi("testsrc=s=160x120:d=0.5")), kEntry,
         RowStatus::Ok, ""},
        {"TS the player measures as 0:00:00",
         clips.encoded(qs("vbr.ts"),
                       lavfi("testsrc=s=160x120:r=25:d=1,noise=alls=100:allf=t") +
                           lavfi("color=c=black:s=160x120:r=25:d=5") +
                           QStringList{qs("-filter_complex"), qs("[0:v][1:v]concat=n=2:v=1"),
                                       qs("-c:v"), qs("mpeg2video")}),
         kEntry, RowStatus::Ok, ""},
        {"truncated FLV", clips.truncated(flv, qs("truncated.flv"), 0.5), kEntry, RowStatus::Ok,
         "holds less than it claims"},
        {"short sound track as sound", shortSound, 96, RowStatus::Ok, ""},
        {"a camera's sound ending before its picture, as sound",
         clips.encoded(qs("camera.avi"),
                       lavfi("testsrc=s=160x120:r=25:d=3") + lavfi("sine=d=2.6") +
                           QStringList{qs("-c:v"), qs("mjpeg"), qs("-c:a"), qs("pcm_s16le")}),
         110, RowStatus::Ok, ""},
        {"short sound track as video", shortSound, kEntry, RowStatus::Ok, ""},
        {"not a media file", noise, kEntry, RowStatus::Fail,
         "not a video or sound file the player can read"},
        {"timestamps that jump hours past the length", jumping, kEntry, RowStatus::Fail,
         "its timestamps run past its length"},
        // A broadcast's one picture with a sound stream that holds nothing.
        {"one 576i picture with an empty sound stream",
         clips.encoded(qs("empty sound.ts"),
                       lavfi("testsrc=s=720x576:r=25:d=0.04") + lavfi("anullsrc=r=48000") +
                           QStringList{qs("-map"), qs("0:v"), qs("-map"), qs("1:a"), qs("-c:v"),
                                       qs("libx264"), qs("-flags"), qs("+ildct+ilme"), qs("-c:a"),
                                       qs("mp2"), qs("-frames:a"), qs("0"), qs("-frames:v"),
                                       qs("1")}),
         103, RowStatus::Ok, "Stream 1 was left out"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        entry = row.entry;
        applyProfileDefaults(sheet, row.entry);
        list.clear();
        addProbed({row.file});
        ASSERT_EQ(run(), BatchEnding::Completed);
        const QString tip = batch->rowMessages(0);
        EXPECT_EQ(list.item(0).status, row.status) << tip.toStdString();
        EXPECT_TRUE(qstrlen(row.says) == 0 ? tip.isEmpty() : tip.contains(qs(row.says)))
            << tip.toStdString();
        if (row.status != RowStatus::Ok) {
            EXPECT_FALSE(QFile::exists(batch->rowOutput(0)));
            continue;
        }
        const double decodable = decodableSeconds(row.file, row.entry == 96 || row.entry == 110);
        EXPECT_NEAR(inspect(batch->rowOutput(0)).seconds, decodable, 0.2 + 0.05 * decodable);
    }
    // Nothing unfinished stands beside the outputs.
    EXPECT_TRUE(QDir(output)
                    .entryList(QDir::Files | QDir::Hidden)
                    .filter(QRegularExpression(qs("^\\.")))
                    .isEmpty());
}

// Two batches with "overwrite" into one folder at once (two programs, or two
// machines sharing it): neither replaces a file the other wrote or is
// writing, so every OK row names a file of its own. "Add _New" keeps apart
// the same way, before either file exists.
TEST_F(BatchRunTest, TwoRunsIntoOneFolderKeepEachOthersFiles)
{
    const QStringList sources = {clips.video(qs("a.avi"), 1), clips.video(qs("b.avi"), 1)};
    QDir().mkpath(output);
    for (const char *policy : {"1", "0"}) {
        SCOPED_TRACE(policy);
        setSetting("existedfile", qs(policy));
        for (const QString &name : QDir(output).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(output + u'/' + name);
        writeFile(output + qs("/a.mp4"), "there before both"); // "overwrite" may replace it
        list.clear();
        addProbed(sources);
        MediaProbe otherProbe;
        SourceList otherList{&otherProbe};
        for (const QString &source : sources)
            otherList.addSourceFile(source);
        ASSERT_TRUE(QTest::qWaitFor([&] { return otherList.pendingProbes() == 0; }, 30000));
        BatchEnvironment env = surroundings.batch(data, nullptr);
        env.statisticsPath = data.filePath(qs("curconvert-other.log"));
        BatchRun other(
            otherList, sheet, [this] { return entry; }, env);
        BatchRun &b = makeBatch();
        QSignalSpy done(&b, &BatchRun::finished);
        QSignalSpy otherDone(&other, &BatchRun::finished);
        ASSERT_TRUE(b.start(TestSurroundings::settings(data)));
        ASSERT_TRUE(other.start(TestSurroundings::settings(data)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return done.count() + otherDone.count() == 2; }, 60000));
        QStringList outputs;
        for (int row = 0; row < 2; ++row) {
            EXPECT_EQ(list.item(row).status, RowStatus::Ok) << b.rowMessages(row);
            EXPECT_EQ(otherList.item(row).status, RowStatus::Ok) << other.rowMessages(row);
            outputs << b.rowOutput(row) << other.rowOutput(row);
        }
        EXPECT_EQ(outputs.removeDuplicates(), 0) << outputs.join(u' ');
        for (const QString &file : std::as_const(outputs))
            EXPECT_EQ(inspect(file).codecs, (QStringList{qs("mpeg4"), qs("aac")})) << file;
        EXPECT_TRUE(QDir(output).entryList({qs(".*")}, QDir::Files | QDir::Hidden).isEmpty());
        // Whichever came second says why its name moved on.
        const QString notes = b.rowMessages(0) + other.rowMessages(0);
        if (qstrcmp(policy, "1") == 0) {
            EXPECT_TRUE(notes.contains(qs("held by another conversion"))) << notes;
        }
    }
}

// An encoder that tells no progress (its source hangs, as a dead network
// share does: here the encoder is stopped by a signal) is stopped after the
// bound, and its row fails saying so.
TEST_F(BatchRunTest, AStalledEncodeIsStoppedWithItsReason)
{
    entry = 103; // x264: slow enough to be caught running
    applyProfileDefaults(sheet, 103);
    addProbed({clips.video(qs("stalling.avi"), 30, "640x480")});
    BatchEnvironment env = surroundings.batch(data, &tools);
    env.encoderStallLimitMs = 1500;
    batch = std::make_unique<BatchRun>(
        list, sheet, [this] { return entry; }, env);
    QSignalSpy finished(batch.get(), &BatchRun::finished);
    QObject::connect(batch.get(), &BatchRun::filePercentChanged, batch.get(), [](int percent) {
        if (percent > 0)
            QProcess::execute(qs("pkill"), {qs("-STOP"), qs("-f"), qs("stalling.avi")});
    });
    ASSERT_TRUE(batch->start(TestSurroundings::settings(data)));
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(statuses(), QStringList{qs("Fail")});
    EXPECT_TRUE(batch->rowMessages(0).startsWith(qs("The encoder told no progress for 1 s")))
        << batch->rowMessages(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !batch->encoderAlive(); }, 15000));
    EXPECT_FALSE(QFile::exists(batch->rowOutput(0)));
}

// "Overwrite" replaces a file that stood there before the batch began, never
// one another run wrote since: that run, ended meanwhile, called it OK.
TEST(BatchNamesTest, OverwriteKeepsWhatAnotherRunWroteSinceTheBatchBegan)
{
    QTemporaryDir folder;
    writeFile(folder.filePath(qs("old.mp4")), "there before");
    QFile before(folder.filePath(qs("old.mp4")));
    ASSERT_TRUE(before.open(QIODevice::ReadWrite));
    ASSERT_TRUE(before.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                   QFileDevice::FileModificationTime));
    before.close();
    BatchNames names;
    names.begin(folder.path(), ExistingFilePolicy::Overwrite);
    writeFile(folder.filePath(qs("new.mp4")), "another run's OK file");
    const struct
    {
        const char *source;
        const char *given;
        bool noted;
    } rows[] = {{"/films/old.avi", "old.mp4", false}, {"/films/new.avi", "new_New.mp4", true}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.source);
        ConversionJob job;
        job.sourcePath = qs(row.source);
        job.outputExtension = qs(".mp4");
        const BatchNames::Given given = names.give(job);
        EXPECT_EQ(QFileInfo(given.name.path).fileName(), qs(row.given));
        EXPECT_EQ(given.note.contains(qs("written since this batch began")), row.noted)
            << given.note.toStdString();
    }
    // A folder where a name's claim marker goes is no other conversion.
    ASSERT_TRUE(QDir(folder.path()).mkdir(qs(".blocked.mp4.vantrel-claim")));
    ConversionJob job;
    job.sourcePath = qs("/films/blocked.avi");
    job.outputExtension = qs(".mp4");
    const BatchNames::Given given = names.give(job);
    EXPECT_EQ(QFileInfo(given.name.path).fileName(), qs("blocked_New.mp4"));
    EXPECT_TRUE(given.note.startsWith(qs("A folder stands where the claim"))) << given.note;
}

// The remembered list of encoders is read only from a regular file of its
// size, and written by a rename that replaces whatever stands at its name:
// a FIFO there hangs nothing, a link to /dev/zero fills no memory, and the
// file a link points to stays as it was.
TEST(EncoderCache, WhatIsNoCacheFileIsReplacedNotUsed)
{
    QTemporaryDir dir;
    const QString cache = dir.filePath(qs("encoders.cache"));
    const QString precious = dir.filePath(qs("precious.txt"));
    writeFile(precious, "precious");
    const QByteArray encoded = QFile::encodeName(cache);
    const struct
    {
        const char *what;
        std::function<void()> make;
    } cases[] = {
        {"a FIFO",
         [&] {
             ASSERT_EQ(::mkfifo(encoded.constData(), 0600), 0);
         }},
        {"a link to /dev/zero",
         [&] {
             ASSERT_TRUE(QFile::link(qs("/dev/zero"), cache));
         }},
        {"a link to another file",
         [&] {
             ASSERT_TRUE(QFile::link(precious, cache));
         }},
        {"a file too large",
         [&] {
             writeFile(cache, QByteArray(2 * 1024 * 1024, '\n'));
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(cache);
        c.make();
        EncoderQuery query;
        query.setCacheFile(cache);
        QSignalSpy done(&query, &EncoderQuery::finished);
        query.start(ToolLocator::find(ToolLocator::kEncoder));
        ASSERT_TRUE(done.count() == 1 || done.wait(20000));
        EXPECT_TRUE(done.at(0).at(0).value<QSet<QString>>().contains(qs("aac")));
        const QFileInfo written(cache);
        EXPECT_TRUE(written.isFile() && !written.isSymLink());
        EXPECT_LT(written.size(), 64 * 1024);
        EXPECT_EQ(readFile(precious), QByteArray("precious"));
    }
}

// With a full disk the encoder may still exit with 0; the row fails with the
// disk's complaint first, and leaves no file.
TEST_F(BatchRunTest, AFullDiskFailsTheRowAndSaysWhy)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    const QString small = clips.path(qs("small disk"));
    QDir().mkpath(small);
    if (QProcess::execute(qs("mount"), {qs("-t"), qs("tmpfs"), qs("-o"), qs("size=64k"),
                                        qs("tmpfs"), small}) != 0)
        GTEST_SKIP() << "no small file system can be mounted here";
    const auto unmount = qScopeGuard([&small] { QProcess::execute(qs("umount"), {small}); });
    setSetting("outputfolder", small);
    entry = 96;
    applyProfileDefaults(sheet, 96);
    addProbed({clips.audio(qs("long.ogg"), 20)});
    EXPECT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(statuses(), QStringList{qs("Fail")});
    EXPECT_TRUE(batch->rowMessages(0).section(u'\n', 0, 0).contains(qs("No space left on device")))
        << batch->rowMessages(0).toStdString();
    EXPECT_TRUE(QDir(small).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(BatchRunTest, RealWorldFilesConvertOrSayWhy)
{
    const QDir media(qs(VANTREL_TESTDATA_DIR "/media"));
    if (!media.exists())
        GTEST_SKIP() << "no real-world media here";
    const QStringList files = media.entryList(QDir::Files, QDir::Name);
    QStringList paths;
    for (const QString &file : files)
        paths << media.filePath(file);
    addProbed(paths);
    EXPECT_EQ(run(120000), BatchEnding::Completed);
    for (int row = 0; row < files.size(); ++row) {
        // A source that ends early converts all it holds, and says so; one
        // whose header points at sound that is not there gives nothing.
        const bool truncated = files[row].contains(qs("truncated"));
        const bool nothingThere = files[row].startsWith(qs("m4b_"));
        EXPECT_EQ(list.item(row).status, nothingThere ? RowStatus::Fail : RowStatus::Ok)
            << files[row].toStdString() << "\n"
            << batch->rowMessages(row).toStdString();
        const QString says = nothingThere ? qs("could decode nothing")
                             : truncated  ? qs("holds less than it claims")
                                          : QString();
        EXPECT_TRUE(says.isEmpty() ? batch->rowMessages(row).isEmpty()
                                   : batch->rowMessages(row).contains(says))
            << files[row].toStdString() << "\n"
            << batch->rowMessages(row).toStdString();
    }
}

// A source cut short, whatever its container, converts all it holds and
// says how much of its claimed length that was; a recording without a
// length in its header is listed, converted and fitted by its packets.
TEST_F(BatchRunTest, ASourceCutShortSaysSoInEveryContainer)
{
    const struct
    {
        const char *name;
        QStringList codecs;
    } made[] = {
        {"cut.wmv", {qs("-c:v"), qs("wmv2"), qs("-c:a"), qs("wmav2")}},
        {"cut.avi", {qs("-c:v"), qs("mpeg4"), qs("-c:a"), qs("mp3")}},
        {"cut.mkv", {qs("-c:v"), qs("libx264"), qs("-c:a"), qs("aac")}},
        {"cut.flv", {qs("-c:v"), qs("flv"), qs("-c:a"), qs("mp3"), qs("-ar"), qs("44100")}},
        {"cut.mov",
         {qs("-c:v"), qs("libx264"), qs("-c:a"), qs("aac"), qs("-movflags"), qs("+faststart")}},
    };
    QStringList paths;
    for (const auto &m : made) {
        const QString whole = clips.encoded(qs("whole-") + qs(m.name),
                                            QStringList{qs("-f"), qs("lavfi"), qs("-i"),
                                                        qs("testsrc=s=160x120:r=25:d=10"), qs("-f"),
                                                        qs("lavfi"), qs("-i"), qs("sine=d=10")} +
                                                m.codecs);
        paths << clips.path(qs(m.name));
        writeFile(paths.last(), readFile(whole).left(readFile(whole).size() * 4 / 10));
    }
    paths << clips.encoded(qs("recorded.webm"),
                           {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc2=s=320x240:r=25:d=6"),
                            qs("-c:v"), qs("libvpx"), qs("-live"), qs("1")});
    entry = 103;
    applyProfileDefaults(sheet, 103);
    addProbed(paths);
    EXPECT_EQ(list.item(paths.size() - 1).videoTime, qs("0:00:06"));
    EXPECT_EQ(run(120000), BatchEnding::Completed);
    for (int row = 0; row < paths.size(); ++row) {
        SCOPED_TRACE(paths[row].toStdString());
        EXPECT_EQ(list.item(row).status, RowStatus::Ok) << batch->rowMessages(row).toStdString();
        const bool whole = row == paths.size() - 1;
        EXPECT_EQ(batch->rowMessages(row).contains(qs("holds less than it claims")), !whole)
            << batch->rowMessages(row).toStdString();
    }

    // Fitted, each is spread over the length it holds: the header-less
    // recording's six seconds, the cut file's four, and a phone's held last
    // picture kept when the picture is made smaller.
    const QString steady = clips.encoded(
        qs("steady.mp4"),
        {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc2=s=854x480:r=25:d=3"), qs("-c:v"),
         qs("libx264"), qs("-bf"), qs("0"), qs("-video_track_timescale"), qs("1000")});
    const QString held =
        clips.encoded(qs("held.mp4"), {qs("-i"), steady, qs("-c"), qs("copy"), qs("-bsf:v"),
                                       qs("setts=duration='if(eq(N\\,74)\\,24000\\,DURATION)'")});
    // A broadcast joined from two pieces an hour apart: 12 s of film whose
    // timestamps claim 1:00:06; the encoder runs on over the jump.
    const auto piece = [this](const char *name, const char *offset) {
        return clips.encoded(
            qs(name), {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc2=s=640x360:r=25:d=6"), qs("-f"),
                       qs("lavfi"), qs("-i"), qs("sine=d=6"), qs("-c:v"), qs("libx264"), qs("-c:a"),
                       qs("aac"), qs("-output_ts_offset"), qs(offset), qs("-f"), qs("mpegts")});
    };
    const QString joined = clips.path(qs("joined.ts"));
    writeFile(joined, readFile(piece("first.ts", "0")) + readFile(piece("second.ts", "3600")));
    const struct
    {
        QString source;
        const char *limit;
        double seconds;
    } fitted[] = {{joined, "400 kB", 12},
                  {paths.last(), "60 kB", 6},
                  {paths.first(), "60 kB", 4},
                  {held, "200 kB", 4.46},
                  // Cut at 1.9 s of a claimed 46.9 s: a seek finds nothing past the cut.
                  {qs(VANTREL_TESTDATA_DIR "/media/flv_sorenson_mp3_truncated.flv"), "31 kB", 1.9}};
    for (const auto &f : fitted) {
        SCOPED_TRACE(f.source.toStdString());
        if (!QFile::exists(f.source))
            continue; // a real file that is not here
        sheet.setValue(qs("Video Options"), qs("Fit To Size"), qs(f.limit));
        list.clear();
        addProbed({f.source});
        batch.reset();
        EXPECT_EQ(run(120000), BatchEnding::Completed);
        EXPECT_EQ(list.item(0).status, RowStatus::Ok) << batch->rowMessages(0).toStdString();
        const QString out = batch->rowOutput(0);
        const qint64 limit = fitSizeBytes(qs(f.limit)).value().value();
        EXPECT_NEAR(decodableSeconds(out, false), f.seconds, 0.3);
        EXPECT_LE(QFileInfo(out).size(), limit);
        EXPECT_GE(QFileInfo(out).size(), limit * 9 / 10) << batch->rowMessages(0).toStdString();
        if (f.source == joined) {
            EXPECT_FALSE(batch->rowMessages(0).contains(qs("holds less than it claims")))
                << batch->rowMessages(0).toStdString();
        }
    }
}

// Fit To Size: never over the limit; close under it when the source does not
// fit at the profile's quality, at that quality when it does; a trimmed
// row's budget is its clip's; a picture too big for its share is made
// smaller and filled up; a limit too small fails with the size it would
// need. Each of two rows at once keeps its own pass statistics, and none
// stay; Cancel keeps nothing of a file of several passes.
TEST_F(BatchRunTest, FitToSizeLandsUnderTheLimitAndCloseToIt)
{
    const auto lavfi = [](const char *source) {
        return QStringList{qs("-f"), qs("lavfi"), qs("-i"), qs(source)};
    };
    const QStringList dense = {qs("-c:v"),    qs("libx264"),   qs("-crf"), qs("5"),
                               qs("-preset"), qs("ultrafast"), qs("-t"),   qs("6")};
    const QString motion = clips.encoded(qs("motion.mkv"), lavfi("mandelbrot=s=320x180:r=25") +
                                                               lavfi("sine=f=300") + dense);
    const QString still = clips.encoded(qs("still.mp4"), lavfi("smptebars=s=320x180:r=25") + dense);
    const QString big =
        clips.encoded(qs("big.mkv"), lavfi("mandelbrot=s=1280x720:r=25") + dense.mid(0, 6) +
                                         QStringList{qs("-t"), qs("3")});
    // Small at the profile's quality only once made smaller: filled up.
    const QString calm = clips.encoded(
        qs("calm.mkv"),
        lavfi("smptehdbars=s=1280x720:r=25[b];testsrc2=s=320x240:r=25[m];[b][m]overlay=480:240") +
            dense.mid(0, 6) + QStringList{qs("-t"), qs("3")});
    struct Case
    {
        int entry;
        QString source;
        const char *limit;
        const char *clipEnd; // from 0:00:02; null: the whole file
        bool full;           // lands at 90 % of the limit or more
        const char *tip;
        int height;
    };
    const Case cases[] = {
        {103, motion, "300 kB", nullptr, true, "fitted: 180p", 180},
        {105, motion, "300 kB", nullptr, true, "fitted: 180p", 180},
        {103, still, "300 kB", nullptr, false, "not filled up", 180},
        {103, motion, "150 kB", "0:00:05", true, "fitted: 180p", 180},
        {103, big, "100 kB", nullptr, true, "fitted: 360p", 360},
        {103, calm, "90 kB", nullptr, true, "fitted: 360p", 360},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2 %3")
                         .arg(c.entry)
                         .arg(QFileInfo(c.source).fileName(), qs(c.limit))
                         .toStdString());
        entry = c.entry;
        applyProfileDefaults(sheet, c.entry);
        sheet.setValue(qs("Video Options"), qs("Fit To Size"), qs(c.limit));
        list.clear();
        addProbed({c.source});
        if (c.clipEnd)
            list.setClip(0, qs("0:00:02"), qs(c.clipEnd));
        batch.reset();
        ASSERT_EQ(run(120000), BatchEnding::Completed);
        ASSERT_EQ(statuses(), QStringList{qs("OK")}) << batch->rowMessages(0);
        const qint64 limit = fitSizeBytes(qs(c.limit)).value().value();
        const qint64 size = QFileInfo(batch->rowOutput(0)).size();
        EXPECT_LE(size, limit);
        if (c.full) {
            EXPECT_GE(size, limit * 9 / 10);
        } else {
            EXPECT_LT(size, limit * 6 / 10);
        }
        EXPECT_TRUE(batch->rowMessages(0).contains(qs(c.tip))) << batch->rowMessages(0);
        EXPECT_EQ(inspect(batch->rowOutput(0)).height, c.height);
        if (c.clipEnd) {
            EXPECT_NEAR(inspect(batch->rowOutput(0)).seconds, 3.0, 0.3);
        }
    }

    // Too small: the size it would need, and no file.
    applyProfileDefaults(sheet, 103);
    entry = 103;
    sheet.setValue(qs("Video Options"), qs("Fit To Size"), qs("20 kB"));
    list.clear();
    addProbed({motion});
    batch.reset();
    const QStringList before = QDir(output).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(run(), BatchEnding::Completed);
    EXPECT_EQ(statuses(), QStringList{qs("Fail")});
    EXPECT_TRUE(batch->rowMessages(0).contains(qs("0:00:06 of watchable picture and sound: even at "
                                                  "180p with 32 kbit/s of sound it would need")))
        << batch->rowMessages(0);
    EXPECT_EQ(QDir(output).entryList(QDir::Files | QDir::Hidden), before);

    // Two rows at once, then Cancel in a second pass.
    sheet.setValue(qs("Video Options"), qs("Fit To Size"), qs("300 kB"));
    list.clear();
    addProbed({motion, clips.copy(motion, qs("motion2.mkv"))});
    simultaneous = 2;
    batch.reset();
    ASSERT_EQ(run(120000), BatchEnding::Completed);
    EXPECT_EQ(statuses(), (QStringList{qs("OK"), qs("OK")}));
    for (int row : {0, 1})
        EXPECT_LE(QFileInfo(batch->rowOutput(row)).size(), 300000);
    const QStringList done = QDir(output).entryList(QDir::Files | QDir::Hidden);
    QObject context;
    QObject::connect(batch.get(), &BatchRun::rowProgressChanged, &context,
                     [this](quint64, int percent) {
                         if (percent >= 60)
                             batch->cancel();
                     });
    QSignalSpy gone(batch.get(), &BatchRun::encoderGone);
    ASSERT_EQ(run(120000), BatchEnding::Cancelled);
    ASSERT_TRUE(!batch->encoderAlive() || gone.wait(15000));
    EXPECT_EQ(QDir(output).entryList(QDir::Files | QDir::Hidden), done);
    EXPECT_TRUE(batch->rowMessages(0).contains(qs("nothing was kept"))) << batch->rowMessages(0);
    EXPECT_TRUE(QDir(data.path()).entryList({qs("*.pass*")}, QDir::Files).isEmpty())
        << QDir(data.path()).entryList().join(u' ').toStdString();
}

// Loudness on a trimmed row: the measure covers the clip, not the loud
// start the clip leaves out, and the row's progress moves on through all
// its passes; a Cancel while the sound is measured keeps nothing.
TEST_F(BatchRunTest, LoudnessMeasuresTheClipAndACancelKeepsNothing)
{
    entry = 103;
    sheet.build();
    applyProfileDefaults(sheet, *entry);
    sheet.setValue(qs("Audio Options"), qs("Loudness"), qs("-16"));
    const QString film = clips.encoded(
        qs("film.mkv"),
        {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc=s=160x120:r=25:d=7"), qs("-f"), qs("lavfi"),
         qs("-i"), qs("anoisesrc=d=3:a=0.8[a];sine=d=4[b];[a][b]concat=v=0:a=1"), qs("-c:v"),
         qs("mpeg4"), qs("-c:a"), qs("pcm_s16le")});
    addProbed({film});
    list.setClip(0, qs("0:00:04"), qs("0:00:07"));
    BatchRun &b = makeBatch();
    QList<int> percents;
    QObject::connect(&b, &BatchRun::rowProgressChanged, &b,
                     [&percents](quint64, int percent) { percents << percent; });
    ASSERT_EQ(run(), BatchEnding::Completed);
    ASSERT_EQ(statuses(), QStringList{qs("OK")}) << b.rowMessages(0);
    EXPECT_TRUE(b.rowMessages(0).contains(qs("applied to the whole"))) << b.rowMessages(0);
    EXPECT_NEAR(inspect(b.rowOutput(0)).seconds, 3.0, 0.3);
    EXPECT_NEAR(loudnessOf(b.rowOutput(0)).integrated, -16.0, 1.0);
    // The tries' encoded sound is gone with the row.
    EXPECT_TRUE(QDir(data.path()).entryList({qs("*.pass*")}, QDir::Files).isEmpty())
        << QDir(data.path()).entryList().join(u' ').toStdString();
    ASSERT_FALSE(percents.isEmpty());
    EXPECT_TRUE(std::is_sorted(percents.cbegin(), percents.cend()));

    // A long sound measures for a while: cancelled then, the row keeps nothing.
    list.clear();
    const QString longSound = clips.audio(qs("long.wav"), 150);
    addProbed({longSound});
    BatchRun &again = makeBatch();
    QSignalSpy finished(&again, &BatchRun::finished);
    ASSERT_TRUE(again.start(TestSurroundings::settings(data)));
    // This row's measure, not another test's.
    ASSERT_TRUE(QTest::qWaitFor(
        [&longSound] {
            const QList<int> measuring = processesNaming(qs("ebur128=peak=true"));
            return std::any_of(measuring.cbegin(), measuring.cend(), [&longSound](int pid) {
                return processesNaming(longSound).contains(pid);
            });
        },
        30000));
    again.cancel();
    ASSERT_TRUE(QTest::qWaitFor([&finished] { return !finished.isEmpty(); }, 30000));
    EXPECT_EQ(statuses(), QStringList{qs("Cancel")});
    ASSERT_TRUE(QTest::qWaitFor([&again] { return !again.encoderAlive(); }, 15000));
    settle();
    const QStringList left = QDir(output).entryList(QDir::Files | QDir::Hidden).filter(qs("long"));
    EXPECT_TRUE(left.isEmpty()) << left.join(u' ');
}
