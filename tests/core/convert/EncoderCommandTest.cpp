#include "TestSupport.h"

#include "core/convert/command/CommandBuilder.h"
#include "core/convert/command/CommandShapes.h"
#include "core/convert/command/EncoderArguments.h"
#include "core/convert/command/EncoderList.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/profiles/ProfileDefaults.h"
#include "core/records/OptionValues.h"
#include "core/tools/CommandLine.h"

#include <QProcess>
#include <QStringList>

#include <functional>
#include <set>

using namespace vantrel;

namespace {

ConversionOptions standardOptions()
{
    ConversionOptions o;
    o.videoCodec = qs("mpeg4");
    o.videoSize = qs("320x240");
    o.videoBitrate = qs("256");
    o.videoFramerate = qs("25");
    o.aspectRatio = qs("4:3");
    o.audioCodec = qs("mp3");
    o.audioBitrate = qs("128");
    o.sampleRate = qs("44100");
    o.audioChannel = qs("2");
    o.disableAudio = qs("No");
    return o;
}

EncoderCommandInput standardInput(int entry, const ConversionOptions &options = standardOptions())
{
    EncoderCommandInput in;
    in.job.sourcePath = qs("/in/a.avi");
    in.job.profileIndex = entry;
    in.job.outputPath = qs("/out/o.x");
    in.job.startSeconds = 5;
    in.job.durationSeconds = 10;
    in.job.options = options;
    in.threadSetting = qs("2");
    in.encoderPath = qs("/usr/bin/ffmpeg");
    in.statisticsPath = qs("/data/curconvert.log");
    return in;
}

const char kHead[] = "\"/usr/bin/ffmpeg\" -i \"/in/a.avi\"";
const char kTail[] = " -threads 2 -vstats_file \"/data/curconvert.log\"";

QString body(const EncoderCommandInput &in)
{
    const Expected<EncoderCommand> command = buildEncoderCommand(in);
    EXPECT_TRUE(command.ok()) << command.error().toStdString();
    if (!command)
        return QString();
    QString text = command->text();
    EXPECT_TRUE(text.startsWith(qs(kHead))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(qs(kTail))) << text.toStdString();
    return text.mid(int(sizeof kHead) - 1).chopped(int(sizeof kTail) - 1);
}

// The bodies of the shapes with the standard options, written out as the
// encoder receives them; the profile fragment comes first where a shape has one.
#define OUT "\"/out/o.x\""
#define SHAPE_A                                                                                    \
    "mpeg4  -ab 128000  -ac 2 -ar 44100 -b 256000 -r 25 -ss 5 -t 10 -s 320x240 -aspect 4:3 "       \
    "-acodec libmp3lame " OUT
#define SHAPE_A2                                                                                   \
    "mpeg4  -ab 128000  -ac 2 -ar 44100 -b 256000 -r 25 -ss 5 -t 10 -s 320x240 -acodec "           \
    "libmp3lame " OUT
#define SHAPE_B "mpeg4 -b 256000 -r 25 -ss 5 -t 10 -s 320x240 -acodec libmp3lame " OUT
#define SHAPE_B2 "mpeg4 -b 256000 -r 25 -ss 5 -t 10 -s 320x240 -aspect 4:3 -acodec libmp3lame " OUT
#define SHAPE_C_REST " -b 256000 -r 25 -ss 5 -t 10 -s 320x240 -aspect 4:3 -acodec libmp3lame " OUT
#define SHAPE_D                                                                                    \
    "  -ab 128000  -ac 2 -ar 44100 -b 256000 -r 25 -ss 5 -t 10 -s 320x240 -acodec libmp3lame " OUT
#define SHAPE_E_REST " -b 256000 -r 25 -ss 5 -t 10 -s 320x240 " OUT
#define SHAPE_F "  -ab 128000  -ac 2 -ar 44100"

} // namespace

