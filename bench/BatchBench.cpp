// Two costs of a batch conversion.
//
// The batch against the hand-run commands: `vantrel-cli convert` of a few
// kinds of batch (many clips two at once, one short clip, one long 720p
// file) against the same encoder commands run one after another without the
// program, each built as the batch builds it (buildConversionJob,
// buildEncoderCommand, encoderRunArguments). The two sides alternate, and
// each kind reports the median ratio of its pairs against its target.
//
// Progress tick: one ProgressTicker::tick() on a statistics file of 1 KB and
// of 50 MB (a long film), against reading the whole file for its last line.
// The tick reads only the file's tail, so its cost must not grow with the file.
//
// Today's entries: a 720p film of 60 s through each of today's video entries,
// its time over the film's length, and against the same command by hand.
//
// Loudness: the same film through H.264 with and without a loudness target,
// side by side, its measuring pass against decoding the picture; and a table
// of sounds (speech-like, music-like, loud, quiet, dynamic, peaky, silent)
// brought to -16 LUFS, as FFmpeg's meter measures the outputs.
//
//   batch_bench [--pairs=N] [--profile=E] [--today=T] [--loudness=L] [benchmark flags]
//   (N defaults to 3 pairs, 0 leaves the batches out; E to 49, an MPEG-4
//   AVI profile; T pairs of
//   today's entries, none by default: they take minutes; L pairs for loudness,
//   none by default)

#include "core/convert/ConversionProgress.h"
#include "core/convert/EncoderCommand.h"
#include "core/convert/EncoderInvocation.h"
#include "core/convert/JobBuilder.h"
#include "core/convert/LoudnessPlan.h"
#include "core/convert/OutputNaming.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/profiles/ProfileDefaults.h"
#include "core/records/ConversionJob.h"
#include "core/tools/ToolLocator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
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

constexpr int kToolTimeoutMs = 300000;

int g_pairs = 3;
int g_today = 0;    // pairs for today's entries; none: they are left out
int g_loudness = 0; // pairs for loudness; none: it is left out
int g_profile = 49;

