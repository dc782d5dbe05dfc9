#pragma once

#include <QString>

#include <optional>

namespace vantrel {

// A number of seconds shown as the time of day that many seconds after
// midnight: "0:03:25" (hours without a leading zero, 24-hour, wrapping at 24 hours).
QString timeText(qint64 seconds);

// A time of day ("0:03:25", "00:00:00", "10:00:00", "7:05") back to seconds as
// hours * 3600 + minutes * 60 + seconds. A text that is no time of day gives no value.
std::optional<int> secondsOfTimeText(const QString &text);

} // namespace vantrel