TEST(EncoderCommand, BodiesAtEveryRangeBoundary)
{
    const struct
    {
        int entry;
        const char *body;
    } cases[] = {
        {2, " -f mp4 -vcodec  " SHAPE_A},
        {18, " -f mp4 -vcodec  " SHAPE_A},
        {19, "  -vcodec  " SHAPE_A},
        {24, "  -vcodec  " SHAPE_A},
        {25, " -f psp -vcodec   " SHAPE_A},
        {27, " -f psp -vcodec   " SHAPE_A},
        {28, "  -vcodec   " SHAPE_A},
        {31, "  -vcodec   " SHAPE_A},
        {32, "  -vcodec   " SHAPE_A},
        {34, "  -vcodec   " SHAPE_A},
        {35, "  -vcodec " SHAPE_B},
        {36, "  -vcodec " SHAPE_B},
        {37, "  -vcodec " SHAPE_B},
        {38, " -f mp4  -vcodec  " SHAPE_A},
        {39, "  -vcodec " SHAPE_B},
        {40, " -f mp4  -vcodec  " SHAPE_A},
        {41, "  -vcodec " SHAPE_B},
        {47, "  -vcodec " SHAPE_B},
        {48, " -f avi  -vcodec " SHAPE_A},
        {52, " -f avi  -vcodec " SHAPE_A},
        {53, " -f avi  -vcodec " SHAPE_A},
        {59, " -f avi  -vcodec " SHAPE_A},
        {60, " -f avi  -vcodec " SHAPE_A2},
        {61, " -f avi  -vcodec " SHAPE_A2},
        {62, "  -vcodec " SHAPE_B},
        {63, " -f mp4  -vcodec  " SHAPE_A},
        {64, "  -vcodec " SHAPE_B},
        {65, "  -vcodec " SHAPE_B},
        {66, " -f avi  -vcodec " SHAPE_A},
        {67, " -f mp4  -vcodec " SHAPE_A},
        {68, "   -vcodec " SHAPE_A},
        {69, "   -vcodec " SHAPE_A},
        {70, "   -vcodec mpeg4  -f 3gp -ac 1 -ar 8000 -ab 12.2k   " SHAPE_C_REST},
        {71, "   -vcodec mpeg4  -f 3gp -ac 1 -ar 8000 -ab 12.2k   " SHAPE_C_REST},
        {72, " -f 3g2  -vcodec mpeg4  -ac 1 -ar 8000 -ab 12.2k   " SHAPE_C_REST},
        {73, " -f mp4  -vcodec   " SHAPE_A},
        {74, " -f mp4  -vcodec   " SHAPE_A},
        {76, " -f mp4  -vcodec   " SHAPE_A},
        {78, " -f mp4  -vcodec   " SHAPE_A},
        {79, "  -vcodec " SHAPE_B},
        {81, "  -vcodec " SHAPE_B},
        {82, SHAPE_D},
        {83, SHAPE_D},
        {84, SHAPE_D},
        {85, "  -vcodec " SHAPE_B},
        {86, "  -vcodec " SHAPE_B},
        {87, " -target ntsc-dvd " SHAPE_E_REST},
        {88, " -target ntsc-dvd " SHAPE_E_REST},
        {89, " -target pal-dvd " SHAPE_E_REST},
        {90, "   -vcodec " SHAPE_A2},
        {91, "   -vcodec " SHAPE_A2},
        {92, " -f avi   -vcodec   " SHAPE_A},
        {93, "  -vcodec " SHAPE_B2},
        {94, " -f mp4  -vcodec    " SHAPE_A},
        {95, SHAPE_F "  -vn -f  mp3  -acodec  libmp3lame " OUT},
        {96, SHAPE_F "  -vn -f  mp3  -acodec  libmp3lame " OUT},
        {97, SHAPE_F "  -vn -f  ogg -acodec  libvorbis " OUT},
        {98, SHAPE_F "  -vn -f  wav -acodec  pcm_s16le " OUT},
        {99, SHAPE_F "  -vn -acodec  libfaac " OUT},
        {100, " -acodec libmp3lame -vn " OUT},
        {101, SHAPE_F "  -vn -acodec  libfaac " OUT},
    };
    for (const auto &c : cases)
        EXPECT_EQ(body(standardInput(c.entry)), qs(c.body)) << "entry " << c.entry;
}

