#pragma once

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <limits>

#include <sys/stat.h>
#include <unistd.h>

// Tiny media files made by the real encoder from its lavfi sources, in a
// temporary folder that goes away with the object.
class MediaClips
{
public:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString folder() const { return m_dir.path(); }

    // A video clip with sound: 160x120 (or `size`), MPEG-4 video and MP2 sound in AVI.
    QString video(const QString &name, int seconds = 3, const char *size = "160x120")
    {
        const QString duration = QString::number(seconds);
        return make(name, {qs("-f"), qs("lavfi"), qs("-i"),
                           qs("testsrc=rate=25:size=") + qs(size) + qs(":duration=") + duration,
                           qs("-f"), qs("lavfi"), qs("-i"), qs("sine=duration=") + duration,
                           qs("-c:v"), qs("mpeg4"), qs("-c:a"), qs("mp2"), qs("-shortest")});
    }

    // A film of two seconds with a choice of tracks, in Matroska: stream 0
    // the picture, 1 an English stereo sound, 2 a German mono commentary
    // (titled, marked as the default and as a comment), 3 SubRip subtitles.
    QString filmWithTracks(const QString &name)
    {
        const QString subtitles = path(name + qs(".srt"));
        QFile srt(subtitles);
        EXPECT_TRUE(srt.open(QIODevice::WriteOnly));
        srt.write("1\n00:00:00,000 --> 00:00:01,000\nHello\n\n"
                  "2\n00:00:01,000 --> 00:00:02,000\nWorld\n");
        srt.close();
        // clang-format off
        const char *const arguments[] = {
            "-f", "lavfi", "-i", "testsrc=size=160x120:rate=10:duration=2",
            "-f", "lavfi", "-i", "sine=f=440:d=2",
            "-f", "lavfi", "-i", "sine=f=660:d=2",
            "-i", nullptr, // the subtitles
            "-map", "0", "-map", "1", "-map", "2", "-map", "3",
            "-c:v", "libx264", "-c:a", "aac", "-ac:a:0", "2", "-c:s", "srt",
            "-metadata:s:a:0", "language=eng", "-metadata:s:a:1", "language=deu",
            "-metadata:s:a:1", "title=Director's Commentary", "-disposition:a:1", "default+comment"};
        // clang-format on
        QStringList input;
        for (const char *argument : arguments)
            input << (argument ? qs(argument) : subtitles);
        return make(name, input);
    }

    // Sound only; the encoder is chosen by the name's extension (.ogg, .mp3, .wav).
    QString audio(const QString &name, int seconds = 3)
    {
        return make(name, {qs("-f"), qs("lavfi"), qs("-i"),
                           qs("sine=duration=") + QString::number(seconds)});
    }

    // A named pipe nobody writes to: a player that opens it waits for ever.
    QString fifo(const QString &name)
    {
        const QString file = path(name);
        EXPECT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        return file;
    }

    // Any file the encoder makes from `arguments` (its inputs and options).
    QString encoded(const QString &name, const QStringList &arguments)
    {
        return make(name, arguments);
    }

    // The encoder's output written to a pipe, as a recorder that streams
    // does: the file's header holds no length.
    QString piped(const QString &name, const QStringList &arguments)
    {
        const QString file = path(name);
        QProcess ffmpeg;
        ffmpeg.setStandardOutputFile(file);
        ffmpeg.start(qs("ffmpeg"),
                     QStringList{qs("-v"), qs("error")} + arguments + QStringList{qs("-")});
        EXPECT_TRUE(ffmpeg.waitForFinished(60000)) << name.toStdString();
        EXPECT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
        return file;
    }

    // The first `fraction` of a file, as a download that broke off leaves it.
    QString truncated(const QString &from, const QString &name, double fraction)
    {
        const QString file = copy(from, name);
        QFile f(file);
        EXPECT_TRUE(f.resize(static_cast<qint64>(f.size() * fraction)));
        return file;
    }

