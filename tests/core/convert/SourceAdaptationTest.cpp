#include "MediaClips.h"
#include "TestSupport.h"

#include "core/convert/checks/PlayCheck.h"
#include "core/convert/command/CommandBuilder.h"
#include "core/convert/command/EncoderArguments.h"
#include "core/convert/rules/SourceRules.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/profiles/ProfileDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTest>

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
QString adaptedRun(int entry, const SourceFacts &facts, const char *size = nullptr,
                   const char *rate = nullptr)
{
    OptionSheet sheet;
    sheet.build();
    applyProfileDefaults(sheet, entry);
    if (size)
        sheet.setValue(qs("Video Options"), qs("Video Size"), qs(size));
    if (rate)
        sheet.setValue(qs("Video Options"), qs("Video Framerate"), qs(rate));
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

    // The last picture is the one shown last, whatever order the packets
    // come in; the end is where the last of them ends.
    const LastPackets last =
        parseLastPackets(qs("1.880000,0.040000\n1.960000,1.500000\n1.920000,0.040000\n"));
    EXPECT_EQ(last.shownLastSeconds, 1.5);
    EXPECT_NEAR(last.endSeconds.value_or(0), 3.46, 1e-9);
    EXPECT_FALSE(parseLastPackets(qs("N/A,N/A\n")).endSeconds);

    // A clip's key frames: the last at or before its start and the first
    // after it, in the file's time (a transport stream starts at 1.44 s);
    // rounding is no miss.
    const QString packets = qs("6.880000,__,\n5.520000,K_,\n5.560000,__,\n9.520000,K_\n"
                               "1.520000,K_,\nN/A,K_\n");
    const KeyFrames inGop = keyFramesAround(packets, 1.44, 5.0);
    EXPECT_NEAR(inGop.before.value_or(-1), 4.08, 1e-9);
    EXPECT_NEAR(inGop.after.value_or(-1), 8.08, 1e-9);
    const KeyFrames onOne = keyFramesAround(packets, 1.44, 8.0802);
    EXPECT_NEAR(onOne.before.value_or(-1), 8.08, 1e-9);
    EXPECT_FALSE(onOne.after);
    EXPECT_NEAR(keyFramesAround(packets, 1.44, 4.0).before.value_or(-1), 0.08, 1e-9);
    EXPECT_FALSE(keyFramesAround(qs("6.880000,__,\n"), 1.44, 5.0).before);
    // A program stream's B-frames decoded after the key frame are shown
    // before it: the pictures after the start begin with them.
    const KeyFrames leading = keyFramesAround(
        qs("0.971356,K_\n1.271356,__\n1.371356,K_\n1.304689,__\n1.338022,__\n1.471356,__\n"
           "1.771356,K_\n1.704689,__\n"),
        0.171356, 1.0);
    EXPECT_NEAR(leading.after.value_or(-1), 1.2, 1e-6);
    EXPECT_NEAR(leading.afterShownFrom.value_or(-1), 1.133333, 1e-6);
    EXPECT_FALSE(parseSourceFacts("Invalid data found when processing input"));
    EXPECT_FALSE(parseFieldCount(qs("frame=  50 fps=0.0")));
}

