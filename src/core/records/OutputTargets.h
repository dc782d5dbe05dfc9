#pragma once

#include "core/common/Expected.h"

#include <QString>

#include <optional>
#include <vector>

namespace vantrel {

// What today's entries may be asked to reach besides their quality: a size
// the file must fit under ("Fit To Size") and a loudness ("Loudness"). The
// sheet holds them as texts; these read and write those texts.

// The sheet's words for "nothing to reach".
QString fitSizeOff();
QString loudnessAsSource();
// The choices the sheet offers; a typed value is taken too.
const std::vector<const char *> &fitSizeChoices();
const std::vector<const char *> &loudnessChoices();

// A size limit in bytes (MB is 1,000,000 bytes, kB 1,000, so the file is
// under the limit however a service counts): "10 MB", "10MB", "2.5" (MB),
// "300 kB", "1 GB"; none for "Off" or an empty text. Fails on anything
// else, or a size outside 10 kB to 1,000 GB.
Expected<std::optional<qint64>> fitSizeBytes(const QString &text);
// The text of a limit as the sheet shows it: "10 MB", "2.5 MB", "300 kB".
QString fitSizeText(qint64 bytes);

// A loudness target in LUFS, from -31 to -5: "-16", "-16 LUFS", or a choice
// such as "-16 LUFS (phones, podcasts)"; none for "Same as source" or an
// empty text.
Expected<std::optional<double>> loudnessTarget(const QString &text);
// The text of a target as the sheet shows it: the choice that names it,
// else "-18 LUFS".
QString loudnessText(double lufs);

// "9.6 MB", "0.29 MB": a size against a limit in MB, as a row's tip says it.
QString megabytesText(qint64 bytes);

} // namespace vantrel
