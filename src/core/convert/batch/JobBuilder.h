#pragma once

#include "core/common/Expected.h"
#include "core/records/ConversionJob.h"

namespace vantrel {

// The job that converts `sourcePath` with entry `entry` and `options`, over
// the clip from `clipStart` to `clipEnd` (time texts); the output path is
// left for the caller to name. Why none can be built, in words: a group
// entry, or a clip time that is no time of day. The batch and vantrel-cli's
// `command` build their jobs here, so both build the same command from a row.
Expected<ConversionJob> buildConversionJob(const QString &sourcePath, int entry,
                                           const ConversionOptions &options,
                                           const QString &clipStart, const QString &clipEnd);

} // namespace vantrel
