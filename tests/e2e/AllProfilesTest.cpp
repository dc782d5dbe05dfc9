// Every output profile, end to end: a user picks the profile on a fresh option
// sheet and converts one short clip through the real batch engine, the real
// encoder and the real player (which probes the row); the output is then read
// back with the media-info tool and held against what the sheet asked for.

#include "TestEnvironment.h"
#include "TestSupport.h"

#include "core/common/PlatformServices.h"
#include "core/convert/batch/BatchRun.h"
#include "core/convert/batch/ProgressTicker.h"
#include "core/convert/checks/EncoderStatus.h"
#include "core/convert/command/CommandBuilder.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/profiles/ProfileDefaults.h"
#include "core/sources/SourceList.h"
#include "core/tools/MediaProbe.h"
#include "core/tools/ToolControl.h"
#include "core/tools/ToolLocator.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSize>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <optional>

using namespace vantrel;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QSize &size, std::ostream *os)
{
    *os << size.width() << 'x' << size.height();
}
QT_END_NAMESPACE

namespace {

// The source clip: one second of test picture and tone. Its sound is at 22050
// Hz, a rate no profile asks for, so an output that kept the source's rate
// where the sheet asked for another shows.
constexpr int kSourceSampleRate = 22050;
constexpr int kConversionTimeoutMs = 120000;

// An output's length, where it can be read (an SWF file has none): the clip is
// one second and every command converts all of it.
constexpr double kShortestOutput = 0.8;
constexpr double kLongestOutput = 1.3;

// ---- what an output must be ---------------------------------------------------

// The container an output extension asks for, as the media-info tool names
// its demuxer. The mov family reads alike for .mp4, .m4a, .3gp and .3g2; its
// major brand tells which muxer wrote the file.
struct ContainerRow
{
    const char *extension;
    const char *format;
    bool audioOnly;
    QStringList brands; // accepted major brands; empty: not checked
};

const std::vector<ContainerRow> &containerTable()
{
    static const std::vector<ContainerRow> rows = {
        // "-f psp" (the PSP profiles) writes an MP4 with the brand MSNV.
        {".mp4", "mp4", false, {qs("isom"), qs("MSNV")}},
        {".m4a", "m4a", true, {qs("M4A ")}},
        {".3gp", "3gp", false, {qs("3gp4"), qs("3gp5"), qs("3gp6")}},
        {".3g2", "3g2", false, {qs("3g2a")}},
        {".avi", "avi", false, {}},
        {".wmv", "asf", false, {}},
        {".wma", "asf", true, {}},
        {".flv", "flv", false, {}},
        {".swf", "swf", false, {}},
        {".mpg", "mpeg", false, {}}, // the DVD muxer's files read as mpeg too
        {".mp3", "mp3", true, {}},
        {".ogg", "ogg", true, {}},
        {".wav", "wav", true, {}},
        {".aac", "aac", true, {}}, // ADTS, read by the aac demuxer
    };
    return rows;
}

// The sheet's video codec label -> the codec of the output's video stream,
// after the command's codec table and the run's adaptation to the installed
// encoder. "FLV" and "SWF" send no codec argument: the muxer picks its own.
const QHash<QString, QString> &videoCodecTable()
{
    static const QHash<QString, QString> table = {
        {qs("x264"), qs("h264")},
        {qs("xvid"), qs("mpeg4")}, // libxvid, or the native mpeg4 where it is missing
        {qs("mpeg4"), qs("mpeg4")},
        {qs("WMV V9"), qs("wmv2")},
        {qs("WMV V8"), qs("wmv2")},
        {qs("mjpeg"), qs("mjpeg")},
        {qs("h263"), qs("h263")},
        {qs("mpeg1"), qs("mpeg1video")},
        {qs("mpeg2"), qs("mpeg2video")},
        {qs("mpeg1video"), qs("mpeg1video")}, // in no mapping row: sent as it is
        {qs("mpeg2video"), qs("mpeg2video")},
        {qs("FLV"), qs("flv1")}, // the flv muxer's default
        {qs("SWF"), qs("flv1")}, // the swf muxer's default
    };
    return table;
}

// The sheet's audio codec label -> the codec of the output's audio stream.
const QHash<QString, QString> &audioCodecTable()
{
    static const QHash<QString, QString> table = {
        {qs("aac"), qs("aac")}, // libfaac is run as the native aac
        {qs("faac"), qs("aac")},      {qs("amr_nb"), qs("aac")},    {qs("mp3"), qs("mp3")},
        {qs("WMA9"), qs("wmav2")},    {qs("WMA8"), qs("wmav2")},    {qs("WMA"), qs("wmav2")},
        {qs("pcm"), qs("pcm_s16le")}, {qs("wav"), qs("pcm_s16le")}, {qs("ac3"), qs("ac3")},
        {qs("ogg"), qs("vorbis")},    {qs("mp2"), qs("mp2")},
    };
    return table;
}

// The DVD profiles: "-target" chooses the codecs and the sound; the sheet's
// codec and sample-rate items are not sent.
bool isDvdEntry(int entry)
{
    return entry == 88 || entry == 89;
}

struct ProfileExpectation
{
    QString extension;
    QString format;
    QStringList brands;
    bool audioOnly = false;
    QString videoCodec;
    QSize frameSize;
    double frameRate = 0;
    QString audioCodec;
    int sampleRate = 0;
};

QString sheetValue(const OptionSheet &sheet, const char *category, const char *item)
{
    return sheet.value(qs(category), qs(item));
}

// What the profile picked on `sheet` must produce, or the reason the test
// data has no answer for it.
Expected<ProfileExpectation> expectationFor(int entry, const OptionSheet &sheet)
{
    ProfileExpectation e;
    e.extension = outputExtension(entry).value_or(QString());
    const ContainerRow *container = nullptr;
    for (const ContainerRow &row : containerTable()) {
        if (e.extension == qs(row.extension))
            container = &row;
    }
    if (!container)
        return Expected<ProfileExpectation>::failure(qs("no container known for ") + e.extension);
    e.format = qs(container->format);
    e.brands = container->brands;
    e.audioOnly = container->audioOnly;

    const QString audioLabel = sheetValue(sheet, "Audio Options", "Audio Codec");
    e.audioCodec = isDvdEntry(entry) ? qs("ac3") : audioCodecTable().value(audioLabel);
    if (e.audioCodec.isEmpty())
        return Expected<ProfileExpectation>::failure(qs("no audio codec known for ") + audioLabel);

    // Sample rate: the sheet's, where the command sends one.
    if (e.extension == qs(".wmv") || e.extension == qs(".wma"))
        e.sampleRate = kSourceSampleRate; // these commands send no "-ar"
    else if (e.extension == qs(".3gp") || e.extension == qs(".3g2"))
        e.sampleRate = 8000; // the phone commands fix mono 8000 Hz
    else if (isDvdEntry(entry))
        e.sampleRate = 48000;
    else
        e.sampleRate = sheetValue(sheet, "Audio Options", "Sample Rate").toInt();

    if (e.audioOnly)
        return e;

    const QString videoLabel = sheetValue(sheet, "Video Options", "Video Codec");
    e.videoCodec = isDvdEntry(entry) ? qs("mpeg2video") : videoCodecTable().value(videoLabel);
    if (e.videoCodec.isEmpty())
        return Expected<ProfileExpectation>::failure(qs("no video codec known for ") + videoLabel);

    const QString size = sheetValue(sheet, "Video Options", "Video Size");
    const QStringList wh = size.split(u'x');
    if (wh.size() != 2 || wh[0].toInt() <= 0 || wh[1].toInt() <= 0)
        return Expected<ProfileExpectation>::failure(qs("no frame size in ") + size);
    e.frameSize = QSize(wh[0].toInt(), wh[1].toInt());

    const QString rate = sheetValue(sheet, "Video Options", "Video Framerate");
    e.frameRate = rate == qs("Auto") ? 25.0 : rate.toDouble();
    if (e.frameRate <= 0)
        return Expected<ProfileExpectation>::failure(qs("no frame rate in ") + rate);
    return e;
}

// ---- what an output is --------------------------------------------------------

struct StreamFacts
{
    QString codec;
    QSize frameSize;
    double frameRate = 0;
    int sampleRate = 0;
};

struct FileFacts
{
    QStringList formats;
    QString brand;
    std::optional<double> duration;
    QList<StreamFacts> video;
    QList<StreamFacts> audio;
};

double rateOf(const QString &fraction)
{
    const QStringList parts = fraction.split(u'/');
    const double den = parts.size() == 2 ? parts[1].toDouble() : 1.0;
    return den == 0 ? 0 : parts[0].toDouble() / den;
}

Expected<FileFacts> readFileFacts(const QString &mediaInfo, const QString &file)
{
    QProcess tool;
    tool.start(mediaInfo, {qs("-v"), qs("error"), qs("-show_entries"),
                           qs("format=format_name,duration:format_tags=major_brand:"
                              "stream=codec_type,codec_name,width,height,r_frame_rate,sample_rate"),
                           qs("-of"), qs("json"), file});
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
        return Expected<FileFacts>::failure(qs("the media-info tool failed: ") +
                                            QString::fromUtf8(tool.readAllStandardError()));
    const QJsonObject root = QJsonDocument::fromJson(tool.readAllStandardOutput()).object();
    FileFacts facts;
    const QJsonObject format = root.value(qs("format")).toObject();
    facts.formats = format.value(qs("format_name")).toString().split(u',');
    facts.brand = format.value(qs("tags")).toObject().value(qs("major_brand")).toString();
    bool durationRead = false;
    const double duration = format.value(qs("duration")).toString().toDouble(&durationRead);
    if (durationRead)
        facts.duration = duration;
    for (const QJsonValue &value : root.value(qs("streams")).toArray()) {
        const QJsonObject stream = value.toObject();
        StreamFacts s;
        s.codec = stream.value(qs("codec_name")).toString();
        const QString type = stream.value(qs("codec_type")).toString();
        if (type == qs("video")) {
            s.frameSize =
                QSize(stream.value(qs("width")).toInt(), stream.value(qs("height")).toInt());
            s.frameRate = rateOf(stream.value(qs("r_frame_rate")).toString());
            facts.video.append(s);
        } else if (type == qs("audio")) {
            s.sampleRate = stream.value(qs("sample_rate")).toString().toInt();
            facts.audio.append(s);
        }
    }
    return facts;
}

// The output profiles of old (today's have a test of their own, on real files).
std::vector<int> outputProfileEntries()
{
    std::vector<int> entries;
    for (const CatalogueEntry &entry : profileCatalogue()) {
        if (!entry.isGroup() && !isTodayEntry(entry.number))
            entries.push_back(entry.number);
    }
    return entries;
}

// Runs the batch until it reports its end; no value when it was refused or
// did not end in time.
std::optional<BatchEnding> runBatch(BatchRun &batch, const Settings &settings)
{
    std::optional<BatchEnding> outcome;
    QEventLoop loop;
    QObject::connect(&batch, &BatchRun::finished, &loop, [&](const BatchOutcome &o) {
        outcome = o.ending;
        loop.quit();
    });
    QTimer::singleShot(kConversionTimeoutMs, &loop, &QEventLoop::quit);
    if (!batch.start(settings))
        return std::nullopt;
    if (!outcome)
        loop.exec();
    return outcome;
}

class AllProfilesTest : public ::testing::TestWithParam<int>
{
protected:
    static void SetUpTestSuite()
    {
        s_sourceDir = std::make_unique<QTemporaryDir>();
        s_clip = s_sourceDir->filePath(qs("clip.avi"));
        const QString encoder = ToolLocator::find(ToolLocator::kEncoder);
        if (encoder.isEmpty())
            return;
        QProcess make;
        make.start(
            encoder,
            {qs("-v"), qs("error"), qs("-y"), qs("-f"), qs("lavfi"), qs("-i"),
             qs("testsrc=size=160x120:rate=25:duration=1"), qs("-f"), qs("lavfi"), qs("-i"),
             qs("sine=frequency=440:duration=1:sample_rate=") + QString::number(kSourceSampleRate),
             qs("-c:v"), qs("mpeg4"), qs("-c:a"), qs("libmp3lame"), qs("-shortest"), s_clip});
        if (!make.waitForFinished(60000) || make.exitCode() != 0)
            s_clipError = QString::fromUtf8(make.readAllStandardError());
    }
    static void TearDownTestSuite() { s_sourceDir.reset(); }

