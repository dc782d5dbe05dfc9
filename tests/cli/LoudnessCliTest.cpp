#include "CliConversion.h"

#include <QProcess>

#include <QtEndian>

// Loudness on real files: every sound through today's entries lands on the
// target within 1 LU with its true peak at most -1 dBTP, as FFmpeg's own
// EBU R128 meter measures the output, at the sample rate the entry gives.

namespace {

// One entry of the file's first sound, as ffprobe tells it.
QString soundEntry(const QString &path, const QString &entry)
{
    QProcess ffprobe;
    ffprobe.start(qs("ffprobe"),
                  {qs("-v"), qs("error"), qs("-select_streams"), qs("a:0"), qs("-show_entries"),
                   qs("stream=") + entry, qs("-of"), qs("csv=p=0"), path});
    ffprobe.waitForFinished(30000);
    return QString::fromUtf8(ffprobe.readAllStandardOutput()).trimmed();
}

// The rate the sound was encoded at: Opus keeps it in its header (a decoder
// gives 48 kHz whatever it was), the others in the stream.
int encodedSampleRate(const QString &path)
{
    const QByteArray bytes = readFile(path);
    const qsizetype head = bytes.indexOf("OpusHead");
    if (head >= 0 && head + 16 <= bytes.size())
        return int(qFromLittleEndian<quint32>(bytes.constData() + head + 12));
    return soundEntry(path, qs("sample_rate")).toInt();
}

} // namespace

