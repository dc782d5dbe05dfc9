#include "core/common/FileNames.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>

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

bool isNameTaken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
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

QString hostTagOf(const QString &hostName)
{
    // A name that had to change (punctuation, length) keeps a short hash of
    // the whole beside its readable part: "node-a.b" and "node.a-b" must
    // never share a tag, or one machine's sweep takes the other's work.
    constexpr qsizetype kMaxReadable = 23;
    QString tag;
    for (const QChar c : hostName)
        tag += (c.isLetterOrNumber() && c.unicode() < 128) || c == u'_' ? c : u'_';
    if (hostName.isEmpty())
        return QStringLiteral("host");
    if (tag == hostName && tag.size() <= kMaxReadable + 9)
        return tag;
    const QByteArray hash =
        QCryptographicHash::hash(hostName.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    return tag.left(kMaxReadable) + u'_' + QString::fromLatin1(hash);
}

QString hostTag()
{
    static const QString tag = hostTagOf(QSysInfo::machineHostName());
    return tag;
}

QString temporaryPathFor(const QString &finalPath)
{
    static std::atomic<int> serial{0};
    const QFileInfo final(finalPath);
    const QString name = final.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString base = dot < 0 ? name : name.left(dot);
    const QString extension = dot < 0 ? QString() : name.mid(dot);
    const QString tail = QStringLiteral(".vantrel-%1-%2-%3%4")
                             .arg(hostTag())
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

QString passLogBaseFor(const QString &statisticsPath)
{
    const QFileInfo statistics(statisticsPath);
    return statistics.dir().filePath(statistics.completeBaseName() + QStringLiteral(".pass"));
}

void removePassLogs(const QString &base)
{
    const QFileInfo info(base);
    QDir folder = info.dir();
    const QString name = info.fileName();
    for (const QString &file : folder.entryList({name + u'*'}, QDir::Files | QDir::Hidden)) {
        // Only what the encoder made of the base: "X.pass-0.log", "X.pass.log.cutree".
        if (file == name || file.at(name.size()) == u'-' || file.at(name.size()) == u'.')
            folder.remove(file);
    }
}

QString numberedStatisticsFile(const QString &statisticsPath, int number)
{
    const QFileInfo first(statisticsPath);
    return first.dir().filePath(
        QStringLiteral("%1-%2.%3").arg(first.completeBaseName()).arg(number).arg(first.suffix()));
}

std::optional<LeftoverOwner> leftoverOwnerOf(const QString &fileName)
{
    // A host tag holds no "-", so the fields never run into each other.
    static const QRegularExpression kLeftover(QStringLiteral(
        "^(?:\\..+\\.vantrel-([A-Za-z0-9_]+)-(\\d+)-\\d+(?:\\..*)?|"
        "curconvert-([A-Za-z0-9_]+)-(\\d+)(?:-\\d+){0,2}\\.(?:log|pass(?:[-.].*)?))$"));
    const QRegularExpressionMatch match = kLeftover.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    const bool temporary = match.hasCaptured(1);
    return LeftoverOwner{match.captured(temporary ? 1 : 3),
                         match.captured(temporary ? 2 : 4).toLongLong()};
}

} // namespace vantrel