    void SetUp() override
    {
        for (const QString &tool :
             {ToolLocator::kEncoder, ToolLocator::kMediaInfo, ToolLocator::kPlayer}) {
            ASSERT_FALSE(ToolLocator::find(tool).isEmpty())
                << ToolLocator::missingToolMessage(tool).toStdString();
        }
        ASSERT_TRUE(s_clipError.isEmpty() && QFileInfo(s_clip).size() > 0)
            << "the source clip could not be made: " << s_clipError.toStdString();
        ASSERT_TRUE(m_data.isValid() && m_out.isValid());
        QFile settings(m_data.filePath(qs("settings.dat")));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[set]\noutputfolder=" + QFile::encodeName(m_out.path()) + "\n");
    }

    BatchEnvironment environment() { return m_surroundings.batch(m_data, &m_tools); }

    // The command the row ran, for failure messages.
    static QString commandText(const BatchRun &batch, const BatchEnvironment &env)
    {
        const Expected<EncoderCommand> command =
            buildEncoderCommand({batch.rowJob(0).value_or(ConversionJob()), QString(),
                                 env.encoderPath, env.statisticsPath});
        return command ? command->text() : command.error();
    }

    static std::unique_ptr<QTemporaryDir> s_sourceDir;
    static QString s_clip;
    static QString s_clipError;

