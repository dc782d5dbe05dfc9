#pragma once

#include <QString>

namespace vantrel {

// Where the program's files are. One place decides, everything asks it.
class AppPaths
{
public:
    // The folder of the running executable.
    static QString programFolder();

    // The installation's folder of shipped files (<prefix>/share/vantrel,
    // found from the executable's folder <prefix>/bin).
    static QString installedDataFolder();
    // Whether the program runs installed: its shipped files are in the
    // installation's data folder, not beside it.
    static bool isInstalled();
    // A file that ships with the program (the skin, the first settings),
    // given relative to the program folder: beside the executable (the build
    // tree, a portable folder), else in the installation's data folder.
    static QString shippedFile(const QString &relativePath);
    // A helper program of the project (vantrel-guard): beside the executable
    // (the build tree, a portable folder), else in the installation's
    // libexec/vantrel; empty when it is in neither.
    static QString helperProgram(const QString &name);

    // The folder for settings, the encoder's statistics file, the cache and
    // downloads: the program folder when it is writable and not an
    // installation (a portable folder, the build tree), otherwise the
    // per-user data folder. The environment variable VANTREL_DATA_DIR, when
    // set, names it instead (tests and side-by-side installs use it).
    static QString dataFolder();
    // A data folder without settings gets the shipped ones (the profile
    // selected at first start); existing settings are never touched. Whether
    // settings are there afterwards.
    static bool seedSettings();

    // Where converted files go when no output folder was chosen: the user's
    // videos folder for an installed program (the data folder is hidden,
    // where nobody looks), the data folder of a portable one.
    static QString defaultOutputFolder();

    static QString settingsFile(); // settings.dat in the data folder
    // The installed encoder's list of encoders, remembered between runs.
    static QString encoderListCache();
    static QString watchFoldersFile(); // watch-folders.json: the watched folders
    // converted.jsonl: what the watched folders had converted.
    static QString convertedRecordFile();
    static QString statisticsFile(); // curconvert.log in the data folder
    // The statistics file this running program's encoders write:
    // curconvert-<host>-<process id>.log in the data folder, so that programs
    // sharing the folder, on this machine or others, never read or delete
    // each other's progress.
    static QString ownStatisticsFile();

    // `name` inside `folder`, joined with the platform separator.
    static QString join(const QString &folder, const QString &name);
};

} // namespace vantrel
