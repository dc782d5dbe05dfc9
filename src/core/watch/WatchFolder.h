#pragma once

#include "core/sources/ListKeeper.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vantrel {

// A folder whose new files are converted, with the profile and the option
// sheet as they stood when it was added.
struct WatchFolder
{
    QString folder;
    ListChoices choices;
    bool subfolders = false;

    bool operator==(const WatchFolder &other) const;
    bool operator!=(const WatchFolder &other) const { return !(*this == other); }
};

// Why outputs written to `outputFolder` would land inside the watched
// folder (where they would be found as new files); none when they do not.
std::optional<QString> outputInsideReason(const QString &outputFolder, const WatchFolder &watched);

// The watched folders, kept as JSON in the data folder
// ({"folders": [{"folder", "subfolders", "profile", "sheet"}]}).
class WatchFolderFile
{
public:
    static constexpr qint64 kLargestFile = 4 * 1024 * 1024;
    static constexpr int kMostFolders = 64;

    explicit WatchFolderFile(QString filePath) : m_filePath(std::move(filePath)) {}

    // The folders the file holds: none when there is no file; a folder
    // without a usable path or profile is left out, and said in `warnings`.
    QList<WatchFolder> read(QStringList *warnings = nullptr) const;
    // False when the file could not be written (it stays as it was).
    bool write(const QList<WatchFolder> &folders) const;

private:
    QString m_filePath;
};

} // namespace vantrel