TEST(EncoderCommand, EveryEntryHasExactlyOneCommandRow)
{
    EXPECT_EQ(profileCommandTable().size(), 46u);
    for (int entry = 1; entry <= kLastEntry; ++entry) {
        int rows = 0;
        for (const ProfileCommandRow &row : profileCommandTable()) {
            for (const EntryRange &range : row.entries)
                rows += entry >= range.first && entry <= range.last;
        }
        // The old table covers its group headers too; today's headers have no row.
        const bool todaysHeader = isTodayEntry(entry) && catalogueEntry(entry)->isGroup();
        EXPECT_EQ(rows, todaysHeader ? 0 : 1) << "entry " << entry;
    }
    EXPECT_EQ(profileCommandRow(0), nullptr);
    EXPECT_EQ(profileCommandRow(102), nullptr);
    EXPECT_EQ(profileCommandRow(112), nullptr);
    EXPECT_FALSE(buildEncoderCommand(standardInput(102)).ok());
}

TEST(EncoderCommand, ReproducesTheWorkedExample)
{
    ConversionOptions o = standardOptions();
    o.videoCodec = qs("xvid");
    o.videoSize = qs("320x240");
    o.videoBitrate = qs("256");
    o.videoFramerate = qs("29.97");
    o.audioCodec = qs("aac");
    EncoderCommandInput in = standardInput(2, o);
    in.job.sourcePath = qs("D:\\v\\a b.avi");
    in.job.outputPath = qs("D:\\out\\a b.mp4");
    in.job.startSeconds = 0;
    in.job.durationSeconds = 205;
    in.encoderPath = qs("C:\\Conv\\fp.dll");
    in.statisticsPath = qs("C:\\Conv\\curconvert.log");
    const Expected<EncoderCommand> command = buildEncoderCommand(in);
    ASSERT_TRUE(command.ok());
    EXPECT_EQ(command->text(),
              qs("\"C:\\Conv\\fp.dll\" -i \"D:\\v\\a b.avi\" -f mp4 -vcodec  libxvid  -aspect 4:3 "
                 "  -ab 128000  -ac 2 -ar 44100 -b 256000 -r 29.97 -ss 0 -t 205 -s 320x240"
                 " -aspect 4:3 -acodec libfaac \"D:\\out\\a b.mp4\" -threads 2 -vstats_file "
                 "\"C:\\Conv\\curconvert.log\""));
    EXPECT_EQ(command->arguments(), (QStringList{qs("C:\\Conv\\fp.dll"),
                                                 qs("-i"),
                                                 qs("D:\\v\\a b.avi"),
                                                 qs("-f"),
                                                 qs("mp4"),
                                                 qs("-vcodec"),
                                                 qs("libxvid"),
                                                 qs("-aspect"),
                                                 qs("4:3"),
                                                 qs("-ab"),
                                                 qs("128000"),
                                                 qs("-ac"),
                                                 qs("2"),
                                                 qs("-ar"),
                                                 qs("44100"),
                                                 qs("-b"),
                                                 qs("256000"),
                                                 qs("-r"),
                                                 qs("29.97"),
                                                 qs("-ss"),
                                                 qs("0"),
                                                 qs("-t"),
                                                 qs("205"),
                                                 qs("-s"),
                                                 qs("320x240"),
                                                 qs("-aspect"),
                                                 qs("4:3"),
                                                 qs("-acodec"),
                                                 qs("libfaac"),
                                                 qs("D:\\out\\a b.mp4"),
                                                 qs("-threads"),
                                                 qs("2"),
                                                 qs("-vstats_file"),
                                                 qs("C:\\Conv\\curconvert.log")}));
}

