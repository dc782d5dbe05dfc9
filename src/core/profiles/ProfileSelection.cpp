#include "core/profiles/ProfileSelection.h"

#include "core/common/NumberText.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/settings/Settings.h"

#include <cmath>

namespace vantrel {

std::optional<int> entryOfStoredText(const QString &text)
{
    const double number = leadingNumber(text);
    if (number != std::floor(number) || number < kFirstEntry || number > kLastEntry)
        return std::nullopt;
    return static_cast<int>(number);
}

std::optional<int> restoreProfileSelection(const Settings &settings)
{
    return entryOfStoredText(settings.text(Settings::kProfile));
}

void storeProfileSelection(const Settings &settings, std::optional<int> entry)
{
    if (entry)
        settings.write(Settings::kProfile, QString::number(*entry));
}

} // namespace vantrel