    QTemporaryDir m_data;
    QTemporaryDir m_out;
    TestSurroundings m_surroundings;
    RecordingPrompt &m_prompt = m_surroundings.prompt;
    RecordingPowerOff &m_powerOff = m_surroundings.power;
    RecordingDesktop &m_desktop = m_surroundings.desktop;
    ToolControl m_tools;
};

std::unique_ptr<QTemporaryDir> AllProfilesTest::s_sourceDir;
QString AllProfilesTest::s_clip;
QString AllProfilesTest::s_clipError;

} // namespace

TEST(AllProfiles, CoverEveryOutputProfileOfTheCatalogue)
{
    EXPECT_EQ(outputProfileEntries().size(), 78u);
}

TEST_P(AllProfilesTest, ConvertsTheClipToWhatTheSheetAsksFor)
{
    const int entry = GetParam();
    OptionSheet sheet;
    sheet.build();
    applyProfileDefaults(sheet, entry); // the user's pick
    const Expected<ProfileExpectation> expected = expectationFor(entry, sheet);
    ASSERT_TRUE(expected) << expected.error().toStdString();

    MediaProbe probe(ToolLocator::find(ToolLocator::kPlayer));
    SourceList list(&probe);
    list.addSourceFile(s_clip);
    const BatchEnvironment env = environment();
    BatchRun batch(
        list, sheet, [entry] { return std::optional<int>(entry); }, env);
    m_surroundings.reportEnds(batch, m_data);

    const std::optional<BatchEnding> outcome = runBatch(batch, TestSurroundings::settings(m_data));
    const QString command = commandText(batch, env);
    SCOPED_TRACE(qs("entry %1 \"%2\"\ncommand: %3")
                     .arg(entry)
                     .arg(catalogueEntry(entry)->captionText(), command)
                     .toStdString());
    ASSERT_TRUE(outcome.has_value()) << "the batch did not end in time";
    EXPECT_EQ(*outcome, BatchEnding::Completed);
    ASSERT_EQ(list.item(0).status, RowStatus::Ok) << batch.rowMessages(0).toStdString();
    EXPECT_FALSE(batch.encoderAlive());

    // The batch's end, as the user sees it.
    EXPECT_EQ(m_prompt.errors, QStringList());
    EXPECT_EQ(m_prompt.notices, QStringList{qs("Conversion completed!")});
    EXPECT_EQ(m_desktop.opened, QStringList{m_out.path()});
    EXPECT_EQ(m_powerOff.calls, 0);

    const QString output = m_out.filePath(qs("clip") + expected->extension);
    EXPECT_EQ(batch.rowOutput(0), output);
    ASSERT_GT(QFileInfo(output).size(), 0) << output.toStdString();

    const Expected<FileFacts> facts =
        readFileFacts(ToolLocator::find(ToolLocator::kMediaInfo), output);
    ASSERT_TRUE(facts) << facts.error().toStdString();
    EXPECT_TRUE(facts->formats.contains(expected->format))
        << "container " << facts->formats.join(u',').toStdString() << ", expected "
        << expected->format.toStdString();
    if (!expected->brands.isEmpty()) {
        EXPECT_TRUE(expected->brands.contains(facts->brand))
            << "major brand \"" << facts->brand.toStdString() << "\", expected one of "
            << expected->brands.join(qs(", ")).toStdString();
    }
    if (facts->duration) {
        EXPECT_GE(*facts->duration, kShortestOutput);
        EXPECT_LE(*facts->duration, kLongestOutput);
    }

    ASSERT_EQ(facts->audio.size(), 1);
    EXPECT_EQ(facts->audio[0].codec, expected->audioCodec);
    EXPECT_EQ(facts->audio[0].sampleRate, expected->sampleRate);

    if (expected->audioOnly) {
        EXPECT_EQ(facts->video.size(), 0);
        return;
    }
    ASSERT_EQ(facts->video.size(), 1);
    EXPECT_EQ(facts->video[0].codec, expected->videoCodec);
    EXPECT_EQ(facts->video[0].frameSize, expected->frameSize);
    EXPECT_NEAR(facts->video[0].frameRate, expected->frameRate, 0.01);

    // The progress reads the encoder's statistics file: it must hold the
    // whole clip when the row ends.
    const std::optional<double> encoded =
        encodedSecondsOfStatsLine(lastCompleteLine(readFileTail(env.statisticsPath)));
    ASSERT_TRUE(encoded.has_value())
        << "no statistics line in " << env.statisticsPath.toStdString();
    EXPECT_GE(*encoded, kShortestOutput);
}

INSTANTIATE_TEST_SUITE_P(Profiles, AllProfilesTest, ::testing::ValuesIn(outputProfileEntries()),
                         [](const ::testing::TestParamInfo<int> &info) {
                             const QString extension =
                                 outputExtension(info.param).value_or(QString()).mid(1);
                             return qs("entry_%1_%2").arg(info.param).arg(extension).toStdString();
                         });
