#include "core/watch/WatchedNames.h"

#include "core/sources/SourceFileRules.h"

#include <QCoreApplication>

#include <algorithm>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("WatchedNames", text);
}

// What downloaders, browsers and copiers name a file they are still writing.
const char *const kWritingSuffixes[] = {".part",     ".crdownload", ".tmp",   ".temp",
                                        ".partial",  ".download",   ".!qb",   ".!ut",
                                        ".filepart", ".opdownload", ".aria2", ".ytdl"};

} // namespace

std::optional<QString> passedOverReason(const QString &relativePath)
{
    const QStringList parts = relativePath.split(u'/', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return tr("it has no name");
    for (const QString &part : parts) {
        if (part.startsWith(u'.'))
            return tr("it is hidden");
        if (part.startsWith(QLatin1String("_UNPACK_")) ||
            part.startsWith(QLatin1String("_FAILED_")))
            return tr("it is still being unpacked");
    }
    const QString name = parts.last().toLower();
    if (std::any_of(std::begin(kWritingSuffixes), std::end(kWritingSuffixes),
                    [&](const char *suffix) { return name.endsWith(QLatin1String(suffix)); }))
        return tr("it is still being written");
    if (!isAcceptedMediaFile(parts.last()))
        return tr("it is no video or sound file this program takes");
    return std::nullopt;
}

} // namespace vantrel
