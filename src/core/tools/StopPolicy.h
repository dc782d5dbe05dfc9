#pragma once

#include <QByteArray>

namespace vantrel {

class Process;

// The one way a tool that has something to finish (a file, a picture) is
// ended: it is asked in its own words on its standard input, and ended at
// once if it is still there after a grace time. Its end comes, as always,
// as the Process's `finished`.
struct StopPolicy
{
    QByteArray request; // what the tool reads as "finish and end"
    int graceMs = 0;    // how long it has to do so

    // Asks the run of `process` that is running now; a later run of the same
    // object is never touched. Nothing happens when none runs.
    void apply(Process &process) const;
};

} // namespace vantrel
