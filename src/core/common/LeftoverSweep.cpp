#include "core/common/LeftoverSweep.h"

#include "core/common/FileAccess.h"
#include "core/common/FileNames.h"
#include "core/common/NameClaim.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vantrel {

namespace {

constexpr qint64 kMarkerMaxBytes = 256;
// A claim's marker is written as it is made; one that still names nobody
// this long after was left by a program that died in between.
constexpr qint64 kUnwrittenMarkerSeconds = 60;

} // namespace

int sweepLeftovers(const QString &folder)
{
    int removed = 0;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        std::optional<LeftoverOwner> owner = leftoverOwnerOf(name);
        if (!owner && NameClaim::isMarkerName(name)) {
            const std::optional<QByteArray> text =
                readRegularFile(entry.filePath(), kMarkerMaxBytes);
            if (text)
                owner = NameClaim::ownerOfMarker(*text);
            // Whoever made a marker that still names nobody died before writing it.
            if (text && text->isEmpty() &&
                entry.lastModified().secsTo(QDateTime::currentDateTime()) >
                    kUnwrittenMarkerSeconds) {
                removed += QFile::remove(entry.filePath()) ? 1 : 0;
                continue;
            }
        }
        if (!owner || owner->host != hostTag() ||
            owner->pid == QCoreApplication::applicationPid() || processIsRunning(owner->pid))
            continue; // not this machine's, or a running program's
        removed += QFile::remove(entry.filePath()) ? 1 : 0;
    }
    return removed;
}

} // namespace vantrel
