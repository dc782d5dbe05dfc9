#include "core/settings/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vantrel {

QString AppPaths::programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString AppPaths::dataFolder()
{
    const QString overridden = qEnvironmentVariable("VANTREL_DATA_DIR");
    if (!overridden.isEmpty()) {
        QDir().mkpath(overridden);
        return QDir::toNativeSeparators(overridden);
    }
    const QString program = programFolder();
    const QFileInfo programInfo(program);
    if (!program.isEmpty() && programInfo.isDir() && programInfo.isWritable())
        return program;
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(perUser);
    return QDir::toNativeSeparators(perUser);
}

QString AppPaths::settingsFile()
{
    return join(dataFolder(), QStringLiteral("settings.dat"));
}

QString AppPaths::statisticsFile()
{
    return join(dataFolder(), QStringLiteral("curconvert.log"));
}

QString AppPaths::ownStatisticsFile()
{
    return join(dataFolder(),
                QStringLiteral("curconvert-%1.log").arg(QCoreApplication::applicationPid()));
}

QString AppPaths::join(const QString &folder, const QString &name)
{
    if (folder.endsWith(QDir::separator()))
        return folder + name;
    return folder + QDir::separator() + name;
}

} // namespace vantrel
