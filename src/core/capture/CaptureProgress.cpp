#include "core/capture/CaptureProgress.h"

namespace vantrel {

namespace {

void readLine(QStringView line, CaptureStatistics &statistics)
{
    const qsizetype equals = line.indexOf(u'=');
    if (equals <= 0)
        return;
    const QStringView key = line.left(equals).trimmed();
    bool ok = false;
    const qint64 value = line.mid(equals + 1).trimmed().toLongLong(&ok);
    if (!ok)
        return;
    if (key == u"frame")
        statistics.framesCaptured = value;
    else if (key == u"drop_frames")
        statistics.framesDropped = value;
    // Both keys hold microseconds; the second is the older, misnamed one.
    else if (key == u"out_time_us" || key == u"out_time_ms")
        statistics.elapsedMs = value / 1000;
}

} // namespace

void readCaptureProgress(QStringView text, QString &pending, CaptureStatistics &statistics)
{
    pending += text;
    qsizetype start = 0;
    for (qsizetype end = pending.indexOf(u'\n'); end >= 0; end = pending.indexOf(u'\n', start)) {
        readLine(QStringView(pending).mid(start, end - start), statistics);
        start = end + 1;
    }
    pending.remove(0, start);
}

QString captureStatisticsText(const CaptureStatistics &statistics)
{
    return QStringLiteral("%1 frames (%2 dropped) - %3 sec.")
        .arg(statistics.framesCaptured)
        .arg(statistics.framesDropped)
        .arg(double(statistics.elapsedMs) / 1000.0, 0, 'f', 2);
}

} // namespace vantrel
