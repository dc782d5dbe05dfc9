#include "CliConversion.h"
#include "MediaClips.h"
#include "TestSupport.h"
#include "VobSub.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <cstdlib>

// Films with many sounds and subtitles through every entry under each
// track rule, with English and German preferred: which tracks each output
// holds, in which order, with which flags.

namespace {

struct Sound
{
    const char *language; // empty: none tagged
    int channels;
    const char *title;
    const char *disposition; // FFmpeg's words: "default+original"; empty: none
};

struct Subtitle
{
    const char *format; // "srt", "ass", "vobsub"
    const char *language;
    const char *disposition;
};

struct Film
{
    const char *name;
    std::vector<Sound> sounds;
    std::vector<Subtitle> subtitles;
    // What each rule keeps, "sounds|subtitles": a sound as its language,
    // channels and "c" (commentary) or "v" (description), the first one
    // flagged default; a subtitle as its language, "!" when forced; "burned"
    // when one is drawn into the picture. One per rule below.
    const char *kept[4];
};

// The rules, in the order of `kept`.
const QStringList kRules[4] = {
    {},
    {qs("--sound-tracks"), qs("languages"), qs("--subtitles"), qs("languages")},
    {qs("--sound-tracks"), qs("main"), qs("--subtitles"), qs("all")},
    {qs("--sound-tracks"), qs("all"), qs("--subtitles"), qs("forced-burned")},
};

const std::vector<Film> &films()
{
    static const std::vector<Film> table = {
        {"two languages, the original second",
         {{"eng", 2, "", "default"}, {"fre", 2, "", "original"}},
         {},
         {"eng2|", "eng2|", "eng2,fre2|", "eng2,fre2|"}},
        {"English stereo and 5.1",
         {{"eng", 2, "", "default"}, {"eng", 6, "", ""}},
         {},
         {"eng6|", "eng6|", "eng2,eng6|", "eng2,eng6|"}},
        {"a commentary by its flag",
         {{"eng", 2, "", "default"}, {"eng", 2, "", "comment"}},
         {},
         {"eng2|", "eng2|", "eng2|", "eng2,eng2c|"}},
        {"a commentary by its title",
         {{"deu", 2, "Kommentar", ""}, {"deu", 2, "Director's Commentary", ""}},
         {},
         {"deu2|", "deu2|", "deu2|", "deu2,deu2c|"}},
        {"a description for the blind",
         {{"eng", 2, "", "visual_impaired"}, {"eng", 2, "", ""}},
         {},
         {"eng2v|", "eng2|", "eng2|", "eng2,eng2v|"}},
        {"no languages", {{"und", 2, "", ""}, {"", 6, "", ""}}, {}, {"6|", "2|", "2,6|", "2,6|"}},
        {"text subtitles",
         {{"eng", 2, "", ""}},
         {{"srt", "eng", ""}, {"ass", "deu", ""}, {"srt", "spa", ""}},
         {"eng2|", "eng2|eng,deu", "eng2|eng,deu,spa", "eng2|"}},
        {"a picture subtitle",
         {{"eng", 2, "", ""}},
         {{"vobsub", "eng", "forced"}},
         {"eng2|", "eng2|", "eng2|", "eng2|burned"}},
        {"a forced subtitle",
         {{"fre", 2, "", "default"}, {"eng", 2, "", ""}},
         {{"srt", "eng", ""}, {"srt", "fre", "forced"}},
         {"fre2|", "eng2|eng", "fre2,eng2|eng,fre!", "fre2,eng2|burned"}},
        {"only a commentary",
         {{"eng", 2, "Commentary", ""}},
         {},
         {"eng2c|", "eng2c|", "eng2c|", "eng2c|"}},
    };
    return table;
}

QString make(MediaClips &clips, const Film &film, int number)
{
    const QString base = QStringLiteral("film %1").arg(number);
    QStringList args{qs("-f"), qs("lavfi"), qs("-i"), qs("testsrc=s=160x120:r=25:d=2")};
    const char *const layouts[] = {"", "mono", "stereo", "", "", "", "5.1"};
    for (const Sound &s : film.sounds)
        args << qs("-f") << qs("lavfi") << qs("-i")
             << QStringLiteral("sine=d=2,aformat=channel_layouts=%1")
                    .arg(QLatin1String(layouts[s.channels]));
    int n = 0;
    for (const Subtitle &s : film.subtitles) {
        const QString path = clips.path(base + QStringLiteral(" %1.").arg(++n));
        if (qs(s.format) == qs("vobsub")) {
            args << qs("-i") << writeVobSub(path + qs("idx"), 1.5);
            continue;
        }
        QFile srt(path + qs("srt"));
        EXPECT_TRUE(srt.open(QIODevice::WriteOnly));
        srt.write("1\n00:00:00,200 --> 00:00:01,800\nSpoken in another language\n");
        srt.close();
        args << qs("-i") << srt.fileName();
    }
    for (qsizetype i = 0; i <= qsizetype(film.sounds.size() + film.subtitles.size()); ++i)
        args << qs("-map") << QString::number(i);
    args << qs("-c:v") << qs("libx264") << qs("-c:a") << qs("aac");
    const auto tags = [&](const char *kind, qsizetype i, const char *language, const char *title,
                          const char *disposition) {
        const QString at = QStringLiteral(":s:%1:%2").arg(QLatin1String(kind)).arg(i);
        if (*language)
            args << qs("-metadata") + at << qs("language=") + qs(language);
        if (*title)
            args << qs("-metadata") + at << qs("title=") + qs(title);
        args << qs("-disposition") + at.mid(2) << (*disposition ? qs(disposition) : qs("0"));
    };
    for (qsizetype i = 0; i < qsizetype(film.sounds.size()); ++i) {
        const Sound &s = film.sounds[std::size_t(i)];
        tags("a", i, s.language, s.title, s.disposition);
    }
    for (qsizetype i = 0; i < qsizetype(film.subtitles.size()); ++i) {
        const Subtitle &s = film.subtitles[std::size_t(i)];
        args << QStringLiteral("-c:s:%1").arg(i)
             << (qs(s.format) == qs("vobsub") ? qs("copy") : qs(s.format));
        tags("s", i, s.language, "", s.disposition);
    }
    return clips.encoded(base + qs(".mkv"), args);
}

// The record lines of a batch: the output of each source, and its notes.
QHash<QString, QString> convertAll(MediaClips &clips, int entry, const QStringList &rule,
                                   const QStringList &sources, const QString &folder)
{
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(qs("VANTREL_DATA_DIR"), clips.path(qs("data")));
    cli.setProcessEnvironment(env);
    cli.start(qs(VANTREL_CLI_PATH),
              QStringList{qs("convert"), qs("--profile"), QString::number(entry), qs("--languages"),
                          qs("eng,deu"), qs("--output-dir"), folder} +
                  rule + QStringList{qs("--")} + sources);
    EXPECT_TRUE(cli.waitForFinished(300000));
    QHash<QString, QString> outputs;
    QString source;
    for (const QString &line : QString::fromUtf8(cli.readAllStandardOutput()).split(u'\n')) {
        if (line.startsWith(u' ')) {
            outputs[source + qs(" notes")] += line.trimmed() + u'\n';
            continue;
        }
        const QStringList fields = line.split(u'\t');
        if (fields.size() < 3)
            continue;
        source = fields[1];
        EXPECT_EQ(fields[0], qs("OK")) << line.toStdString();
        outputs[source] = fields[2];
    }
    return outputs;
}

// "eng2c,fre2|fre!", as `Film::kept` says it, checking the flags on the way:
// of several sounds exactly one default, the first (Ogg marks none); no subtitle forced
// and default, but in MP4, which shows a forced subtitle by marking it so.
QString keptOf(const QString &output, bool mp4, bool ogg)
{
    QStringList sounds, subtitles;
    QList<int> defaults;
    for (const QJsonValue &value : probe(output).value(qs("streams")).toArray()) {
        const QJsonObject s = value.toObject();
        const QJsonObject d = s.value(qs("disposition")).toObject();
        QString language = s.value(qs("tags")).toObject().value(qs("language")).toString();
        if (language == qs("und"))
            language.clear();
        const QString type = s.value(qs("codec_type")).toString();
        if (type == qs("audio")) {
            defaults << d.value(qs("default")).toInt();
            // MP4 keeps a track's title as its handler's name.
            const QJsonObject tags = s.value(qs("tags")).toObject();
            const QString title =
                tags.value(qs("title")).toString() + tags.value(qs("handler_name")).toString();
            sounds << language + QString::number(s.value(qs("channels")).toInt()) +
                          (d.value(qs("comment")).toInt() || title.contains(qs("Commentary"))
                               ? qs("c")
                           : d.value(qs("visual_impaired")).toInt() ||
                                   title.contains(qs("Description"))
                               ? qs("v")
                               : QString());
        } else if (type == qs("subtitle")) {
            EXPECT_FALSE(!mp4 && d.value(qs("forced")).toInt() && d.value(qs("default")).toInt());
            subtitles << language + (d.value(qs("forced")).toInt() ? qs("!") : QString());
        }
    }
    if (!ogg && sounds.size() > 1) {
        EXPECT_EQ(defaults, QList<int>{1} + QList<int>(sounds.size() - 1, 0))
            << output.toStdString();
    }
    return sounds.join(u',') + u'|' + subtitles.join(u',');
}

// The band where the films' subtitles are drawn, at 1 s, in grey.
QByteArray subtitleBand(const QString &output)
{
    QProcess ffmpeg;
    ffmpeg.start(qs("ffmpeg"),
                 {qs("-v"), qs("error"), qs("-ss"), qs("1"), qs("-i"), output, qs("-frames:v"),
                  qs("1"), qs("-vf"), qs("crop=120:30:20:90,format=gray"), qs("-f"), qs("rawvideo"),
                  qs("-")});
    ffmpeg.waitForFinished(30000);
    return ffmpeg.readAllStandardOutput();
}

// The share of the pixels of two bands that differ far more than an
// encoder's noise: where a line was drawn.
double drawnShare(const QByteArray &a, const QByteArray &b)
{
    if (a.isEmpty() || a.size() != b.size())
        return 0;
    qsizetype drawn = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        drawn += std::abs(int(static_cast<unsigned char>(a[i])) -
                          int(static_cast<unsigned char>(b[i]))) > 48;
    return double(drawn) / double(a.size());
}

void convertEveryFilm(int entry, bool soundOnly, bool mp4)
{
    MediaClips clips;
    QStringList sources;
    for (const Film &film : films())
        sources << make(clips, film, int(sources.size()) + 1);
    for (int rule = 0; rule < 4; ++rule) {
        SCOPED_TRACE(kRules[rule].join(u' ').toStdString());
        // A sound file takes no subtitle rule, and keeps no role of its sound.
        const QStringList ruleArguments = soundOnly ? kRules[rule].mid(0, 2) : kRules[rule];
        const QHash<QString, QString> outputs = convertAll(
            clips, entry, ruleArguments, sources, clips.path(QStringLiteral("out %1").arg(rule)));
        for (qsizetype i = 0; i < sources.size(); ++i) {
            const Film &film = films()[std::size_t(i)];
            SCOPED_TRACE(film.name);
            const QString output = outputs.value(sources[i]);
            ASSERT_FALSE(output.isEmpty());
            QString expected = qs(film.kept[rule]);
            const bool burned = expected.endsWith(qs("|burned"));
            if (burned)
                expected.chop(6);
            QString kept = keptOf(output, mp4, soundOnly);
            if (soundOnly) {
                expected = expected.section(u',', 0, 0).section(u'|', 0, 0) + u'|';
                // Nor does FLAC keep a sound's language, only the file's tags.
                const QRegularExpression unkept(entry == 111 ? qs("[a-z]") : qs("[cv]"));
                expected.remove(unkept);
                kept.remove(unkept);
            }
            // MP4 shows its first subtitle: a forced one leads.
            if (mp4) {
                QStringList subtitles = expected.section(u'|', 1).split(u',', Qt::SkipEmptyParts);
                std::stable_partition(subtitles.begin(), subtitles.end(),
                                      [](const QString &s) { return s.endsWith(u'!'); });
                expected = expected.section(u'|', 0, 0) + u'|' + subtitles.join(u',');
            }
            EXPECT_EQ(kept, expected) << outputs.value(sources[i] + qs(" notes"));
            if (burned && !soundOnly) {
                const QString unburned = clips.path(qs("out 0/")) + QFileInfo(output).fileName();
                EXPECT_GT(drawnShare(subtitleBand(output), subtitleBand(unburned)), 0.02)
                    << "no line drawn in " << output.toStdString();
            }
        }
    }
}

} // namespace

