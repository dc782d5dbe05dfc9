// Exact cuts in the copies: what a frame-exact copy of a 30 s clip from the
// middle of a long 1080p film costs, against converting the clip whole with
// H.264 (103) and against FFmpeg's own copy from the key frame before (the
// floor: reading and writing the clip). The film is made once with FFmpeg
// (testsrc2 with noise, key frames every 2 s, B-frames, AAC sound).
//
//   cut_bench [--quick]   (--quick: a 2-minute film instead of 10 minutes)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#ifndef VANTREL_CLI_PATH
#define VANTREL_CLI_PATH "vantrel-cli"
#endif

namespace {

constexpr int kToolTimeoutMs = 3600000;

QString text(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

// Seconds a tool took; -1 when it failed.
double timed(const QString &program, const QStringList &arguments,
             const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    tool.start(program, arguments);
    if (!tool.waitForFinished(kToolTimeoutMs) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return -1;
    return double(clock.elapsed()) / 1000;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains(text("--quick"));
    const int minutes = quick ? 2 : 10;
    QTemporaryDir work;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(text("VANTREL_DATA_DIR"), work.filePath(text("data")));

    const QString film = work.filePath(text("film.mp4"));
    std::printf("making a %d-minute 1080p film...\n", minutes);
    std::fflush(stdout);
    const QString length = QString::number(minutes * 60);
    if (timed(text("ffmpeg"), {text("-v"),
                               text("error"),
                               text("-f"),
                               text("lavfi"),
                               text("-i"),
                               text("testsrc2=s=1920x1080:r=25,noise=alls=8:allf=t"),
                               text("-f"),
                               text("lavfi"),
                               text("-i"),
                               text("sine=f=440"),
                               text("-t"),
                               length,
                               text("-c:v"),
                               text("libx264"),
                               text("-preset"),
                               text("ultrafast"),
                               text("-g"),
                               text("50"),
                               text("-bf"),
                               text("2"),
                               text("-pix_fmt"),
                               text("yuv420p"),
                               text("-c:a"),
                               text("aac"),
                               film}) < 0) {
        std::fprintf(stderr, "the film could not be made\n");
        return 1;
    }
    // A clip from the middle, starting and ending inside groups of pictures.
    const int start = minutes * 30 + 1;
    const QStringList clip = {text("--start"), QString::number(start), text("--end"),
                              QString::number(start + 30)};
    const auto convert = [&](const char *profile, int run) {
        return timed(text(VANTREL_CLI_PATH),
                     QStringList{text("convert"), text("--no-inhibit"), text("--profile"),
                                 text(profile), text("--existing"), text("overwrite"),
                                 text("--output-dir"),
                                 work.filePath(QStringLiteral("out%1").arg(run))} +
                         clip + QStringList{text("--"), film},
                     env);
    };
    std::vector<double> exact;
    std::vector<double> whole;
    std::vector<double> floor;
    for (int run = 0; run < 3; ++run) {
        exact.push_back(convert("107", run));
        whole.push_back(convert("103", run));
        floor.push_back(
            timed(text("ffmpeg"),
                  {text("-v"), text("error"), text("-y"), text("-ss"), QString::number(start),
                   text("-i"), film, text("-map"), text("0"), text("-c"), text("copy"), text("-t"),
                   text("30"), work.filePath(text("floor.mkv"))}));
    }
    std::printf("30 s clip of a %d-minute 1080p film, median of 3:\n", minutes);
    std::printf("  exact copy (107)          %6.2f s\n", median(exact));
    std::printf("  converted whole (103)     %6.2f s\n", median(whole));
    std::printf("  FFmpeg's key-frame copy   %6.2f s\n", median(floor));
    std::printf("  exact copy / converted    %6.2f\n", median(exact) / median(whole));
    return 0;
}
