#include "core/watch/WatchFolderEditor.h"

#include "core/profiles/ProfileCatalogue.h"
#include "core/settings/Settings.h"

#include <QDir>
#include <QFileInfo>

namespace vantrel {

WatchFolderEditor::WatchFolderEditor(QString foldersFile, ListChoices current, QString dataFolder)
    : m_file(std::move(foldersFile)), m_current(std::move(current)),
      m_dataFolder(std::move(dataFolder))
{
    m_folders = WatchFolderFile(m_file).read(&m_warnings);
}

QString WatchFolderEditor::describe(const WatchFolder &folder)
{
    const CatalogueEntry *entry =
        folder.choices.profile ? catalogueEntry(*folder.choices.profile) : nullptr;
    QString text = tr("%1  \u2192  %2")
                       .arg(QDir::toNativeSeparators(folder.folder),
                            entry ? entry->captionText() : tr("no profile"));
    if (folder.subfolders)
        text += tr(" (with sub-folders)");
    return text;
}

QString WatchFolderEditor::add(const QString &folder)
{
    if (!m_current.profile)
        return tr("Pick an output profile first: a watched folder converts with the profile "
                  "and the options selected when it is added.");
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable())
        return tr("%1 is no folder this program can read.").arg(QDir::toNativeSeparators(folder));
    const QString path = QDir::cleanPath(info.absoluteFilePath());
    for (const WatchFolder &watched : std::as_const(m_folders)) {
        if (watched.folder == path)
            return tr("%1 is watched already.").arg(QDir::toNativeSeparators(path));
    }
    if (m_folders.size() >= WatchFolderFile::kMostFolders)
        return tr("At most %1 folders can be watched.").arg(WatchFolderFile::kMostFolders);
    m_folders.append({path, m_current, false});
    return QString();
}

void WatchFolderEditor::remove(int row)
{
    if (row >= 0 && row < m_folders.size())
        m_folders.removeAt(row);
}

void WatchFolderEditor::setSubfolders(int row, bool subfolders)
{
    if (row >= 0 && row < m_folders.size())
        m_folders[row].subfolders = subfolders;
}

QString WatchFolderEditor::check(const QString &outputFolder) const
{
    const QString output = absoluteOutputFolder(outputFolder.trimmed(), m_dataFolder);
    for (const WatchFolder &folder : m_folders) {
        if (const std::optional<QString> inside = outputInsideReason(output, folder))
            return *inside + u' ' +
                   tr("Choose another output folder, or stop watching that folder.");
    }
    return QString();
}

bool WatchFolderEditor::save() const
{
    return WatchFolderFile(m_file).write(m_folders);
}

} // namespace vantrel
