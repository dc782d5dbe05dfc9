#pragma once

#include <QString>

#include <optional>

namespace vantrel {

// The entry a stored text names: its leading number, when that is a whole
// entry number of the catalogue. "13" gives 13; "", "abc", "0" and "150" give none.
std::optional<int> entryOfStoredText(const QString &text);

} // namespace vantrel
