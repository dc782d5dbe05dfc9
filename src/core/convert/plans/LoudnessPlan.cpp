#include "core/convert/plans/LoudnessPlan.h"

#include "core/common/Logging.h"
#include "core/convert/command/CodecMapping.h"
#include "core/convert/command/TodayOptions.h"
#include "core/convert/plans/LoudnessFilters.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("LoudnessPlan", text);
}

// loudnorm's dynamic mode looks 3 s ahead: a shorter sound comes out far
// under the target.
constexpr double kDynamicModeSeconds = 3.2;
// The meter calls a sound this quiet or quieter silent, and cannot sum up
// a sound shorter than one of its blocks (in s).
constexpr double kSilence = -70;
constexpr double kShortestMeasured = 0.4;
// A tried sound is tried again until it is this near the target (LU), at
// most so many times (more for a sound this short, in s, whose tries cost
// next to nothing); the closest is kept, and the tip says so when it is
// still farther than kOutOfReach.
constexpr double kAim = 0.4;
constexpr int kMostTries = 5;
constexpr double kBriefSeconds = 30;
constexpr int kMostBriefTries = 8;
constexpr double kOutOfReach = 1;
// How far loudnorm's dynamic mode may miss before the gain is limited instead.
constexpr double kDynamicMiss = 2;
// Peaks: how far a filtered try may pass the limiter's ceiling (the sound
// at the output's rate, a little over what was limited at 192 kHz); how far
// under the output's ceiling an encoded try stays; how much lower than the
// overshoot the limiter is set after a try over it; and the lowest it is
// set to (alimiter takes down to -24 dB).
constexpr double kPeakSlack = 0.2;
constexpr double kPeakMargin = 0.05;
constexpr double kLimitStep = 0.2;
constexpr double kLowestLimit = -12;
// How much a lossy encoder may raise the peaks of dense loud sound: a single
// gain that comes this near the ceiling is tried.
constexpr double kEncoderOvershoot = 3.5;
// The rate per channel (kbit/s) under which Opus may code less than its
// whole band.
constexpr int kOpusFullBandKbps = 48;
// Gain: the most any try applies; what the tries may add to the first
// one's (past that a limiter only flattens the sound and lifts its noise);
// and the share of a change of gain under which the limiter is taken to
// hold the sound at its loudest.
constexpr double kWidestGain = 40;
constexpr double kMostExtraGain = 12;
constexpr double kHeldSlope = 0.15;

// The meter as the passes run it: its summary alone, not a line per 100 ms.
QString meter()
{
    return QStringLiteral("ebur128=peak=true:framelog=verbose");
}

QString number(double value)
{
    return QString::number(value, 'f', 2);
}

QString decibels(double value)
{
    return (value > 0 ? QStringLiteral("+") : QString()) + QString::number(value, 'f', 1);
}

// `command` with its clip read from the source: behind the sound's filter
// the clip would only cut what loudnorm has measured or evened out, the
// sound before the clip included.
EncoderCommand clipAtSource(const EncoderCommand &command)
{
    EncoderCommand moved;
    for (const CommandPart &part : command.parts()) {
        if (part.role == CommandRole::Input) {
            for (const CommandPart &clip : command.parts()) {
                if (clip.role == CommandRole::Clip)
                    moved.append(clip.role, clip.pieces);
            }
        }
        if (part.role != CommandRole::Clip)
            moved.append(part.role, part.pieces);
    }
    return moved;
}

CommandLine pathPart(const QString &path)
{
    CommandLine line = CommandLine::literal(" ");
    line.appendPath(path);
    return line;
}

// The source of `command` with its clip, the sound alone, then `tail`.
EncoderCommand soundAlone(const EncoderCommand &command, const QList<CommandPart> &tail)
{
    EncoderCommand sound;
    const EncoderCommand source = clipAtSource(command);
    for (const CommandPart &part : source.parts()) {
        switch (part.role) {
        case CommandRole::Output:
            sound.append(CommandRole::Other, CommandLine::literal(" -vn -sn -dn"));
            for (const CommandPart &end : tail)
                sound.append(end.role, end.pieces);
            break;
        case CommandRole::Program:
        case CommandRole::Clip:
        case CommandRole::Input:
        case CommandRole::Maps:
        case CommandRole::Threads:
            sound.append(part.role, part.pieces);
            break;
        default:
            break;
        }
    }
    return sound;
}

} // namespace

