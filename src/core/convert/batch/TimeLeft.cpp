#include "core/convert/batch/TimeLeft.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

// A speed is told by this much of a row's encoding.
constexpr double kLeastEncodingSeconds = 1;
constexpr double kLeastPercent = 3;

bool showsSpeed(const BatchProgress::Running &row)
{
    return row.encodingSeconds >= kLeastEncodingSeconds && row.percent >= kLeastPercent &&
           row.mediaSeconds > 0;
}

} // namespace

std::optional<int> batchSecondsLeft(const BatchProgress &progress)
{
    // What a waiting row costs: a fixed part (its reading) and a part per
    // media second.
    double fixed = 0;
    double perMediaSecond = 0;
    double doneWall = 0;
    double doneMedia = 0;
    for (const BatchProgress::Done &row : progress.done) {
        doneWall += row.wallSeconds;
        doneMedia += row.mediaSeconds;
    }
    if (doneMedia > 0) {
        perMediaSecond = doneWall / doneMedia;
    } else {
        double reading = 0;
        double encoding = 0;
        double media = 0;
        int measured = 0;
        for (const BatchProgress::Running &row : progress.running) {
            if (!showsSpeed(row))
                continue;
            reading += std::max(0.0, row.wallSeconds - row.encodingSeconds);
            encoding += row.encodingSeconds;
            media += row.mediaSeconds * row.percent / 100;
            ++measured;
        }
        if (measured == 0)
            return std::nullopt;
        fixed = reading / measured;
        perMediaSecond = encoding / media;
    }

    double total = 0;
    double longestRunning = 0;
    for (const BatchProgress::Running &row : progress.running) {
        const double left =
            showsSpeed(row)
                ? row.encodingSeconds * (100 - std::min(row.percent, 100.0)) / row.percent
                : std::max(0.0, fixed + perMediaSecond * row.mediaSeconds - row.wallSeconds);
        total += left;
        longestRunning = std::max(longestRunning, left);
    }
    for (const double media : progress.waiting)
        total += fixed + perMediaSecond * media;
    const qsizetype rows = progress.running.size() + progress.waiting.size();
    if (rows == 0)
        return 0;
    const double atOnce = double(std::clamp<qsizetype>(progress.slots, 1, rows));
    return static_cast<int>(std::ceil(std::max(longestRunning, total / atOnce)));
}

} // namespace vantrel
