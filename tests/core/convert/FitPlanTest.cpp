#include "TestSupport.h"

#include "core/convert/command/CommandBuilder.h"
#include "core/convert/plans/FitPlan.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileDefaults.h"
#include "core/records/OutputTargets.h"

#include <vector>

using namespace vantrel;

namespace {

// A fit with H.264 (AAC at 160 kbit/s, MP4) of a film of `seconds` at
// `width` x `height`, 30 frames a second, with sound.
struct FitSetup
{
    PassContext context;
    EncoderCommand command;
};

FitSetup fitOf(const char *limit, double seconds, int width, int height)
{
    OptionSheet sheet;
    sheet.build();
    applyProfileDefaults(sheet, 103);
    sheet.setValue(qs("Video Options"), qs("Fit To Size"), qs(limit));
    EncoderCommandInput in;
    in.job.sourcePath = qs("/in/film.mkv");
    in.job.profileIndex = 103;
    in.job.outputExtension = qs(".mp4");
    in.job.outputPath = qs("/out/film.mp4");
    in.job.durationSeconds = int(seconds);
    in.job.options = sheet.conversionOptions();
    in.encoderPath = qs("/usr/bin/ffmpeg");
    in.statisticsPath = qs("/data/curconvert.log");
    SourceFacts facts;
    facts.seconds = seconds;
    StreamFacts picture;
    picture.kind = StreamFacts::Kind::Video;
    picture.width = width;
    picture.height = height;
    picture.frameRate = qs("30/1");
    StreamFacts sound;
    sound.index = 1;
    sound.kind = StreamFacts::Kind::Audio;
    sound.channels = 2;
    sound.sampleRate = 48000;
    facts.streams = {picture, sound};
    return {PassContext{in.job, facts, true, qs("/data/pass")}, buildEncoderCommand(in).value()};
}

// What a pass left: ended when it passed the limit, or a file of `bytes`.
PassOutcome over()
{
    PassOutcome outcome;
    outcome.stoppedAbove = true;
    return outcome;
}

PassOutcome wrote(qint64 bytes)
{
    PassOutcome outcome;
    outcome.outputBytes = bytes;
    return outcome;
}

// The pass as a reader tells it apart: its frame, picture rate and which
// of the encoder's two passes it is ("-" for a pass of its own).
QString shape(const EncoderPass &pass)
{
    const QStringList args = pass.command.arguments();
    const auto after = [&args](const char *option) {
        const qsizetype at = args.lastIndexOf(qs(option));
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : qs("-");
    };
    const QString rate = args.contains(qs("-crf")) ? qs("crf") : after("-b:v");
    return after("-s") + u' ' + rate + u' ' + after("-pass");
}

} // namespace

