#include "core/watch/WatchFolder.h"

#include "core/common/FileAccess.h"
#include "core/profiles/ProfileCatalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("WatchFolder", text);
}

bool sameValues(const QList<ListChoices::SheetValue> &a, const QList<ListChoices::SheetValue> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const ListChoices::SheetValue &x, const ListChoices::SheetValue &y) {
                          return x.category == y.category && x.item == y.item && x.value == y.value;
                      });
}

// The folder as compared: absolute, clean, and through its links when it exists.
QString comparable(const QString &folder)
{
    const QFileInfo info(folder);
    const QString real = info.canonicalFilePath();
    return QDir::cleanPath(real.isEmpty() ? info.absoluteFilePath() : real);
}

} // namespace

bool WatchFolder::operator==(const WatchFolder &other) const
{
    return folder == other.folder && subfolders == other.subfolders &&
           choices.profile == other.choices.profile &&
           sameValues(choices.sheet, other.choices.sheet);
}

std::optional<QString> outputInsideReason(const QString &outputFolder, const WatchFolder &watched)
{
    const QString output = comparable(outputFolder);
    const QString folder = comparable(watched.folder);
    if (output == folder)
        return tr("The converted files would go into the watched folder %1 itself, where they "
                  "would be found as new files.")
            .arg(QDir::toNativeSeparators(watched.folder));
    // Below it they are found only when sub-folders are watched too.
    if (watched.subfolders && output.startsWith(folder + u'/'))
        return tr("The converted files would go into %1, inside the watched folder %2, whose "
                  "sub-folders are watched too.")
            .arg(QDir::toNativeSeparators(outputFolder), QDir::toNativeSeparators(watched.folder));
    return std::nullopt;
}

QList<WatchFolder> WatchFolderFile::read(QStringList *warnings) const
{
    QList<WatchFolder> folders;
    if (!QFileInfo::exists(m_filePath))
        return folders;
    const std::optional<QByteArray> bytes = readRegularFile(m_filePath, kLargestFile);
    const QJsonDocument document = bytes ? QJsonDocument::fromJson(*bytes) : QJsonDocument();
    if (!document.isObject()) {
        if (warnings)
            *warnings << tr("The watched folders in %1 could not be read; none is watched.")
                             .arg(QDir::toNativeSeparators(m_filePath));
        return folders;
    }
    for (const QJsonValue &value : document.object().value(QStringLiteral("folders")).toArray()) {
        const QJsonObject object = value.toObject();
        WatchFolder folder;
        folder.folder = object.value(QStringLiteral("folder")).toString();
        folder.subfolders = object.value(QStringLiteral("subfolders")).toBool();
        folder.choices = choicesFromJson(object);
        const bool usable = QDir::isAbsolutePath(folder.folder) && folder.choices.profile &&
                            catalogueEntry(*folder.choices.profile);
        if (!usable || folders.size() >= kMostFolders) {
            if (warnings)
                *warnings << tr("A watched folder was left out: %1")
                                 .arg(folder.folder.isEmpty() ? tr("it has no path")
                                                              : folder.folder);
            continue;
        }
        folders << folder;
    }
    return folders;
}

bool WatchFolderFile::write(const QList<WatchFolder> &folders) const
{
    QJsonArray array;
    for (const WatchFolder &folder : folders) {
        QJsonObject object = choicesToJson(folder.choices);
        object.insert(QStringLiteral("folder"), folder.folder);
        object.insert(QStringLiteral("subfolders"), folder.subfolders);
        array.append(object);
    }
    return replaceFile(m_filePath,
                       QJsonDocument(QJsonObject{{QStringLiteral("folders"), array}}).toJson());
}

} // namespace vantrel
