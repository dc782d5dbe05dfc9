#include "core/settings/PreferencesController.h"

#include "core/common/NumberText.h"

namespace vantrel {

const QString PreferencesController::kThreadError = QStringLiteral("Thread error!");

PreferencesController::PreferencesController(QString settingsFile, QString defaultFolder)
    : m_settings(std::move(settingsFile), std::move(defaultFolder))
{}

PreferenceValues PreferencesController::load() const
{
    PreferenceValues values;
    values.folder = m_settings.outputFolder();
    values.existingFile = m_settings.existingFilePolicy() == 0 ? ExistingFilePolicy::AddNew
                                                               : ExistingFilePolicy::Overwrite;
    values.autoShut = m_settings.autoShut();
    values.threadText = m_settings.threadText();
    return values;
}

QString PreferencesController::check(const PreferenceValues &values) const
{
    // Negative and fractional counts pass; the encoder is given them as typed.
    if (leadingNumber(values.threadText) > kMaxThreads)
        return kThreadError;
    return QString();
}

Expected<PreferenceValues> PreferencesController::save(const PreferenceValues &values) const
{
    const QString refusal = check(values);
    if (!refusal.isEmpty())
        return Expected<PreferenceValues>::failure(refusal);

    PreferenceValues stored = values;
    stored.folder = values.folder.trimmed();
    stored.threadText = numberText(leadingNumber(values.threadText));

    m_settings.write(Settings::kOutputFolder, stored.folder);
    m_settings.write(Settings::kExistingFile, stored.existingFile == ExistingFilePolicy::AddNew
                                                  ? QStringLiteral("0")
                                                  : QStringLiteral("1"));
    m_settings.write(Settings::kAutoShut,
                     stored.autoShut ? QStringLiteral("1") : QStringLiteral("0"));
    m_settings.write(Settings::kThread, stored.threadText);
    return stored;
}

} // namespace vantrel
