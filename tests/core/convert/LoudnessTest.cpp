#include "TestSupport.h"

#include "core/convert/command/CommandBuilder.h"
#include "core/convert/plans/LoudnessFilters.h"
#include "core/convert/plans/LoudnessPlan.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileDefaults.h"

#include <limits>
#include <vector>

using namespace vantrel;

namespace {

// A meter's summary as FFmpeg 5.1 writes it at the end of a pass.
QString summary(double integrated, double threshold, double range,
                std::optional<double> peak = std::nullopt, int place = 1)
{
    const auto field = [](double value) {
        return std::isinf(value) ? qs("-inf") : QString::number(value, 'f', 1);
    };
    QString text = qs("[Parsed_ebur128_%4 @ 0x5577f7909740] Summary:\n\n"
                      "  Integrated loudness:\n    I:         %1 LUFS\n    Threshold: %2 LUFS\n\n"
                      "  Loudness range:\n    LRA:         %3 LU\n    Threshold: -41.8 LUFS\n"
                      "    LRA low:   -21.8 LUFS\n    LRA high:  -21.8 LUFS\n")
                       .arg(field(integrated), field(threshold), field(range))
                       .arg(place);
    if (peak)
        text += qs("\n  True peak:\n    Peak:      %1 dBFS\n").arg(field(*peak));
    return text;
}

const QString kStatus = qs("size=N/A time=00:00:06.02 bitrate=N/A speed= 221x    \n"
                           "video:0kB audio:519kB subtitle:0kB other streams:0kB global "
                           "headers:0kB muxing overhead: unknown\n");

} // namespace

