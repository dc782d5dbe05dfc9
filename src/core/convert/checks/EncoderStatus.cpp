#include "core/convert/checks/EncoderStatus.h"

#include "core/common/NumberText.h"

#include <QRegularExpression>

namespace vantrel {

std::optional<double> encodedSecondsOfStatsLine(const QString &line)
{
    static const QRegularExpression time(
        QStringLiteral("(?:^|\\s)time=\\s*([0-9]+(?:\\.[0-9]+)?)"));
    const QRegularExpressionMatch match = time.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    return leadingNumber(match.captured(1));
}

std::optional<double> encodedSecondsOfStatusText(const QString &text)
{
    static const QRegularExpression time(
        QStringLiteral("time=\\s*(-?)([0-9]+):([0-9]{2}):([0-9]{2}(?:\\.[0-9]+)?)"));
    std::optional<double> last;
    QRegularExpressionMatchIterator it = time.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (!m.captured(1).isEmpty())
            continue; // "-577014:32:22.77" before the first frame
        last = m.captured(2).toDouble() * 3600 + m.captured(3).toDouble() * 60 +
               leadingNumber(m.captured(4));
    }
    return last;
}

std::optional<qint64> writtenKilobytesOfStatusLine(const QString &line)
{
    static const QRegularExpression size(QStringLiteral("(?:^|\\s)L?size=\\s*(\\d+)(?:kB|KiB)"));
    const QRegularExpressionMatch m = size.match(line);
    return m.hasMatch() ? std::optional<qint64>(m.captured(1).toLongLong()) : std::nullopt;
}

std::optional<qint64> framesOfStatusLine(const QString &line)
{
    static const QRegularExpression frames(QStringLiteral("^frame=\\s*(\\d+)\\s"));
    const QRegularExpressionMatch m = frames.match(line);
    return m.hasMatch() ? std::optional<qint64>(m.captured(1).toLongLong()) : std::nullopt;
}

} // namespace vantrel
