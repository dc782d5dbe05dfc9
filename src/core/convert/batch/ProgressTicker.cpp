#include "core/convert/batch/ProgressTicker.h"

#include "core/convert/checks/EncoderStatus.h"

#include "core/common/NumberText.h"
#include "core/common/TimeText.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace vantrel {

QByteArray readFileTail(const QString &path, qint64 maxBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    const qint64 size = file.size();
    if (size > maxBytes)
        file.seek(size - maxBytes);
    return file.read(maxBytes);
}

QString lastCompleteLine(const QByteArray &text)
{
    const qsizetype end = text.lastIndexOf('\n');
    if (end < 0)
        return QString();
    const qsizetype start = text.lastIndexOf('\n', end - 1) + 1;
    QByteArray line = text.mid(start, end - start);
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

std::optional<int> filePercent(double encodedSeconds, int durationSeconds)
{
    if (durationSeconds == 0)
        return std::nullopt;
    return static_cast<int>(roundHalfEven(100.0 * (encodedSeconds / durationSeconds)));
}

ProgressTicker::ProgressTicker(QString statisticsPath, QObject *parent)
    : QObject(parent), m_statisticsPath(std::move(statisticsPath))
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &ProgressTicker::tick);
}

void ProgressTicker::start(int durationSeconds)
{
    m_elapsedSeconds = 0;
    startPass(durationSeconds);
}

void ProgressTicker::startPass(int durationSeconds)
{
    m_durationSeconds = durationSeconds;
    m_lastPercent = -1;
    m_statusTold = false;
    m_timer.start();
}

void ProgressTicker::setEncodedSeconds(double seconds)
{
    m_statusTold = true;
    show(seconds);
}

void ProgressTicker::stop()
{
    m_timer.stop();
}

void ProgressTicker::tick()
{
    ++m_elapsedSeconds;
    Q_EMIT elapsedTextChanged(timeText(m_elapsedSeconds));

    const std::optional<double> encoded =
        encodedSecondsOfStatsLine(lastCompleteLine(readFileTail(m_statisticsPath)));
    if (encoded)
        Q_EMIT encodedSecondsRead(*encoded);
    if (m_statusTold)
        return; // the status lines move the bar as they come
    // No line yet counts as nothing encoded.
    show(encoded.value_or(0.0));
}

void ProgressTicker::show(double encodedSeconds)
{
    const std::optional<int> percent = filePercent(encodedSeconds, m_durationSeconds);
    if (!percent)
        return; // a zero duration keeps the bar where it is
    const int shown = std::clamp(*percent, 0, 100);
    if (shown > m_lastPercent) {
        m_lastPercent = shown;
        Q_EMIT filePercentChanged(shown);
    }
}

} // namespace vantrel
