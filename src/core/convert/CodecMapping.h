#pragma once

#include <QString>

#include <optional>

namespace vantrel {

// The encoder's codec options for the option sheet's codec labels. Labels are
// compared exactly; a label found in no row has no mapping and is passed on as
// it stands.
std::optional<QString> mappedVideoCodec(const QString &label);
std::optional<QString> mappedAudioCodec(const QString &label);

} // namespace vantrel
