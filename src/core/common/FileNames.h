#pragma once

#include <QString>

#include <functional>
#include <optional>

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

// Whether something stands at `path`: a file, a folder, or a link, even one
// that leads nowhere (writing through it would create its target).
bool isNameTaken(const QString &path);

// The first free path of the chain folder/base + extension,
// base_New + extension, base_New_New + extension, ...: the first whose
// `taken` says no. Every name is fitted to the file system's limit by
// shortening `base`, never the "_New"s. After a chain as long as a name can
// hold, the last name is given even if taken (whoever writes it then refuses).
QString freeFileName(const QString &folder, const QString &base, const QString &extension,
                     const NameTaken &taken);

// This machine's name as it stands in the names of the program's temporary
// files: ASCII letters, digits and "_" only, at most 24 characters (a longer
// name is cut and ends with a hash of the whole, so that two long names stay
// apart). Programs on several machines may share one folder (NFS, SMB); the
// host tells whose a file is.
QString hostTag();
// The same for any host name.
QString hostTagOf(const QString &hostName);

// The hidden name a file is written under before it takes `finalPath`:
// ".clip.vantrel-HOST-4242-7.mp4" beside "clip.mp4", unique among this
// program's files and other programs', on this machine and others, with the
// final name's extension, and fitted to the file system's limit.
QString temporaryPathFor(const QString &finalPath);

// Whether a process of that id runs (or may run: one we may not signal
// counts as running).
bool processIsRunning(qint64 pid);

// Who left a file of the program's own: the host tag and the process id.
struct LeftoverOwner
{
    QString host;
    qint64 pid = 0;

    bool operator==(const LeftoverOwner &other) const
    {
        return host == other.host && pid == other.pid;
    }
};

// A statistics file beside `statisticsPath` for another encoder of the same
// program: "curconvert-HOST-PID.log" and 2 give "curconvert-HOST-PID-2.log".
QString numberedStatisticsFile(const QString &statisticsPath, int number);

// Where an encoder's pass statistics go beside the statistics file of its
// run ("curconvert-HOST-PID-2.log" gives "curconvert-HOST-PID-2.pass"; the
// encoder adds its own endings: "-0.log", ".mbtree", ".cutree", ".temp").
QString passLogBaseFor(const QString &statisticsPath);
// Removes the files an encoder wrote from `base`.
void removePassLogs(const QString &base);

// The owner a name of the program's own carries: a temporary output or
// download (".name.vantrel-HOST-PID-N.ext", with whatever yt-dlp adds:
// ".part", ".ytdl", ".f137.mp4", "-Frag3"), a statistics file
// ("curconvert-HOST-PID.log", "curconvert-HOST-PID-2.log", and a watched
// folder's "curconvert-HOST-PID-1001-2.log") or an encoder's
// pass statistics ("curconvert-HOST-PID-2.pass-0.log.mbtree"); none for any
// other name. Names of older programs, without a host, are none: they may be
// another machine's.
std::optional<LeftoverOwner> leftoverOwnerOf(const QString &fileName);

} // namespace vantrel
