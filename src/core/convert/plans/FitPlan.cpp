#include "core/convert/plans/FitPlan.h"

#include "core/common/NumberText.h"
#include "core/common/TimeText.h"
#include "core/convert/command/CodecMapping.h"
#include "core/convert/command/CommandBuilder.h"
#include "core/records/OutputTargets.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("FitToSize", text);
}

// A fitted file this full of its limit is done; an emptier one is tried
// again at a higher rate while a try is left to fall back on.
constexpr double kFullShare = 0.9;
// Between two tried rates, the size aimed at: above the full share, below
// the limit by the encoder's usual error.
constexpr double kAimedShare = 0.95;

QString soundText(int kbps)
{
    return kbps > 0 ? tr("%1 kbit/s sound").arg(kbps) : tr("no sound");
}

QString sideText(const QSize &frame)
{
    return QStringLiteral("%1p").arg(std::min(frame.width(), frame.height()));
}

} // namespace

FitPlan::FitPlan(PassContext context, qint64 limitBytes)
    : m_context(std::move(context)), m_limitBytes(limitBytes),
      m_codec(todayVideoCodec(m_context.job.options.videoCodec()))
{}

std::optional<FitInput> FitPlan::input() const
{
    const ConversionJob &job = m_context.job;
    const std::optional<SourceFacts> &facts = m_context.facts;
    FitInput input;
    input.limitBytes = m_limitBytes;
    input.extension = job.outputExtension;
    input.leastBitsPerPixel = m_codec->leastBitsPerPixel;
    input.rateMargin = m_codec->rateMargin;

    // The clip's length, not the file's, and never past the file's end.
    const std::optional<double> fileSeconds = facts ? facts->heldSeconds() : std::nullopt;
    input.seconds = job.durationSeconds;
    if (m_context.wholeFile && fileSeconds)
        input.seconds = *fileSeconds;
    else if (fileSeconds)
        input.seconds = std::min(input.seconds, *fileSeconds - job.startSeconds);
    if (input.seconds <= 0)
        return std::nullopt;

    const StreamFacts *picture = facts ? facts->picture() : nullptr;
    input.picture = !facts || picture;
    if (const std::optional<QSize> &chosen = job.options.frameSize()) {
        input.frame = *chosen;
    } else if (picture) {
        const bool turned = facts->rotation() % 180 != 0;
        input.frame = turned ? QSize(picture->height, picture->width)
                             : QSize(picture->width, picture->height);
    }
    const std::optional<double> sourceRate = picture ? picture->framesPerSecond() : std::nullopt;
    input.framesPerSecond =
        std::clamp(job.options.framesPerSecond().value_or(sourceRate.value_or(30)), 1.0, 240.0);

    const bool sound = job.options.soundWanted() && (!facts || facts->sound());
    input.soundKbps = sound ? job.options.soundKbps().value_or(0) : 0;
    return input;
}

bool FitPlan::usesSmallerPicture() const
{
    return m_input.frame.isValid() && m_budget.frame != m_input.frame;
}

EncoderCommand FitPlan::shaped(EncoderCommand command, bool budgetShape, int pass) const
{
    if (budgetShape && usesSmallerPicture()) {
        // The frame the run fits the picture into, in the picture's shape.
        CommandLine size;
        size.appendLiteral(QStringLiteral(" -s "));
        size.appendValue(
            QStringLiteral("%1x%2").arg(m_budget.frame.width()).arg(m_budget.frame.height()));
        command.replace(CommandRole::Size, size);
        command.remove(CommandRole::Filter);
    }
    if (budgetShape && m_budget.soundKbps > 0 && command.has(CommandRole::SoundRate)) {
        CommandLine sound;
        sound.appendLiteral(QStringLiteral(" -b:a "));
        sound.appendValue(QString::number(m_budget.soundKbps));
        sound.appendLiteral(QStringLiteral("k"));
        command.replace(CommandRole::SoundRate, sound);
    }
    if (pass > 0 && m_codec->passes) {
        QString escaped = m_context.passLogBase;
        for (const QChar special : {u'\\', u':', u'=', u'\''})
            escaped.replace(special, QStringLiteral("\\") + special);
        CommandLine log;
        log.appendValue(m_context.passLogBase);
        CommandLine logParam;
        logParam.appendValue(escaped);
        CommandLine number;
        number.appendValue(QString::number(pass));
        CommandLine passes;
        expandTemplate(passes, m_codec->passes,
                       {{QStringLiteral("N"), number},
                        {QStringLiteral("LOG"), log},
                        {QStringLiteral("LOGPARAM"), logParam}});
        command.replace(CommandRole::Pass, passes);
    }
    return command;
}