TEST(TracksCli, H264InMp4)
{
    convertEveryFilm(103, false, true);
}

TEST(TracksCli, Vp9InWebM)
{
    convertEveryFilm(105, false, false);
}

TEST(TracksCli, H265InMp4)
{
    convertEveryFilm(104, false, true);
}

TEST(TracksCli, Av1InWebM)
{
    convertEveryFilm(106, false, false);
}

TEST(TracksCli, FlacKeepsOneSound)
{
    convertEveryFilm(111, true, false);
}

// The copies keep every track, whatever the rules, with one default sound
// and no forced subtitle shown as the film's.
TEST(TracksCli, CopiesKeepEveryTrackWithItsFlagsRight)
{
    MediaClips clips;
    QStringList sources;
    for (const Film &film : films())
        sources << make(clips, film, int(sources.size()) + 1);
    for (const int entry : {107, 108}) {
        SCOPED_TRACE(entry);
        const QHash<QString, QString> outputs = convertAll(
            clips, entry, {}, sources, clips.path(QStringLiteral("copies %1").arg(entry)));
        for (qsizetype i = 0; i < sources.size(); ++i) {
            const Film &film = films()[std::size_t(i)];
            SCOPED_TRACE(film.name);
            const QJsonArray streams =
                probe(outputs.value(sources[i])).value(qs("streams")).toArray();
            int sounds = 0, defaults = 0, subtitles = 0;
            for (const QJsonValue &value : streams) {
                const QJsonObject d = value.toObject().value(qs("disposition")).toObject();
                const QString type = value.toObject().value(qs("codec_type")).toString();
                sounds += type == qs("audio");
                defaults += type == qs("audio") && d.value(qs("default")).toInt();
                subtitles += type == qs("subtitle");
                if (entry == 107 && type == qs("subtitle")) {
                    EXPECT_FALSE(d.value(qs("forced")).toInt() && d.value(qs("default")).toInt());
                }
            }
            EXPECT_EQ(sounds, int(film.sounds.size()));
            EXPECT_EQ(defaults, 1);
            // MP4 holds no picture subtitle.
            EXPECT_EQ(subtitles, int(std::count_if(film.subtitles.cbegin(), film.subtitles.cend(),
                                                   [&](const Subtitle &s) {
                                                       return entry == 107 ||
                                                              qs(s.format) != qs("vobsub");
                                                   })));
        }
    }
}

