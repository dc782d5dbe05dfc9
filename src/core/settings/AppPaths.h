#pragma once

#include <QString>

namespace vantrel {

// Where the program's files are. One place decides, everything asks it.
class AppPaths
{
public:
    // The folder of the running executable.
    static QString programFolder();

    // The folder for settings, the encoder's statistics file, the cache and
    // downloads: the program folder when it is writable (a portable install,
    // the build tree), otherwise the per-user data folder. The environment
    // variable VANTREL_DATA_DIR, when set, names it instead (tests and
    // side-by-side installs use it).
    static QString dataFolder();

    static QString settingsFile();   // settings.dat in the data folder
    static QString statisticsFile(); // curconvert.log in the data folder
    // The statistics file this running program's encoders write:
    // curconvert-<process id>.log in the data folder, so that programs
    // sharing the folder never read or delete each other's progress.
    static QString ownStatisticsFile();

    // `name` inside `folder`, joined with the platform separator.
    static QString join(const QString &folder, const QString &name);
};

} // namespace vantrel
