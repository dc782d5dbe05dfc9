#pragma once

#include "core/convert/command/EncoderCommand.h"
#include "core/convert/command/RunAdaptation.h"
#include "core/convert/plans/PassPlan.h"
#include "core/records/ConversionJob.h"
#include "core/settings/Settings.h"
#include "core/tools/SourceFacts.h"

#include <QSet>
#include <QStringList>

#include <optional>

namespace vantrel {

// What a run of a command depends on besides the command.
struct RunConditions
{
    ExistingFilePolicy existingFile = ExistingFilePolicy::AddNew;
    QSet<QString> installedEncoders; // empty: unknown, no codec is replaced
    bool wholeFile = false;          // the clip is not sent
};

// One row's run made ready: its command adapted to what its source holds
// (today's entries, by the source's facts) and turned into the arguments the
// installed encoder runs (encoderRunArguments). The batch's encoder runs and
// vantrel-cli's `command --as-run` ready their runs here, so that the
// command printed is the one that runs.
class RunPreparation
{
public:
    RunPreparation() = default;
    // `facts`: what the source's reading learnt; none when the entry learns
    // nothing of its source or the source could not be read.
    RunPreparation(ConversionJob job, EncoderCommand command, RunConditions conditions,
                   std::optional<SourceFacts> facts);

    // The encoder's arguments (the program not included), and what was done
    // for the source.
    QStringList arguments() const;
    const RunAdaptation &adaptation() const { return m_adaptation; }
    // The arguments of one pass of the row's work: a pass that reads the
    // sound alone takes the streams chosen for the source and nothing of
    // its picture's rules.
    QStringList arguments(const EncoderPass &pass) const;
    const std::optional<SourceFacts> &facts() const { return m_facts; }
    const EncoderCommand &command() const { return m_command; }
    // What a row's plans decide from, for this preparation.
    PassContext passContext(const QString &passLogBase) const;

private:
    ConversionJob m_job;
    EncoderCommand m_command;
    RunConditions m_conditions;
    std::optional<SourceFacts> m_facts;
    RunAdaptation m_adaptation;
};

} // namespace vantrel
