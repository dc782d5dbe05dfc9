#pragma once

#include <QString>
#include <QStringView>

namespace vantrel {

// A recording's statistics as the window shows them.
struct CaptureStatistics
{
    qint64 framesCaptured = 0;
    qint64 framesDropped = 0;
    qint64 elapsedMs = 0;

    bool operator==(const CaptureStatistics &other) const
    {
        return framesCaptured == other.framesCaptured && framesDropped == other.framesDropped &&
               elapsedMs == other.elapsedMs;
    }
};

// Reads the encoder's progress lines ("frame=250", "drop_frames=3",
// "out_time_us=10040000", ...) into `statistics`; keys it does not know and
// values that are not numbers ("N/A") change nothing. `pending` keeps a line
// that has not ended yet for the next call.
void readCaptureProgress(QStringView text, QString &pending, CaptureStatistics &statistics);

// "250 frames (3 dropped) - 10.04 sec."
QString captureStatisticsText(const CaptureStatistics &statistics);

} // namespace vantrel
