#pragma once

#include <QString>

#include <optional>

namespace vantrel {

class Settings;

// The entry a stored text names: its leading number, when that is a whole
// entry number of the catalogue. "13" gives 13; "", "abc", "0" and "150" give none.
std::optional<int> entryOfStoredText(const QString &text);

// The entry selected at the last exit, as the settings file remembers it.
std::optional<int> restoreProfileSelection(const Settings &settings);

// Remembers the selection; with no selection nothing is written.
void storeProfileSelection(const Settings &settings, std::optional<int> entry);

} // namespace vantrel