TEST(TracksCli, OpusKeepsOneSound)
{
    convertEveryFilm(110, true, false);
}

// Each sound kept is measured and brought to the loudness on its own: a quiet
// and a loud one both land on the target.
TEST(TracksCli, EverySoundKeptReachesTheLoudness)
{
    MediaClips clips;
    const QString film = clips.encoded(qs("two levels.mkv"),
                                       {qs("-f"),
                                        qs("lavfi"),
                                        qs("-i"),
                                        qs("testsrc=s=160x120:r=25:d=3"),
                                        qs("-f"),
                                        qs("lavfi"),
                                        qs("-i"),
                                        qs("sine=f=440:d=3,volume=0.05"),
                                        qs("-f"),
                                        qs("lavfi"),
                                        qs("-i"),
                                        qs("sine=f=660:d=3,volume=0.6,aformat=channel_layouts=5.1"),
                                        qs("-map"),
                                        qs("0"),
                                        qs("-map"),
                                        qs("1"),
                                        qs("-map"),
                                        qs("2"),
                                        qs("-c:v"),
                                        qs("libx264"),
                                        qs("-c:a"),
                                        qs("aac"),
                                        qs("-metadata:s:a:0"),
                                        qs("language=eng"),
                                        qs("-metadata:s:a:1"),
                                        qs("language=fre")});
    // The one sound kept need not be the fullest: it is measured in its own channels.
    const struct
    {
        int entry;
        const char *rule;
        const char *kept;
    } cases[] = {
        {103, "all", "eng1,fre6|"}, {105, "all", "eng1,fre6|"}, {103, "languages", "eng1|"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(c.entry).arg(qs(c.rule)).toStdString());
        const QHash<QString, QString> outputs = convertAll(
            clips, c.entry,
            {qs("--sound-tracks"), qs(c.rule), qs("--languages"), qs("eng"), qs("--loudness"),
             qs("-16")},
            {film}, clips.path(QStringLiteral("out %1 %2").arg(c.entry).arg(qs(c.rule))));
        const QString output = outputs.value(film);
        ASSERT_FALSE(output.isEmpty());
        EXPECT_EQ(keptOf(output, c.entry == 103, false), qs(c.kept));
        const QStringList sounds = qs(c.kept).section(u'|', 0, 0).split(u',');
        for (qsizetype i = 0; i < sounds.size(); ++i) {
            const QString sound = QStringLiteral("0:a:%1").arg(i);
            QProcess meter;
            meter.start(qs("ffmpeg"), {qs("-hide_banner"), qs("-i"), output, qs("-map"), sound,
                                       qs("-af"), qs("ebur128"), qs("-f"), qs("null"), qs("-")});
            meter.waitForFinished(60000);
            const QString summary =
                QString::fromUtf8(meter.readAllStandardError()).section(qs("Summary:"), -1);
            const double lufs =
                summary.section(qs("I:"), 1).section(qs("LUFS"), 0, 0).trimmed().toDouble();
            EXPECT_NEAR(lufs, -16, 0.6) << sound.toStdString() << "\n"
                                        << outputs.value(film + qs(" notes")).toStdString();
        }
    }
}
