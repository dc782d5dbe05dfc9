#pragma once

#include "core/convert/command/CommandBuilder.h"
#include "core/convert/plans/RowPasses.h"
#include "core/convert/rules/SourceRules.h"
#include "core/records/ConversionJob.h"
#include "core/settings/Settings.h"
#include "core/tools/SourceAnalysis.h"

#include <QObject>
#include <QSet>
#include <QStringList>

namespace vantrel {

// What a run of a command depends on besides the command.
struct RunConditions
{
    ExistingFilePolicy existingFile = ExistingFilePolicy::AddNew;
    QSet<QString> installedEncoders; // empty: unknown, no codec is replaced
    bool wholeFile = false;          // the clip is not sent
};

// Readies one row's encoder run: learns its source's facts where the entry
// adapts to them (today's entries), then turns the command into the
// arguments the installed encoder runs (encoderRunArguments). The batch's
// encoder runs and vantrel-cli's `command --as-run` ready their runs here,
// so that the command printed is the one that runs.
class RunPreparation : public QObject
{
    Q_OBJECT

public:
    explicit RunPreparation(const QString &encoderPath, QObject *parent = nullptr);

    // `ready` follows: at once when the entry learns nothing of its source,
    // else once the analysis has ended. A preparation under way is given up
    // first.
    void start(const ConversionJob &job, const EncoderCommand &command,
               const RunConditions &conditions);
    // Gives the preparation up; no `ready` comes.
    void stop();
    bool isRunning() const { return m_analysis.isRunning(); }

    // Once ready: the encoder's arguments (the program not included), and
    // what was done for the source.
    QStringList arguments() const;
    const RunAdaptation &adaptation() const { return m_adaptation; }
    // The arguments of one pass of the row's work: a pass that reads the
    // sound alone takes the streams chosen for the source and nothing of
    // its picture's rules.
    QStringList arguments(const EncoderPass &pass) const;
    // What the analysis learnt; none when the entry learns nothing of its
    // source or the source could not be read.
    const std::optional<SourceFacts> &facts() const { return m_facts; }
    // What a row's plans decide from, for this preparation.
    PassContext passContext(const QString &passLogBase) const;

Q_SIGNALS:
    void ready();

private:
    SourceAnalysis m_analysis;
    ConversionJob m_job;
    EncoderCommand m_command;
    RunConditions m_conditions;
    RunAdaptation m_adaptation;
    std::optional<SourceFacts> m_facts;
};

} // namespace vantrel