LoudnessPlan::LoudnessPlan(PassContext context, double target)
    : LoudnessPlan(std::move(context), target, Sound{-1, 0, 1})
{}

LoudnessPlan::LoudnessPlan(PassContext context, double target, Sound sound)
    : m_context(std::move(context)), m_target(target), m_sound(sound),
      m_ceiling(limiterCeiling(m_context.job.options.audioCodec()))
{}

QString LoudnessPlan::prefix() const
{
    const StreamFacts *s = sound();
    if (m_sound.kept > 1 && s)
        return tr("Loudness %1 LUFS, stream %2").arg(QString::number(m_target)).arg(s->index);
    return tr("Loudness %1 LUFS").arg(QString::number(m_target));
}

const StreamFacts *LoudnessPlan::sound() const
{
    if (!m_context.facts)
        return nullptr;
    for (const StreamFacts &s : m_context.facts->streams) {
        if (s.index == m_sound.stream)
            return &s;
    }
    return m_context.facts->sound();
}

std::optional<QString> LoudnessPlan::unmeasuredNote() const
{
    if (!m_context.job.options.soundWanted())
        return QString(); // no sound is asked for
    if (!m_context.facts)
        return tr("%1: the source could not be read ahead, so its sound was left as it is.")
            .arg(prefix());
    if (!sound())
        return tr("%1: the source has no sound.").arg(prefix());
    return std::nullopt;
}

int LoudnessPlan::outputRate() const
{
    const StreamFacts *source = sound();
    const OptionValues &options = m_context.job.options;
    return outputSampleRate(options.audioCodec(), options.sampleRate(),
                            source ? source->sampleRate : 0);
}

int LoudnessPlan::outputChannels() const
{
    const StreamFacts *source = sound();
    return encodedChannels(m_context.job.options.channels(), source ? source->channels : 0);
}

QString LoudnessPlan::outputFormat() const
{
    // A named layout: this FFmpeg finds none between a limiter, a
    // resampler and a meter for a sound whose layout it does not know.
    const QString layout = defaultChannelLayout(outputChannels());
    const QString rate = QStringLiteral("aresample=%1").arg(outputRate());
    return layout.isEmpty() ? rate
                            : QStringLiteral("aformat=channel_layouts=") + layout + u',' + rate;
}

QString LoudnessPlan::asEncoded() const
{
    const OptionValues &options = m_context.job.options;
    const QString band = encoderBandFilter(options.audioCodec(), outputRate(), outputChannels(),
                                           options.soundKbps().value_or(0));
    return band.isEmpty() ? outputFormat() : outputFormat() + u',' + band;
}

EncoderPass LoudnessPlan::passOf(EncoderCommand command, const QString &title) const
{
    EncoderPass pass;
    pass.title = title;
    pass.command = std::move(command);
    pass.writesOutput = false;
    pass.soundOnly = true;
    if (const StreamFacts *s = sound(); s && m_sound.kept > 1)
        pass.sound = QStringLiteral("0:%1").arg(s->index);
    // Decoding the sound alone is quick beside a picture's conversion, and
    // about as long as a sound's.
    const bool picture =
        m_context.facts && m_context.facts->picture() && m_command.has(CommandRole::VideoCodec);
    pass.weight = picture ? 0.05 : 0.5;
    pass.weightAfter = 1;
    return pass;
}

EncoderPass LoudnessPlan::soundPass(const EncoderCommand &command, const QString &chain,
                                    const QString &title) const
{
    CommandLine filter = CommandLine::literal(" -af ");
    filter.appendValue(chain);
    return passOf(soundAlone(command, {{CommandRole::SoundFilter, filter},
                                       {CommandRole::Container, CommandLine::literal(" -f null")},
                                       {CommandRole::Output, pathPart(QStringLiteral("-"))}}),
                  title);
}

