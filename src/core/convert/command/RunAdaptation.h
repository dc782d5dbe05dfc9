#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

// What a run of today's entries changes in the command as the tables build
// it, for what its source holds. Empty: the command runs as built.
struct RunAdaptation
{
    // The streams to take ("0:2"), in place of every "-map" of the command;
    // none: the command's own.
    std::optional<QStringList> streams;
    // Picture filters ahead of the command's own (deinterlacing, tone mapping).
    QStringList filtersBefore;
    // The rate of a constant-rate output, at which a filtered picture keeps
    // a held last picture; empty when the command's own "-r" tells it or the
    // output keeps each picture's own time.
    QString constantRate;
    // Options for the output before its path (colour tags).
    QStringList outputOptions;
    // The picture's pixel format in place of the command's; empty: its own.
    QString pixelFormat;
    // The encoder's own parameters added to the command's: its option
    // ("-x265-params") and the parameters ("hdr10=1:..."); empty: none.
    QStringList encoderParams;
    // A picture subtitle drawn over the picture ("0:5"), after the filters
    // before; empty: none.
    QString overlaySubtitle;
    // The layout a surround sound is handed to its encoder in; empty: its own.
    QString soundLayout;
    // A copy of a clip read from this time of the source (its picture's key
    // frame at or before the clip's start) for `copySeconds`, in place of the
    // clip's own start and length: a copy can begin on a key frame only.
    std::optional<double> copyFrom;
    double copySeconds = 0;
    // What the row's tip says of it.
    QStringList notes;
    // Why the run cannot be made of this source at all; empty: it can.
    QString refusal;

    bool isEmpty() const
    {
        return !streams && !copyFrom && overlaySubtitle.isEmpty() && pixelFormat.isEmpty() &&
               encoderParams.isEmpty() && filtersBefore.isEmpty() && constantRate.isEmpty() &&
               outputOptions.isEmpty() && soundLayout.isEmpty() && notes.isEmpty() &&
               refusal.isEmpty();
    }
};

} // namespace vantrel
