#include "core/settings/Settings.h"

#include "core/common/NumberText.h"
#include "core/profiles/ProfileSelection.h"
#include "core/settings/IniFile.h"

#include <QCoreApplication>

#include <algorithm>

namespace vantrel {

const QString SettingsFile::kSection = QStringLiteral("Set");
const QString SettingsFile::kOutputFolder = QStringLiteral("outputfolder");
const QString SettingsFile::kExistingFile = QStringLiteral("existedfile");
const QString SettingsFile::kThread = QStringLiteral("thread");
const QString SettingsFile::kAutoShut = QStringLiteral("autoshut");
const QString SettingsFile::kProfile = QStringLiteral("profile");

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
        });
}

bool SettingsFile::writeProfile(std::optional<int> entry) const
{
    if (!entry)
        return true;
    return iniWrite(m_filePath, kSection, {{kProfile, QString::number(*entry)}});
}

} // namespace vantrel