EncoderPass LoudnessPlan::encodingPass(const QString &chain, const QString &path) const
{
    // The sound as the conversion encodes it, in the output's container:
    // where the encoder's first samples start counts for a meter that gates
    // 400 ms blocks.
    const Expected<QList<CommandPart>> sound = todayAudio(m_context.job.options);
    QList<CommandPart> parts = sound ? sound.value() : QList<CommandPart>();
    for (const CommandPart &part : m_command.parts()) {
        if (part.role == CommandRole::Container)
            parts << part;
    }
    parts << CommandPart{CommandRole::Output, pathPart(path)};
    EncoderPass pass = passOf(withFilter(soundAlone(m_command, parts), chain, 0),
                              tr("encodes the sound alone, to measure it"));
    pass.weight *= 3; // an encoder is slower than a decoder
    return pass;
}

EncoderPass LoudnessPlan::checkingPass(const QString &path) const
{
    EncoderCommand checking;
    for (const CommandPart &part : m_command.parts()) {
        if (part.role == CommandRole::Program)
            checking.append(part.role, part.pieces);
    }
    CommandLine input = CommandLine::literal(" -i ");
    input.appendPath(path);
    checking.append(CommandRole::Input, input);
    CommandLine filter = CommandLine::literal(" -af ");
    filter.appendValue(meter());
    checking.append(CommandRole::SoundFilter, filter);
    checking.append(CommandRole::Container, CommandLine::literal(" -f null"));
    checking.append(CommandRole::Output, pathPart(QStringLiteral("-")));
    EncoderPass pass = passOf(checking, tr("measures the encoded sound"));
    pass.readsSource = false;
    return pass;
}

bool LoudnessPlan::bandUnknown() const
{
    // Opus narrows its band by itself when each channel gets little.
    const OptionValues &options = m_context.job.options;
    const int channels = std::max(outputChannels(), 1);
    return options.audioCodec() == QLatin1String("Opus") &&
           options.soundKbps().value_or(0) / channels < kOpusFullBandKbps;
}

bool LoudnessPlan::encodesTries() const
{
    // A lossless encoder keeps the sound as the filters leave it.
    return m_context.job.options.audioCodec() != QLatin1String("FLAC");
}

QString LoudnessPlan::tryPath() const
{
    const QString suffix = QFileInfo(m_context.job.outputPath).suffix();
    return m_context.passLogBase + QStringLiteral("-loudness-%1-%2.%3")
                                       .arg(m_sound.at)
                                       .arg(m_tries)
                                       .arg(suffix.isEmpty() ? QStringLiteral("out") : suffix);
}

EncoderCommand LoudnessPlan::withFilter(const EncoderCommand &command, const QString &filter,
                                        int at) const
{
    EncoderCommand result = clipAtSource(command);
    const StreamFacts *source = sound();
    const OptionValues &options = m_context.job.options;
    // The filters hand on samples in floating point, which FLAC would keep
    // as 24 bits: a 16-bit sound stays 16-bit, as without them.
    const bool sixteenBits = source && (source->sampleFormat.startsWith(QLatin1String("s16")) ||
                                        source->sampleFormat.startsWith(QLatin1String("u8")));
    const QString chain = options.audioCodec() == QLatin1String("FLAC") && sixteenBits
                              ? filter + QStringLiteral(",aformat=sample_fmts=s16")
                              : filter;
    if (at > 0) {
        // A sound after the first has its own filters and rate, which
        // stand before the output, after the first's.
        CommandLine own = CommandLine::literal(QStringLiteral(" -filter:a:%1 ").arg(at));
        own.appendValue(chain);
        own.appendLiteral(QStringLiteral(" -ar:a:%1 ").arg(at));
        own.appendValue(QString::number(outputRate()));
        EncoderCommand placed;
        for (const CommandPart &part : result.parts()) {
            if (part.role == CommandRole::Output)
                placed.append(CommandRole::Other, own);
            placed.append(part.role, part.pieces);
        }
        return placed;
    }
    CommandLine sound = CommandLine::literal(" -af ");
    sound.appendValue(chain);
    result.replace(CommandRole::SoundFilter, sound);
    // loudnorm hands its sound on at 192 kHz.
    CommandLine rate = CommandLine::literal(" -ar ");
    rate.appendValue(QString::number(outputRate()));
    result.replace(CommandRole::SampleRate, rate);
    return result;
}