QString text(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

// Runs a tool to its end; false when it failed to start, timed out or exited
// with a non-zero code.
bool runTool(const QString &program, const QStringList &arguments,
             const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.setStandardInputFile(QProcess::nullDevice());
    tool.setStandardOutputFile(QProcess::nullDevice());
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(program, arguments);
    return tool.waitForFinished(kToolTimeoutMs) && tool.exitStatus() == QProcess::NormalExit &&
           tool.exitCode() == 0;
}

// ---- batch against the hand-run commands --------------------------------------

// One comparison: `clips` copies of a clip of `seconds` at `size`, converted
// by `vantrel-cli convert --jobs N` against the same encoder commands run one
// after another by hand (built as the batch builds them), side by side:
// the two alternate, and the ratio is the median of the pairs'.
struct Scenario
{
    const char *name;
    int clips;
    double seconds;
    const char *size;
    int jobs;
    double target; // the ratio to stay under
};

constexpr Scenario kScenarios[] = {
    {"20 clips of 1 s, two at once", 20, 1, "160x120", 2, 0.75},
    {"300 tiny clips, two at once", 300, 0.2, "96x72", 2, 0.70},
    {"one clip of 4 s", 1, 4, "320x240", 1, 1.03},
    {"one 720p file of 60 s", 1, 60, "1280x720", 1, 1.01},
};

struct ScenarioSetup
{
    QTemporaryDir dir;
    QString encoder = ToolLocator::find(ToolLocator::kEncoder);
    QStringList clips;
    QList<QStringList> directRuns;
    QString error;

    QString folder(const char *name) const { return dir.filePath(text(name)); }

    int profile = g_profile;

    ScenarioSetup(const Scenario &scenario, int entry) : profile(entry)
    {
        if (encoder.isEmpty() || ToolLocator::find(ToolLocator::kPlayer).isEmpty()) {
            error = text("the encoder or the player is missing");
            return;
        }
        for (const char *name : {"data", "direct", "cli"})
            QDir().mkpath(folder(name));
        const QString clip = dir.filePath(text("source.avi"));
        const QString seconds = QString::number(scenario.seconds);
        if (!runTool(
                encoder,
                {text("-y"), text("-f"), text("lavfi"), text("-i"),
                 text("testsrc=rate=25:size=") + text(scenario.size) + text(":duration=") + seconds,
                 text("-f"), text("lavfi"), text("-i"), text("sine=duration=") + seconds,
                 text("-c:v"), text("mpeg4"), text("-q:v"), text("3"), text("-c:a"),
                 text("libmp3lame"), text("-shortest"), clip})) {
            error = text("the clips could not be made");
            return;
        }
        for (int i = 1; i <= scenario.clips; ++i) {
            const QString copy =
                dir.filePath(QStringLiteral("clip %1.avi").arg(i, 3, 10, QChar(u'0')));
            QFile::copy(clip, copy);
            clips.append(copy);
        }
        makeDirectRuns();
    }

    // The commands the batch builds for the clips (whole files), with an
    // empty settings file and the overwrite policy the CLI run is given.
    void makeDirectRuns()
    {
        QProcess query;
        query.start(encoder, {text("-hide_banner"), text("-encoders")});
        query.waitForFinished(kToolTimeoutMs);
        const QSet<QString> available =
            parseEncoderList(QString::fromLocal8Bit(query.readAllStandardOutput()));
        OptionSheet sheet;
        sheet.build();
        applyProfileDefaults(sheet, profile);
        constexpr ExistingFilePolicy overwrite = ExistingFilePolicy::Overwrite;
        for (const QString &clip : std::as_const(clips)) {
            const Expected<ConversionJob> built = buildConversionJob(
                clip, profile, sheet.conversionOptions(), text("0:00:00"), text("0:00:00"));
            if (!built) {
                error = built.error();
                return;
            }
            ConversionJob job = *built;
            job.outputPath = outputPathFor(clip, folder("direct"), job.outputExtension, overwrite,
                                           [](const QString &) { return false; })
                                 .path;
            const Expected<EncoderCommand> command = buildEncoderCommand(
                {job, QString(), encoder, dir.filePath(text("direct/curconvert.log"))});
            if (!command) {
                error = command.error();
                return;
            }
            directRuns.append(encoderRunArguments(*command, overwrite, available, true));
        }
    }

    bool runDirect() const
    {
        for (const QStringList &arguments : directRuns) {
            if (!runTool(encoder, arguments))
                return false;
        }
        return true;
    }

    bool runCli(int jobs, const QStringList &options = {}) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // A data folder of its own: no settings file, so no power-off either.
        environment.insert(text("VANTREL_DATA_DIR"), folder("data"));
        const QStringList arguments = {
            text("convert"),      text("--profile"), QString::number(profile),
            text("--output-dir"), folder("cli"),     text("--existing"),
            text("overwrite"),    text("--jobs"),    QString::number(jobs)};
        return runTool(QString::fromUtf8(VANTREL_CLI_PATH),
                       arguments + options + QStringList{text("--")} + clips, environment);
    }
};

