#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

// The most a download may hold unless the settings say otherwise: a stream
// of unknown length may never end.
constexpr qint64 kDefaultMaxDownloadBytes = qint64(16) * 1024 * 1024 * 1024;

// A file in a watched folder joins once it has held still this long.
constexpr int kDefaultWatchSettleSeconds = 10;
constexpr int kMaxWatchSettleSeconds = 3600;

// What to do when an output file of the same name exists.
enum class ExistingFilePolicy
{
    AddNew,   // add "_New" before the extension until the name is free
    Overwrite // use the name even if the file exists
};

// The desktop's language as an ISO 639-2 code, the preferred languages when
// none are stored: "eng" for the C locale or a language without such a code.
// Qt gives the bibliographic form where a language has two ("ger", not
// "deu"); Matroska and FFmpeg files carry either, so both are matched later.
QStringList desktopLanguages();

// The settings file's values, read at once where a batch or a window needs
// them. Texts are as stored; choices as the reading rules make them.
struct Settings
{
    QString outputFolder; // the default folder when none is stored
    ExistingFilePolicy existingFile = ExistingFilePolicy::AddNew;
    QString threads; // the encoder's thread count as stored
    bool powerOffAfterBatch = false;
    std::optional<int> profile; // the entry selected at the last exit
    int simultaneous = 1;       // rows converting at once, 1 to the number of cores
    QString ytDlp;              // the yt-dlp the user chose; empty: the one on PATH
    qint64 maxDownloadBytes = kDefaultMaxDownloadBytes; // the most a download may hold
    // The languages whose sound and subtitles a conversion keeps when the
    // sheet asks for them: ISO 639-2 codes ("eng", "deu"), first preferred first.
    QStringList preferredLanguages = desktopLanguages();
    // How long a file in a watched folder must hold still before it joins.
    int watchSettleSeconds = kDefaultWatchSettleSeconds;
    // What was wrong with the file and was set right, one line each, for the
    // user to be told once (not part of the values).
    QStringList warnings;

    bool operator==(const Settings &other) const
    {
        return outputFolder == other.outputFolder && existingFile == other.existingFile &&
               threads == other.threads && powerOffAfterBatch == other.powerOffAfterBatch &&
               profile == other.profile && simultaneous == other.simultaneous &&
               ytDlp == other.ytDlp && maxDownloadBytes == other.maxDownloadBytes &&
               preferredLanguages == other.preferredLanguages &&
               watchSettleSeconds == other.watchSettleSeconds;
    }
    bool operator!=(const Settings &other) const { return !(*this == other); }
};

// The encoder takes 0 (its own choice) to 8 threads.
constexpr double kMaxThreads = 8.0;

// The thread count the encoder is given for a stored text: its number, the
// nearest of 0 to 8 when outside (then `warning` says so).
QString encoderThreadText(const QString &stored, QString *warning = nullptr);

// How many rows may convert at once on this machine: 1 to its number of
// cores. `stored` outside that is held to the nearest (then `warning` says so).
int simultaneousConversions(const QString &stored, QString *warning = nullptr);
int maxSimultaneousConversions();

// The most preferred languages kept.
constexpr int kMaxPreferredLanguages = 8;

// One typed language code as stored: three ASCII letters, lower-cased, or an
// ISO 639-1 code of two letters ("de") as its ISO 639-2 one ("ger"); none
// when it is neither.
std::optional<QString> languageCode(const QString &typed);
// The items of a typed or stored list of languages, split at commas and
// blanks, as they are (not yet checked).
QStringList languageItems(const QString &text);
// The preferred languages for a stored text ("eng,deu"): each item cleaned
// by `languageCode`, the unusable ones and repeats dropped, at most
// `kMaxPreferredLanguages`; what was dropped is said in `warning`. A text
// that leaves none is the desktop's language.
QStringList preferredLanguages(const QString &stored, QString *warning = nullptr);

// The settle time of watched folders for a stored number of seconds: 10 when
// none is stored; outside 1 to 3600 it is held to the nearest (then
// `warning` says so).
int watchSettleSeconds(const QString &stored, QString *warning = nullptr);

// The output folder as the files are written into it: an empty one is
// `dataFolder`, a relative one is taken from there.
QString absoluteOutputFolder(const QString &stored, const QString &dataFolder);

// The most a download may hold for a stored number of GB: 16 GB when none is
// stored; a number outside 0.001 (1 MB) to 1024 is held to the nearest (then
// `warning` says so).
qint64 maxDownloadBytes(const QString &stored, QString *warning = nullptr);

// settings.dat: the section [Set] and its keys; files written before a key
// existed simply lack it, and read as its default. Every other line of the
// file is kept as it is.
class SettingsFile
{
public:
    static const QString kSection;      // "Set"
    static const QString kOutputFolder; // folder for converted files
    static const QString kExistingFile; // 0: add "_New" to a taken name; other: overwrite
    static const QString kThread;       // encoder thread count as text
    static const QString kAutoShut;     // 1: power off after a batch
    static const QString kProfile;      // entry number of the last selected profile
    static const QString kSimultaneous; // rows converting at once
    static const QString kYtDlp;        // path of the yt-dlp to run (set by hand)
    static const QString kMaxDownload;  // the most a download may hold, in GB (set by hand)
    static const QString kLanguages;    // preferred languages, "eng,deu"
    static const QString kWatchSettle;  // seconds a watched file must hold still

    // `defaultOutputFolder` stands in for an empty output folder.
    SettingsFile(QString filePath, QString defaultOutputFolder);

    const QString &filePath() const { return m_filePath; }

    // A missing or unreadable file reads as the defaults; so does one that is
    // no regular file or is far too large (a warning says so).
    Settings read() const;
    // Writes what the preferences window edits: the output folder, the
    // existing-file policy, the power-off, the thread count, the rows
    // converting at once, the preferred languages and the watched folders'
    // settle time, as given.
    // False when the file could not be written; it then stays as it was.
    bool writePreferences(const Settings &settings) const;
    // Remembers the selected entry; with no selection nothing is written.
    bool writeProfile(std::optional<int> entry) const;

private:
    QString m_filePath;
    QString m_defaultOutputFolder;
};

} // namespace vantrel