// Every codec the option sheet offers, in any profile, becomes an encoder
// that the installed FFmpeg has once the run is adapted to it; a label the
// mapping does not know (compared exactly) reaches the encoder as it is.
TEST(EncoderCommand, EveryCodecTheSheetOffersRunsOnTheInstalledEncoder)
{
    QProcess ffmpeg;
    ffmpeg.start(qs("ffmpeg"), {qs("-hide_banner"), qs("-encoders")});
    ASSERT_TRUE(ffmpeg.waitForFinished(30000));
    const QSet<QString> installed =
        parseEncoderList(QString::fromLocal8Bit(ffmpeg.readAllStandardOutput()));
    ASSERT_TRUE(installed.contains(qs("mpeg4")));

    // The codec after the option (the old name, or today's "-c:v"/"-c:a").
    const auto codecOf = [&installed](const EncoderCommandInput &in, const char *option) {
        const Expected<EncoderCommand> command = buildEncoderCommand(in);
        EXPECT_TRUE(command) << command.error();
        if (!command)
            return std::optional<QString>();
        const QStringList args =
            encoderRunArguments(*command, ExistingFilePolicy::AddNew, installed);
        qsizetype at = args.indexOf(qs(option));
        if (at < 0)
            at = args.indexOf(qs(option) == qs("-vcodec") ? qs("-c:v") : qs("-c:a"));
        return at < 0 ? std::optional<QString>() : args.value(at + 1);
    };
    // Each profile with each codec its lists offer; a shape without the
    // option (a container's own codec) has nothing to check.
    OptionSheet sheet;
    sheet.build();
    for (const CatalogueEntry &entry : profileCatalogue()) {
        applyProfileDefaults(sheet, entry.number);
        if (entry.isGroup())
            continue;
        const struct
        {
            const char *item;
            QString ConversionOptions::*field;
            const char *option;
        } codecs[] = {{"Video Codec", &ConversionOptions::videoCodec, "-vcodec"},
                      {"Audio Codec", &ConversionOptions::audioCodec, "-acodec"}};
        for (const auto &codec : codecs) {
            const auto address = sheet.findItem(qs(codec.item));
            ASSERT_TRUE(address);
            const OptionSheet::Item *item = sheet.item(address->category, address->item);
            for (const QString &label : item->choices) {
                ConversionOptions o =
                    isTodayEntry(entry.number) ? sheet.conversionOptions() : standardOptions();
                o.*codec.field = label;
                const std::optional<QString> used =
                    codecOf(standardInput(entry.number, o), codec.option);
                if (used) {
                    EXPECT_TRUE(installed.contains(*used)) << entry.number << " " << label;
                }
            }
        }
    }
    for (const char *unknown : {"XVID", "Mp3", "vorbis"}) {
        ConversionOptions o = standardOptions();
        o.videoCodec = o.audioCodec = qs(unknown);
        EXPECT_EQ(codecOf(standardInput(35, o), "-vcodec"), qs(unknown));
        EXPECT_EQ(codecOf(standardInput(100, o), "-acodec"), qs(unknown));
    }
}

TEST(EncoderCommand, DisableAudioPlacementPerShape)
{
    ConversionOptions o = standardOptions();
    o.disableAudio = qs("Yes");
    // With sound settings: right after the audio codec.
    EXPECT_TRUE(body(standardInput(2, o)).endsWith(qs("-acodec libmp3lame -an  " OUT)));
    // With the sound codec only: after the blank that follows the audio codec.
    EXPECT_TRUE(body(standardInput(35, o)).endsWith(qs("-acodec libmp3lame  -an " OUT)));
    EXPECT_TRUE(body(standardInput(93, o)).endsWith(qs("-acodec libmp3lame  -an " OUT)));
    EXPECT_TRUE(body(standardInput(71, o)).endsWith(qs("-acodec libmp3lame -an  " OUT)));
    EXPECT_TRUE(body(standardInput(83, o)).endsWith(qs("-acodec libmp3lame -an  " OUT)));
    EXPECT_TRUE(body(standardInput(88, o)).endsWith(qs("-s 320x240 -an  " OUT)));
    // Any text other than "No" disables audio, "no" included.
    o.disableAudio = qs("no");
    EXPECT_TRUE(body(standardInput(2, o)).contains(qs(" -an ")));
    o.disableAudio = QString();
    EXPECT_TRUE(body(standardInput(2, o)).contains(qs(" -an ")));
    // Audio-only shapes ignore it.
    o.disableAudio = qs("Yes");
    for (int entry = 95; entry <= 101; ++entry)
        EXPECT_EQ(body(standardInput(entry, o)), body(standardInput(entry))) << entry;
}