TEST(Loudness, SummariesAreReadInTheMetersOrder)
{
    const double inf = std::numeric_limits<double>::infinity();
    const QString tone = summary(-21.8, -31.8, 0, -18.1);
    const struct
    {
        const char *what;
        QString messages;
        std::vector<LoudnessMeasure> summaries;
    } cases[] = {
        {"a tone", kStatus + tone, {{-21.8, -18.1, 0, -31.8}}},
        {"the whole, then its band without a peak, summed up in the other order",
         kStatus + summary(-22.9, -33, 1.5, std::nullopt, 4) + tone,
         {{-21.8, -18.1, 0, -31.8}, {-22.9, -inf, 1.5, -33}}},
        {"silence", kStatus + summary(-70, 0, 0, -inf), {{-70, -inf, 0, 0}}},
        {"cut off", kStatus + tone.left(tone.indexOf(qs("LRA:"))), {}},
        {"no sound", qs("Output file #0 does not contain any stream\n"), {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QList<LoudnessMeasure> parsed = parseLoudnessSummaries(c.messages);
        ASSERT_EQ(parsed.size(), qsizetype(c.summaries.size()));
        for (qsizetype i = 0; i < parsed.size(); ++i) {
            EXPECT_EQ(parsed[i].integrated, c.summaries[i].integrated);
            EXPECT_EQ(parsed[i].truePeak, c.summaries[i].truePeak);
            EXPECT_EQ(parsed[i].range, c.summaries[i].range);
            EXPECT_EQ(parsed[i].threshold, c.summaries[i].threshold);
        }
    }
}

// The band each encoder keeps: FFmpeg's AAC by the rate per channel, Opus
// up to 20 kHz, FLAC all of it.
TEST(Loudness, TheEncodersBand)
{
    const struct
    {
        const char *codec;
        int rate, channels, kilobits;
        const char *filter;
    } cases[] = {
        {"AAC", 48000, 2, 160, "firequalizer=gain='if(lt(f,17000),0,-120)'"},
        {"AAC", 44100, 1, 160, "firequalizer=gain='if(lt(f,22000),0,-120)'"},
        {"AAC", 8000, 1, 160, ""},
        {"AAC", 48000, 6, 128, "firequalizer=gain='if(lt(f,4499),0,-120)'"},
        {"Opus", 48000, 2, 160, "firequalizer=gain='if(lt(f,20000),0,-120)'"},
        {"FLAC", 48000, 2, 0, ""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(encoderBandFilter(qs(c.codec), c.rate, c.channels, c.kilobits), qs(c.filter))
            << c.codec << ' ' << c.rate << ' ' << c.channels << ' ' << c.kilobits;
    }
}

namespace {

// A plan for `entry`'s sound from a 48 kHz stereo source, and the command it begins with.
struct PlanSetup
{
    PassContext context;
    EncoderCommand command;
};

PlanSetup planFor(int entry)
{
    OptionSheet sheet;
    sheet.build();
    applyProfileDefaults(sheet, entry);
    EncoderCommandInput in;
    in.job.sourcePath = qs("/in/film.mkv");
    in.job.profileIndex = entry;
    in.job.outputPath = qs("/out/film.out");
    in.job.options = sheet.conversionOptions();
    in.encoderPath = qs("/usr/bin/ffmpeg");
    in.statisticsPath = qs("/data/curconvert.log");
    SourceFacts facts;
    StreamFacts sound;
    sound.kind = StreamFacts::Kind::Audio;
    sound.channels = 2;
    sound.sampleRate = 48000;
    sound.sampleFormat = qs("fltp");
    facts.streams = {sound};
    return {PassContext{in.job, facts, true, QString()}, buildEncoderCommand(in).value()};
}

// The measure of the source: the whole, then the encoder's band.
PassOutcome measured(double whole, double band, double peak, double seconds = 10)
{
    PassOutcome outcome;
    outcome.messages = kStatus + summary(band, band - 10, 3, std::nullopt, 4) +
                       summary(whole, whole - 10, 3, peak);
    outcome.report.encodedSeconds = seconds;
    return outcome;
}

PassOutcome tried(double integrated, double peak)
{
    PassOutcome outcome;
    outcome.messages = kStatus + summary(integrated, integrated - 10, 3, peak);
    return outcome;
}

QString soundFilter(const EncoderCommand &command)
{
    return command.argumentsOf(CommandRole::SoundFilter).value(1);
}

} // namespace

// One gain when the peaks allow it, for the loudness of the encoder's band,
// tried as encoded near the ceiling; else the evened-out sound is tried, a
// miss made good with gain and a limiter, a peak over the ceiling with a
// lower limit, until the sound lands or the limiter holds it.
TEST(Loudness, EvenedOutSoundIsMeasuredUntilItLands)
{
    const struct
    {
        const char *what;
        int entry;
        PassOutcome source;
        std::vector<std::pair<double, double>> tries; // what each try measures
        const char *filterHas;                        // in the conversion's sound filter
        const char *note;                             // the tip's last words
    } cases[] = {
        {"one gain for the band the encoder keeps",
         103,
         measured(-20, -21.3, -12),
         {},
         "measured_I=-21.30:measured_TP=-12.00",
         "+5.3 dB applied to the whole."},
        {"one gain near the ceiling, tried as encoded",
         103,
         measured(-20, -20, -6),
         {{-16.1, -1.9}},
         "linear=true -ar",
         "The sound measures -16.1 LUFS, true peak -1.9"},
        {"evened out, a miss made good",
         103,
         measured(-20, -20, -2),
         {{-17.3, -1.8}, {-16.1, -1.6}},
         "linear=true,aformat=channel_layouts=stereo,aresample=48000,volume=1.30dB,"
         "aresample=192000,alimiter=limit=0.8414",
         "With +1.3 dB more, peaks limited, the sound measures -16.1 LUFS"},
        {"a peak over the ceiling",
         105,
         measured(-20, -20, -2),
         {{-16, -0.6}, {-16.2, -2.0}},
         "volume=0.00dB,aresample=192000,alimiter=limit=0.7371",
         "the sound measures -16.2 LUFS, true peak -2.0"},
        {"the dynamic mode misses far: the gain, peaks limited",
         103,
         measured(-30, -30, 0),
         {{-21.2, -1.5}, {-16.1, -1.2}},
         "aformat=channel_layouts=stereo,aresample=48000,volume=14.00dB",
         "The sound measures -16.1 LUFS"},
        {"too short for the dynamic mode, held by the limiter",
         103,
         measured(-30, -30, 0, 2),
         {{-20, -1.4}, {-19.8, -1.3}},
         "aformat=channel_layouts=stereo,aresample=48000,volume=18.00dB",
         "-16 LUFS is out of reach with the peaks under the ceiling. The sound measures -19.8"},
        {"silence",
         111,
         measured(-70, -70, -std::numeric_limits<double>::infinity()),
         {},
         "",
         "the sound is silent, so it was left as it is."},
        // A camera's 0.17 s of sound peaks loud, but the meter's blocks are 0.4 s.
        {"too short to measure",
         103,
         measured(-70, -70, -6, 0.17),
         {},
         "",
         "the sound is too short to measure (0.17 s; the meter needs 0.4 s)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const PlanSetup setup = planFor(c.entry);
        LoudnessPlan plan(setup.context, -16);
        const PassStep first = plan.begin(setup.command);
        ASSERT_EQ(first.kind, PassStep::Kind::Run);
        EXPECT_FALSE(first.pass.writesOutput);
        PassStep step = plan.next(c.source);
        for (const auto &[integrated, peak] : c.tries) {
            ASSERT_EQ(step.kind, PassStep::Kind::Run);
            if (c.entry != 111) {
                // A lossy encoder's try is encoded, then its file measured.
                EXPECT_TRUE(step.pass.command.has(CommandRole::SoundCodec));
                step = plan.next(PassOutcome());
                ASSERT_EQ(step.kind, PassStep::Kind::Run);
                EXPECT_FALSE(step.pass.readsSource);
            }
            EXPECT_TRUE(
                soundFilter(step.pass.command).endsWith(qs("ebur128=peak=true:framelog=verbose")));
            step = plan.next(tried(integrated, peak));
        }
        ASSERT_EQ(step.kind, PassStep::Kind::Done);
        const QString filter = plan.leaves().text();
        EXPECT_TRUE(filter.contains(qs(c.filterHas))) << filter.toStdString();
        EXPECT_FALSE(filter.contains(qs("ebur128")));
        EXPECT_TRUE(plan.notes().constLast().contains(qs(c.note)))
            << plan.notes().join(u'\n').toStdString();
    }
}