EncoderPass FitPlan::qualityPass(bool smaller) const
{
    // Its picture's statistics serve the second pass, unless the budget's
    // picture is another or there is no second pass: then a pass that went
    // over the limit is ended there.
    const bool statisticsServe = m_codec->passes && (smaller || !usesSmallerPicture());
    EncoderPass pass;
    if (!smaller)
        pass.title = tr("at the profile's quality (kept when it fits)");
    else if (m_budget.neededBytes)
        pass.title =
            tr("at the profile's quality, %1 (kept when it fits)").arg(sideText(m_budget.frame));
    else
        pass.title = tr("at the profile's quality, %1 (the first of two passes)")
                         .arg(sideText(m_budget.frame));
    pass.command = shaped(m_command, smaller, statisticsServe ? 1 : 0);
    if (!statisticsServe)
        pass.stopAbove = m_limitBytes;
    const double share = smaller && m_input.frame.isValid()
                             ? double(m_budget.frame.width()) * m_budget.frame.height() /
                                   (double(m_input.frame.width()) * m_input.frame.height())
                             : 1.0;
    pass.weight = share;
    pass.weightAfter = usesSmallerPicture() && !smaller ? 0.6 : share;
    return pass;
}

EncoderPass FitPlan::ratePass(int videoKbps) const
{
    EncoderPass pass;
    pass.title = m_input.picture ? tr("at %1 kbit/s of picture and %2 kbit/s of sound (run again "
                                      "lower while over %3)")
                                       .arg(videoKbps)
                                       .arg(m_budget.soundKbps)
                                       .arg(fitSizeText(m_limitBytes))
                                 : tr("at %1 kbit/s of sound").arg(m_budget.soundKbps);
    pass.command = shaped(m_command, true, 2);
    if (m_input.picture) {
        CommandLine rate;
        CommandLine kbps;
        kbps.appendValue(QString::number(videoKbps));
        expandTemplate(rate, m_codec->rate, {{QStringLiteral("R"), kbps}});
        pass.command.replace(CommandRole::VideoRate, rate);
    }
    pass.weight = usesSmallerPicture() ? 0.6 : 1.0;
    pass.weightAfter = m_tries < kMostTries && !m_fallingBack ? 0.1 : 0;
    return pass;
}

PassStep FitPlan::begin(const EncoderCommand &command)
{
    m_command = command;
    m_notes.clear();
    m_tries = 0;
    m_stage = Stage::AtQuality;
    if (!m_codec)
        return PassStep::fail(tr("This profile's picture cannot be fitted to a size."));
    const std::optional<FitInput> input = this->input();
    if (!input)
        return PassStep::fail(
            tr("The length of the source could not be read, so it cannot be fitted to a size."));
    m_input = *input;
    m_budget = fitBudget(m_input);
    return PassStep::run(qualityPass(false));
}