// The passes of a fit follow the sizes the passes before them leave: kept
// at the profile's quality when it fits; else at the budget's rate (the
// limit less 2 % for H.264's error, the container's cost and the sound,
// over the length), corrected down by the overshoot or up (at most twice
// the rate) while far under, 3 % lower still; the last try falls back on a
// rate that fitted; a picture too small for its floor is made smaller; a
// limit too small for any watchable picture fails with what it would need.
TEST(FitToSize, PassesFollowTheSizesTheyLeave)
{
    constexpr qint64 kMB = 1000 * 1000;
    const struct
    {
        const char *what;
        const char *limit;
        double seconds;
        int width, height;
        std::vector<PassOutcome> outcomes;
        std::vector<const char *> passes; // shape() of each pass asked
        PassStep::Kind end;
        const char *note; // in the notes, or the failure's reason
    } cases[] = {
        {"fits at the profile's quality",
         "10 MB",
         30,
         1280,
         720,
         {wrote(8 * kMB)},
         {"- crf 1"},
         PassStep::Kind::Done,
         "it fits at the profile's quality (8.0 MB), so it was not filled up"},
        {"the budget's rate, full enough",
         "10 MB",
         30,
         1280,
         720,
         {over(), wrote(9500 * 1000)},
         {"- crf 1", "- 2438k 2"},
         PassStep::Kind::Done,
         "fitted: 720p, 160 kbit/s sound, 9.5 MB"},
        {"over: corrected down by the overshoot",
         "10 MB",
         30,
         1280,
         720,
         {over(), wrote(10400 * 1000), wrote(9600 * 1000)},
         {"- crf 1", "- 2438k 2", "- 2219k 2"},
         PassStep::Kind::Done,
         "9.6 MB"},
        {"far under: raised",
         "10 MB",
         30,
         1280,
         720,
         {over(), wrote(7 * kMB), wrote(9600 * 1000)},
         {"- crf 1", "- 2438k 2", "- 3408k 2"},
         PassStep::Kind::Done,
         "9.6 MB"},
        {"raised too far: between the two rates, where their sizes place the limit",
         "10 MB",
         30,
         1280,
         720,
         {over(), wrote(7 * kMB), wrote(10500 * 1000), wrote(9400 * 1000)},
         {"- crf 1", "- 2438k 2", "- 3408k 2", "- 3130k 2"},
         PassStep::Kind::Done,
         "9.4 MB"},
        {"over again between them: once more at the rate that fitted",
         "10 MB",
         30,
         1280,
         720,
         {over(), wrote(7 * kMB), wrote(10500 * 1000), wrote(10100 * 1000), wrote(7 * kMB)},
         {"- crf 1", "- 2438k 2", "- 3408k 2", "- 3130k 2", "- 2438k 2"},
         PassStep::Kind::Done,
         "7.0 MB"},
        {"over every time",
         "10 MB",
         30,
         1280,
         720,
         {over(), wrote(10500 * 1000), wrote(10400 * 1000), wrote(10300 * 1000)},
         {"- crf 1", "- 2438k 2", "- 2196k 2", "- 1998k 2"},
         PassStep::Kind::Fail,
         "The output came out at 10.3 MB, over the limit of 10 MB, even after 2 more tries"},
        {"a picture under its floor is made smaller",
         "10 MB",
         120,
         1920,
         1080,
         {over(), wrote(12 * kMB), wrote(9500 * 1000)},
         {"- crf -", "854x480 crf 1", "854x480 478k 2"},
         PassStep::Kind::Done,
         "fitted: 480p, 160 kbit/s sound, 9.5 MB\nTo fit 10 MB, the picture was made smaller "
         "than its 1080p."},
        {"too small for any watchable picture",
         "100 kB",
         30,
         1280,
         720,
         {over(), over()},
         {"- crf -", "640x360 crf 1"},
         PassStep::Kind::Fail,
         "100 kB is too small for 0:00:30 of watchable picture and sound: even at 360p with 32 "
         "kbit/s of sound it would need 980 kB."},
        {"under the floor but fitting at the quality: its room filled at a rate",
         "100 kB",
         5,
         1280,
         720,
         {over(), wrote(60 * 1000), wrote(96 * 1000)},
         {"- crf -", "640x360 crf 1", "640x360 83k 2"},
         PassStep::Kind::Done,
         "fitted: 360p, 32 kbit/s sound, 0.10 MB"},
        {"filled over the limit every time: the quality's output once more",
         "100 kB",
         5,
         1280,
         720,
         {over(), wrote(60 * 1000), over(), over(), over(), wrote(60 * 1000)},
         {"- crf -", "640x360 crf 1", "640x360 83k 2", "640x360 82k 2", "640x360 81k 2",
          "640x360 crf 1"},
         PassStep::Kind::Done,
         "it fits at the profile's quality at 360p with 32 kbit/s sound (0.06 MB)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const FitSetup setup = fitOf(c.limit, c.seconds, c.width, c.height);
        FitPlan plan(setup.context, *fitSizeBytes(qs(c.limit)).value());
        PassStep step = plan.begin(setup.command);
        QStringList asked;
        for (const PassOutcome &outcome : c.outcomes) {
            ASSERT_EQ(step.kind, PassStep::Kind::Run) << asked.join(qs(" | "));
            asked << shape(step.pass);
            step = plan.next(outcome);
        }
        QStringList expected;
        for (const char *pass : c.passes)
            expected << qs(pass);
        EXPECT_EQ(asked, expected);
        ASSERT_EQ(step.kind, c.end);
        const QString said = c.end == PassStep::Kind::Fail ? step.reason : plan.notes().join(u'\n');
        EXPECT_TRUE(said.contains(qs(c.note))) << said;
    }
}