QString LoudnessPlan::filtersOf(const Try &t) const
{
    if (!t.limited)
        return t.picked;
    // The sound is first cut to the output rate's band, which the encoder
    // would cut anyway, raising the peaks the limiter left; then at 192 kHz
    // a sample peak is close to the true peak. The sound has the output's
    // channels already, so the limiter holds the peaks of what is encoded.
    const QString limited =
        QStringLiteral("%1,volume=%2dB,aresample=192000,alimiter=limit=%3:attack=5:"
                       "release=50:level=0:latency=1")
            .arg(outputFormat(), number(t.gain),
                 QString::number(std::pow(10.0, t.limit / 20), 'f', 4));
    return t.picked.isEmpty() ? limited : t.picked + u',' + limited;
}

PassStep LoudnessPlan::begin(const EncoderCommand &command)
{
    m_command = command;
    // A sound after the first would take the first's filters: left as it
    // is, it has its own, in its channels and at its rate.
    m_leaves = m_sound.at > 0 ? withFilter(command, outputFormat(), m_sound.at) : command;
    m_notes.clear();
    m_stage = Stage::Measure;
    m_tries = 0;
    m_try = Try();
    m_try.limit = m_ceiling;
    m_firstGain = 0;
    m_dynamic = false;
    m_last.reset();
    m_best.reset();
    if (const std::optional<QString> note = unmeasuredNote()) {
        if (!note->isEmpty())
            m_notes << *note;
        return PassStep::done();
    }
    // Timestamps by the samples: the measure's length is then the sound's
    // as loudnorm will see it, whatever gaps its timestamps leave.
    EncoderPass measure = soundPass(
        command, QStringLiteral("asetpts=N/SR/TB,") + meter() + u',' + asEncoded() + u',' + meter(),
        tr("measures the sound's loudness"));
    measure.failureIsFinding = true; // a sound that cannot be decoded is left as it is
    return PassStep::run(measure);
}

PassStep LoudnessPlan::next(const PassOutcome &outcome)
{
    switch (m_stage) {
    case Stage::Measure:
        return afterMeasure(outcome);
    case Stage::Encode:
        m_stage = Stage::Check;
        return PassStep::run(checkingPass(tryPath()));
    case Stage::Check:
        break;
    }
    return afterTry(outcome);
}