double secondsOf(const std::function<bool()> &run, bool &ok)
{
    const auto start = std::chrono::steady_clock::now();
    ok = run() && ok;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs every scenario side by side and prints its ratio against its target;
// false when one missed it.
bool compareWithHandRunCommands(int pairs)
{
    bool allMet = true;
    std::printf("\nvantrel-cli convert against the same encoder commands run by hand "
                "(profile %d, median of %d pairs):\n",
                g_profile, pairs);
    for (const Scenario &scenario : kScenarios) {
        ScenarioSetup setup(scenario, g_profile);
        bool ok = setup.error.isEmpty();
        if (ok) {
            // Warm the caches: the tools, the clips, the remembered encoder list.
            ok = setup.runDirect() && setup.runCli(scenario.jobs);
        }
        std::vector<double> ratios;
        double cli = 0;
        double direct = 0;
        for (int pair = 0; ok && pair < pairs; ++pair) {
            const double d = secondsOf([&] { return setup.runDirect(); }, ok);
            const double c = secondsOf([&] { return setup.runCli(scenario.jobs); }, ok);
            direct += d;
            cli += c;
            ratios.push_back(c / d);
        }
        if (!ok) {
            std::printf("  %-32s failed: %s\n", scenario.name,
                        setup.error.isEmpty() ? "a run failed"
                                              : setup.error.toLocal8Bit().constData());
            allMet = false;
            continue;
        }
        std::sort(ratios.begin(), ratios.end());
        const double ratio = ratios[ratios.size() / 2];
        const bool met = ratio <= scenario.target;
        allMet = allMet && met;
        std::printf("  %-32s %8.0f ms against %8.0f ms  ratio %.2f (target %.2f) %s\n",
                    scenario.name, cli / pairs * 1000, direct / pairs * 1000, ratio,
                    scenario.target, met ? "met" : "MISSED");
    }
    return allMet;
}

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
    constexpr Scenario film = {"a 720p film of 60 s", 1, 60, "1280x720", 1, 1.02};
    bool allMet = true;
    std::printf("\nToday's entries on %s (median of %d pairs):\n", film.name, pairs);
    for (const TodayTarget &target : kTodayTargets) {
        ScenarioSetup setup(film, target.entry);
        bool ok = setup.error.isEmpty() && setup.runCli(1); // warms the caches
        std::vector<double> ratios;
        std::vector<double> times;
        for (int pair = 0; ok && pair < pairs; ++pair) {
            const double d = secondsOf([&] { return setup.runDirect(); }, ok);
            const double c = secondsOf([&] { return setup.runCli(1); }, ok);
            ratios.push_back(c / d);
            times.push_back(c);
        }
        if (!ok) {
            std::printf("  %-10s failed\n", target.name);
            allMet = false;
            continue;
        }
        std::sort(ratios.begin(), ratios.end());
        std::sort(times.begin(), times.end());
        const double ratio = ratios[ratios.size() / 2];
        const double realTime = times[times.size() / 2] / film.seconds;
        const bool met = ratio <= film.target && realTime <= target.realTime;
        allMet = allMet && met;
        std::printf("  %-10s %6.2f of real time (target %.2f), against the command by hand %.3f "
                    "(target %.2f) %s\n",
                    target.name, realTime, target.realTime, ratio, film.target,
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

// The time of the 60 s 720p H.264 row with and without loudness, side by
// side, and of its measuring pass alone against the picture's decoding:
// the measure reads the sound only.
bool compareLoudnessTime(int pairs)
{
    constexpr Scenario film = {"a 720p film of 60 s", 1, 60, "1280x720", 1, 1.10};
    constexpr int kEntry = 103;
    ScenarioSetup setup(film, kEntry);
    const QStringList loudness = {text("--loudness"), text("-16")};
    bool ok = setup.error.isEmpty() && setup.runCli(1) && setup.runCli(1, loudness);
    std::vector<double> ratios;
    double plain = 0;
    double loud = 0;
    for (int pair = 0; ok && pair < pairs; ++pair) {
        const double p = secondsOf([&] { return setup.runCli(1); }, ok);
        const double l = secondsOf([&] { return setup.runCli(1, loudness); }, ok);
        plain += p;
        loud += l;
        ratios.push_back(l / p);
    }
    std::printf("\nLoudness -16 LUFS on %s through H.264 (median of %d pairs):\n", film.name,
                pairs);
    if (!ok) {
        std::printf("  failed\n");
        return false;
    }

    // The measuring pass as the row runs it, and the same reading of the
    // source with its picture decoded.
    OptionSheet sheet;
    sheet.build();
    applyProfileDefaults(sheet, kEntry);
    sheet.setValue(text("Audio Options"), text("Loudness"), text("-16"));
    const Expected<ConversionJob> built =
        buildConversionJob(setup.clips.constFirst(), kEntry, sheet.conversionOptions(),
                           text("0:00:00"), text("0:01:00"));
    SourceFacts facts;
    StreamFacts picture;
    picture.kind = StreamFacts::Kind::Video;
    picture.width = 1280;
    picture.height = 720;
    StreamFacts sound;
    sound.index = 1;
    sound.kind = StreamFacts::Kind::Audio;
    sound.channels = 1;
    sound.sampleRate = 44100;
    facts.streams = {picture, sound};
    QStringList measure;
    if (built) {
        ConversionJob job = *built;
        job.outputPath = setup.folder("direct") + text("/film.mp4");
        const Expected<EncoderCommand> command =
            buildEncoderCommand({job, QString(), setup.encoder, QString()});
        LoudnessPlan plan(PassContext{job, facts, true, QString()}, -16);
        const PassStep step = command ? plan.begin(*command) : PassStep::done();
        if (step.kind == PassStep::Kind::Run)
            measure =
                encoderRunArguments(step.pass.command, ExistingFilePolicy::Overwrite, {}, true);
    }
    QStringList withPicture = measure;
    withPicture.removeAll(text("-vn"));
    bool measured = !measure.isEmpty();
    const double measuring = secondsOf([&] { return runTool(setup.encoder, measure); }, measured);
    const double decoding =
        secondsOf([&] { return runTool(setup.encoder, withPicture); }, measured);

    std::sort(ratios.begin(), ratios.end());
    const double ratio = ratios[ratios.size() / 2];
    const bool met = ratio <= film.target && measured;
    std::printf("  with loudness %.1f s against %.1f s without: ratio %.3f (target %.2f) %s\n",
                loud / pairs, plain / pairs, ratio, film.target, met ? "met" : "MISSED");
    std::printf("  its measuring pass %.2f s (%.0f times the film's speed); with the picture "
                "decoded it would take %.2f s\n",
                measuring, film.seconds / measuring, decoding);
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
            QProcess cli;
            cli.setProcessEnvironment(environment);
            cli.start(QString::fromUtf8(VANTREL_CLI_PATH),
                      {text("convert"), text("--profile"), QString::number(entry),
                       text("--loudness"), text("-16"), text("--output-dir"), folder,
                       text("--existing"), text("overwrite"), text("--"), source});
            ok = cli.waitForFinished(kToolTimeoutMs) && cli.exitCode() == 0;
            const QString output = QString::fromUtf8(cli.readAllStandardOutput())
                                       .section(u'\t', 2, 2)
                                       .section(u'\n', 0, 0);
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
                    cells.toLocal8Bit().constData(), met ? "met" : "MISSED");
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

// Takes "--pairs=N", "--today=T", "--loudness=L" and "--profile=E" out of the arguments.
bool takeOwnArguments(int &argc, char **argv)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strncmp(arg, "--pairs=", 8) == 0) {
            g_pairs = std::atoi(arg + 8);
        } else if (std::strncmp(arg, "--today=", 8) == 0) {
            g_today = std::atoi(arg + 8);
        } else if (std::strncmp(arg, "--loudness=", 11) == 0) {
            g_loudness = std::atoi(arg + 11);
        } else if (std::strncmp(arg, "--profile=", 10) == 0) {
            g_profile = std::atoi(arg + 10);
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return g_pairs >= 0 && g_profile >= kFirstEntry && g_profile <= kLastEntry;
}

} // namespace

int main(int argc, char **argv)
{
    if (!takeOwnArguments(argc, argv)) {
        std::fprintf(stderr,
                     "batch_bench: --pairs takes a number (0: no batches), --profile "
                     "1..%d\n",
                     kLastEntry);
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
    const bool loudness = g_loudness ? compareLoudnessTime(g_loudness) && loudnessTable() : true;
    return batches && today && loudness ? 0 : 1;
}
