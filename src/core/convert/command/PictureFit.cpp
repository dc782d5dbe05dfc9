#include "core/convert/command/PictureFit.h"

#include <QStringList>

#include <numeric>

namespace vantrel {

QString pictureFitFilter(int width, int height, const QString &displayAspect)
{
    // The frame's sample aspect (the shape of one pixel on the screen) as a
    // fraction: display aspect x height / width, or square without one.
    qint64 num = 1;
    qint64 den = 1;
    const QStringList parts = displayAspect.split(u':');
    bool ok = false;
    if (parts.size() == 2) {
        const qint64 a = parts[0].toLongLong(&ok);
        bool okB = false;
        const qint64 b = parts[1].toLongLong(&okB);
        if (ok && okB && a > 0 && b > 0) {
            num = a * height;
            den = b * width;
        }
    } else if (const double aspect = displayAspect.toDouble(&ok); ok && aspect > 0) {
        num = qRound64(aspect * 1000) * height;
        den = 1000LL * width;
    }
    const qint64 divisor = std::gcd(num, den);
    const QString sar = QStringLiteral("%1/%2").arg(num / divisor).arg(den / divisor);
    // The picture's display aspect `dar` against the frame's: wider pictures
    // take the whole width, taller ones the whole height; sizes stay even.
    const QString w = QString::number(width);
    const QString h = QString::number(height);
    const QString wider = QStringLiteral("gt(dar/(%1),%2/%3)").arg(sar, w, h);
    return QStringLiteral("scale=w='if(%1,%2,2*trunc(%3*dar/(%4)/2))'"
                          ":h='if(%1,2*trunc(%2*(%4)/dar/2),%3)',"
                          "pad=%2:%3:(ow-iw)/2:(oh-ih)/2,setsar=%4")
        .arg(wider, w, h, sar);
}

} // namespace vantrel
