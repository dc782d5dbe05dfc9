// Two costs of a batch conversion.
//
// Batch overhead: `vantrel-cli convert` of N small clips with one profile,
// against the same encoder commands run back to back without the program
// (each built as the batch builds it, buildEncoderCommand then
// encoderRunArguments). The difference is what the batch adds around the
// encoder: the background probes, the encoder-list query, the output checks
// and the waits on the event loop. The ratio of the wall times is printed at
// the end.
//
// Progress tick: one ProgressTicker::tick() on a statistics file of 1 KB and
// of 50 MB (a long film), against reading the whole file for its last line.
// The tick reads only the file's tail, so its cost must not grow with the file.
//
//   batch_bench [--clips=N] [--profile=E] [benchmark flags]
//   (N defaults to 20 clips of 1 s, E to 49, an MPEG-4 AVI profile)

#include "core/records/ConversionJob.h"
#include "core/convert/ConversionProgress.h"
#include "core/convert/EncoderCommand.h"
#include "core/convert/EncoderInvocation.h"
#include "core/convert/OutputNaming.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/profiles/ProfileDefaults.h"
#include "core/tools/ToolLocator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

using namespace vantrel;

namespace {

#ifndef VANTREL_CLI_PATH
#define VANTREL_CLI_PATH "vantrel-cli"
#endif

constexpr int kClipSeconds = 1;
constexpr int kToolTimeoutMs = 300000;

int g_clipCount = 20;
int g_profile = 49;

// Mean wall time of one iteration of each side of the overhead comparison.
std::optional<double> g_cliSeconds;
std::optional<double> g_directSeconds;

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

// ---- batch overhead -----------------------------------------------------------

// N copies of one small clip, and the encoder runs that convert them.
struct BatchSetup
{
    QTemporaryDir dir;
    QString encoder = ToolLocator::find(ToolLocator::kEncoder);
    QStringList clips;
    QList<QStringList> directRuns;
    QString error;

    QString folder(const char *name) const { return dir.filePath(text(name)); }

    BatchSetup()
    {
        if (encoder.isEmpty() || ToolLocator::find(ToolLocator::kPlayer).isEmpty()) {
            error = text("the encoder or the player is missing");
            return;
        }
        for (const char *name : {"data", "direct", "cli"})
            QDir().mkpath(folder(name));
        const QString clip = dir.filePath(text("source.avi"));
        const QString seconds = QString::number(kClipSeconds);
        if (!runTool(encoder,
                     {text("-y"), text("-f"), text("lavfi"), text("-i"),
                      text("testsrc=size=160x120:rate=25:duration=") + seconds, text("-f"),
                      text("lavfi"), text("-i"), text("sine=duration=") + seconds, text("-c:v"),
                      text("mpeg4"), text("-c:a"), text("libmp3lame"), text("-shortest"), clip})) {
            error = text("the clips could not be made");
            return;
        }
        for (int i = 1; i <= g_clipCount; ++i) {
            const QString copy =
                dir.filePath(QStringLiteral("clip %1.avi").arg(i, 2, 10, QChar(u'0')));
            QFile::copy(clip, copy);
            clips.append(copy);
        }
        makeDirectRuns();
    }

