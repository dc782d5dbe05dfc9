#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vantrel {

// One entry of the open dialog's type list: the text the user reads and the
// patterns it stands for.
struct FileFilter
{
    const char *description;
    std::vector<const char *> patterns;

    QStringList patternList() const;
    // "description (pattern pattern ...)": the form Qt's file dialog reads; with
    // its details hidden the dialog shows the description alone.
    QString dialogFilter() const;
};

// The open dialog's type list, in order; the first one is selected.
const std::vector<FileFilter> &openDialogFilters();

// What the open dialog returned, as adding takes it: the folder of the chosen
// files (ending in one separator) and their names in the dialog's order.
struct ChosenFiles
{
    QString folder;
    QStringList names;

    // folder + name for each name: one separator between them, also at a root.
    QStringList paths() const;
};
ChosenFiles splitChosenFiles(const QStringList &selectedPaths);

// Why a file cannot be handed to the tools by its name, or none: a name that
// holds bytes that are not text arrives here with replacement characters, and
// no tool could open the file by it. The message names the file and says to
// rename it.
std::optional<QString> unusableNameReason(const QString &path);

// Why a file cannot be read, in the system's words (a folder, no
// permission), or none. A file that is not there is none of this.
std::optional<QString> unreadableReason(const QString &path);

// Whether a dropped file is taken: its path ends, in any letter case, in one of
// the known video endings (no dot needed, so "notes.platform" ends in "rm").
bool isDropAccepted(const QString &path);

} // namespace vantrel
