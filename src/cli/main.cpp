#include "cli/CliCommands.h"
#include "cli/ConvertCommand.h"
#include "cli/PageCommand.h"
#include "cli/ProbeCommand.h"
#include "cli/WatchCommand.h"
#include "core/download/YtDlpRun.h"
#include "core/tools/ToolLocator.h"
#include "core/tools/ToolVersion.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

const char kUsage[] = QT_TRANSLATE_NOOP(
    "vantrel-cli", "Usage: vantrel-cli <command> [arguments]\n"
                   "\n"
                   "Commands:\n"
                   "  profiles   list the output profiles\n"
                   "  sheet      show the option sheet after picking profiles\n"
                   "  command    print the encoder command of one conversion\n"
                   "  probe      probe media files with the player\n"
                   "  convert    convert files with an output profile\n"
                   "  watch      convert what lands in a folder, until stopped\n"
                   "  page       print what an online video's watch page says\n"
                   "  download   download a stream of a watch page\n"
                   "\n"
                   "vantrel-cli --version prints its version and those of FFmpeg,\n"
                   "MPlayer and yt-dlp.\n"
                   "vantrel-cli <command> --help describes a command.\n");

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    using namespace vantrel::cli;

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.isEmpty())
        return usageError(err, tr("no command given; try vantrel-cli --help"));
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
        command == QLatin1String("help")) {
        out << tr(kUsage);
        return kExitOk;
    }
    if (command == QLatin1String("--version")) {
        out << QStringLiteral("vantrel-cli %1\n").arg(QCoreApplication::applicationVersion());
        out.flush();
        // And the tools it drives, as About names them, asked once the loop runs.
        QTimer::singleShot(0, &app, [&out] {
            const auto line = [&out](const char *tool, const QString &version) {
                out << (version.isEmpty()
                            ? tr("%1 not found\n").arg(QLatin1String(tool))
                            : QStringLiteral("%1 %2\n").arg(QLatin1String(tool), version));
                out.flush();
            };
            vantrel::queryEncoderVersion(
                vantrel::ToolLocator::encoder(), qApp, [line](const QString &ffmpeg) {
                    line("FFmpeg", ffmpeg);
                    vantrel::queryPlayerVersion(
                        vantrel::ToolLocator::player(), qApp, [line](const QString &mplayer) {
                            line("MPlayer", mplayer);
                            vantrel::queryYtDlpVersion(pageReaderProgram(), qApp,
                                                       [line](const QString &ytDlp) {
                                                           line("yt-dlp", ytDlp);
                                                           QCoreApplication::exit(kExitOk);
                                                       });
                        });
                });
        });
        return QCoreApplication::exec();
    }
    if (command == QLatin1String("profiles"))
        return runProfiles(args, out, err);
    if (command == QLatin1String("sheet"))
        return runSheet(args, out, err);
    if (command == QLatin1String("command"))
        return runCommand(args, out, err);
    if (command == QLatin1String("convert"))
        return runConvert(args, out, err); // runs the event loop until the batch is over
    if (command == QLatin1String("watch"))
        return runWatch(args, out, err); // runs the event loop until SIGINT or SIGTERM
    if (command == QLatin1String("page") || command == QLatin1String("download")) {
        PageCommand page(command == QLatin1String("page") ? PageCommand::Kind::Page
                                                          : PageCommand::Kind::Download,
                         out, err);
        QObject::connect(&page, &PageCommand::finished, &app, &QCoreApplication::exit,
                         Qt::QueuedConnection);
        if (const std::optional<int> done = page.start(args))
            return *done;
        return QCoreApplication::exec();
    }
    if (command == QLatin1String("probe")) {
        // The probes run on the event loop, which only main starts.
        ProbeCommand probe(out, err);
        QObject::connect(&probe, &ProbeCommand::finished, &app, &QCoreApplication::exit,
                         Qt::QueuedConnection);
        if (const std::optional<int> done = probe.start(args))
            return *done;
        return QCoreApplication::exec();
    }
    return usageError(err, tr("unknown command \"%1\"; try vantrel-cli --help").arg(command));
}
