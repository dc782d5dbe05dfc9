#pragma once

#include "core/convert/checks/EncoderReport.h"
#include "core/convert/command/EncoderCommand.h"
#include "core/records/ConversionJob.h"
#include "core/tools/SourceFacts.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

// One encoder run of a row's work.
struct EncoderPass
{
    QString title; // what it does, for the log and `command --as-run`
    EncoderCommand command;
    // It writes the row's output file (anew); otherwise it writes nothing.
    bool writesOutput = true;
    // It reads the sound alone: the rules for the source's picture do not apply.
    bool soundOnly = false;
    // The sound it reads ("0:3"), of several a row keeps; empty: the row's first.
    QString sound;
    // It reads the source: the rules for the source's streams apply.
    bool readsSource = true;
    // A list of files it reads (FFmpeg's concat reader), written there
    // before it starts; empty: none.
    QString inputList;
    QByteArray inputListContent;
    // Ended at once when its output grows past this many bytes; the plan
    // hears that it was.
    std::optional<qint64> stopAbove;
    // Its encoder ending with an error is a finding for its plan (a measure
    // of what the source holds), not the row's failure.
    bool failureIsFinding = false;
    // Its time against one conversion of the row, and the time the passes
    // after it are likely to take: the row's progress shares them out.
    double weight = 1;
    double weightAfter = 0;
    // In an outline, before any pass ran: the rule by which the run decides
    // this pass from what the passes before it find; empty when its command
    // is known as it stands.
    QString decidedBy;
};

// Where a plan's outline begins, and what it leaves for the plans after
// it: a command known as it stands, or one that `rule` decides from what
// a pass before finds.
struct Outline
{
    EncoderCommand command;
    QString rule;
};

// What a pass that ended well found.
struct PassOutcome
{
    QString messages; // the encoder's last messages
    EncoderReport report;
    qint64 outputBytes = -1;   // its output file's size; -1: there is none
    bool stoppedAbove = false; // ended when its output passed the pass's `stopAbove`
    bool failed = false;       // the encoder ended with an error (`failureIsFinding`)
};

// What follows a pass: the next one, the end of the plan, or the row's failure.
struct PassStep
{
    enum class Kind
    {
        Run,
        Done,
        Fail
    };
    Kind kind = Kind::Done;
    EncoderPass pass; // Run
    QString reason;   // Fail

    static PassStep run(EncoderPass pass);
    static PassStep done();
    static PassStep fail(QString reason);
};

// What a row's plans decide from, besides the command.
struct PassContext
{
    ConversionJob job;
    std::optional<SourceFacts> facts; // none when the source could not be read ahead
    bool wholeFile = false;           // the clip is not sent
    QString passLogBase;              // where an encoder's pass statistics go
};

// One feature's share of a row's work: the passes it needs, each decided
// when the one before has ended, by what that one found. A plan begins
// with the command the plans before it leave, and leaves its own.
class PassPlan
{
public:
    virtual ~PassPlan() = default;

    virtual PassStep begin(const EncoderCommand &command) = 0;
    // After each of its passes that ended well.
    virtual PassStep next(const PassOutcome &outcome) = 0;
    // Once done: the command the plans after it begin with.
    virtual EncoderCommand leaves() const = 0;
    // Its passes as they would run, before any ran, from `at`, which it
    // leaves as the plans after it begin: a pass whose arguments depend on
    // what another measures says by what rule.
    virtual QList<EncoderPass> outline(Outline &at) const = 0;
    // What the row's tip says of what it did.
    virtual QStringList notes() const = 0;
};

} // namespace vantrel
