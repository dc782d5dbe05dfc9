#include "TestSupport.h"

#include "core/convert/checks/PlayCheck.h"
#include "core/convert/command/CommandBuilder.h"
#include "core/convert/command/EncoderArguments.h"
#include "core/convert/command/EncoderList.h"
#include "core/convert/command/PictureFit.h"
#include "core/convert/rules/SourceRules.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/profiles/ProfileDefaults.h"

#include <QDir>
#include <QFileInfo>

#include <functional>

using namespace vantrel;

namespace {

// ffprobe's answers to sourceFactsArguments, recorded.
SourceFacts recorded(const char *name)
{
    const QDir here = QFileInfo(QString::fromUtf8(__FILE__)).dir();
    const std::optional<SourceFacts> facts =
        parseSourceFacts(readFile(here.filePath(qs("../../data/tools/") + qs(name))));
    EXPECT_TRUE(facts) << name;
    return facts.value_or(SourceFacts());
}

ConversionJob jobOf(int entry)
{
    ConversionJob job;
    job.sourcePath = qs("/in/src");
    job.profileIndex = entry;
    job.outputExtension = *outputExtension(entry);
    return job;
}

// The run of `entry` with its default sheet (and `set` in it) on /in/src,
// adapted to `facts`, as one text.
QString adaptedRun(int entry, const SourceFacts &facts, const char *size = nullptr)
{
    OptionSheet sheet;
    sheet.build();
    applyProfileDefaults(sheet, entry);
    if (size)
        sheet.setValue(qs("Video Options"), qs("Video Size"), qs(size));
    EncoderCommandInput in;
    in.job.sourcePath = qs("/in/src");
    in.job.profileIndex = entry;
    in.job.outputExtension = *outputExtension(entry);
    in.job.outputPath = qs("/out/o") + in.job.outputExtension;
    in.job.options = sheet.conversionOptions();
    in.encoderPath = qs("ffmpeg");
    in.statisticsPath = qs("/d/s.log");
    const EncoderCommand command = buildEncoderCommand(in).value();
    return encoderRunArguments(command, ExistingFilePolicy::AddNew, {}, true,
                               adaptToSource(facts, in.job))
        .join(u' ');
}

} // namespace

TEST(SourceFacts, ReadsWhatTheToolsAnswer)
{
    const SourceFacts phone = recorded("ffprobe-phone-rotated.json");
    EXPECT_EQ(phone.picture()->index, 1);
    EXPECT_EQ(phone.sound()->index, 0);
    EXPECT_EQ(phone.rotation(), 90);
    EXPECT_EQ(phone.picture()->frameRate, qs("30000/1001"));
    EXPECT_FALSE(phone.fieldOrderUnknown());
    EXPECT_FALSE(phone.interlaced());
    EXPECT_NEAR(*phone.seconds, 4.0, 0.01);

    // Stream 0 holds no pictures and stream 1 no sound; the others have them.
    const SourceFacts empty = recorded("ffprobe-empty-streams.json");
    EXPECT_EQ(empty.picture()->index, 3);
    EXPECT_EQ(empty.sound()->index, 2);
    EXPECT_TRUE(empty.unusableReason(empty.streams.at(0)));
    EXPECT_TRUE(empty.unusableReason(empty.streams.at(1)));

    const SourceFacts mpeg2 = recorded("ffprobe-mpeg2-rgb-tag.json");
    EXPECT_TRUE(mpeg2.matrixSaysRgb());
    EXPECT_EQ(mpeg2.range(), SourceFacts::Range::Standard);
    EXPECT_EQ(recorded("ffprobe-hlg.json").range(), SourceFacts::Range::Hlg);

    // DV cannot tell its field order; idet counts it.
    SourceFacts dv = recorded("ffprobe-dv.json");
    EXPECT_TRUE(dv.fieldOrderUnknown());
    EXPECT_FALSE(dv.interlaced());
    dv.measuredFields = parseFieldCount(
        qs("[Parsed_idet_0 @ 0x55] Repeated Fields: Neither:    51 Top:     0 Bottom:     0\n"
           "[Parsed_idet_0 @ 0x55] Single frame detection: TFF:     0 BFF:    41 Progressive:     "
           "0 Undetermined:    10\n"
           "[Parsed_idet_0 @ 0x55] Multi frame detection: TFF:     0 BFF:    50 Progressive:     "
           "1 Undetermined:     0\n"));
    EXPECT_TRUE(dv.interlaced());
    EXPECT_FALSE(dv.topFieldFirst());

    // The last picture is the one shown last, whatever order the packets come in.
    EXPECT_EQ(
        parseLastPictureSeconds(qs("1.880000,0.040000\n1.960000,1.500000\n1.920000,0.040000\n")),
        1.5);
    EXPECT_FALSE(parseLastPictureSeconds(qs("N/A,N/A\n")));
    EXPECT_FALSE(parseSourceFacts("Invalid data found when processing input"));
    EXPECT_FALSE(parseFieldCount(qs("frame=  50 fps=0.0")));
}

