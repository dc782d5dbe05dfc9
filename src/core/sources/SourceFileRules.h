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
    QStringList patterns;

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

// Why a file is refused at the door, or none: its name (above), or what it is.
// A pipe, a socket or a character device under a media name (a FIFO named
// .mp4, /dev/zero linked as .mp3) would leave the tools waiting or reading
// for ever; a regular file or a block device (a disc) is taken.
std::optional<QString> unusableSourceReason(const QString &path);

// Why a file cannot be read, in the system's words (a folder, no
// permission), or none. A file that is not there is none of this.
std::optional<QString> unreadableReason(const QString &path);

// A kind of file the program takes: its extension (lower case, no dot) and
// the MIME type the desktop knows it by, none where the desktop knows none.
struct MediaType
{
    const char *extension;
    const char *mimeType;
};

// Every kind of video and sound file the program takes, from the command
// line, "Open With", a drop or the open dialog: those of 2009 and today's
// (camera, phone and web files, sound books, lossless sound). The desktop
// entry's MimeType list names the same types.
const std::vector<MediaType> &mediaTypes();

// Whether a file is taken by its extension, in any letter case.
bool isAcceptedMediaFile(const QString &path);

// The files of `paths` that are taken, and the message that names every
// one refused, at once (empty when none is): those of another type under
// "Only Video files are allowed!", and those whose names cannot reach the
// tools with why.
struct FileSorting
{
    QStringList accepted;
    QString refusal;
    bool unusableNames = false; // the refusal names a file that must be renamed
};
FileSorting sortAddedFiles(const QStringList &paths);

} // namespace vantrel
