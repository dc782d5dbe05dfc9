#include "core/common/TimeText.h"

#include <QRegularExpression>

namespace vantrel {

namespace {
constexpr qint64 kSecondsPerDay = 24 * 3600;
}

QString timeText(qint64 seconds)
{
    const qint64 ofDay = ((seconds % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
    return QStringLiteral("%1:%2:%3")
        .arg(ofDay / 3600)
        .arg((ofDay / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(ofDay % 60, 2, 10, QLatin1Char('0'));
}

std::optional<int> secondsOfTimeText(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{1,2}):([0-9]{1,2})(?::([0-9]{1,2}))?$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const int hours = match.captured(1).toInt();
    const int minutes = match.captured(2).toInt();
    const int seconds = match.captured(3).isEmpty() ? 0 : match.captured(3).toInt();
    if (hours > 23 || minutes > 59 || seconds > 59)
        return std::nullopt;
    return hours * 3600 + minutes * 60 + seconds;
}

} // namespace vantrel
