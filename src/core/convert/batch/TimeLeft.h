#pragma once

#include <QList>

#include <optional>

namespace vantrel {

// What a batch knows of its rows when it tells the time left. Lengths are
// the rows' media seconds (their clips'); times are seconds of the clock.
struct BatchProgress
{
    // A row whose encoder ended with its file whole: how long it took from
    // its start (its source's reading included).
    struct Done
    {
        double wallSeconds = 0;
        double mediaSeconds = 0;
    };
    // A row in hand: how long since it started, how long its encoder has
    // run (none while its source is read), and its percent over all its
    // passes.
    struct Running
    {
        double wallSeconds = 0;
        double encodingSeconds = 0;
        double percent = 0;
        double mediaSeconds = 0;
    };
    QList<Done> done;
    QList<Running> running;
    QList<double> waiting; // the lengths of the rows whose turn has not come
    int slots = 1;         // rows converted at once
};

// The seconds the batch still needs. Each running row finishes at the speed
// its encoder has shown; each waiting row takes what the rows done took per
// media second or, before one is done, the running rows' reading time and
// encoding speed. Rows run `slots` at once. No value until some row has
// shown a speed: a second of encoding and a few percent.
std::optional<int> batchSecondsLeft(const BatchProgress &progress);

} // namespace vantrel
