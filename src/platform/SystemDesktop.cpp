#include "platform/SystemDesktop.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <memory>

namespace vantrel {

void SystemDesktop::openFolder(const QString &folder, Opened opened)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (opened)
            opened(false);
        return;
    }
    // Told once, whichever comes first.
    auto told = std::make_shared<bool>(false);
    const auto answer = [opened = std::move(opened), told](bool ok) {
        if (!std::exchange(*told, true) && opened)
            opened(ok);
    };
    // Without a parent: a file browser that runs in xdg-open's place
    // outlives the program.
    auto *process = new QProcess;
    process->setProgram(opener);
    process->setArguments({folder});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process,
                     [process, answer](int code, QProcess::ExitStatus status) {
                         answer(status == QProcess::NormalExit && code == 0);
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, answer](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         answer(false);
                         process->deleteLater();
                     });
    QTimer::singleShot(kAnswerMs, process, [answer] { answer(true); });
    process->start();
}

} // namespace vantrel