PassStep LoudnessPlan::afterMeasure(const PassOutcome &outcome)
{
    if (outcome.failed) {
        const QString &words = outcome.report.decodeErrorLine;
        m_notes << (words.isEmpty()
                        ? tr("%1: the sound could not be decoded, so it was left as it is.")
                              .arg(prefix())
                        : tr("%1: the sound could not be decoded (%2), so it was left as it is.")
                              .arg(prefix(), words));
        return PassStep::done();
    }
    const QList<LoudnessMeasure> summaries = parseLoudnessSummaries(outcome.messages);
    if (summaries.size() < 2) {
        m_notes << tr("%1: the encoder did not tell the sound's loudness, so it was left as it is.")
                       .arg(prefix());
        return PassStep::done();
    }
    const LoudnessMeasure &whole = summaries.constFirst();
    const std::optional<double> seconds = outcome.report.encodedSeconds;
    // The meter sums up blocks of 400 ms: a shorter sound has no loudness,
    // however loud its peaks.
    if (whole.integrated <= kSilence && seconds && *seconds < kShortestMeasured &&
        whole.truePeak > kSilence) {
        m_notes << tr("%1: the sound is too short to measure (%2 s; the meter needs %3 s), so "
                      "it was left as it is.")
                       .arg(prefix(), QString::number(*seconds, 'f', 2),
                            QString::number(kShortestMeasured, 'f', 1));
        return PassStep::done();
    }
    if (whole.integrated <= kSilence) {
        m_notes << tr("%1: the sound is silent, so it was left as it is.").arg(prefix());
        return PassStep::done();
    }
    // The loudness of what will be encoded (the output's channels, the
    // band the encoder keeps), the peaks of that and of the sound as it is.
    LoudnessMeasure measure = whole;
    measure.integrated = summaries.constLast().integrated;
    measure.truePeak = std::max(whole.truePeak, summaries.constLast().truePeak);
    const QString measured = tr("measured %1 LUFS, true peak %2 dBTP")
                                 .arg(decibels(measure.integrated), decibels(measure.truePeak));
    const double gain = m_target - measure.integrated;
    m_measured = measure.integrated;
    // The sound's length as loudnorm will find it: the measure's timestamps
    // count samples.
    m_mostTries = seconds && *seconds < kBriefSeconds ? kMostBriefTries : kMostTries;
    m_try.picked = loudnessFilter(m_target, m_ceiling, measure);
    if (appliesLinearly(m_target, m_ceiling, measure)) {
        m_notes
            << tr("%1: %2; %3 dB applied to the whole.").arg(prefix(), measured, decibels(gain));
        // A lossy encoder raises the peaks of dense loud sound by up to
        // 3 dB: near the ceiling, the sound is tried as encoded; so is a
        // sound whose band the encoder decides by itself.
        if (encodesTries() &&
            (measure.truePeak + gain > kLoudnessCeiling - kEncoderOvershoot || bandUnknown()))
            return startTry();
        return finish();
    }
    if (seconds && *seconds < kDynamicModeSeconds) {
        // loudnorm's dynamic mode needs its window of sound: a shorter one
        // would come out far too quiet.
        m_try = limitedGain();
        m_notes << tr("%1: %2; %3 dB to the whole would take its peaks past the %4 dBTP "
                      "ceiling, and the sound is too short (%5 s) for loudnorm's dynamic mode: "
                      "the gain was applied with its peaks limited.")
                       .arg(prefix(), measured, decibels(gain),
                            QString::number(kLoudnessCeiling, 'f', 1),
                            QString::number(*seconds, 'f', 1));
    } else {
        m_dynamic = true;
        m_notes << tr("%1: %2; %3 dB to the whole would take its peaks past the %4 dBTP "
                      "ceiling, so loudnorm's dynamic mode evened it out, peaks limited.")
                       .arg(prefix(), measured, decibels(gain),
                            QString::number(kLoudnessCeiling, 'f', 1));
    }
    return startTry();
}

LoudnessPlan::Try LoudnessPlan::limitedGain()
{
    m_firstGain = m_target - m_measured;
    return Try{QString(), true, m_firstGain, m_ceiling};
}

PassStep LoudnessPlan::startTry()
{
    ++m_tries;
    if (encodesTries()) {
        m_stage = Stage::Encode;
        return PassStep::run(encodingPass(filtersOf(m_try), tryPath()));
    }
    m_stage = Stage::Check;
    return PassStep::run(soundPass(m_command,
                                   filtersOf(m_try) + u',' + asEncoded() + u',' + meter(),
                                   tr("measures the evened-out sound")));
}

