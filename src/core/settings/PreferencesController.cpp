#include "core/settings/PreferencesController.h"

#include "core/common/NumberText.h"

#include <algorithm>

namespace vantrel {

PreferencesController::PreferencesController(QString settingsFile, QString defaultFolder)
    : m_file(std::move(settingsFile), std::move(defaultFolder))
{}

Settings PreferencesController::load() const
{
    return m_file.read();
}

QString PreferencesController::check(const Settings &values) const
{
    // Negative and fractional counts pass; the encoder is given them as typed.
    if (leadingNumber(values.threads) > kMaxThreads)
        return tr("Thread error!");
    return checkLanguages(values.preferredLanguages);
}

QString PreferencesController::checkLanguages(const QStringList &typed)
{
    QStringList codes;
    for (const QString &item : typed) {
        const std::optional<QString> code = languageCode(item);
        if (!code)
            return tr("\"%1\" is no language code. Type ISO 639 codes of three letters "
                      "(or two), separated by commas, like \"eng, deu\".")
                .arg(item.left(40));
        if (!codes.contains(*code))
            codes << *code;
    }
    if (codes.size() > kMaxPreferredLanguages)
        return tr("At most %1 preferred languages can be kept.").arg(kMaxPreferredLanguages);
    return QString();
}

Expected<Settings> PreferencesController::save(const Settings &values) const
{
    const QString refusal = check(values);
    if (!refusal.isEmpty())
        return Expected<Settings>::failure(refusal);

    Settings stored = values;
    stored.outputFolder = values.outputFolder.trimmed();
    stored.threads = numberText(leadingNumber(values.threads));
    stored.simultaneous = std::clamp(values.simultaneous, 1, maxSimultaneousConversions());
    stored.preferredLanguages = preferredLanguages(values.preferredLanguages.join(u','));
    m_file.writePreferences(stored);
    return stored;
}

} // namespace vantrel