TEST(Loudness, EverySoundLandsOnTheTargetUnderTheCeiling)
{
    MediaClips clips;
    const QStringList picture = {qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc=s=160x120:r=25:d=4")};
    // A picture and the sound `filter` makes, 4 s.
    const auto film = [&](const char *name, const QString &filter) {
        return clips.encoded(qs(name),
                             picture + QStringList{qs("-f"), qs("lavfi"), qs("-i"), filter,
                                                   qs("-c:v"), qs("mpeg4"), qs("-c:a"),
                                                   qs("pcm_s16le"), qs("-t"), qs("4")});
    };
    // Noise from fixed seeds: the same sound, and the same measure, on every run.
    const QString noise = qs("anoisesrc=d=4:a=%1:seed=7");
    const QString tone = film("tone.mkv", qs("sine=f=440:d=4"));
    const QString tone32k = film("tone32k.mkv", qs("sine=f=440:d=4:sample_rate=32000"));
    const QString quietNoise = film("noise40.mkv", noise.arg(0.01));
    const QString noise20 = film("noise20.mkv", noise.arg(0.1));
    const QString loudNoise = film("noise6.mkv", noise.arg(0.5));
    const QString halves = film(
        "halves.mkv",
        qs("anoisesrc=d=2:a=0.5:seed=7[a];anoisesrc=d=2:a=0.01:seed=8[b];[a][b]concat=v=0:a=1"));
    // A quiet tone with a loud click: one gain would take the click over the ceiling.
    const QString click =
        film("click.mkv", qs("aevalsrc='0.02*sin(2*PI*440*t)+0.9*between(t,1,1.002)':d=4:c=mono"));
    const QString shortClick =
        film("short.mkv", qs("aevalsrc='0.02*sin(2*PI*440*t)+0.9*between(t,1,1.002)':d=2:c=mono"));
    // The AAC encoder's band ends at 16 kHz for two channels at 160 kbit/s:
    // white noise loses over 1 LU there.
    const QString stereoNoise =
        film("stereo.mkv", qs("anoisesrc=d=4:a=0.3:seed=7,aformat=channel_layouts=stereo"));
    // Broadcast 5.1 with side channels: Opus takes it in its own layout, and
    // narrows its band at 27 kbit/s a channel.
    const QString surround = film(
        "surround.mkv", qs("anoisesrc=d=4:a=0.1:c=pink:seed=7,aformat=channel_layouts=5.1(side)"));
    const QString silent = film("silent.mkv", qs("anullsrc=d=4:r=48000"));
    const QString mute =
        clips.encoded(qs("mute.mkv"), picture + QStringList{qs("-c:v"), qs("mpeg4")});
    // Every sound packet damaged: nothing of it decodes.
    const QString undecodable = clips.encoded(
        qs("undecodable.mkv"),
        picture + QStringList{qs("-f"), qs("lavfi"), qs("-i"), qs("sine=d=4"), qs("-c:v"),
                              qs("mpeg4"), qs("-c:a"), qs("aac"), qs("-bsf:a"),
                              qs("noise=amount=1"), qs("-f"), qs("matroska")});
    const struct
    {
        const char *what;
        int entry;
        QString source;
        const char *loudness;
        QStringList set;
        int rate;         // of the output; 0: it has no sound
        const char *note; // in the row's notes
    } cases[] = {
        {"tone", 103, tone, "-16", {}, 44100, "applied to the whole"},
        {"tone at 32 kHz", 110, tone32k, "-16", {}, 24000, "applied to the whole"},
        {"noise at -40 dBFS", 105, quietNoise, "-14", {}, 48000, "applied to the whole"},
        {"noise at -20 dBFS", 111, noise20, "-23", {qs("Sample Rate=48000")}, 48000, "applied"},
        {"noise at -6 dBFS", 103, loudNoise, "-23", {}, 48000, "applied to the whole"},
        {"loud and quiet halves", 110, halves, "-16", {}, 48000, "applied to the whole"},
        {"a click over a quiet tone", 103, click, "-14", {}, 44100, "dynamic mode"},
        {"the same, too short for the dynamic mode",
         110,
         shortClick,
         "-14",
         {},
         48000,
         "too short (2.0 s) for loudnorm's dynamic mode"},
        {"white noise in two channels", 103, stereoNoise, "-16", {}, 48000, "applied to the whole"},
        // A phone's AMR sound that FFmpeg decodes to 2 s of 9.6.
        {"a phone's 8 kHz sound",
         103,
         qs(VANTREL_TESTDATA_DIR "/media/ios_h263_amrnb_176x144.3gp"),
         "-16",
         {},
         8000,
         "too short (1.9 s)"},
        {"surround sound", 110, surround, "-16", {}, 48000, "applied to the whole"},
        {"silence", 111, silent, "-16", {}, 48000, "silent, so it was left as it is"},
        {"no sound", 103, mute, "-16", {}, 0, "the source has no sound"},
        {"a sound that cannot be decoded",
         103,
         undecodable,
         "-16",
         {},
         0,
         "the sound could not be decoded (Error while decoding stream"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1, entry %2").arg(qs(c.what)).arg(c.entry).toStdString());
        const ConvertedRow row =
            convertOne(clips, c.entry, c.source, c.set, {qs("--loudness"), qs(c.loudness)});
        ASSERT_EQ(row.status, qs("OK")) << row.detail;
        EXPECT_TRUE(row.detail.contains(qs(c.note))) << row.detail;
        if (c.rate == 0)
            continue;
        EXPECT_EQ(encodedSampleRate(row.output), c.rate);
        // FLAC keeps the source's 16 bits.
        if (row.output.endsWith(qs(".flac"))) {
            EXPECT_EQ(soundEntry(row.output, qs("bits_per_raw_sample")), qs("16"));
        }
        const Loudness out = loudnessOf(row.output);
        EXPECT_LE(out.truePeak, -1.0);
        if (!qs(c.note).contains(qs("left as it is"))) {
            EXPECT_NEAR(out.integrated, qs(c.loudness).toDouble(), 1.0);
        }
    }
}

// A film with a stereo sound marked default and a 5.1 sound after it: every
// entry that encodes sound converts the 5.1 one, the one its plan measured
// and shaped, with its six channels (FFmpeg alone would take the default).
TEST(Loudness, EveryEntryConvertsTheSoundItsPlanMeasured)
{
    MediaClips clips;
    const QString film =
        clips.encoded(qs("two sounds.mkv"),
                      {qs("-f"),     qs("lavfi"),
                       qs("-i"),     qs("testsrc=s=160x120:r=25:d=2"),
                       qs("-f"),     qs("lavfi"),
                       qs("-i"),     qs("sine=d=2"),
                       qs("-f"),     qs("lavfi"),
                       qs("-i"),     qs("anoisesrc=d=2:a=0.2:seed=3,aformat=channel_layouts=5.1"),
                       qs("-map"),   qs("0"),
                       qs("-map"),   qs("1"),
                       qs("-map"),   qs("2"),
                       qs("-c:v"),   qs("mpeg4"),
                       qs("-c:a:0"), qs("aac"),
                       qs("-c:a:1"), qs("ac3")});
    for (const int entry : {103, 104, 105, 106, 110, 111}) {
        SCOPED_TRACE(entry);
        const ConvertedRow row = convertOne(clips, entry, film, {}, {qs("--loudness"), qs("-16")});
        ASSERT_EQ(row.status, qs("OK")) << row.detail;
        EXPECT_EQ(soundEntry(row.output, qs("channels")), qs("6"));
        EXPECT_TRUE(row.detail.contains(qs("Loudness -16 LUFS"))) << row.detail;
    }
}

// The passes as a batch runs them: the measure reads the clip's sound
// alone; "Same as source" leaves the one conversion as it was.
TEST(Loudness, TheMeasureReadsTheClipsSoundAlone)
{
    MediaClips clips;
    const QString source = clips.video(qs("film.avi"), 3);
    const auto asRun = [&](const QStringList &set) {
        QStringList args = {qs("command"), qs("--profile"), qs("103"),     qs("--source"),
                            source,        qs("--output"),  qs("out.mp4"), qs("--start"),
                            qs("0:00:01"), qs("--end"),     qs("0:00:03"), qs("--as-run")};
        for (const QString &item : set)
            args << qs("--set") << item;
        QProcess cli;
        cli.start(qs(VANTREL_CLI_PATH), args);
        EXPECT_TRUE(cli.waitForFinished(60000));
        return QString::fromUtf8(cli.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    };
    const QStringList today = asRun({});
    ASSERT_EQ(today.size(), 1) << today.join(u'\n');
    EXPECT_EQ(asRun({qs("Loudness=Same as source")}), today);

    const QStringList passes = asRun({qs("Loudness=-16 LUFS")});
    ASSERT_EQ(passes.size(), 3) << passes.join(u'\n');
    EXPECT_EQ(passes[0], qs("# 1/2: measures the sound's loudness"));
    // The sound as it is, and within the band the AAC encoder keeps.
    for (const char *part : {" -ss 1 -t 2 ", " -vn -sn -dn ", "ebur128=peak=true:framelog=verbose,",
                             "aresample=44100,firequalizer", " -f null"})
        EXPECT_TRUE(passes[1].contains(qs(part))) << part << passes[1];
    EXPECT_FALSE(passes[1].contains(qs("-c:v"))) << passes[1];
    // The conversion takes what the measure finds: said by its rule, never
    // as arguments that could not run.
    EXPECT_TRUE(passes[2].startsWith(qs("# 2/2: converts: the sound through loudnorm to -16 LUFS")))
        << passes[2];
}