PassStep FitPlan::next(const PassOutcome &outcome)
{
    const bool fits =
        !outcome.stoppedAbove && outcome.outputBytes >= 0 && outcome.outputBytes <= m_limitBytes;
    if (m_stage != Stage::AtRate) {
        // A picture the budget made smaller is filled up to the limit. When
        // the limit holds too little for a watchable rate, it is kept when
        // it fits at the profile's quality, and the room it leaves is filled
        // at a rate, that output kept to fall back on.
        const bool noRate = m_budget.neededBytes.has_value();
        if (fits && noRate && m_stage == Stage::AtQualitySmaller && m_budget.videoKbps > 1 &&
            outcome.outputBytes < qint64(double(m_limitBytes) * kFullShare))
            return fillFrom(outcome.outputBytes);
        if (fits && (m_stage == Stage::AtQuality || noRate)) {
            m_notes << qualityNote(outcome.outputBytes);
            return PassStep::done();
        }
        if (m_stage == Stage::AtQuality && usesSmallerPicture() && (m_codec->passes || noRate)) {
            m_stage = Stage::AtQualitySmaller;
            return PassStep::run(qualityPass(true));
        }
        if (noRate)
            return PassStep::fail(
                tr("%1 is too small for %2 of watchable picture and sound: even at %3 %4 it "
                   "would need %5.")
                    .arg(fitSizeText(m_limitBytes), timeText(std::llround(m_input.seconds)),
                         m_input.frame.isValid() ? sideText(m_budget.frame) : tr("its size"),
                         m_budget.soundKbps > 0
                             ? tr("with %1 kbit/s of sound").arg(m_budget.soundKbps)
                             : tr("without sound"),
                         fitSizeText(*m_budget.neededBytes)));
        m_stage = Stage::AtRate;
        m_tries = 1;
        m_videoKbps = m_budget.videoKbps;
        m_fitting.reset();
        m_over.reset();
        m_fallingBack = false;
        return PassStep::run(ratePass(m_videoKbps));
    }
    // At the budget's rate: done when full enough; otherwise another try,
    // and when the tries are spent after one that went over, the highest
    // rate that fitted once more.
    if (fits) {
        const bool full = outcome.outputBytes >= qint64(double(m_limitBytes) * kFullShare);
        if (m_fallingBack && m_fitting->atQuality) {
            m_notes << qualityNote(outcome.outputBytes);
            return PassStep::done();
        }
        if (full || !m_input.picture || m_tries >= kMostTries || m_fallingBack) {
            m_notes << fittedNote(outcome.outputBytes);
            return PassStep::done();
        }
        m_fitting = Tried{m_videoKbps, outcome.outputBytes, false};
    } else {
        if (m_fallingBack || (m_tries >= kMostTries && !m_fitting) ||
            (m_input.picture && m_videoKbps <= 1))
            return PassStep::fail(
                tr("The output came out at %1, over the limit of %2, even "
                   "after %3 more tries at other rates; it was not kept.")
                    .arg(megabytesText(outcome.outputBytes), fitSizeText(m_limitBytes))
                    .arg(m_tries - 1));
        m_over = Tried{m_videoKbps, outcome.outputBytes, false};
    }
    ++m_tries;
    if (!m_input.picture) {
        const QList<int> lower = fitSoundSteps(m_budget.soundKbps).mid(1);
        if (lower.isEmpty())
            m_tries = kMostTries;
        else
            m_budget.soundKbps = lower.constFirst();
    } else if (!fits && m_fitting &&
               (m_tries > kMostTries || m_over->kbps - m_fitting->kbps <= 1)) {
        m_videoKbps = m_fitting->kbps;
        m_fallingBack = true;
        if (m_fitting->atQuality)
            return PassStep::run(qualityPass(true));
    } else if (m_fitting && m_over) {
        // Between a rate that fitted and one that went over, the encoder's
        // sizes tell the rate that lands near the limit better than any
        // estimate: a straight line through the two.
        const double target = double(m_limitBytes) * kAimedShare;
        const double share = double(target - m_fitting->bytes) /
                             double(std::max<qint64>(1, m_over->bytes - m_fitting->bytes));
        const int kbps =
            m_fitting->kbps + int(std::floor(share * (m_over->kbps - m_fitting->kbps)));
        m_videoKbps = std::clamp(kbps, m_fitting->kbps + 1, m_over->kbps - 1);
    } else {
        int kbps = correctedVideoKbps(m_input, m_budget, m_videoKbps, outcome.outputBytes);
        if (m_over)
            kbps = std::min(kbps, m_over->kbps - 1);
        if (m_fitting)
            kbps = std::max(kbps, m_fitting->kbps);
        m_videoKbps = kbps;
    }
    return PassStep::run(ratePass(m_videoKbps));
}

