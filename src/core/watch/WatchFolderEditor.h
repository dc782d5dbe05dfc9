#pragma once

#include "core/watch/WatchFolder.h"

#include <QCoreApplication>

namespace vantrel {

// The preferences' list of watched folders without the window: a folder is
// added with the profile and the sheet as they stand, and the list is
// written when the user confirms.
class WatchFolderEditor
{
    Q_DECLARE_TR_FUNCTIONS(WatchFolderEditor)

public:
    // `current`: the profile selected and the sheet as it stands now, which a
    // folder added takes; `dataFolder` is where a relative output folder lies.
    WatchFolderEditor(QString foldersFile, ListChoices current, QString dataFolder);

    const QList<WatchFolder> &folders() const { return m_folders; }
    // A folder's line in the list: its path, its profile, its sub-folders.
    static QString describe(const WatchFolder &folder);

    // Adds `folder` with the current choices; why not, or an empty text.
    QString add(const QString &folder);
    void remove(int row);
    void setSubfolders(int row, bool subfolders);

    // Why the list cannot be kept with outputs going to `outputFolder` (as
    // stored): converted files would land in a watched folder; empty when
    // it can.
    QString check(const QString &outputFolder) const;
    // Writes the list; false when the file could not be written.
    bool save() const;
    // Problems the file had when it was read, one line each.
    const QStringList &warnings() const { return m_warnings; }

private:
    QString m_file;
    ListChoices m_current;
    QString m_dataFolder;
    QList<WatchFolder> m_folders;
    QStringList m_warnings;
};

} // namespace vantrel
