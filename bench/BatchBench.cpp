// What a batch costs beside the encoder commands it runs.
//
// The batch against the hand-run commands: `vantrel-cli convert` of several
// kinds of batch against the same encoder commands without the program,
// each as `vantrel-cli command --as-run` prints it for that file ("-y" in
// place of "-n", so that a run may write over the last one's output). The
// two sides alternate; each kind reports the median ratio of its pairs
// against its target. What stands against the batch:
// - the loop: the commands one after another, as a shell loop runs them;
// - the loop with the check: each command followed by the same decode of the
//   output's ends that the batch runs before it calls a row OK;
// - two at once: the commands run two at a time (xargs -P2);
// - HandBrakeCLI (where installed): its queue of the same files, one after
//   another, at the H.264 entry's settings (x264 veryfast RF 23, AAC 160k).
//
// Progress tick: one ProgressTicker::tick() on a statistics file of 1 KB and
// of 50 MB (a long film), against reading the whole file for its last line.
//
// Today's entries: a 720p film of 60 s through each of today's video
// entries, its time over the film's length, and against its command by hand.
//
// Loudness: rows with a loudness target against the same rows without, on
// a 720p film of 60 s and on a 5 s phone clip; and a table of sounds
// (speech-like, music-like, loud, quiet, dynamic, peaky, silent) brought to
// -16 LUFS, as FFmpeg's meter measures the outputs.
//
//   batch_bench [--pairs=N] [--today=T] [--loudness=L] [benchmark flags]
//   (N defaults to 3 pairs, 0 leaves the batches out; T pairs of today's
//   entries, none by default: they take minutes; L pairs for loudness, none
//   by default)

#include "core/convert/batch/ProgressTicker.h"
#include "core/convert/checks/EncoderStatus.h"
#include "core/convert/checks/PlayCheck.h"
#include "core/tools/ToolLocator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

using namespace vantrel;

namespace {

#ifndef VANTREL_CLI_PATH
#define VANTREL_CLI_PATH "vantrel-cli"
#endif

constexpr int kToolTimeoutMs = 600000;

int g_pairs = 3;
int g_today = 0;    // pairs for today's entries; none: they are left out
int g_loudness = 0; // pairs for loudness; none: it is left out

QString text(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

// Runs a tool to its end; false when it failed to start, timed out or exited
// with a non-zero code. Its standard output goes to `output` when given.
bool runTool(const QString &program, const QStringList &arguments,
             const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
             QString *output = nullptr)
{
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.setStandardInputFile(QProcess::nullDevice());
    if (!output)
        tool.setStandardOutputFile(QProcess::nullDevice());
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(program, arguments);
    const bool ok = tool.waitForFinished(kToolTimeoutMs) &&
                    tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    if (output)
        *output = QString::fromUtf8(tool.readAllStandardOutput());
    return ok;
}

// Runs every command, `parallel` at a time; false when one failed.
bool runAll(const QString &program, const QList<QStringList> &commands, int parallel)
{
    std::vector<std::unique_ptr<QProcess>> running;
    qsizetype next = 0;
    bool ok = true;
    while (next < commands.size() || !running.empty()) {
        while (next < commands.size() && int(running.size()) < parallel) {
            auto tool = std::make_unique<QProcess>();
            tool->setStandardInputFile(QProcess::nullDevice());
            tool->setStandardOutputFile(QProcess::nullDevice());
            tool->setStandardErrorFile(QProcess::nullDevice());
            tool->start(program, commands.at(next++));
            running.push_back(std::move(tool));
        }
        // The first to end makes room, as xargs does.
        for (auto it = running.begin(); it != running.end();) {
            if ((*it)->state() == QProcess::NotRunning || (*it)->waitForFinished(5)) {
                ok = ok && (*it)->exitStatus() == QProcess::NormalExit && (*it)->exitCode() == 0;
                it = running.erase(it);
            } else {
                ++it;
            }
        }
    }
    return ok;
}

// The words of a line as a POSIX shell reads them: blanks between words,
// single quotes around a word that is not plain, '\'' for a quote inside.
QStringList shellWords(const QString &line)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == u'\'')
                quoted = false;
            else
                word += c;
        } else if (c == u'\'') {
            quoted = true;
            inWord = true;
        } else if (c == u'\\' && i + 1 < line.size()) {
            word += line.at(++i);
            inWord = true;
        } else if (c == u' ') {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return words;
}

