#include "core/profiles/ProfileSelection.h"

#include "core/common/NumberText.h"
#include "core/profiles/ProfileCatalogue.h"

#include <cmath>

namespace vantrel {

std::optional<int> entryOfStoredText(const QString &text)
{
    const double number = leadingNumber(text);
    if (number != std::floor(number) || number < kFirstEntry || number > kLastEntry)
        return std::nullopt;
    return static_cast<int>(number);
}

} // namespace vantrel
