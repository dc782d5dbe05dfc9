#include "core/tools/ToolLocator.h"

#include "core/settings/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vantrel {

const QString ToolLocator::kEncoder = QStringLiteral("ffmpeg");
const QString ToolLocator::kPlayer = QStringLiteral("mplayer");
const QString ToolLocator::kMediaInfo = QStringLiteral("ffprobe");
const QString ToolLocator::kYtDlp = QStringLiteral("yt-dlp");

QString ToolLocator::find(const QString &name)
{
    const QString local = QStandardPaths::findExecutable(name, {AppPaths::programFolder()});
    if (!local.isEmpty())
        return local;
    return QStandardPaths::findExecutable(name);
}

QString ToolLocator::program(const QString &name)
{
    const QString found = find(name);
    return found.isEmpty() ? name : found;
}

QString ToolLocator::ytDlp(const QString &configured)
{
    const QFileInfo chosen(configured);
    if (!configured.isEmpty() && chosen.isFile() && chosen.isExecutable())
        return chosen.absoluteFilePath();
    // The user's own (pipx installs into ~/.local/bin) is newer than the
    // system's, which sites have long outrun.
    const QString own = QStandardPaths::findExecutable(
        kYtDlp, {QDir::home().filePath(QStringLiteral(".local/bin"))});
    if (!own.isEmpty())
        return own;
    const QString found = QStandardPaths::findExecutable(kYtDlp);
    return found.isEmpty() ? kYtDlp : found;
}

QString ToolLocator::missingToolMessage(const QString &name)
{
    const QString package = name == kPlayer ? kPlayer : kEncoder;
    return QCoreApplication::translate(
               "ToolLocator", "The tool \"%1\" was not found in the program folder or on PATH; "
                              "install it (on Debian: sudo apt-get install %2)")
        .arg(name, package);
}

} // namespace vantrel
