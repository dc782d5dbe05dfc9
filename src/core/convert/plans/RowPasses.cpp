#include "core/convert/plans/RowPasses.h"

#include "core/convert/command/CommandShapes.h"
#include "core/convert/plans/ConvertOnce.h"
#include "core/convert/plans/ExactCutPlan.h"
#include "core/convert/plans/FitPlan.h"
#include "core/convert/plans/LoudnessPlan.h"
#include "core/convert/rules/TrackChoice.h"

namespace vantrel {

RowPasses::RowPasses(const PassContext &context, const EncoderCommand &command) : m_command(command)
{
    // The sound is measured before any pass that converts it.
    const ProfileCommandRow *row = profileCommandRow(context.job.profileIndex);
    const Expected<std::optional<double>> &loudness = context.job.options.loudness();
    if (row && (row->shape == Shape::TodayVideo || row->shape == Shape::TodaySound) && loudness &&
        *loudness) {
        // Each sound the row keeps is measured and brought to the target.
        const QList<KeptSound> sounds =
            context.facts
                ? chooseTracks(*context.facts, context.job, row->shape == Shape::TodaySound).sounds
                : QList<KeptSound>();
        if (sounds.isEmpty())
            m_plans.push_back(std::make_unique<LoudnessPlan>(context, **loudness));
        for (int at = 0; at < sounds.size(); ++at)
            m_plans.push_back(std::make_unique<LoudnessPlan>(
                context, **loudness,
                LoudnessPlan::Sound{sounds.at(at).stream->index, at, int(sounds.size())}));
    }
    const Expected<std::optional<qint64>> &limit = context.job.options.sizeLimit();
    const std::optional<ExactStart> exact =
        context.facts ? exactStart(*context.facts, context.job) : std::nullopt;
    if (exact) {
        m_plans.push_back(std::make_unique<ExactCutPlan>(context, *exact));
    } else if (limit && *limit) {
        m_plans.push_back(std::make_unique<FitPlan>(context, **limit));
        m_single = false;
    } else {
        m_plans.push_back(std::make_unique<ConvertOnce>());
    }
}

RowPasses::~RowPasses() = default;

PassStep RowPasses::begin()
{
    m_current = 0;
    return advance(m_plans.front()->begin(m_command));
}

PassStep RowPasses::next(const PassOutcome &outcome)
{
    return advance(m_plans.at(m_current)->next(outcome));
}

PassStep RowPasses::advance(PassStep step)
{
    while (step.kind == PassStep::Kind::Done && m_current + 1 < m_plans.size()) {
        const EncoderCommand command = m_plans.at(m_current)->leaves();
        ++m_current;
        step = m_plans.at(m_current)->begin(command);
    }
    return step;
}

QList<EncoderPass> RowPasses::outline() const
{
    QList<EncoderPass> passes;
    Outline at{m_command, QString()};
    for (const std::unique_ptr<PassPlan> &plan : m_plans)
        passes += plan->outline(at);
    return passes;
}

QStringList RowPasses::notes() const
{
    QStringList notes;
    for (const std::unique_ptr<PassPlan> &plan : m_plans)
        notes += plan->notes();
    return notes;
}

} // namespace vantrel
