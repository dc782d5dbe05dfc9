#pragma once

#include <QString>

#include <optional>

namespace vantrel {

// What the encoder's progress lines tell, each read by its key.

// The encoded time of one line of the per-frame statistics file:
// "out= 0 st= 0 frame= 24 q= -1.0 ... time= 0.880 br= ..." gives 0.88.
std::optional<double> encodedSecondsOfStatsLine(const QString &line);

// The encoded time in the encoder's own status output, the last
// "time=HH:MM:SS.cc" in it; audio-only conversions write no statistics lines.
std::optional<double> encodedSecondsOfStatusText(const QString &text);

// The size written so far that a status line gives, in kilobytes:
// "size=    256kB" (FFmpeg 6 and older) and "size=    256KiB" (FFmpeg 7 on)
// both give 256; "Lsize=" is the last line's form.
std::optional<qint64> writtenKilobytesOfStatusLine(const QString &line);

// The pictures a status line says were encoded: "frame=  250 fps=..." gives 250.
std::optional<qint64> framesOfStatusLine(const QString &line);

} // namespace vantrel
