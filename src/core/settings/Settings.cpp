#include "core/settings/Settings.h"

#include "core/common/NumberText.h"
#include "core/profiles/ProfileSelection.h"
#include "core/settings/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>

namespace vantrel {

const QString SettingsFile::kSection = QStringLiteral("Set");
const QString SettingsFile::kOutputFolder = QStringLiteral("outputfolder");
const QString SettingsFile::kExistingFile = QStringLiteral("existedfile");
const QString SettingsFile::kThread = QStringLiteral("thread");
const QString SettingsFile::kAutoShut = QStringLiteral("autoshut");
const QString SettingsFile::kProfile = QStringLiteral("profile");
const QString SettingsFile::kSimultaneous = QStringLiteral("simultaneous");
const QString SettingsFile::kYtDlp = QStringLiteral("ytdlp");
const QString SettingsFile::kMaxDownload = QStringLiteral("maxdownload");
const QString SettingsFile::kLanguages = QStringLiteral("Languages");
const QString SettingsFile::kWatchSettle = QStringLiteral("WatchSettle");

SettingsFile::SettingsFile(QString filePath, QString defaultOutputFolder)
    : m_filePath(std::move(filePath)), m_defaultOutputFolder(std::move(defaultOutputFolder))
{}

QString encoderThreadText(const QString &stored, QString *warning)
{
    const double count = leadingNumber(stored);
    const double allowed = std::clamp(count, 0.0, kMaxThreads);
    if (allowed != count && warning)
        *warning = QCoreApplication::translate(
                       "Settings", "The thread count \"%1\" of the settings is outside 0 to %2; "
                                   "%3 is used.")
                       .arg(stored.left(24), numberText(kMaxThreads), numberText(allowed));
    return numberText(allowed);
}

int maxSimultaneousConversions()
{
    return std::max(1, QThread::idealThreadCount());
}

int simultaneousConversions(const QString &stored, QString *warning)
{
    if (stored.trimmed().isEmpty())
        return 1; // a file from before the key
    const double wanted = leadingNumber(stored);
    const int allowed = int(std::clamp(wanted, 1.0, double(maxSimultaneousConversions())));
    if (allowed != wanted && warning)
        *warning = QCoreApplication::translate(
                       "Settings", "The simultaneous conversions \"%1\" of the settings are "
                                   "outside 1 to %2; %3 is used.")
                       .arg(stored.left(24))
                       .arg(maxSimultaneousConversions())
                       .arg(allowed);
    return allowed;
}

qint64 maxDownloadBytes(const QString &stored, QString *warning)
{
    if (stored.trimmed().isEmpty())
        return kDefaultMaxDownloadBytes;
    constexpr double kGigabyte = 1024.0 * 1024.0 * 1024.0;
    const double wanted = leadingNumber(stored);
    const double allowed = std::clamp(wanted, 1.0 / 1024, 1024.0);
    if (allowed != wanted && warning)
        *warning = QCoreApplication::translate(
                       "Settings", "The largest download \"%1\" of the settings is outside "
                                   "0.001 to 1024 GB; %2 GB is used.")
                       .arg(stored.left(24), numberText(allowed));
    return qint64(allowed * kGigabyte);
}

int watchSettleSeconds(const QString &stored, QString *warning)
{
    if (stored.trimmed().isEmpty())
        return kDefaultWatchSettleSeconds;
    const double wanted = leadingNumber(stored);
    const int allowed = int(std::clamp(wanted, 1.0, double(kMaxWatchSettleSeconds)));
    if (allowed != wanted && warning)
        *warning = QCoreApplication::translate(
                       "Settings", "The settle time \"%1\" of the settings is not a whole number "
                                   "of seconds from 1 to %2; %3 s is used.")
                       .arg(stored.left(24))
                       .arg(kMaxWatchSettleSeconds)
                       .arg(allowed);
    return allowed;
}

QStringList desktopLanguages()
{
    const QLocale::Language language = QLocale::system().language();
    QString code;
    if (language != QLocale::C && language != QLocale::AnyLanguage)
        code = QLocale::languageToCode(language, QLocale::ISO639Part2);
    return {code.isEmpty() ? QStringLiteral("eng") : code};
}

std::optional<QString> languageCode(const QString &typed)
{
    const QString code = typed.trimmed().toLower();
    const auto letters = [&code] {
        return std::all_of(code.cbegin(), code.cend(),
                           [](QChar c) { return c >= u'a' && c <= u'z'; });
    };
    if (code.size() == 3 && letters())
        return code;
    if (code.size() == 2 && letters()) {
        const QLocale::Language language = QLocale::codeToLanguage(code, QLocale::ISO639Part1);
        const QString long3 = language == QLocale::AnyLanguage
                                  ? QString()
                                  : QLocale::languageToCode(language, QLocale::ISO639Part2);
        if (long3.size() == 3)
            return long3;
    }
    return std::nullopt;
}

QStringList languageItems(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    return text.split(separators, Qt::SkipEmptyParts);
}

QStringList preferredLanguages(const QString &stored, QString *warning)
{
    QStringList languages;
    QStringList unusable;
    for (const QString &item : languageItems(stored)) {
        const std::optional<QString> code = languageCode(item);
        if (!code)
            unusable << item.left(24);
        else if (!languages.contains(*code))
            languages << *code;
    }
    QStringList dropped = unusable;
    if (languages.size() > kMaxPreferredLanguages) {
        dropped << languages.mid(kMaxPreferredLanguages);
        languages = languages.mid(0, kMaxPreferredLanguages);
    }
    if (languages.isEmpty())
        languages = desktopLanguages();
    if (!dropped.isEmpty() && warning)
        *warning = QCoreApplication::translate(
                       "Settings", "The preferred languages of the settings leave out \"%1\": "
                                   "ISO 639 codes of two or three letters are kept, at most %2. "
                                   "The languages are %3.")
                       .arg(dropped.mid(0, 8).join(QStringLiteral(", ")))
                       .arg(kMaxPreferredLanguages)
                       .arg(languages.join(QStringLiteral(", ")));
    return languages;
}

Settings SettingsFile::read() const
{
    Settings settings;
    if (const std::optional<QString> unusable = unusableIniReason(m_filePath))
        settings.warnings << QCoreApplication::translate(
                                 "Settings", "The settings file %1; the defaults are used.")
                                 .arg(*unusable);
    const IniDocument file = readIniFile(m_filePath);
    const auto text = [&file](const QString &key) {
        return file.value(kSection, key);
    };
    settings.outputFolder = text(kOutputFolder);
    if (settings.outputFolder.isEmpty())
        settings.outputFolder = m_defaultOutputFolder;
    // Numbers are read by their leading digits: "2", "2abc" and " 2.0" alike.
    settings.existingFile = leadingNumber(text(kExistingFile)) == 0.0
                                ? ExistingFilePolicy::AddNew
                                : ExistingFilePolicy::Overwrite;
    settings.threads = text(kThread);
    QString threadWarning;
    encoderThreadText(settings.threads, &threadWarning);
    if (!threadWarning.isEmpty())
        settings.warnings << threadWarning;
    settings.powerOffAfterBatch = leadingNumber(text(kAutoShut)) == 1.0;
    settings.profile = entryOfStoredText(text(kProfile));
    QString simultaneousWarning;
    settings.simultaneous = simultaneousConversions(text(kSimultaneous), &simultaneousWarning);
    if (!simultaneousWarning.isEmpty())
        settings.warnings << simultaneousWarning;
    QString downloadWarning;
    settings.maxDownloadBytes = maxDownloadBytes(text(kMaxDownload), &downloadWarning);
    if (!downloadWarning.isEmpty())
        settings.warnings << downloadWarning;
    QString languagesWarning;
    settings.preferredLanguages = preferredLanguages(text(kLanguages), &languagesWarning);
    if (!languagesWarning.isEmpty())
        settings.warnings << languagesWarning;
    QString settleWarning;
    settings.watchSettleSeconds = watchSettleSeconds(text(kWatchSettle), &settleWarning);
    if (!settleWarning.isEmpty())
        settings.warnings << settleWarning;
    settings.ytDlp = text(kYtDlp);
    const QFileInfo ytDlp(settings.ytDlp);
    if (!settings.ytDlp.isEmpty() && !(ytDlp.isFile() && ytDlp.isExecutable()))
        settings.warnings << QCoreApplication::translate(
                                 "Settings", "The yt-dlp \"%1\" of the settings is no executable "
                                             "file; the one on PATH is used.")
                                 .arg(settings.ytDlp.left(200));
    return settings;
}

bool SettingsFile::writePreferences(const Settings &settings) const
{
    return iniWrite(
        m_filePath, kSection,
        {
            {kOutputFolder, settings.outputFolder},
            {kExistingFile, settings.existingFile == ExistingFilePolicy::AddNew
                                ? QStringLiteral("0")
                                : QStringLiteral("1")},
            {kAutoShut, settings.powerOffAfterBatch ? QStringLiteral("1") : QStringLiteral("0")},
            {kThread, settings.threads},
            {kSimultaneous, QString::number(settings.simultaneous)},
            {kLanguages, settings.preferredLanguages.join(u',')},
            {kWatchSettle, QString::number(settings.watchSettleSeconds)},
        });
}

bool SettingsFile::writeProfile(std::optional<int> entry) const
{
    if (!entry)
        return true;
    return iniWrite(m_filePath, kSection, {{kProfile, QString::number(*entry)}});
}

QString absoluteOutputFolder(const QString &stored, const QString &dataFolder)
{
    return QDir::toNativeSeparators(
        QDir::cleanPath(QDir(dataFolder).absoluteFilePath(stored.isEmpty() ? dataFolder : stored)));
}

} // namespace vantrel
