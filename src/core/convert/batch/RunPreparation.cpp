#include "core/convert/batch/RunPreparation.h"

#include "core/common/Logging.h"
#include "core/convert/command/EncoderArguments.h"
#include "core/convert/command/EncoderList.h"
#include "core/convert/command/PictureFit.h"
#include "core/tools/ToolLocator.h"

namespace vantrel {

RunPreparation::RunPreparation(const QString &encoderPath, QObject *parent)
    : QObject(parent), m_analysis(ToolLocator::mediaInfo(), encoderPath)
{
    connect(&m_analysis, &SourceAnalysis::finished, this, [this] {
        m_facts = m_analysis.facts();
        if (m_facts)
            m_adaptation = adaptToSource(*m_facts, m_job);
        for (const QString &note : std::as_const(m_adaptation.notes))
            qCInfo(lcBatch).noquote() << "for its source:" << note;
        Q_EMIT ready();
    });
}

void RunPreparation::start(const ConversionJob &job, const EncoderCommand &command,
                           const RunConditions &conditions)
{
    stop();
    m_job = job;
    m_command = command;
    m_conditions = conditions;
    m_adaptation = RunAdaptation();
    m_facts.reset();
    if (adaptsToSource(job)) {
        m_analysis.start(job.sourcePath, convertsPicture(job) ? SourceAnalysis::Depth::Picture
                                                              : SourceAnalysis::Depth::Streams);
        return;
    }
    Q_EMIT ready(); // nothing to learn
}

void RunPreparation::stop()
{
    m_analysis.stop();
}

QStringList RunPreparation::arguments() const
{
    return encoderRunArguments(m_command, m_conditions.existingFile, m_conditions.installedEncoders,
                               m_conditions.wholeFile, m_adaptation);
}

QStringList RunPreparation::arguments(const EncoderPass &pass) const
{
    RunAdaptation adaptation = m_adaptation;
    if (!pass.readsSource) {
        adaptation = RunAdaptation();
    } else if (pass.soundOnly) {
        // The sound's rules hold; the picture's do not.
        adaptation = RunAdaptation();
        adaptation.streams = m_adaptation.streams;
        adaptation.soundLayout = m_adaptation.soundLayout;
    }
    return encoderRunArguments(pass.command, m_conditions.existingFile,
                               m_conditions.installedEncoders, m_conditions.wholeFile, adaptation);
}

PassContext RunPreparation::passContext(const QString &passLogBase) const
{
    return PassContext{m_job, m_facts, m_conditions.wholeFile, passLogBase};
}

} // namespace vantrel
