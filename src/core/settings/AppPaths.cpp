#include "core/settings/AppPaths.h"

#include "core/common/FileNames.h"
#include "core/common/Logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace vantrel {

QString AppPaths::programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString AppPaths::installedDataFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                           QStringLiteral(VANTREL_SHARE_FROM_BIN));
}

bool AppPaths::isInstalled()
{
    const QString beside = join(programFolder(), QStringLiteral("settings.dat"));
    return !QFileInfo::exists(beside) &&
           QFileInfo::exists(join(installedDataFolder(), QStringLiteral("settings.dat")));
}

QString AppPaths::shippedFile(const QString &relativePath)
{
    const QString beside = join(programFolder(), relativePath);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = join(installedDataFolder(), relativePath);
    return QFileInfo::exists(installed) ? QDir::toNativeSeparators(installed) : beside;
}

QString AppPaths::helperProgram(const QString &name)
{
    const QString installed =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                        QStringLiteral(VANTREL_HELPERS_FROM_BIN));
    for (const QString &folder : {programFolder(), installed}) {
        const QFileInfo helper(join(folder, name));
        if (helper.isFile() && helper.isExecutable())
            return QDir::toNativeSeparators(helper.absoluteFilePath());
    }
    return QString();
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
    if (!program.isEmpty() && programInfo.isDir() && programInfo.isWritable() && !isInstalled())
        return program;
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(perUser);
    return QDir::toNativeSeparators(perUser);
}

bool AppPaths::seedSettings()
{
    const QString settings = settingsFile();
    if (QFileInfo::exists(settings))
        return true;
    const QString shipped = shippedFile(QStringLiteral("settings.dat"));
    if (!QFile::copy(shipped, settings))
        return false;
    // The copy of a read-only installed file must be the user's to change.
    QFile::setPermissions(settings, QFile::permissions(settings) | QFile::WriteOwner);
    qCInfo(lcApp).noquote() << "settings: first start, copied" << shipped;
    return true;
}

QString AppPaths::defaultOutputFolder()
{
    if (isInstalled()) {
        const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
        if (!videos.isEmpty())
            return QDir::toNativeSeparators(videos);
    }
    return dataFolder();
}

QString AppPaths::watchFoldersFile()
{
    return join(dataFolder(), QStringLiteral("watch-folders.json"));
}

QString AppPaths::convertedRecordFile()
{
    return join(dataFolder(), QStringLiteral("converted.jsonl"));
}

QString AppPaths::encoderListCache()
{
    return join(dataFolder(), QStringLiteral("encoders.cache"));
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
    return join(dataFolder(), QStringLiteral("curconvert-%1-%2.log")
                                  .arg(hostTag())
                                  .arg(QCoreApplication::applicationPid()));
}

QString AppPaths::join(const QString &folder, const QString &name)
{
    if (folder.endsWith(QDir::separator()))
        return folder + name;
    return folder + QDir::separator() + name;
}

} // namespace vantrel