    QString copy(const QString &from, const QString &name)
    {
        const QString file = path(name);
        EXPECT_TRUE(QFile::copy(from, file)) << name.toStdString();
        return file;
    }

private:
    QString make(const QString &name, const QStringList &input)
    {
        const QString file = path(name);
        QProcess ffmpeg;
        ffmpeg.start(qs("ffmpeg"),
                     QStringList{qs("-v"), qs("error"), qs("-y")} + input + QStringList{file});
        EXPECT_TRUE(ffmpeg.waitForFinished(60000)) << name.toStdString();
        EXPECT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
        return file;
    }

    QTemporaryDir m_dir;
};

// The processes (of anyone) whose command line names `text`; a process that
// has ended, a zombie, names nothing.
inline QList<int> processesNaming(const QString &text)
{
    QList<int> found;
    const QStringList entries = QDir(qs("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        const int pid = entry.toInt(&isPid);
        QFile cmdline(qs("/proc/") + entry + qs("/cmdline"));
        if (isPid && cmdline.open(QIODevice::ReadOnly) &&
            QString::fromLocal8Bit(cmdline.readAll()).contains(text))
            found.append(pid);
    }
    return found;
}

// Process ids of this process's children that run `program` (zombies included).
inline QList<int> childProcesses(const QString &program)
{
    QList<int> found;
    const QString parent = QString::number(::getpid());
    const QStringList entries = QDir(qs("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        const int pid = entry.toInt(&isPid);
        if (!isPid)
            continue;
        QFile stat(qs("/proc/") + entry + qs("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (comm) state ppid ...
        const QString text = QString::fromLocal8Bit(stat.readAll());
        const qsizetype open = text.indexOf(u'(');
        const qsizetype close = text.lastIndexOf(u')');
        if (open < 0 || close < open)
            continue;
        const QStringList rest = text.mid(close + 2).split(u' ');
        if (text.mid(open + 1, close - open - 1) == program && rest.size() > 1 &&
            rest.at(1) == parent)
            found.append(pid);
    }
    return found;
}

// Container, duration in seconds and stream codecs of a media file, by ffprobe.
struct FileFacts
{
    QString format;
    double seconds = -1;
    QStringList codecs;
    int height = 0; // the first picture's
};

inline FileFacts inspect(const QString &path)
{
    QProcess probe;
    probe.start(qs("ffprobe"), {qs("-v"), qs("error"), qs("-show_entries"),
                                qs("format=format_name,duration:stream=codec_name,height"),
                                qs("-of"), qs("default=noprint_wrappers=1"), path});
    probe.waitForFinished(30000);
    FileFacts facts;
    for (const QString &line : QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n')) {
        if (line.startsWith(qs("duration=")))
            facts.seconds = line.mid(9).toDouble();
        else if (line.startsWith(qs("codec_name=")))
            facts.codecs << line.mid(11);
        else if (line.startsWith(qs("format_name=")))
            facts.format = line.mid(12);
        else if (line.startsWith(qs("height=")) && facts.height == 0)
            facts.height = line.mid(7).toInt();
    }
    return facts;
}

// The sound of a file as FFmpeg's EBU R128 meter sums it up: its integrated
// loudness in LUFS and its true peak in dBTP (-inf for silence).
struct Loudness
{
    double integrated = 99;
    double truePeak = 99;
};

inline Loudness loudnessOf(const QString &path)
{
    QProcess ffmpeg;
    ffmpeg.start(qs("ffmpeg"),
                 {qs("-hide_banner"), qs("-nostats"), qs("-i"), path, qs("-map"), qs("0:a:0"),
                  qs("-af"), qs("ebur128=peak=true"), qs("-f"), qs("null"), qs("-")});
    ffmpeg.waitForFinished(60000);
    const QString text = QString::fromUtf8(ffmpeg.readAllStandardError());
    const QString summary = text.mid(text.lastIndexOf(qs("Summary:")));
    const auto after = [&summary](const QString &label, const QString &unit) {
        const QString value = summary.section(label, 1).section(unit, 0, 0).trimmed();
        return value == qs("-inf") ? -std::numeric_limits<double>::infinity()
               : value.isEmpty()   ? 99.0
                                   : value.toDouble();
    };
    return {after(qs(" I:"), qs("LUFS")), after(qs("Peak:"), qs("dBFS"))};
}