    // The commands the batch builds for the clips, with an empty settings
    // file (no thread setting) and the overwrite policy the CLI run is given.
    void makeDirectRuns()
    {
        const std::optional<QString> extension = outputExtension(g_profile);
        if (!extension) {
            error = QStringLiteral("entry %1 is no output profile").arg(g_profile);
            return;
        }
        QProcess query;
        query.start(encoder, {text("-hide_banner"), text("-encoders")});
        query.waitForFinished(kToolTimeoutMs);
        const QSet<QString> available =
            parseEncoderList(QString::fromLocal8Bit(query.readAllStandardOutput()));

        OptionSheet sheet;
        sheet.build();
        applyProfileDefaults(sheet, g_profile);
        constexpr ExistingFilePolicy overwrite = ExistingFilePolicy::Overwrite;
        for (const QString &clip : clips) {
            ConversionJob job;
            job.sourcePath = clip;
            job.profileIndex = g_profile;
            job.outputExtension = *extension;
            job.outputPath =
                outputPathFor(clip, folder("direct"), *extension, overwrite, [](const QString &) {
                    return false;
                }).path;
            job.durationSeconds = kClipSeconds;
            job.options = sheet.conversionOptions();
            const Expected<CommandLine> command = buildEncoderCommand(
                {job, QString(), encoder, dir.filePath(text("direct/curconvert.log"))});
            if (!command) {
                error = command.error();
                return;
            }
            directRuns.append(encoderRunArguments(*command, overwrite, available));
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

    bool runCli(const QStringList &files) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // A data folder of its own: no settings file, so no power-off either.
        environment.insert(text("VANTREL_DATA_DIR"), folder("data"));
        QStringList arguments = {
            text("convert"), text("--profile"),  QString::number(g_profile), text("--output-dir"),
            folder("cli"),   text("--existing"), text("overwrite"),          text("--")};
        return runTool(QString::fromUtf8(VANTREL_CLI_PATH), arguments + files, environment);
    }
};

BatchSetup &batchSetup()
{
    static BatchSetup setup;
    return setup;
}

void BM_EncoderCommandsBackToBack(benchmark::State &state)
{
    const BatchSetup &setup = batchSetup();
    if (!setup.error.isEmpty()) {
        state.SkipWithError(setup.error.toUtf8().constData());
        return;
    }
    if (!setup.runDirect()) { // warms the caches
        state.SkipWithError("an encoder run failed");
        return;
    }
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = setup.runDirect();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!ok) {
            state.SkipWithError("an encoder run failed");
            return;
        }
    }
    g_directSeconds = total / double(state.iterations());
    state.counters["clips"] = double(setup.clips.size());
    state.counters["ms_per_clip"] = *g_directSeconds * 1000.0 / double(setup.clips.size());
}

void BM_CliConvertBatch(benchmark::State &state)
{
    const BatchSetup &setup = batchSetup();
    if (!setup.error.isEmpty()) {
        state.SkipWithError(setup.error.toUtf8().constData());
        return;
    }
    if (!setup.runCli(setup.clips.mid(0, 1))) { // warms the caches
        state.SkipWithError("vantrel-cli convert failed");
        return;
    }
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = setup.runCli(setup.clips);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!ok) {
            state.SkipWithError("vantrel-cli convert failed (a row was not OK)");
            return;
        }
    }
    g_cliSeconds = total / double(state.iterations());
    state.counters["clips"] = double(setup.clips.size());
    state.counters["ms_per_clip"] = *g_cliSeconds * 1000.0 / double(setup.clips.size());
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

BENCHMARK(BM_EncoderCommandsBackToBack)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_CliConvertBatch)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProgressTick)->Arg(kSmallFile)->Arg(kLargeFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeFileLastLine)->Arg(kSmallFile)->Arg(kLargeFile)->Unit(benchmark::kMicrosecond);

// Takes "--clips=N" and "--profile=E" out of the arguments.
bool takeOwnArguments(int &argc, char **argv)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strncmp(arg, "--clips=", 8) == 0) {
            g_clipCount = std::atoi(arg + 8);
        } else if (std::strncmp(arg, "--profile=", 10) == 0) {
            g_profile = std::atoi(arg + 10);
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return g_clipCount > 0 && g_profile >= kFirstEntry && g_profile <= kLastEntry;
}

} // namespace

int main(int argc, char **argv)
{
    if (!takeOwnArguments(argc, argv)) {
        std::fprintf(stderr, "batch_bench: --clips takes a positive number, --profile 1..101\n");
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    QCoreApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (g_cliSeconds && g_directSeconds) {
        const double clips = g_clipCount;
        std::printf(
            "\nbatch of %d clips, profile %d: vantrel-cli convert %.0f ms, encoder commands "
            "back to back %.0f ms\noverhead ratio %.2f (%.0f ms per clip)\n",
            g_clipCount, g_profile, *g_cliSeconds * 1000, *g_directSeconds * 1000,
            *g_cliSeconds / *g_directSeconds, (*g_cliSeconds - *g_directSeconds) * 1000 / clips);
    }
    return 0;
}