TEST(EncoderCommand, AudioNumbersConvertForEveryShape)
{
    ConversionOptions o = standardOptions();
    o.audioBitrate = qs("12.2");
    o.audioChannel = qs("1.5");
    EXPECT_TRUE(body(standardInput(2, o)).contains(qs("-ab 12000  -ac 2 ")));
    o.audioBitrate = qs("12.5");
    EXPECT_TRUE(body(standardInput(96, o)).startsWith(qs("  -ab 12000 ")));

    // A bad bitrate or channel count fails every shape, also those not using them.
    for (const int entry : {2, 35, 61, 71, 83, 88, 93, 96, 100}) {
        for (const auto &[field, text] : {std::pair{&ConversionOptions::audioBitrate, "abc"},
                                          std::pair{&ConversionOptions::audioBitrate, "32768"},
                                          std::pair{&ConversionOptions::audioBitrate, ""},
                                          std::pair{&ConversionOptions::audioChannel, "two"},
                                          std::pair{&ConversionOptions::audioChannel, "-40000"}}) {
            ConversionOptions bad = standardOptions();
            bad.*field = qs(text);
            const Expected<EncoderCommand> command = buildEncoderCommand(standardInput(entry, bad));
            EXPECT_FALSE(command.ok()) << entry << " " << text;
            EXPECT_FALSE(command.error().isEmpty());
        }
    }
}

TEST(EncoderCommand, FramerateThreadsAndTimes)
{
    ConversionOptions o = standardOptions();
    o.videoFramerate = qs("Auto");
    EXPECT_TRUE(body(standardInput(2, o)).contains(qs(" -r 25 ")));
    o.videoFramerate = qs("auto");
    EXPECT_TRUE(body(standardInput(2, o)).contains(qs(" -r auto ")));
    o.videoFramerate = qs("29.970");
    EXPECT_TRUE(body(standardInput(2, o)).contains(qs(" -r 29.970 ")));

    const struct
    {
        const char *setting;
        const char *threads;
    } threads[] = {{"2", "2"},  {"abc", "0"},           {"", "0"}, {"2.5", "2.5"}, {" 4x", "4"},
                   {"-1", "0"}, {"1000000000000", "8"}, {"9", "8"}};
    for (const auto &c : threads) {
        EncoderCommandInput in = standardInput(2);
        in.threadSetting = qs(c.setting);
        EXPECT_TRUE(buildEncoderCommand(in)->text().contains(qs(" \"/out/o.x\" -threads ") +
                                                             qs(c.threads) + qs(" -vstats_file ")))
            << c.setting;
    }

    EncoderCommandInput negative = standardInput(35);
    negative.job.startSeconds = 60;
    negative.job.durationSeconds = -30;
    EXPECT_TRUE(buildEncoderCommand(negative)->text().contains(qs(" -ss 60 -t -30 ")));
}

TEST(CommandLine, PathsAndValuesStayWholeArguments)
{
    CommandLine c;
    c.appendPath(qs("/usr/bin/ff mpeg"));
    c.appendLiteral(qs(" -i "));
    c.appendPath(qs("/in/-x $(rm -rf ~) \"q\" 'é'.avi"));
    c.appendLiteral(qs("  -s "));
    c.appendValue(qs("320 x 240"));
    c.appendLiteral(qs(" -ab "));
    c.appendValue(qs("128"));
    c.appendLiteral(qs("000 "));
    c.appendValue(QString()); // an empty value adds nothing
    c.appendLiteral(qs(" "));
    c.appendPath(QString()); // an empty path is still an argument
    EXPECT_EQ(c.arguments(),
              (QStringList{qs("/usr/bin/ff mpeg"), qs("-i"), qs("/in/-x $(rm -rf ~) \"q\" 'é'.avi"),
                           qs("-s"), qs("320 x 240"), qs("-ab"), qs("128000"), QString()}));
    EXPECT_EQ(c.text(), qs("\"/usr/bin/ff mpeg\" -i \"/in/-x $(rm -rf ~) \"q\" 'é'.avi\"  -s 320 "
                           "x 240 -ab 128000  \"\""));
}

