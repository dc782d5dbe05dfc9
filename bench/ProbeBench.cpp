// Adding many files: the time until every row of the source list is filled by
// the background probes, against reading the same files' size, format and
// length with ffprobe one after another (what a shell loop would do).
//
//   probe_bench [COUNT] [--player PATH] [--parallel N]
//
// COUNT defaults to 60 files of 720p, N to the processor count. The target:
// the list within 0.8 times the ffprobe loop.

#include "core/records/SourceItem.h"
#include "core/sources/SourceList.h"
#include "core/tools/MediaProbe.h"
#include "core/tools/ToolLocator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

using namespace vantrel;

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// One tiny clip, copied under `count` names.
QStringList makeFiles(const QTemporaryDir &dir, int count)
{
    const QString clip = dir.filePath(QStringLiteral("source.avi"));
    QProcess ffmpeg;
    ffmpeg.start(ToolLocator::encoder(),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                  QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("testsrc=size=1280x720:rate=25:duration=2"), QStringLiteral("-f"),
                  QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=duration=2"),
                  QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"),
                  QStringLiteral("mp2"), clip});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return {};
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString file =
            dir.filePath(QStringLiteral("clip %1.avi").arg(i, 3, 10, QLatin1Char('0')));
        if (!QFile::copy(clip, file))
            return {};
        files.append(file);
    }
    return files;
}

bool filled(const SourceItem &item)
{
    return item.frameSize == QStringLiteral("1280x720") &&
           item.clipEnd == QStringLiteral("0:00:02");
}

// The reference: ffprobe on one file after another, asked for the same values.
qint64 ffprobeOneAfterAnother(const QStringList &files, int &good)
{
    QElapsedTimer timer;
    timer.start();
    good = 0;
    for (const QString &file : files) {
        QProcess ffprobe;
        ffprobe.start(ToolLocator::mediaInfo(),
                      {QStringLiteral("-v"), QStringLiteral("error"),
                       QStringLiteral("-show_entries"),
                       QStringLiteral("stream=width,height,codec_tag_string:format=duration"),
                       QStringLiteral("-of"), QStringLiteral("compact"), file});
        ffprobe.waitForFinished(60000);
        good += ffprobe.readAllStandardOutput().contains("width=1280") ? 1 : 0;
    }
    return timer.elapsed();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString player = ToolLocator::player();
    const qsizetype playerAt = args.indexOf(QStringLiteral("--player"));
    if (playerAt >= 0 && playerAt + 1 < args.size()) {
        player = args.at(playerAt + 1);
        args.remove(playerAt, 2);
    }
    int parallel = 0;
    const qsizetype parallelAt = args.indexOf(QStringLiteral("--parallel"));
    if (parallelAt >= 0 && parallelAt + 1 < args.size()) {
        parallel = args.at(parallelAt + 1).toInt();
        args.remove(parallelAt, 2);
    }
    const int count = args.isEmpty() ? 60 : args.constFirst().toInt();
    if (count <= 0) {
        std::fprintf(stderr, "probe_bench: COUNT must be a positive number\n");
        return 2;
    }

    QTemporaryDir dir;
    const QStringList files = makeFiles(dir, count);
    if (files.isEmpty()) {
        std::fprintf(stderr, "probe_bench: could not make the test files with ffmpeg\n");
        return 1;
    }
    out() << "files: " << count << " copies of a 2 s 1280x720 clip\n"
          << "player: " << player << '\n';

    int warm = 0;
    ffprobeOneAfterAnother(files.mid(0, 3), warm); // loads the tool into the cache

    int sequentialGood = 0;
    const qint64 sequentialMs = ffprobeOneAfterAnother(files, sequentialGood);
    out() << "ffprobe one after another: " << sequentialMs << " ms ("
          << double(sequentialMs) / count << " ms per file), " << sequentialGood << " read\n";
    out().flush();

    MediaProbe probe(player);
    if (parallel > 0)
        probe.setMaxParallel(parallel);
    SourceList list(&probe);
    QElapsedTimer timer;
    qint64 addMs = 0;
    QObject::connect(&list, &SourceList::allProbed, &app, [&] {
        const qint64 parallelMs = timer.elapsed();
        int good = 0;
        for (int row = 0; row < list.count(); ++row)
            good += filled(list.item(row)) ? 1 : 0;
        out() << "source list (" << probe.maxParallel() << " at once): " << parallelMs
              << " ms (adding took " << addMs << " ms), " << good << " rows filled\n"
              << "the list takes " << double(parallelMs) / double(sequentialMs)
              << " times the ffprobe loop (target: 0.8 at most)\n";
        out().flush();
        QCoreApplication::exit(good == count && sequentialGood == count ? 0 : 1);
    });
    timer.start();
    for (const QString &file : files)
        list.addSourceFile(file);
    addMs = timer.elapsed();
    return QCoreApplication::exec();
}
