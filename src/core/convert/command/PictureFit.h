#pragma once

#include <QString>

namespace vantrel {

// The filter that fits a picture into a frame of `width` x `height` pixels
// shown at `displayAspect` ("4:3", "16:9", "1.78"; empty: square pixels),
// keeping the picture's own display aspect, with black bars around it.
QString pictureFitFilter(int width, int height, const QString &displayAspect);

} // namespace vantrel
