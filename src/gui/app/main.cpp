#include "core/app/MainController.h"
#include "core/settings/AppPaths.h"
#include "core/tools/ToolLocator.h"
#include "gui/app/MainWindow.h"
#include "gui/app/MessageBoxPrompt.h"
#include "gui/app/Skin.h"
#include "platform/InterruptWatcher.h"
#include "platform/LogindPowerOff.h"
#include "platform/SystemCaptureDevices.h"
#include "platform/SystemDesktop.h"

#include <QApplication>
#include <QTimer>

using namespace vantrel;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantrel"));
    applySkin(app, installedSkinFile()); // without it the program runs unskinned

    MessageBoxPrompt prompt;
    SystemDesktop desktop;
    LogindPowerOff powerOff;
    SystemCaptureDevices captureDevices;
    MainEnvironment env;
    env.captureDevices = &captureDevices;
    env.prompt = &prompt;
    env.desktop = &desktop;
    env.powerOff = &powerOff;
    env.encoderPath = ToolLocator::encoder();
    env.playerPath = ToolLocator::player();
    env.statisticsPath = AppPaths::ownStatisticsFile();
    env.settingsPath = AppPaths::settingsFile();
    env.dataFolder = AppPaths::dataFolder();

    MainController controller(env);
    MainWindow window(controller);
    prompt.setParent(&window);
    QObject::connect(&window, &MainWindow::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    // Asked to end by the system (SIGTERM, SIGHUP, Ctrl+C in its terminal):
    // the window closes as if the user closed it; asked again, it quits at once.
    InterruptWatcher interrupts;
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &window, [&window](int count) {
        if (count == 1)
            window.close();
        else
            QApplication::quit();
    });
    window.startUp();
    window.show();

    // Without its tools the program can list files but not read or convert
    // them: say so once, with what to install.
    QTimer::singleShot(0, &window, [&prompt] {
        for (const QString &tool : {ToolLocator::kEncoder, ToolLocator::kPlayer}) {
            if (ToolLocator::find(tool).isEmpty())
                prompt.error(ToolLocator::missingToolMessage(tool));
        }
    });
    return QApplication::exec();
}
