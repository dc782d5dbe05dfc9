// Fit To Size on films of several kinds: how close under the limit
// `vantrel-cli convert --fit-size` lands, what it costs against one
// constant-quality conversion of the same film, and its SSIM against the
// source beside FFmpeg's own two passes at the naive rate (the limit's bits
// over the length, sound included, no margin), which overshoots where it does.
//
// Each film is made once with FFmpeg's lavfi sources (a still picture, a
// talking head, sport-like motion, film grain, a screen recording; 10 s to
// 3 min at 720p and 1080p) and converted with H.264 (103) and VP9 (105) into
// 10 MB, 16 MB and 25 MB. A film that fits a limit at the entry's quality is
// kept at that quality; its row says so and stays out of the median.
//
//   fit_bench [--quick]   (--quick: the first three films, 10 MB only)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#ifndef VANTREL_CLI_PATH
#define VANTREL_CLI_PATH "vantrel-cli"
#endif

namespace {

constexpr int kToolTimeoutMs = 1800000;
constexpr qint64 kMB = 1000000;

QString text(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

struct Film
{
    const char *name;
    int seconds;
    const char *picture; // a lavfi graph
    bool sound;
};

// The films: their picture, length and whether they carry sound.
const Film kFilms[] = {
    {"sport-720p", 30, "mandelbrot=s=1280x720:r=25", true},
    {"talking-head-720p", 40,
     "smptehdbars=s=1280x720:r=25[b];mandelbrot=s=360x400:r=25[m];[b][m]overlay=460:200", true},
    {"still-720p", 40, "smptehdbars=s=1280x720:r=25", true},
    {"sport-1080p", 15, "mandelbrot=s=1920x1080:r=25", true},
    {"grain-720p", 10, "testsrc2=s=1280x720:r=25,noise=alls=25:allf=t", true},
    {"life-720p", 40, "life=s=320x180:r=25:mold=10:ratio=0.3,scale=1280x720:flags=neighbor", false},
    {"screen-720p", 120, "testsrc2=s=1280x720:r=10", false},
    {"grain-1080p", 10, "testsrc2=s=1920x1080:r=25,noise=alls=20:allf=t", true},
};

struct Entry
{
    const char *name;
    const char *profile;
    QStringList naive; // FFmpeg's own two passes at "{R}" bit/s: codec and speed as the entry's
};

struct RunResult
{
    double seconds = -1;
    QString output; // what the tool wrote to its standard output
};

RunResult run(const QString &program, const QStringList &arguments,
              const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.setStandardInputFile(QProcess::nullDevice());
    tool.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    tool.start(program, arguments);
    if (!tool.waitForFinished(kToolTimeoutMs) || tool.exitStatus() != QProcess::NormalExit)
        return {};
    RunResult result;
    result.output = QString::fromUtf8(tool.readAllStandardOutput());
    if (tool.exitCode() == 0)
        result.seconds = double(clock.elapsed()) / 1000;
    return result;
}

// The mean SSIM of `output`'s picture against the source's, at the source's size.
double ssimOf(const QString &output, const QString &source)
{
    const RunResult result = run(
        text("ffmpeg"), {text("-hide_banner"), text("-i"), output, text("-i"), source,
                         text("-lavfi"), text("[0:v][1:v]scale2ref=flags=bicubic[a][b];[a][b]ssim"),
                         text("-f"), text("null"), text("-")});
    static const QRegularExpression all(text("All:([0-9.]+)"));
    const QRegularExpressionMatch match = all.match(result.output);
    return match.hasMatch() ? match.captured(1).toDouble() : -1;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

class Bench
{
public:
    explicit Bench(bool quick) : m_quick(quick)
    {
        m_environment.insert(text("VANTREL_DATA_DIR"), m_dir.filePath(text("data")));
        QDir(m_dir.path()).mkpath(text("data"));
    }

    int runAll()
    {
        const Entry entries[] = {
            {"H.264",
             "103",
             {text("-c:v"), text("libx264"), text("-preset"), text("veryfast"), text("-b:v"),
              text("{R}"), text("-c:a"), text("aac"), text("-b:a"), text("160k")}},
            {"VP9",
             "105",
             {text("-c:v"), text("libvpx-vp9"), text("-deadline"), text("good"), text("-cpu-used"),
              text("8"), text("-row-mt"), text("1"), text("-b:v"), text("{R}"), text("-c:a"),
              text("libopus"), text("-b:a"), text("160k")}},
        };
        const std::vector<qint64> limits = m_quick
                                               ? std::vector<qint64>{10 * kMB}
                                               : std::vector<qint64>{10 * kMB, 16 * kMB, 25 * kMB};
        std::printf(
            "| film | entry | limit | size / limit | time / one conversion | SSIM | "
            "naive two-pass: size / limit | naive SSIM |\n|---|---|---|---|---|---|---|---|\n");
        std::fflush(stdout);
        const int films = m_quick ? 3 : int(std::size(kFilms));
        for (int i = 0; i < films; ++i) {
            const Film &film = kFilms[i];
            const QString source = make(film);
            if (source.isEmpty()) {
                std::fprintf(stderr, "could not make %s\n", film.name);
                return 1;
            }
            for (const Entry &entry : entries) {
                const std::optional<double> once = convert(source, entry, std::nullopt).seconds;
                for (const qint64 limit : limits)
                    row(film, source, entry, limit, once);
            }
        }
        summary();
        return 0;
    }

private:
    QString folder(const QString &name) const
    {
        QDir(m_dir.path()).mkpath(name);
        return m_dir.filePath(name);
    }

    QString make(const Film &film)
    {
        const QString path = m_dir.filePath(QString::fromLatin1(film.name) + text(".mkv"));
        QStringList arguments = {text("-v"),    text("error"), text("-f"),
                                 text("lavfi"), text("-i"),    text(film.picture)};
        if (film.sound)
            arguments << text("-f") << text("lavfi") << text("-i")
                      << text("anoisesrc=a=0.05:c=pink,volume=4,lowpass=3000");
        arguments << text("-t") << QString::number(film.seconds) << text("-c:v") << text("libx264")
                  << text("-preset") << text("ultrafast") << text("-crf") << text("12")
                  << text("-pix_fmt") << text("yuv420p") // as films are; the naive run keeps it
                  << text("-c:a") << text("flac") << path;
        return run(text("ffmpeg"), arguments).seconds >= 0 ? path : QString();
    }

    struct Converted
    {
        std::optional<double> seconds;
        qint64 bytes = -1;
        QString output;
        QString note;
    };

    Converted convert(const QString &source, const Entry &entry, std::optional<qint64> limit)
    {
        const QString out = folder(text("out"));
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        QStringList arguments = {
            text("convert"),    text("--profile"), text(entry.profile), text("--output-dir"), out,
            text("--existing"), text("overwrite")};
        if (limit)
            arguments << text("--fit-size") << QString::number(*limit / kMB) + text("MB");
        const RunResult result = run(text(VANTREL_CLI_PATH), arguments << source, m_environment);
        Converted converted;
        if (result.seconds >= 0)
            converted.seconds = result.seconds;
        const QStringList files = QDir(out).entryList(QDir::Files);
        if (!files.isEmpty()) {
            converted.output = QDir(out).filePath(files.first());
            converted.bytes = QFileInfo(converted.output).size();
        }
        converted.note = result.output;
        return converted;
    }

    // FFmpeg's own two passes at the limit's bits over the length.
    Converted naive(const QString &source, const Film &film, const Entry &entry, qint64 limit)
    {
        const QString out = folder(text("naive"));
        const QString path = QDir(out).filePath(
            text("naive") + (entry.profile == text("103") ? text(".mp4") : text(".webm")));
        const qint64 soundBits = film.sound ? 160000 : 0;
        const qint64 rate = limit * 8 / film.seconds - soundBits;
        QStringList codec = entry.naive;
        codec.replaceInStrings(text("{R}"), QString::number(rate));
        if (!film.sound)
            codec = codec.mid(0, codec.indexOf(text("-c:a"))) << text("-an");
        const QString log = QDir(out).filePath(text("passlog"));
        QElapsedTimer clock;
        clock.start();
        Converted converted;
        const QStringList head = {text("-v"), text("error"), text("-y"), text("-i"), source};
        if (run(text("ffmpeg"), head + codec +
                                    QStringList{text("-pass"), text("1"), text("-passlogfile"), log,
                                                text("-f"), text("null"), text("-")})
                    .seconds < 0 ||
            run(text("ffmpeg"),
                head + codec +
                    QStringList{text("-pass"), text("2"), text("-passlogfile"), log, path})
                    .seconds < 0)
            return converted;
        converted.seconds = double(clock.elapsed()) / 1000;
        converted.output = path;
        converted.bytes = QFileInfo(path).size();
        return converted;
    }

    void row(const Film &film, const QString &source, const Entry &entry, qint64 limit,
             std::optional<double> once)
    {
        const Converted fitted = convert(source, entry, limit);
        const Converted plain = naive(source, film, entry, limit);
        const bool kept = fitted.note.contains(text("not filled up"));
        const double share = double(fitted.bytes) / double(limit);
        const double time = fitted.seconds && once ? *fitted.seconds / *once : -1;
        const double naiveShare = double(plain.bytes) / double(limit);
        m_largest = std::max(m_largest, share);
        if (fitted.bytes < 0 || !fitted.seconds)
            m_failures << QStringLiteral("%1 %2 %3 MB")
                              .arg(text(film.name), text(entry.name))
                              .arg(limit / kMB);
        if (!kept && fitted.bytes >= 0)
            m_shares.push_back(share);
        if (time > 0 && !kept)
            m_times.push_back(time);
        std::printf(
            "| %s %d s | %s | %lld MB | %s | %.2f | %.4f | %.3f%s | %.4f |\n", film.name,
            film.seconds, entry.name, static_cast<long long>(limit / kMB),
            kept ? qPrintable(QStringLiteral("%1 (kept at its quality)").arg(share, 0, 'f', 3))
                 : qPrintable(QString::number(share, 'f', 3)),
            time, fitted.output.isEmpty() ? -1 : ssimOf(fitted.output, source), naiveShare,
            naiveShare > 1 ? " (over)" : "",
            plain.output.isEmpty() ? -1 : ssimOf(plain.output, source));
        std::fflush(stdout);
    }

    void summary() const
    {
        std::printf("\nlargest size / limit %.4f (target at most 1.000)\n", m_largest);
        std::printf("median size / limit %.3f over %zu fitted rows (target at least 0.95)\n",
                    median(std::vector<double>(m_shares)), m_shares.size());
        std::printf("time / one conversion: median %.2f, largest %.2f (target at most 2.2)\n",
                    median(std::vector<double>(m_times)),
                    m_times.empty() ? -1.0 : *std::max_element(m_times.begin(), m_times.end()));
        if (!m_failures.isEmpty())
            std::printf("failed: %s\n", qPrintable(m_failures.join(text(", "))));
    }

    bool m_quick;
    QTemporaryDir m_dir;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    double m_largest = 0;
    std::vector<double> m_shares;
    std::vector<double> m_times;
    QStringList m_failures;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains(text("--quick"));
    return Bench(quick).runAll();
}
