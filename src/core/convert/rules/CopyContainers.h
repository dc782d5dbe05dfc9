#pragma once

#include "core/tools/SourceFacts.h"

#include <QString>

namespace vantrel {

// Whether a copy into a file of `extension` can hold `stream` as the copy
// entries write it (MP4 turns text subtitles into its own).
bool containerHolds(const QString &extension, const StreamFacts &stream);

} // namespace vantrel
