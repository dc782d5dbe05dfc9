#pragma once

#include <QString>

#include <functional>

namespace vantrel {

// The longest file name (one path component) the usual file systems take,
// in bytes of the name as the system stores it.
constexpr int kFileNameMaxBytes = 255;
// The longest path the system takes, in bytes.
constexpr int kPathMaxBytes = 4096;

// `base` + `extension`, the base cut at the end (on a character boundary)
// until the name fits `maxBytes` in the file system's encoding. The
// extension is kept whole; a base cut to nothing stays empty.
QString fitFileName(const QString &base, const QString &extension,
                    int maxBytes = kFileNameMaxBytes);

using NameTaken = std::function<bool(const QString &path)>;

// The first free path of the chain folder/base + extension,
// base_New + extension, base_New_New + extension, ...: the first whose
// `taken` says no. Every name is fitted to the file system's limit by
// shortening `base`, never the "_New"s. After a chain as long as a name can
// hold, the last name is given even if taken (whoever writes it then refuses).
QString freeFileName(const QString &folder, const QString &base, const QString &extension,
                     const NameTaken &taken);

// The hidden name a file is written under before it takes `finalPath`:
// ".clip.vantrel-4242-7.mp4" beside "clip.mp4", unique among this program's
// files and other programs', with the final name's extension, and fitted to
// the file system's limit.
QString temporaryPathFor(const QString &finalPath);

// Whether a process of that id runs (or may run: one we may not signal
// counts as running).
bool processIsRunning(qint64 pid);

// Removes what programs of this kind that were killed left in `folder`:
// hidden temporary outputs (".name.vantrel-PID-N.ext") and statistics files
// ("curconvert-PID.log", "curconvert-PID-2.log") whose process no longer runs. A running program's
// files are never touched. Returns how many files went.
int sweepLeftovers(const QString &folder);

} // namespace vantrel