// The one reading of a source: its packets listed at the head and, the
// length being known, at the end tell each stream's count, where the file
// ends and its last picture; languages, titles and dispositions choose
// tracks; the HDR10 metadata the container carries is read exact.
TEST(SourceFacts, OneReadingTellsWhatTheRulesAsk)
{
    const SourceFacts film = recorded("reading-hdr-languages.json");
    ASSERT_EQ(film.streams.size(), 3u);
    const StreamFacts &picture = *film.picture();
    EXPECT_EQ(picture.colourRange, qs("tv"));
    EXPECT_EQ(film.range(), SourceFacts::Range::Pq);
    ASSERT_TRUE(picture.masteringDisplay && picture.contentLight);
    EXPECT_NEAR(picture.masteringDisplay->redX, 0.708, 1e-6);
    EXPECT_NEAR(picture.masteringDisplay->greenY, 0.797, 1e-6);
    EXPECT_NEAR(picture.masteringDisplay->whiteX, 0.3127, 1e-6);
    EXPECT_NEAR(picture.masteringDisplay->minLuminance, 0.005, 1e-6);
    EXPECT_EQ(picture.masteringDisplay->maxLuminance, 1000);
    EXPECT_EQ(picture.contentLight->maxContent, 1000);
    EXPECT_EQ(picture.contentLight->maxAverage, 400);
    const StreamFacts &german = film.streams.at(1);
    const StreamFacts &commentary = film.streams.at(2);
    EXPECT_EQ(german.language, qs("ger"));
    EXPECT_EQ(german.title, qs("Deutsch"));
    EXPECT_TRUE(german.disposition.isDefault && !german.disposition.comment);
    EXPECT_EQ(commentary.language, qs("eng"));
    EXPECT_TRUE(commentary.disposition.comment && !commentary.disposition.isDefault);
    for (const StreamFacts &stream : film.streams)
        EXPECT_GT(stream.packets.value_or(0), 0) << stream.index;
    EXPECT_TRUE(film.lastPacketsRead);
    EXPECT_NEAR(film.packetsEndSeconds.value_or(0), 12.16, 0.01);
    EXPECT_EQ(film.lastPictureSeconds, 0.1);

    // What is left to read: the fields of a picture whose stream does not
    // tell them and whose codec can carry them, the end of a file not read
    // to its end.
    const auto facts = [](const char *codec, const char *fieldOrder, bool counted, bool end) {
        SourceFacts f;
        StreamFacts p;
        p.kind = StreamFacts::Kind::Video;
        p.width = 640;
        p.height = 480;
        p.codec = qs(codec);
        p.fieldOrder = qs(fieldOrder);
        f.streams = {p};
        f.fieldsCounted = counted;
        f.lastPacketsRead = end;
        return f;
    };
    ReadingNeeds converted;
    converted.fieldOrder = true;
    ReadingNeeds toWebm = converted;
    toWebm.lastPicture = true;
    const struct
    {
        SourceFacts facts;
        bool fieldsLeft;
        bool metForWebm;
    } cases[] = {
        {facts("mpeg4", "", false, true), true, false},
        {facts("h264", "", false, true), true, false},
        {facts("mpeg4", "", true, true), false, true},
        {facts("h264", "progressive", false, true), false, true},
        {facts("vp9", "", false, true), false, true},
        {facts("av1", "", false, true), false, true},
        {facts("mjpeg", "", false, false), false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.facts.streams.at(0).codec.toStdString());
        EXPECT_EQ(c.facts.fieldsToCount(), c.fieldsLeft);
        EXPECT_EQ(converted.metBy(c.facts), !c.fieldsLeft);
        EXPECT_EQ(toWebm.metBy(c.facts), c.metForWebm);
    }

    // The length held is where the packets end once the end was read; the
    // length claimed counts the header's frames at the frames' rate.
    const auto lengths = [&](std::optional<double> header, std::optional<double> end,
                             std::optional<qint64> frames, const char *rate, const char *average) {
        SourceFacts f = facts("h264", "progressive", false, end.has_value());
        f.seconds = header;
        f.startSeconds = 1.4; // a transport stream's
        f.packetsEndSeconds = end ? std::optional<double>(*end + 1.4) : std::nullopt;
        f.streams[0].frames = frames;
        f.streams[0].frameRate = qs(rate);
        f.streams[0].averageRate = qs(average);
        return std::pair(f.heldSeconds(), f.claimedSeconds());
    };
    const struct
    {
        std::pair<std::optional<double>, std::optional<double>> got, expected;
    } lengthCases[] = {
        {lengths(46.9, 1.9, std::nullopt, "25/1", "25/1"), {1.9, 46.9}}, // truncated
        {lengths(std::nullopt, 8.73, std::nullopt, "30/1", "0/0"), {8.73, std::nullopt}},
        {lengths(4.02, std::nullopt, 251, "25/1", "25/1"), {4.02, 10.04}}, // an AVI cut short
        {lengths(1, std::nullopt, 25, "50/1", "25/1"), {1, 1}},            // fields at 50
    };
    for (const auto &c : lengthCases) {
        EXPECT_NEAR(c.got.first.value_or(-1), c.expected.first.value_or(-1), 1e-9);
        EXPECT_NEAR(c.got.second.value_or(-1), c.expected.second.value_or(-1), 1e-9);
    }
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
        // Its lone sound, unflagged, flagged default: Matroska keeps a flag as it is.
        {107, phone, nullptr, "-disposition:a:0 +default -disposition:v:0 +default",
         "plays on its side"},
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
    // A camera's 1080i50 whose packets come at the field rate: one picture
    // per frame at the frames' rate, never each picture twice; one per field
    // when the sheet asks for the field rate.
    SourceFacts fieldRate = dvTold;
    fieldRate.streams[0].frameRate = qs("50/1");
    fieldRate.streams[0].averageRate = qs("25/1");
    EXPECT_TRUE(
        adaptedRun(103, fieldRate)
            .contains(qs("-vf bwdif=mode=send_frame:parity=auto:deint=interlaced,fps=25/1 ")));
    EXPECT_TRUE(
        adaptedRun(103, fieldRate, nullptr, "50")
            .contains(qs("-vf bwdif=mode=send_field:parity=auto:deint=interlaced,fps=50 ")));
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

// Outputs that wait while a check runs are checked together by the next,
// each answered for itself: one that decodes nothing is checked again by
// itself and told in the decoder's own words; the others play.
TEST(PlayCheck, OutputsCheckedTogetherAnswerEachForItself)
{
    MediaClips clips;
    const QString film = clips.encoded(
        qs("film.mp4"),
        {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc=size=160x120:rate=25:d=2"), qs("-c:v"),
         qs("libx264"), qs("-pix_fmt"), qs("yuv420p"), qs("-movflags"), qs("+faststart")});
    const QString sound = clips.audio(qs("sound.m4a"), 2);
    const QString stillFilm = clips.copy(film, qs("still.mp4"));
    // The pictures' data gone, the file's form kept.
    const QString broken = clips.copy(film, qs("broken.mp4"));
    QByteArray bytes = readFile(broken);
    const qsizetype data = bytes.indexOf("mdat") + 4;
    bytes.replace(data, bytes.size() - data, QByteArray(bytes.size() - data, '\0'));
    writeFile(broken, bytes);

    PlayCheck check(qs("ffmpeg"));
    QHash<quint64, std::optional<QString>> answers;
    QObject::connect(&check, &PlayCheck::checked,
                     [&](quint64 ticket, const std::optional<QString> &problem) {
                         answers.insert(ticket, problem);
                     });
    const PlayCheck::Ticket first = check.check(film);
    const PlayCheck::Ticket second = check.check(broken);
    const PlayCheck::Ticket third = check.check(sound);
    const PlayCheck::Ticket fourth = check.check(stillFilm);
    check.cancel(fourth);
    EXPECT_EQ(check.pending(), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.size() == 3; }, 60000));
    EXPECT_FALSE(answers.value(first)) << *answers.value(first);
    EXPECT_FALSE(answers.value(third)) << *answers.value(third);
    ASSERT_TRUE(answers.value(second));
    EXPECT_TRUE(answers.value(second)->startsWith(qs("The output does not play")))
        << *answers.value(second);
    EXPECT_TRUE(answers.value(second)->contains(qs("the decoder says \"h264: ")))
        << *answers.value(second);
    EXPECT_FALSE(answers.contains(fourth));
    EXPECT_EQ(check.pending(), 0);
}