PassStep LoudnessPlan::afterTry(const PassOutcome &outcome)
{
    const QList<LoudnessMeasure> summaries = parseLoudnessSummaries(outcome.messages);
    if (summaries.isEmpty() || summaries.constLast().integrated <= kSilence) {
        m_notes << tr("The evened-out sound could not be measured, so it was kept untried.");
        return finish();
    }
    const LoudnessMeasure &measure = summaries.constLast();
    // An encoded try shows the output's peaks; a filtered one is measured
    // against the limiter's lower ceiling.
    const double ceiling = encodesTries() ? kLoudnessCeiling - kPeakMargin : m_ceiling + kPeakSlack;
    const Tried tried{m_try, m_target - measure.integrated, measure.truePeak <= ceiling, measure};
    qCInfo(lcBatch).noquote() << "loudness try" << m_tries << "gain" << m_try.gain << "limit"
                              << m_try.limit << "measures" << measure.integrated << "LUFS"
                              << measure.truePeak << "dBTP";
    // The ceiling comes first, then the target.
    const auto miss = [](const Tried &t) {
        return std::abs(t.shortfall) + (t.underCeiling ? 0 : kWidestGain);
    };
    if (!m_best || miss(tried) < miss(*m_best))
        m_best = tried;
    // loudnorm's dynamic mode can miss far (a quiet voice with rare loud
    // clicks comes out 20 LU under): the gain with the peaks limited then.
    if (std::exchange(m_dynamic, false) && std::abs(tried.shortfall) > kDynamicMiss) {
        m_notes << tr("Its dynamic mode came out at %1 LUFS, so the gain was applied with the "
                      "peaks limited instead.")
                       .arg(decibels(measure.integrated));
        m_try = limitedGain();
        m_last.reset();
        return startTry();
    }
    if ((std::abs(tried.shortfall) <= kAim && tried.underCeiling) || m_tries >= m_mostTries)
        return finish();
    m_try.limited = true;
    if (!tried.underCeiling) {
        // Limit lower, and win back next time what that takes.
        m_try.limit -= measure.truePeak - ceiling + kLimitStep;
        m_try.limit = std::max(m_try.limit, kLowestLimit);
        m_last.reset();
        return startTry();
    }
    // The limiter takes back part of any gain: after two tries, aim by what
    // the last change of gain brought.
    double slope = 1;
    if (m_last && m_last->filters.limited && m_try.gain != m_last->filters.gain) {
        const double brought =
            (measure.integrated - m_last->measure.integrated) / (m_try.gain - m_last->filters.gain);
        // More gain no longer makes it louder, only flatter: the limiter
        // holds it.
        if (brought < kHeldSlope && tried.shortfall > 0)
            return finish();
        slope = std::clamp(brought, kHeldSlope, 1.0);
    }
    m_last = tried;
    const double gain = std::clamp(m_try.gain + tried.shortfall / slope, -kWidestGain,
                                   m_firstGain + kMostExtraGain);
    if (gain == m_try.gain)
        return finish();
    m_try.gain = gain;
    return startTry();
}

PassStep LoudnessPlan::finish()
{
    if (m_best) {
        m_try = m_best->filters;
        const QString result =
            tr("%1 LUFS, true peak %2 dBTP")
                .arg(decibels(m_best->measure.integrated), decibels(m_best->measure.truePeak));
        const QString measured = m_try.limited && !m_try.picked.isEmpty()
                                     ? tr("With %1 dB more, peaks limited, the sound measures %2.")
                                           .arg(decibels(m_try.gain), result)
                                     : tr("The sound measures %1.").arg(result);
        m_notes << (std::abs(m_best->shortfall) > kOutOfReach
                        ? tr("%1 LUFS is out of reach with the peaks under the ceiling. %2")
                              .arg(QString::number(m_target), measured)
                        : measured);
    }
    m_leaves = withFilter(m_command, filtersOf(m_try), m_sound.at);
    return PassStep::done();
}

QList<EncoderPass> LoudnessPlan::outline(Outline &at) const
{
    LoudnessPlan trial(m_context, m_target, m_sound);
    PassStep step = trial.begin(at.command);
    if (step.kind != PassStep::Kind::Run)
        return {};
    step.pass.decidedBy = at.rule;
    // What follows takes the filters the measure decides.
    at.rule = tr("the sound through loudnorm to %1 LUFS with the values the measure finds, one "
                 "gain for the whole (linear) when its true peak stays under %2 dBTP, else "
                 "evened out; tries of the sound alone, encoded and measured, come first when "
                 "its peaks come near the ceiling")
                  .arg(QString::number(m_target), QString::number(m_ceiling, 'f', 1));
    return {step.pass};
}

} // namespace vantrel
