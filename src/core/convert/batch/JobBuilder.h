#pragma once

#include "core/common/Expected.h"
#include "core/records/ConversionJob.h"

#include <optional>

namespace vantrel {

// The job that converts `sourcePath` with entry `entry` and `options`, over
// the clip from `clipStart` to `clipEnd` (time texts); the output path is
// left for the caller to name. Why none can be built, in words: a group
// entry, or a clip time that is no time of day. The batch and vantrel-cli's
// `command` build their jobs here, so both build the same command from a row.
Expected<ConversionJob> buildConversionJob(const QString &sourcePath, int entry,
                                           const ConversionOptions &options,
                                           const QString &clipStart, const QString &clipEnd);

// Why a clip of `job` cannot be taken from a source that holds
// `heldSeconds`: it starts or ends past the source's end (lengths are whole
// seconds in the list, so an end within the last second is taken); none
// when it can.
std::optional<QString> clipPastEndReason(const ConversionJob &job, double heldSeconds);

} // namespace vantrel
