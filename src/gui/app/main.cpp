#include "core/app/MainController.h"
#include "core/app/SingleInstance.h"
#include "core/app/WindowCommandLine.h"
#include "core/common/Logging.h"
#include "core/settings/AppPaths.h"
#include "core/settings/Settings.h"
#include "core/tools/Process.h"
#include "core/tools/ToolLocator.h"
#include "gui/app/MainWindow.h"
#include "gui/app/MessageBoxPrompt.h"
#include "gui/app/Skin.h"
#include "platform/DBusNotifier.h"
#include "platform/DBusSleepGuard.h"
#include "platform/InterruptWatcher.h"
#include "platform/LogindPowerOff.h"
#include "platform/SystemCaptureDevices.h"
#include "platform/SystemDesktop.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QTimer>

#include <cstdio>

using namespace vantrel;

namespace {

// Help and the version need no display: they are answered before the
// window system is opened.
std::optional<int> answerWithoutWindow(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const WindowCommandLine line = parseWindowCommandLine(args, QDir::currentPath());
    if (line.action == WindowCommandLine::Action::Help) {
        std::fputs(windowUsageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (line.action == WindowCommandLine::Action::Version) {
        std::fputs("vantrel " VANTREL_VERSION "\n", stdout);
        return 0;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<int> answered = answerWithoutWindow(argc, argv))
        return *answered;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantrel"));
    QApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vantrel.png")));
    // The window system took its own options; what is left is ours.
    const WindowCommandLine line =
        parseWindowCommandLine(QApplication::arguments().mid(1), QDir::currentPath());
    if (line.action == WindowCommandLine::Action::Error) {
        std::fputs(QStringLiteral("vantrel: %1\n%2")
                       .arg(line.error, windowUsageText())
                       .toLocal8Bit()
                       .constData(),
                   stderr);
        return 2;
    }
    AppPaths::seedSettings();
    applySkin(app, installedSkinFile()); // without it the program runs unskinned
    // A broken installation is said at once; the online window says it again.
    if (const std::optional<QString> unguarded = Process::guardMissingReason())
        std::fputs(QStringLiteral("vantrel: %1\n").arg(*unguarded).toLocal8Bit().constData(),
                   stderr);

    MessageBoxPrompt prompt;
    SystemDesktop desktop;
    LogindPowerOff powerOff;
    SystemCaptureDevices captureDevices;
    DBusNotifier notifier;
    DBusSleepGuard sleepGuard;
    MainEnvironment env;
    env.captureDevices = &captureDevices;
    env.prompt = &prompt;
    env.desktop = &desktop;
    env.powerOff = &powerOff;
    env.notifier = &notifier;
    env.sleepGuard = &sleepGuard;
    env.encoderPath = ToolLocator::encoder();
    env.playerPath = ToolLocator::player();
    env.statisticsPath = AppPaths::ownStatisticsFile();
    env.settingsPath = AppPaths::settingsFile();
    env.dataFolder = AppPaths::dataFolder();
    env.defaultOutputFolder = AppPaths::defaultOutputFolder();
    env.ytDlpPath =
        ToolLocator::ytDlp(SettingsFile(env.settingsPath, env.defaultOutputFolder).read().ytDlp);
    env.encoderListCache = AppPaths::encoderListCache();
    env.listFile = AppPaths::join(env.dataFolder, QStringLiteral("list.json"));
    env.watchFoldersFile = AppPaths::watchFoldersFile();
    env.convertedRecordFile = AppPaths::convertedRecordFile();

    MainController controller(env);
    MainWindow window(controller);
    prompt.setParent(&window);
    QObject::connect(&window, &MainWindow::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    // Asked to end by the system (SIGTERM, SIGHUP, Ctrl+C in its terminal):
    // the window closes as if the user closed it; asked again, it quits at once.
    InterruptWatcher interrupts;
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &window, [&window](int count) {
        // Closing ends a running batch without finishing its row's file.
        if (count == 1)
            window.close();
        else
            QApplication::quit();
    });

    // A converter that runs already takes the files; this one then ends.
    SingleInstance instance;
    QObject::connect(&instance, &SingleInstance::handedOver, &app, &QApplication::quit);
    QObject::connect(&instance, &SingleInstance::filesReceived, &window,
                     [&window](const QStringList &files) { window.openFiles(files); });
    QObject::connect(&instance, &SingleInstance::primary, &window, [&, line] {
        window.startUp();
        window.show();
        qCInfo(lcApp) << "window shown";
        if (!line.files.isEmpty())
            controller.addFiles(line.files);
        // Without its tools the program can list files but not read or
        // convert them: say so once, with what to install.
        QTimer::singleShot(0, &window, [&prompt] {
            for (const QString &tool : {ToolLocator::kEncoder, ToolLocator::kPlayer}) {
                if (ToolLocator::find(tool).isEmpty())
                    prompt.error(ToolLocator::missingToolMessage(tool));
            }
        });
    });
    instance.start(line.files);
    return QApplication::exec();
}