double secondsOf(const std::function<bool()> &run, bool &ok)
{
    const auto start = std::chrono::steady_clock::now();
    ok = run() && ok;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// ---- the batch against the hand-run commands ------------------------------------

enum class HandRun
{
    Loop,          // one command after another
    LoopWithCheck, // each followed by the check of its output
    TwoAtOnce      // two commands at a time
};

// What the clips are: an MPEG-4 AVI with MP3 sound, as of old, or a
// camera's H.264 MP4 with AAC sound.
enum class Source
{
    OldAvi,
    CameraMp4
};

struct Scenario
{
    const char *name;
    int clips;
    double seconds;
    const char *size;
    int entry;
    int jobs;
    HandRun against;
    double target; // the ratio to stay under
    Source source = Source::OldAvi;
};

constexpr Scenario kScenarios[] = {
    {"20 clips of 1 s, profile 13, one at a time", 20, 1, "320x240", 13, 1, HandRun::Loop, 1.05},
    {"3 clips of 4 s, profile 13, one at a time", 3, 4, "320x240", 13, 1, HandRun::Loop, 1.05},
    {"one clip of 4 s, profile 13 (and its check by hand)", 1, 4, "320x240", 13, 1,
     HandRun::LoopWithCheck, 1.05},
    {"20 clips of 1 s, profile 13, two at once", 20, 1, "320x240", 13, 2, HandRun::Loop, 0.65},
    {"6 clips of 10 s at 720p, H.264, two at once", 6, 10, "1280x720", 103, 2, HandRun::TwoAtOnce,
     1.03, Source::CameraMp4},
};

// The clips of a batch, the commands that convert them by hand and the CLI
// run that converts them as a batch.
class Batch
{
public:
    Batch(const Scenario &scenario)
        : m_scenario(scenario), m_encoder(ToolLocator::find(ToolLocator::kEncoder))
    {
        m_environment.insert(text("VANTREL_DATA_DIR"), folder("data"));
        if (m_encoder.isEmpty() || ToolLocator::find(ToolLocator::kPlayer).isEmpty()) {
            m_error = text("the encoder or the player is missing");
            return;
        }
        for (const char *name : {"data", "direct", "cli", "handbrake"})
            QDir().mkpath(folder(name));
        makeClips();
        if (m_error.isEmpty())
            makeDirectRuns();
    }

    const QString &error() const { return m_error; }
    const QStringList &clips() const { return m_clips; }

    bool runDirect() const
    {
        clear("direct");
        switch (m_scenario.against) {
        case HandRun::Loop:
            return runAll(m_encoder, m_directRuns, 1);
        case HandRun::TwoAtOnce:
            return runAll(m_encoder, m_directRuns, 2);
        case HandRun::LoopWithCheck:
            for (qsizetype i = 0; i < m_directRuns.size(); ++i) {
                if (!runTool(m_encoder, m_directRuns.at(i)) ||
                    !runTool(m_encoder, playCheckArguments(m_directOutputs.at(i))))
                    return false;
            }
            return true;
        }
        return false;
    }

    bool runCli(const QStringList &options = {}) const
    {
        const QStringList arguments = {
            text("convert"),      text("--profile"), QString::number(m_scenario.entry),
            text("--output-dir"), folder("cli"),     text("--existing"),
            text("overwrite"),    text("--jobs"),    QString::number(m_scenario.jobs)};
        return runTool(QString::fromUtf8(VANTREL_CLI_PATH),
                       arguments + options + QStringList{text("--")} + m_clips, m_environment);
    }

    // HandBrakeCLI's queue of the same files at the H.264 entry's settings;
    // false when it is not installed or failed.
    bool runHandBrake() const
    {
        const QString handBrake = QStandardPaths::findExecutable(text("HandBrakeCLI"));
        if (handBrake.isEmpty())
            return false;
        for (const QString &clip : m_clips) {
            const QString out =
                folder("handbrake") + u'/' + QFileInfo(clip).completeBaseName() + text(".mp4");
            if (!runTool(handBrake,
                         {text("-i"), clip, text("-o"), out, text("-e"), text("x264"),
                          text("--encoder-preset"), text("veryfast"), text("-q"), text("23"),
                          text("-E"), text("av_aac"), text("-B"), text("160")}))
                return false;
        }
        return true;
    }

    QString folder(const char *name) const { return m_dir.filePath(text(name)); }

private:
    void makeClips()
    {
        const bool camera = m_scenario.source == Source::CameraMp4;
        const QString extension = camera ? text(".mp4") : text(".avi");
        const QString clip = m_dir.filePath(text("source") + extension);
        const QString seconds = QString::number(m_scenario.seconds);
        const QStringList codecs =
            camera ? QStringList{text("-c:v"),     text("libx264"), text("-preset"), text("fast"),
                                 text("-pix_fmt"), text("yuv420p"), text("-c:a"),    text("aac")}
                   : QStringList{text("-c:v"), text("mpeg4"), text("-q:v"),
                                 text("3"),    text("-c:a"),  text("libmp3lame")};
        if (!runTool(m_encoder, QStringList{text("-y"), text("-f"), text("lavfi"), text("-i"),
                                            text("testsrc=rate=25:size=") + text(m_scenario.size) +
                                                text(":duration=") + seconds,
                                            text("-f"), text("lavfi"), text("-i"),
                                            text("sine=duration=") + seconds} +
                                    codecs + QStringList{text("-shortest"), clip})) {
            m_error = text("the clips could not be made");
            return;
        }
        for (int i = 1; i <= m_scenario.clips; ++i) {
            const QString copy =
                m_dir.filePath(QStringLiteral("clip %1").arg(i, 3, 10, QChar(u'0')) + extension);
            QFile::copy(clip, copy);
            m_clips.append(copy);
        }
    }

    // Each clip's command as `command --as-run` prints it.
    void makeDirectRuns()
    {
        for (const QString &clip : std::as_const(m_clips)) {
            const QString output =
                folder("direct") + u'/' + QFileInfo(clip).completeBaseName() + text(".mp4");
            QString printed;
            if (!runTool(QString::fromUtf8(VANTREL_CLI_PATH),
                         {text("command"), text("--profile"), QString::number(m_scenario.entry),
                          text("--source"), clip, text("--output"), output, text("--stats-file"),
                          folder("direct") + text("/curconvert.log"), text("--as-run")},
                         m_environment, &printed)) {
                m_error = text("command --as-run failed");
                return;
            }
            QStringList words = shellWords(printed.trimmed());
            if (words.size() < 3 || printed.trimmed().contains(u'\n')) {
                m_error = text("command --as-run printed no single command: ") + printed;
                return;
            }
            words.removeFirst(); // the encoder
            words.replaceInStrings(QRegularExpression(text("^-n$")), text("-y"));
            m_directRuns << words;
            m_directOutputs << output;
        }
    }

    void clear(const char *name) const
    {
        QDir dir(folder(name));
        for (const QString &file : dir.entryList(QDir::Files))
            dir.remove(file);
    }

    Scenario m_scenario;
    QString m_encoder;
    QTemporaryDir m_dir;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    QStringList m_clips;
    QList<QStringList> m_directRuns;
    QStringList m_directOutputs;
    QString m_error;
};

struct Comparison
{
    bool ok = true;
    double ratio = 0;
    double first = 0;  // mean seconds of the first side
    double second = 0; // of the second
};

// The two sides alternately, `pairs` times after one of each to warm the
// caches (the tools, the clips, the remembered encoder list).
Comparison compare(int pairs, const std::function<bool()> &first,
                   const std::function<bool()> &second)
{
    Comparison c;
    c.ok = first() && second();
    std::vector<double> ratios;
    for (int pair = 0; c.ok && pair < pairs; ++pair) {
        const double a = secondsOf(second, c.ok);
        const double b = secondsOf(first, c.ok);
        c.first += b / pairs;
        c.second += a / pairs;
        ratios.push_back(b / a);
    }
    c.ratio = median(ratios);
    return c;
}

bool report(const char *name, const Comparison &c, double target)
{
    if (!c.ok) {
        std::printf("  %-54s failed\n", name);
        return false;
    }
    const bool met = c.ratio <= target;
    std::printf("  %-54s %7.0f ms against %7.0f ms  ratio %.3f (target %.2f) %s\n", name,
                c.first * 1000, c.second * 1000, c.ratio, target, met ? "met" : "MISSED");
    std::fflush(stdout);
    return met;
}

bool compareWithHandRunCommands(int pairs)
{
    bool allMet = true;
    std::printf("\nvantrel-cli convert against the same encoder commands run by hand "
                "(median of %d pairs):\n",
                pairs);
    for (const Scenario &scenario : kScenarios) {
        const Batch batch(scenario);
        if (!batch.error().isEmpty()) {
            std::printf("  %-54s failed: %s\n", scenario.name, qPrintable(batch.error()));
            allMet = false;
            continue;
        }
        allMet =
            report(scenario.name,
                   compare(
                       pairs, [&] { return batch.runCli(); }, [&] { return batch.runDirect(); }),
                   scenario.target) &&
            allMet;
        if (scenario.entry == 103 &&
            !QStandardPaths::findExecutable(text("HandBrakeCLI")).isEmpty())
            allMet = report("  the same against HandBrakeCLI's queue",
                            compare(
                                pairs, [&] { return batch.runCli(); },
                                [&] { return batch.runHandBrake(); }),
                            0.77) &&
                     allMet;
    }
    return allMet;
}

// ---- today's entries ----------------------------------------------------------

struct TodayTarget
{
    int entry;
    const char *name;
    double realTime; // the most the conversion may take, in the film's lengths
};

constexpr TodayTarget kTodayTargets[] = {
    {103, "H.264", 1.0}, {104, "H.265", 3.0},     {105, "VP9", 1.0},
    {106, "AV1", 3.0},   {107, "MKV copy", 0.05}, {108, "MP4 copy", 0.05},
};

bool compareTodaysEntries(int pairs)
{
    bool allMet = true;
    std::printf("\nToday's entries on a 720p film of 60 s (median of %d pairs):\n", pairs);
    for (const TodayTarget &target : kTodayTargets) {
        const Scenario film = {target.name,   1,   60, "1280x720", target.entry, 1,
                               HandRun::Loop, 1.02};
        const Batch batch(film);
        const Comparison c = compare(
            pairs, [&] { return batch.error().isEmpty() && batch.runCli(); },
            [&] { return batch.runDirect(); });
        if (!c.ok) {
            std::printf("  %-10s failed\n", target.name);
            allMet = false;
            continue;
        }
        const double realTime = c.first / film.seconds;
        const bool met = c.ratio <= film.target && realTime <= target.realTime;
        allMet = allMet && met;
        std::printf("  %-10s %6.2f of real time (target %.2f), against the command by hand %.3f "
                    "(target %.2f) %s\n",
                    target.name, realTime, target.realTime, c.ratio, film.target,
                    met ? "met" : "MISSED");
    }
    return allMet;
}

// ---- loudness -----------------------------------------------------------------

struct Meter
{
    bool read = false;     // the meter summed the sound up
    double integrated = 0; // LUFS
    double truePeak = 0;   // dBTP
};

// The sound of `path` as FFmpeg's EBU R128 meter sums it up.
Meter meterSound(const QString &encoder, const QString &path)
{
    QProcess meter;
    meter.start(encoder, {text("-hide_banner"), text("-nostats"), text("-i"), path, text("-map"),
                          text("0:a:0"), text("-af"), text("ebur128=peak=true"), text("-f"),
                          text("null"), text("-")});
    if (!meter.waitForFinished(kToolTimeoutMs))
        return Meter();
    const QString messages = QString::fromUtf8(meter.readAllStandardError());
    const QString summary = messages.mid(messages.lastIndexOf(text("Summary:")));
    const auto after = [&summary](const char *label, const char *unit) {
        const QString value = summary.section(text(label), 1).section(text(unit), 0, 0).trimmed();
        return value == text("-inf") ? -std::numeric_limits<double>::infinity() : value.toDouble();
    };
    if (summary.isEmpty())
        return Meter();
    return Meter{true, after(" I:", "LUFS"), after("Peak:", "dBFS")};
}

// A phone's clip: 720p H.264 turned a quarter, AAC at 48 kHz, speech-like sound.
QString makePhoneClip(const QString &folder, double seconds)
{
    const QString path = folder + text("/phone.mp4");
    const QString length = QString::number(seconds);
    const bool made =
        runTool(ToolLocator::find(ToolLocator::kEncoder),
                {text("-y"),
                 text("-f"),
                 text("lavfi"),
                 text("-i"),
                 text("testsrc2=size=1280x720:rate=30:duration=") + length,
                 text("-f"),
                 text("lavfi"),
                 text("-i"),
                 text("anoisesrc=c=pink:a=0.3:r=48000:d=") + length +
                     text(",highpass=f=120,lowpass=f=3500,volume='0.05+0.95*gt(sin(2*PI*3*t)*"
                          "sin(2*PI*0.4*t),0.1)':eval=frame"),
                 text("-c:v"),
                 text("libx264"),
                 text("-preset"),
                 text("veryfast"),
                 text("-pix_fmt"),
                 text("yuv420p"),
                 text("-c:a"),
                 text("aac"),
                 text("-metadata:s:v:0"),
                 text("rotate=90"),
                 text("-shortest"),
                 path});
    return made ? path : QString();
}

// Rows with a loudness target against the same rows without, side by side.
bool compareLoudnessTime(int pairs)
{
    std::printf("\nLoudness -16 LUFS through H.264, the row with it against the row without "
                "(median of %d pairs):\n",
                pairs);
    const QStringList loudness = {text("--loudness"), text("-16")};
    constexpr Scenario film = {"a 720p film of 60 s", 1,   60, "1280x720", 103, 1,
                               HandRun::Loop,         1.10};
    const Batch batch(film);
    bool met =
        report(film.name,
               compare(
                   pairs, [&] { return batch.runCli(loudness); }, [&] { return batch.runCli(); }),
               film.target);

    // The phone's clip, converted as its own batch.
    QTemporaryDir dir;
    const QString clip = makePhoneClip(dir.path(), 5);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(text("VANTREL_DATA_DIR"), dir.filePath(text("data")));
    const auto convert = [&](const QStringList &options) {
        return !clip.isEmpty() &&
               runTool(QString::fromUtf8(VANTREL_CLI_PATH),
                       QStringList{text("convert"), text("--profile"), text("103"),
                                   text("--output-dir"), dir.filePath(text("out")),
                                   text("--existing"), text("overwrite")} +
                           options + QStringList{text("--"), clip},
                       environment);
    };
    met = report("a phone's clip of 5 s",
                 compare(
                     pairs, [&] { return convert(loudness); }, [&] { return convert({}); }),
                 1.4) &&
          met;
    return met;
}

struct LoudnessClip
{
    const char *name;
    const char *source; // lavfi sound, 20 s
};

constexpr LoudnessClip kLoudnessClips[] = {
    {"speech-like (pink noise in syllables and pauses)",
     "anoisesrc=c=pink:a=0.3:d=20,highpass=f=120,lowpass=f=3500,"
     "volume='0.05+0.95*gt(sin(2*PI*3*t)*sin(2*PI*0.4*t),0.1)':eval=frame"},
    {"music-like (a chord, slow swell)",
     "aevalsrc='(0.2*sin(2*PI*220*t)+0.15*sin(2*PI*277.2*t)+0.12*sin(2*PI*329.6*t))*"
     "(0.6+0.4*sin(2*PI*0.2*t))':d=20:c=mono"},
    {"loud (white noise near full scale)", "anoisesrc=a=0.9:d=20"},
    {"quiet (a tone at -50 dBFS)", "sine=f=500:d=20,volume=-32dB"},
    {"dynamic (quiet, a loud burst, quiet)",
     "anoisesrc=c=pink:a=0.02:d=8[a];anoisesrc=c=pink:a=0.7:d=4[b];anoisesrc=c=pink:a=0.02:d=8[c];"
     "[a][b][c]concat=n=3:v=0:a=1"},
    {"peaky (a quiet tone with clicks)",
     "aevalsrc='0.02*sin(2*PI*440*t)+0.95*lt(mod(t,2),0.002)':d=20:c=mono"},
    {"noise at -40 dBFS", "anoisesrc=a=0.01:d=20"},
    {"silence", "anullsrc=d=20:r=48000"},
};

// Each clip through H.264 (AAC) and Opus to -16 LUFS, measured after.
bool loudnessTable()
{
    QTemporaryDir dir;
    const QString encoder = ToolLocator::find(ToolLocator::kEncoder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(text("VANTREL_DATA_DIR"), dir.filePath(text("data")));
    std::printf("\nLoudness -16 LUFS, true peak at most -1 dBTP (ebur128 after the conversion):\n"
                "  %-50s %-16s %-22s %-22s\n",
                "clip", "source", "H.264 (AAC)", "Opus");
    bool allMet = true;
    int number = 0;
    for (const LoudnessClip &clip : kLoudnessClips) {
        const QString source = dir.filePath(QStringLiteral("clip%1.wav").arg(++number));
        bool ok = runTool(encoder, {text("-y"), text("-filter_complex"), text(clip.source),
                                    text("-c:a"), text("pcm_s16le"), source});
        const Meter before = ok ? meterSound(encoder, source) : Meter();
        QString cells;
        bool met = before.read;
        for (const int entry : {103, 110}) {
            const QString folder = dir.filePath(QStringLiteral("out%1").arg(entry));
            QString printed;
            ok = runTool(QString::fromUtf8(VANTREL_CLI_PATH),
                         {text("convert"), text("--profile"), QString::number(entry),
                          text("--loudness"), text("-16"), text("--output-dir"), folder,
                          text("--existing"), text("overwrite"), text("--"), source},
                         environment, &printed);
            const QString output = printed.section(u'\t', 2, 2).section(u'\n', 0, 0);
            const Meter after = ok ? meterSound(encoder, output) : Meter();
            if (!after.read) {
                cells += QStringLiteral("%1 ").arg(text("failed"), -22);
                met = false;
                continue;
            }
            const bool silent = !std::isfinite(before.integrated) || before.integrated <= -70;
            met =
                met && after.truePeak <= -1.0 && (silent || std::abs(after.integrated + 16) <= 1.0);
            cells += QStringLiteral("%1 LUFS %2 dBTP   ")
                         .arg(after.integrated, 5, 'f', 1)
                         .arg(after.truePeak, 5, 'f', 1);
        }
        allMet = allMet && met;
        std::printf("  %-50s %5.1f / %5.1f  %s%s\n", clip.name, before.integrated, before.truePeak,
                    qPrintable(cells), met ? "met" : "MISSED");
    }
    return allMet;
}

// ---- progress tick ------------------------------------------------------------

// Statistics files as the encoder writes them, one line per frame, 25 frames
// a second.
class StatisticsFiles
{
public:
    QString pathFor(qint64 bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("stats-%1.log").arg(bytes));
        if (!QFile::exists(path))
            write(path, bytes);
        return path;
    }

private:
    static void write(const QString &path, qint64 bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return;
        QByteArray chunk;
        qint64 written = 0;
        char line[256];
        for (int frame = 1; written < bytes; ++frame) {
            const double seconds = frame / 25.0;
            const int size = 6 + frame / 10;
            const int length = std::snprintf(
                line, sizeof line,
                "out=  0 st=  0 frame= %5d q= -1.0 f_size= %6d s_size= %8dkB time= %.3f br= "
                "%7.1fkbits/s avg_br= %7.1fkbits/s type= %c\n",
                frame, 80 + frame % 700, size, seconds, 17.2 + frame % 50, 51.7,
                frame % 12 == 1 ? 'I' : 'P');
            chunk.append(line, length);
            written += length;
            if (chunk.size() > (1 << 20)) {
                file.write(chunk);
                chunk.clear();
            }
        }
        file.write(chunk);
    }

    QTemporaryDir m_dir;
};

StatisticsFiles &statisticsFiles()
{
    static StatisticsFiles files;
    return files;
}

void BM_ProgressTick(benchmark::State &state)
{
    const QString path = statisticsFiles().pathFor(state.range(0));
    ProgressTicker ticker(path);
    ticker.setDurationSeconds(7200);
    for (auto _ : state)
        ticker.tick();
    if (!encodedSecondsOfStatsLine(lastCompleteLine(readFileTail(path))))
        state.SkipWithError("the tick found no encoded time");
}

// The same answer from the whole file: what a tick would cost if it read
// everything, as a reference.
void BM_WholeFileLastLine(benchmark::State &state)
{
    const QString path = statisticsFiles().pathFor(state.range(0));
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(encodedSecondsOfStatsLine(lastCompleteLine(file.readAll())));
    }
}