// The command's stretches split no argument: read one by one they give the
// arguments of the whole, for every entry with its defaults.
TEST(EncoderCommand, StretchesSplitNoArgument)
{
    OptionSheet sheet;
    sheet.build();
    for (const CatalogueEntry &entry : profileCatalogue()) {
        applyProfileDefaults(sheet, entry.number);
        if (entry.isGroup())
            continue;
        const EncoderCommand command =
            buildEncoderCommand(standardInput(entry.number, sheet.conversionOptions())).value();
        QStringList stretches;
        for (const CommandPart &part : command.parts())
            stretches += part.pieces.arguments();
        EXPECT_EQ(stretches, command.arguments()) << entry.number;
    }
}

// The sheet's texts as a conversion reads them, parsed once when a job
// takes them: numbers, sizes and targets as values, "Same as source" and
// "Off" as none, a text that is no value of its item as the reason.
TEST(OptionValues, SheetTextsAreReadOnce)
{
    const auto valuesOf = [](const std::function<void(ConversionOptions &)> &set) {
        ConversionOptions texts;
        texts.disableAudio = qs("No");
        set(texts);
        return OptionValues(texts);
    };
    const OptionValues asSource = valuesOf([](ConversionOptions &o) {
        o.videoBitrate = qs("CRF 23");
        o.videoSize = o.videoFramerate = o.audioBitrate = qs("Same as source");
        o.fitSize = qs("Off");
        o.loudness = qs("Same as source");
    });
    EXPECT_TRUE(asSource.soundWanted());
    EXPECT_EQ(asSource.videoRate()->kind, VideoRate::Kind::Quality);
    EXPECT_EQ(asSource.videoRate()->value, 23);
    EXPECT_FALSE(asSource.frameSize() || asSource.framesPerSecond() || asSource.soundKbps());
    EXPECT_TRUE(asSource.frameRateText().isEmpty());
    EXPECT_FALSE(*asSource.sizeLimit() || *asSource.loudness());

    const OptionValues chosen = valuesOf([](ConversionOptions &o) {
        o.videoBitrate = qs("2500");
        o.videoSize = qs("1280x720");
        o.aspectRatio = qs("16:9");
        o.videoFramerate = qs("29.97");
        o.audioBitrate = qs("160");
        o.sampleRate = qs("48000");
        o.audioChannel = qs("6");
        o.fitSize = qs("10MB");
        o.loudness = qs("-16 LUFS (phones, podcasts)");
        o.disableAudio = qs("Yes");
    });
    EXPECT_FALSE(chosen.soundWanted());
    EXPECT_EQ(chosen.videoRate()->kind, VideoRate::Kind::Kilobits);
    EXPECT_EQ(chosen.videoRate()->value, 2500);
    EXPECT_EQ(chosen.frameSize(), QSize(1280, 720));
    EXPECT_EQ(chosen.displayAspect(), qs("16:9"));
    EXPECT_EQ(chosen.frameRateText(), qs("29.97"));
    EXPECT_DOUBLE_EQ(chosen.framesPerSecond().value_or(0), 29.97);
    EXPECT_EQ(chosen.soundKbps(), 160);
    EXPECT_EQ(chosen.sampleRate(), 48000);
    EXPECT_EQ(chosen.channels(), 6);
    EXPECT_EQ(*chosen.sizeLimit(), qint64(10000000));
    EXPECT_EQ(*chosen.loudness(), -16.0);
    EXPECT_EQ(chosen.texts().videoSize, qs("1280x720")); // kept as the sheet wrote them

    const OptionValues wrong = valuesOf([](ConversionOptions &o) {
        o.videoBitrate = qs("fast");
        o.videoSize = qs("0x720");
        o.audioBitrate = qs("-5");
        o.fitSize = qs("lots");
        o.loudness = qs("-60");
    });
    EXPECT_EQ(wrong.videoRate().error(),
              qs("Video Bitrate \"fast\" is not one this profile takes"));
    EXPECT_FALSE(wrong.frameSize() || wrong.soundKbps());
    EXPECT_FALSE(wrong.sizeLimit().ok());
    EXPECT_FALSE(wrong.loudness().ok());
}