PassStep FitPlan::fillFrom(qint64 qualityBytes)
{
    // The quality's picture rate, as its size tells it.
    FitInput shaped = m_input;
    shaped.soundKbps = m_budget.soundKbps;
    const double rest = double(containerOverhead(shaped) + soundBytes(m_input, m_budget.soundKbps));
    const int qualityKbps =
        std::max(1, int((double(qualityBytes) - rest) * 8 / 1000 / std::max(0.1, m_input.seconds)));
    m_stage = Stage::AtRate;
    m_tries = 1;
    m_fitting = Tried{qualityKbps, qualityBytes, true};
    m_over.reset();
    m_fallingBack = false;
    m_videoKbps =
        std::max(qualityKbps + 1, correctedVideoKbps(m_input, m_budget, qualityKbps, qualityBytes));
    return PassStep::run(ratePass(m_videoKbps));
}

QString FitPlan::qualityNote(qint64 bytes) const
{
    return m_stage == Stage::AtQuality
               ? tr("Fit To Size %1: it fits at the profile's quality (%2), so it was not filled "
                    "up to the limit.")
                     .arg(fitSizeText(m_limitBytes), megabytesText(bytes))
               : tr("Fit To Size %1: it fits at the profile's quality at %2 with %3 (%4), so it "
                    "was not filled up to the limit.")
                     .arg(fitSizeText(m_limitBytes), sideText(m_budget.frame),
                          soundText(m_budget.soundKbps), megabytesText(bytes));
}

QString FitPlan::fittedNote(qint64 bytes) const
{
    QStringList what;
    if (m_input.picture && m_budget.frame.isValid())
        what << sideText(m_budget.frame);
    what << soundText(m_budget.soundKbps);
    what << megabytesText(bytes);
    QString note = tr("fitted: %1").arg(what.join(QStringLiteral(", ")));
    QStringList given;
    if (usesSmallerPicture())
        given << tr("the picture was made smaller than its %1").arg(sideText(m_input.frame));
    if (m_input.soundKbps > 0 && m_budget.soundKbps < m_input.soundKbps)
        given << tr("the sound lowered from %1 kbit/s").arg(m_input.soundKbps);
    if (!given.isEmpty())
        note +=
            u'\n' + tr("To fit %1, %2.").arg(fitSizeText(m_limitBytes), given.join(tr(" and ")));
    return note;
}

QList<EncoderPass> FitPlan::outline(Outline &at) const
{
    // The passes it runs while each comes out over the limit, up to the
    // first at the budget's rate; the runs again at a corrected rate are
    // decided by the sizes the passes before leave.
    FitPlan trial(m_context, m_limitBytes);
    QList<EncoderPass> passes;
    PassStep step = trial.begin(at.command);
    while (step.kind == PassStep::Kind::Run) {
        step.pass.decidedBy = at.rule;
        passes << step.pass;
        if (trial.m_stage == Stage::AtRate)
            break;
        PassOutcome over;
        over.stoppedAbove = true;
        over.outputBytes = m_limitBytes + 1;
        step = trial.next(over);
    }
    if (trial.m_stage == Stage::AtRate) {
        EncoderPass again;
        again.title = tr("at a corrected rate");
        again.decidedBy =
            tr("runs again, at most %1 times, while the output comes out over %2 or under %3 of "
               "it: the rate corrected by the size the pass before left")
                .arg(kMostTries - 1)
                .arg(fitSizeText(m_limitBytes))
                .arg(QStringLiteral("%1 %").arg(int(kFullShare * 100)));
        passes << again;
    }
    return passes;
}

} // namespace vantrel