constexpr qint64 kSmallFile = 1024;
constexpr qint64 kLargeFile = 50LL * 1024 * 1024;

BENCHMARK(BM_ProgressTick)->Arg(kSmallFile)->Arg(kLargeFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeFileLastLine)->Arg(kSmallFile)->Arg(kLargeFile)->Unit(benchmark::kMicrosecond);

// Takes "--pairs=N", "--today=T" and "--loudness=L" out of the arguments.
bool takeOwnArguments(int &argc, char **argv)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strncmp(arg, "--pairs=", 8) == 0)
            g_pairs = std::atoi(arg + 8);
        else if (std::strncmp(arg, "--today=", 8) == 0)
            g_today = std::atoi(arg + 8);
        else if (std::strncmp(arg, "--loudness=", 11) == 0)
            g_loudness = std::atoi(arg + 11);
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return g_pairs >= 0 && g_today >= 0 && g_loudness >= 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (!takeOwnArguments(argc, argv)) {
        std::fprintf(stderr, "batch_bench: --pairs, --today and --loudness take a count\n");
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    QCoreApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const bool batches = g_pairs ? compareWithHandRunCommands(g_pairs) : true;
    const bool today = g_today ? compareTodaysEntries(g_today) : true;
    bool loudness = true;
    if (g_loudness) {
        loudness = compareLoudnessTime(g_loudness);
        loudness = loudnessTable() && loudness;
    }
    return batches && today && loudness ? 0 : 1;
}
