#include "core/convert/batch/RunPreparation.h"

#include "core/common/Logging.h"
#include "core/convert/command/EncoderArguments.h"
#include "core/convert/rules/SourceRules.h"

namespace vantrel {

RunPreparation::RunPreparation(ConversionJob job, EncoderCommand command, RunConditions conditions,
                               std::optional<SourceFacts> facts)
    : m_job(std::move(job)), m_command(std::move(command)), m_conditions(std::move(conditions)),
      m_facts(std::move(facts))
{
    if (m_facts && adaptsToSource(m_job))
        m_adaptation = adaptToSource(*m_facts, m_job);
    for (const QString &note : std::as_const(m_adaptation.notes))
        qCInfo(lcBatch).noquote() << "for its source:" << note;
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
        adaptation.streams = pass.sound.isEmpty() ? m_adaptation.streams : QStringList{pass.sound};
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
