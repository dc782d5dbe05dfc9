#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

// How much shorter than asked an output may be and still count as complete.
constexpr double kOutputLengthTolerance = 1.5;

// The media-info tool's arguments that print a file's duration in seconds.
QStringList durationQueryArguments(const QString &path);

// The duration the media-info tool printed; none for "N/A" or nothing.
std::optional<double> parseDurationOutput(const QString &output);

// The length to judge an output by: the longer of what the media-info tool
// reads from the file and what the encoder says it encoded. The tool only
// estimates the length of some formats and has none for others.
std::optional<double> judgedLength(std::optional<double> probed, std::optional<double> encoded);

// Whether the encoder said that it wrote no sound and no picture (it still
// exits with 0 and leaves a file of bare headers).
bool encoderWroteNothing(const QString &encoderOutput);

// Why a conversion that the encoder called a success did not deliver, or no
// value when it did: a missing or empty file, or a file shorter than
// `expectedSeconds`. An output whose length cannot be read (some containers
// have none) is judged by its size only.
std::optional<QString> outputProblem(qint64 fileSize, std::optional<double> measuredSeconds,
                                     double expectedSeconds);

} // namespace vantrel
