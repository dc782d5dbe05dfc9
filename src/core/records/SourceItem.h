#pragma once

#include "core/records/TrackPick.h"

#include <QString>

#include <optional>

namespace vantrel {

// Where a row of the source list stands in the batch.
enum class RowStatus
{
    None, // not converted in this session
    Processing,
    Ok,
    Fail,
    Cancel,
    Waiting, // the running batch will convert it
    Checking // converted; its output is being checked before it is called OK
};

// The status as the list shows it and vantrel-cli prints it: "", "Processing",
// "OK", "Fail", "Cancel", "Waiting", "Checking".
QString rowStatusText(RowStatus status);
// Whether a batch has the row in hand: waiting for its turn, converting or
// checking it.
bool isInProgress(RowStatus status);

struct SourceItem;

// Whether a row converts its whole file: its clip is still the one the probe
// filled in (from 0:00:00 to the file's length), not one the user chose.
bool isWholeFile(const SourceItem &item);

// One row of the source list.
struct SourceItem
{
    QString fileName;  // full path of the source file
    QString clipStart; // time text, "0:00:00" when added
    QString clipEnd;   // time text, the probed duration when added
    QString frameSize; // "640x480"
    QString videoFormat;
    RowStatus status = RowStatus::None;
    QString videoTime; // time text, the full duration of the source
    QString problem;   // why the probe found the file unfit to convert; empty when fit
    // The row's own choice of tracks; none: the sheet's rules choose.
    std::optional<TrackPick> tracks;
};

} // namespace vantrel
