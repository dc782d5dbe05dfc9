#include "core/common/FileNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <csignal>
#endif

namespace vantrel {

namespace {

qsizetype encodedSize(const QString &text)
{
    return QFile::encodeName(text).size();
}

QString joined(const QString &folder, const QString &name)
{
    return QDir::toNativeSeparators(QDir(folder).filePath(name));
}

} // namespace

QString fitFileName(const QString &base, const QString &extension, int maxBytes)
{
    QString cut = base;
    const qsizetype room = maxBytes - encodedSize(extension);
    while (!cut.isEmpty() && encodedSize(cut) > room) {
        cut.chop(1);
        // Never half a character: a surrogate pair goes whole.
        if (!cut.isEmpty() && cut.back().isHighSurrogate())
            cut.chop(1);
    }
    return cut + extension;
}

QString freeFileName(const QString &folder, const QString &base, const QString &extension,
                     const NameTaken &taken)
{
    static const QString kNew = QStringLiteral("_New");
    QString path;
    for (QString news; encodedSize(news + extension) < kFileNameMaxBytes; news += kNew) {
        path = joined(folder, fitFileName(base, news + extension));
        if (!taken(path))
            break;
    }
    return path;
}

QString temporaryPathFor(const QString &finalPath)
{
    static std::atomic<int> serial{0};
    const QFileInfo final(finalPath);
    const QString name = final.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString base = dot < 0 ? name : name.left(dot);
    const QString extension = dot < 0 ? QString() : name.mid(dot);
    const QString tail = QStringLiteral(".vantrel-%1-%2%3")
                             .arg(QCoreApplication::applicationPid())
                             .arg(++serial)
                             .arg(extension);
    return final.dir().filePath(QLatin1Char('.') + fitFileName(base, tail, kFileNameMaxBytes - 1));
}

bool processIsRunning(qint64 pid)
{
    if (pid <= 0)
        return true; // no such id: nothing is known, so nothing is touched
#if defined(Q_OS_UNIX)
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
#else
    return true;
#endif
}

int sweepLeftovers(const QString &folder)
{
    // The names this program's temporary outputs and statistics files take.
    static const QRegularExpression kLeftover(
        QStringLiteral("^(?:\\..*\\.vantrel-(\\d+)-\\d+(?:\\.[^.]*)?|curconvert-(\\d+)(?:-\\d+)?\\.log)$"));
    int removed = 0;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QFileInfo &entry : entries) {
        const QRegularExpressionMatch match = kLeftover.match(entry.fileName());
        if (!match.hasMatch())
            continue;
        const qint64 pid =
            (match.hasCaptured(1) ? match.captured(1) : match.captured(2)).toLongLong();
        if (pid == QCoreApplication::applicationPid() || processIsRunning(pid))
            continue; // a running program's file
        removed += QFile::remove(entry.filePath()) ? 1 : 0;
    }
    return removed;
}

} // namespace vantrel