// Each rule on the facts of real and made files, as the run's arguments show it.
TEST(SourceAdaptation, RunsAdaptToWhatTheSourceHolds)
{
    SourceFacts dvBottomFirst = recorded("ffprobe-dv.json");
    dvBottomFirst.measuredFields = FieldCount{0, 50, 1, 0};
    SourceFacts dvProgressive = dvBottomFirst;
    dvProgressive.measuredFields = FieldCount{0, 1, 49, 0};
    SourceFacts dvTold = recorded("ffprobe-dv.json");
    dvTold.streams[0].fieldOrder = qs("tt");
    SourceFacts phoneHeld = recorded("ffprobe-phone-rotated.json");
    phoneHeld.lastPictureSeconds = 1.5;
    const SourceFacts phone = recorded("ffprobe-phone-rotated.json");
    const SourceFacts empty = recorded("ffprobe-empty-streams.json");

    const struct
    {
        int entry;
        const SourceFacts &facts;
        const char *size;
        const char *runHas; // empty: the run is the unadapted one
        const char *note;   // empty: none
    } cases[] = {
        {103, phone, nullptr, "", ""}, // upright by the encoder, progressive, tagged
        {108, phone, nullptr, "", ""}, // MP4 keeps the rotation
        {107, phone, nullptr, "", "plays on its side"},
        {103, empty, nullptr, "-map 0:3 -map 0:2 -c:v", "Stream 0 was left out"},
        {107, empty, nullptr, "-map 0:3 -map 0:2 -c copy", "Stream 1 was left out"},
        {110, empty, nullptr, "-i /in/src -map 0:2 -f opus", "Stream 1 was left out"},
        {105, recorded("ffprobe-mpeg2-rgb-tag.json"), nullptr,
         "-colorspace smpte170m -color_primaries smpte170m -color_trc smpte170m -threads 0 /out",
         "tagged BT.601"},
        {103, recorded("ffprobe-hlg.json"), nullptr,
         "-vf zscale=tin=arib-std-b67:pin=bt2020:min=bt2020nc:t=linear", "tone-mapped"},
        {103, dvBottomFirst, nullptr,
         "-vf bwdif=mode=send_frame:parity=bff:deint=all,fps=25/1 -colorspace", "deinterlaced"},
        {105, dvTold, nullptr, "-vf bwdif=mode=send_frame:parity=auto:deint=interlaced -",
         "deinterlaced"},
        {104, dvBottomFirst, "1280x720",
         "-vf bwdif=mode=send_frame:parity=bff:deint=all,scale=", "deinterlaced"},
        {103, dvProgressive, nullptr, "+faststart -colorspace smpte170m", ""}, // no filter
        {105, phoneHeld, nullptr, "-vf tpad=stop_mode=clone:stop=1 -", ""},
    };
    for (const auto &c : cases) {
        const QString run = adaptedRun(c.entry, c.facts, c.size);
        SCOPED_TRACE(run.toStdString());
        if (*c.runHas) {
            EXPECT_TRUE(run.contains(qs(c.runHas))) << c.entry << " " << c.runHas;
        } else {
            EXPECT_EQ(run, adaptedRun(c.entry, SourceFacts(), c.size)) << c.entry;
        }
        const QStringList notes = adaptToSource(c.facts, jobOf(c.entry)).notes;
        if (*c.note) {
            EXPECT_TRUE(notes.join(u' ').contains(qs(c.note))) << notes.join(u'|');
        } else {
            EXPECT_TRUE(notes.isEmpty()) << notes.join(u'|');
        }
    }
    // Old entries are never adapted; a filtered picture at their rate holds its last picture.
    EXPECT_FALSE(adaptsToSource(jobOf(13)));
    EXPECT_TRUE(adaptedRun(13, SourceFacts()).contains(qs(",fps=25 -aspect 4:3")));
}

// What the decode of an output's two ends says.
TEST(PlayCheck, AnOutputThatDecodesNothingDoesNotPlay)
{
    const ProcessResult failed{ProcessResult::Ending::Exited, 1};
    const ProcessResult ended{ProcessResult::Ending::Exited, 0};
    const QString broken = qs("[vp9 @ 0x556c6eb80c00] [error] RGB not supported in profile 0\n"
                              "[vp9 @ 0x556c6eb80c00] [error] Not all references are available\n");
    EXPECT_EQ(playProblem(broken, failed),
              qs("The output does not play (the decoder says \"vp9: RGB not supported in profile "
                 "0\")."));
    const QString counts = qs(
        "[verbose]   Input stream #0:0 (video): 33 packets read (2087 bytes); 32 frames "
        "decoded; \n"
        "[verbose]   Input stream #0:1 (audio): 54 packets read (10657 bytes); 54 frames decoded "
        "(51528 samples); \n"
        "[verbose]   Input stream #1:0 (video): 12 packets read (92645 bytes); %1 frames "
        "decoded; \n");
    EXPECT_FALSE(playProblem(counts.arg(12), ended));
    // A damaged frame here and there (a copy of a damaged source) still plays.
    EXPECT_FALSE(
        playProblem(qs("[h264 @ 0x5] [error] concealing 4 errors\n") + counts.arg(12), ended));
    EXPECT_EQ(playProblem(counts.arg(0), ended),
              qs("The output does not play: its pictures do not decode at its end."));
    // A check that could not run knows nothing.
    EXPECT_FALSE(playProblem(QString(), {ProcessResult::Ending::FailedToStart, 0}));
}
