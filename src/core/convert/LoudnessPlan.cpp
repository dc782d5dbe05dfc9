#include "core/convert/LoudnessPlan.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("LoudnessPlan", text);
}

// The loudness range loudnorm aims at when it measures; the conversion's
// is at least the sound's own, so that its range never keeps it from
// applying one gain.
constexpr double kMeasuringRange = 7;
constexpr double kWidestRange = 50;
// loudnorm's dynamic mode looks 3 s ahead: a shorter sound comes out far
// under the target.
constexpr double kDynamicModeSeconds = 3.2;

// The rates an encoder takes, when it does not take them all; FFmpeg
// encodes at the one nearest the sound's (the first of two as near).
struct EncoderRates
{
    const char *codec;
    std::vector<int> rates;
};
const std::vector<EncoderRates> &encoderRates()
{
    static const std::vector<EncoderRates> table = {
        {"AAC",
         {96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000, 7350}},
        {"Opus", {48000, 24000, 16000, 12000, 8000}},
    };
    return table;
}
// What a sound of unknown rate is encoded at.
constexpr int kCommonRate = 48000;

// "-inf", "inf" and numbers, as loudnorm writes them.
std::optional<double> measuredNumber(const QJsonObject &summary, const char *key)
{
    const QString text = summary.value(QLatin1String(key)).toString().trimmed();
    if (text == QLatin1String("-inf"))
        return -std::numeric_limits<double>::infinity();
    if (text == QLatin1String("inf") || text == QLatin1String("+inf"))
        return std::numeric_limits<double>::infinity();
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

QString number(double value)
{
    return QString::number(value, 'f', 2);
}

// loudnorm's own bounds for what it is told was measured.
double within(double value, double low, double high)
{
    return std::clamp(value, low, high);
}

// loudnorm takes a range of 0 as "not measured" and then never applies one
// gain; a steady sound's range rounds to 0.
double measuredRange(const LoudnessMeasure &measure)
{
    return within(std::max(measure.range, 0.01), 0, 99);
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

} // namespace

std::optional<LoudnessMeasure> parseLoudnessMeasure(const QString &messages)
{
    // "[Parsed_loudnorm_0 @ 0x...] \n{\n\t\"input_i\" : \"-21.82\", ... }"
    const qsizetype key = messages.lastIndexOf(QLatin1String("\"input_i\""));
    const qsizetype open = key < 0 ? -1 : messages.lastIndexOf(u'{', key);
    const qsizetype close = key < 0 ? -1 : messages.indexOf(u'}', key);
    if (open < 0 || close < 0)
        return std::nullopt;
    const QJsonDocument document =
        QJsonDocument::fromJson(messages.mid(open, close - open + 1).toUtf8());
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject summary = document.object();
    const std::optional<double> integrated = measuredNumber(summary, "input_i");
    const std::optional<double> truePeak = measuredNumber(summary, "input_tp");
    const std::optional<double> range = measuredNumber(summary, "input_lra");
    const std::optional<double> threshold = measuredNumber(summary, "input_thresh");
    const std::optional<double> offset = measuredNumber(summary, "target_offset");
    if (!integrated || !truePeak || !range || !threshold || !offset)
        return std::nullopt;
    return LoudnessMeasure{*integrated, *truePeak, *range, *threshold, *offset};
}

double limiterCeiling(const QString &audioCodec)
{
    return kLoudnessCeiling - (audioCodec == QLatin1String("Opus") ? 1.0 : 0.5);
}

bool appliesLinearly(double target, double ceiling, const LoudnessMeasure &measure)
{
    // loudnorm's own test, on the values it is given.
    const double gain = target - within(measure.integrated, -99, 0);
    return within(measure.truePeak, -99, 99) + gain <= ceiling;
}

QString loudnessFilter(double target, double ceiling, const LoudnessMeasure &measure)
{
    const double range = measuredRange(measure);
    return QStringLiteral("loudnorm=I=%1:TP=%2:LRA=%3:measured_I=%4:measured_TP=%5:"
                          "measured_LRA=%6:measured_thresh=%7:offset=%8:linear=true")
        .arg(QString::number(target), QString::number(ceiling, 'f', 1),
             number(std::clamp(range, kMeasuringRange, kWidestRange)),
             number(within(measure.integrated, -99, 0)), number(within(measure.truePeak, -99, 99)),
             number(range), number(within(measure.threshold, -99, 0)),
             number(within(measure.offset, -99, 99)));
}

int outputSampleRate(const QString &audioCodec, const QString &sampleRate, int sourceRate)
{
    bool chosen = false;
    const int rate = sampleRate.toInt(&chosen);
    if (chosen && rate > 0)
        return rate;
    if (sourceRate <= 0)
        return kCommonRate;
    for (const EncoderRates &row : encoderRates()) {
        if (audioCodec != QLatin1String(row.codec))
            continue;
        int nearest = row.rates.front();
        for (const int candidate : row.rates) {
            if (std::abs(candidate - sourceRate) < std::abs(nearest - sourceRate))
                nearest = candidate;
        }
        return nearest;
    }
    return sourceRate;
}

LoudnessPlan::LoudnessPlan(PassContext context, double target)
    : m_context(std::move(context)), m_target(target),
      m_ceiling(limiterCeiling(m_context.job.options.audioCodec))
{}

QString LoudnessPlan::prefix() const
{
    return tr("Loudness %1 LUFS").arg(QString::number(m_target));
}

std::optional<QString> LoudnessPlan::unmeasuredNote() const
{
    if (m_context.job.options.disableAudio != QLatin1String("No"))
        return QString(); // no sound is asked for
    if (!m_context.facts)
        return tr("%1: the source could not be read ahead, so its sound was left as it is.")
            .arg(prefix());
    if (!m_context.facts->sound())
        return tr("%1: the source has no sound.").arg(prefix());
    return std::nullopt;
}

EncoderPass LoudnessPlan::measuringPass(const EncoderCommand &command) const
{
    // The source, the sound the conversion takes and its clip; nothing is
    // written.
    EncoderCommand measuring;
    const auto literal = [](const char *text) {
        CommandLine line;
        line.appendLiteral(QString::fromLatin1(text));
        return line;
    };
    const EncoderCommand source = clipAtSource(command);
    for (const CommandPart &part : source.parts()) {
        switch (part.role) {
        case CommandRole::Output: {
            measuring.append(CommandRole::Other, literal(" -vn -sn -dn"));
            CommandLine filter = literal(" -af ");
            filter.appendValue(QStringLiteral("loudnorm=I=%1:TP=%2:LRA=%3:print_format=json")
                                   .arg(QString::number(m_target),
                                        QString::number(m_ceiling, 'f', 1),
                                        QString::number(kMeasuringRange)));
            measuring.append(CommandRole::SoundFilter, filter);
            measuring.append(CommandRole::Container, literal(" -f null"));
            CommandLine nowhere;
            nowhere.appendLiteral(QStringLiteral(" "));
            nowhere.appendPath(QStringLiteral("-"));
            measuring.append(CommandRole::Output, nowhere);
            break;
        }
        case CommandRole::Program:
        case CommandRole::Clip:
        case CommandRole::Input:
        case CommandRole::Maps:
        case CommandRole::Threads:
            measuring.append(part.role, part.pieces);
            break;
        default:
            break;
        }
    }
    EncoderPass pass;
    pass.title = tr("measures the sound's loudness");
    pass.command = measuring;
    pass.writesOutput = false;
    pass.soundOnly = true;
    // Decoding the sound alone is quick beside a picture's conversion, and
    // about as long as a sound's.
    const bool picture =
        m_context.facts && m_context.facts->picture() && command.has(CommandRole::VideoCodec);
    pass.weight = picture ? 0.05 : 0.5;
    pass.weightAfter = 1;
    return pass;
}

EncoderCommand LoudnessPlan::withFilter(const EncoderCommand &command, const QString &filter) const
{
    EncoderCommand result = clipAtSource(command);
    const StreamFacts *source = m_context.facts ? m_context.facts->sound() : nullptr;
    const ConversionOptions &options = m_context.job.options;
    // The filters hand on samples in floating point, which FLAC would keep
    // as 24 bits: a 16-bit sound stays 16-bit, as without them.
    const bool sixteenBits = source && (source->sampleFormat.startsWith(QLatin1String("s16")) ||
                                        source->sampleFormat.startsWith(QLatin1String("u8")));
    CommandLine sound;
    sound.appendLiteral(QStringLiteral(" -af "));
    sound.appendValue(options.audioCodec == QLatin1String("FLAC") && sixteenBits
                          ? filter + QStringLiteral(",aformat=sample_fmts=s16")
                          : filter);
    result.replace(CommandRole::SoundFilter, sound);
    // loudnorm hands its sound on at 192 kHz.
    CommandLine rate;
    rate.appendLiteral(QStringLiteral(" -ar "));
    rate.appendValue(QString::number(
        outputSampleRate(options.audioCodec, options.sampleRate, source ? source->sampleRate : 0)));
    result.replace(CommandRole::SampleRate, rate);
    return result;
}

PassStep LoudnessPlan::begin(const EncoderCommand &command)
{
    m_command = command;
    m_leaves = command;
    m_notes.clear();
    if (const std::optional<QString> note = unmeasuredNote()) {
        if (!note->isEmpty())
            m_notes << *note;
        return PassStep::done();
    }
    return PassStep::run(measuringPass(command));
}

PassStep LoudnessPlan::next(const PassOutcome &outcome)
{
    const std::optional<LoudnessMeasure> measure = parseLoudnessMeasure(outcome.messages);
    if (!measure) {
        m_notes << tr("%1: the encoder did not tell the sound's loudness, so it was left as it is.")
                       .arg(prefix());
        return PassStep::done();
    }
    if (!std::isfinite(measure->integrated)) {
        m_notes << tr("%1: the sound is silent, so it was left as it is.").arg(prefix());
        return PassStep::done();
    }
    const QString measured = tr("measured %1 LUFS, true peak %2 dBTP")
                                 .arg(decibels(measure->integrated), decibels(measure->truePeak));
    const double gain = m_target - measure->integrated;
    const QString ceiling = QString::number(kLoudnessCeiling, 'f', 1);
    if (appliesLinearly(m_target, m_ceiling, *measure)) {
        m_notes
            << tr("%1: %2; %3 dB applied to the whole.").arg(prefix(), measured, decibels(gain));
        m_leaves = withFilter(m_command, loudnessFilter(m_target, m_ceiling, *measure));
        return PassStep::done();
    }
    const std::optional<double> seconds = outcome.report.encodedSeconds;
    if (seconds && *seconds < kDynamicModeSeconds) {
        // loudnorm's dynamic mode needs its window of sound: a shorter one
        // would come out far too quiet. One gain instead, as far as the peaks allow.
        const double allowed = std::floor((m_ceiling - measure->truePeak) * 100) / 100;
        const double applied = std::min(gain, allowed);
        m_notes << tr("%1: %2; %3 dB to the whole would take its peaks past the %4 dBTP "
                      "ceiling, and the sound is too short (%5 s) to be evened out: %6 dB "
                      "applied, to about %7 LUFS.")
                       .arg(prefix(), measured, decibels(gain), ceiling,
                            QString::number(*seconds, 'f', 1), decibels(applied),
                            decibels(measure->integrated + applied));
        m_leaves = withFilter(m_command, QStringLiteral("volume=%1dB").arg(number(applied)));
        return PassStep::done();
    }
    m_notes << tr("%1: %2; %3 dB to the whole would take its peaks past the %4 dBTP "
                  "ceiling, so loudnorm's dynamic mode evened it out, peaks limited.")
                   .arg(prefix(), measured, decibels(gain), ceiling);
    m_leaves = withFilter(m_command, loudnessFilter(m_target, m_ceiling, *measure));
    return PassStep::done();
}

QList<EncoderPass> LoudnessPlan::outline(const EncoderCommand &command,
                                         EncoderCommand &leaves) const
{
    LoudnessPlan trial(m_context, m_target);
    const PassStep step = trial.begin(command);
    if (step.kind != PassStep::Kind::Run) {
        leaves = command;
        return {};
    }
    // What it measures stands as words.
    const QString measured = QStringLiteral("<measured>");
    leaves = withFilter(
        command, QStringLiteral("loudnorm=I=%1:TP=%2:LRA=%3:measured_I=%3:measured_TP=%3:"
                                "measured_LRA=%3:measured_thresh=%3:offset=%3:linear=true")
                     .arg(QString::number(m_target), QString::number(m_ceiling, 'f', 1), measured));
    return {step.pass};
}

} // namespace vantrel
