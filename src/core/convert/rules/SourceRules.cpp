#include "core/convert/rules/SourceRules.h"

#include "core/common/NumberText.h"
#include "core/common/TimeText.h"
#include "core/convert/command/CodecMapping.h"
#include "core/convert/command/CommandShapes.h"
#include "core/convert/rules/CopyContainers.h"
#include "core/convert/rules/ExactStart.h"
#include "core/convert/rules/HdrRules.h"
#include "core/convert/rules/TrackChoice.h"
#include "core/convert/rules/TrackRoles.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SourceAdaptation", text);
}

using Kind = StreamFacts::Kind;

// A copy that starts less early than this (a picture at 25 per second)
// starts where it was asked.
constexpr double kUnseenEarly = 0.04;

// Seconds with one decimal: "0.8".
QString tenthsText(double seconds)
{
    return numberText(std::round(seconds * 10) / 10);
}

QString containerName(const QString &extension)
{
    return extension == QLatin1String(".mkv") ? QStringLiteral("Matroska")
                                              : extension.mid(1).toUpper();
}

QString kindWord(Kind kind)
{
    switch (kind) {
    case Kind::Video:
        return tr("pictures");
    case Kind::Audio:
        return tr("sound");
    case Kind::Subtitle:
        return tr("subtitles");
    case Kind::Attachment:
        return tr("attachments");
    case Kind::Data:
        break;
    }
    return tr("data");
}

QString leftOut(int index, const QString &reason)
{
    return tr("Stream %1 was left out: %2.").arg(index).arg(reason);
}

QString map(const StreamFacts &stream)
{
    return QStringLiteral("0:%1").arg(stream.index);
}

// The first stream the tables' own maps take: the first film picture
// ("0:V:0"), the first sound ("0:a:0").
const StreamFacts *firstOf(const SourceFacts &facts, Kind kind)
{
    for (const StreamFacts &s : facts.streams) {
        if (s.kind == kind && !s.coverPicture)
            return &s;
    }
    return nullptr;
}

void merge(RunAdaptation &into, const RunAdaptation &rule)
{
    if (rule.streams)
        into.streams = rule.streams;
    into.filtersBefore += rule.filtersBefore;
    if (!rule.constantRate.isEmpty())
        into.constantRate = rule.constantRate;
    into.outputOptions += rule.outputOptions;
    if (!rule.soundLayout.isEmpty())
        into.soundLayout = rule.soundLayout;
    if (!rule.pixelFormat.isEmpty())
        into.pixelFormat = rule.pixelFormat;
    if (!rule.encoderParams.isEmpty())
        into.encoderParams = rule.encoderParams;
    if (!rule.overlaySubtitle.isEmpty())
        into.overlaySubtitle = rule.overlaySubtitle;
    if (rule.copyFrom) {
        into.copyFrom = rule.copyFrom;
        into.copySeconds = rule.copySeconds;
    }
    into.notes += rule.notes;
    if (into.refusal.isEmpty())
        into.refusal = rule.refusal;
}

} // namespace

bool adaptsToSource(const ConversionJob &job)
{
    const ProfileCommandRow *row = profileCommandRow(job.profileIndex);
    return row && isTodayShape(row->shape);
}

std::optional<ReadingNeeds> sourceNeeds(const ConversionJob &job)
{
    if (!adaptsToSource(job))
        return std::nullopt;
    ReadingNeeds needs;
    needs.fieldOrder = convertsPicture(job);
    // WebM ends a held last picture after one frame's time (heldLastPicture).
    needs.lastPicture = needs.fieldOrder && job.outputExtension == QLatin1String(".webm");
    // A size is spread over the length the file holds, not the one it claims.
    const Expected<std::optional<qint64>> limit = job.options.sizeLimit();
    needs.length = limit && limit->has_value();
    needs.hdrMetadata = needs.fieldOrder && keepsHdr(job);
    const ProfileCommandRow *row = profileCommandRow(job.profileIndex);
    if (row->shape == Shape::TodayCopy && job.startSeconds > 0)
        needs.keyFramesAround = job.startSeconds;
    if (row->shape == Shape::TodayCopy && job.endTrimmed)
        needs.keyFrameBeforeEnd = job.startSeconds + job.durationSeconds;
    return needs;
}

bool convertsPicture(const ConversionJob &job)
{
    const ProfileCommandRow *row = profileCommandRow(job.profileIndex);
    return row && row->shape == Shape::TodayVideo;
}

RunAdaptation streamChoice(const SourceFacts &facts, bool soundOnly)
{
    RunAdaptation a;
    bool unusableSound = false;
    for (const StreamFacts &s : facts.streams) {
        if (s.kind != Kind::Audio && (soundOnly || s.kind != Kind::Video || s.coverPicture))
            continue;
        if (const std::optional<QString> reason = facts.unusableReason(s)) {
            a.notes << leftOut(s.index, *reason);
            unusableSound = unusableSound || s.kind == Kind::Audio;
        }
    }
    const StreamFacts *picture = soundOnly ? nullptr : facts.picture();
    const StreamFacts *sound = facts.sound();
    // A sound entry leaves the choice to FFmpeg only when there is none to
    // make: FFmpeg prefers the sound marked default over the one with the
    // most channels, which the plans measure and shape.
    const auto sounds = std::count_if(facts.streams.cbegin(), facts.streams.cend(),
                                      [](const StreamFacts &s) { return s.kind == Kind::Audio; });
    const bool ownChoice =
        soundOnly ? !unusableSound && sounds == 1
                  : picture == firstOf(facts, Kind::Video) && sound == firstOf(facts, Kind::Audio);
    if (ownChoice || (!picture && !sound))
        return a;
    a.streams = QStringList();
    if (picture)
        *a.streams << map(*picture);
    if (sound)
        *a.streams << map(*sound);
    return a;
}

RunAdaptation deinterlacing(const SourceFacts &facts, const OptionValues &options)
{
    // A turned picture comes from a phone, which records whole pictures; the
    // encoder would turn it before any filter of the command.
    if (!facts.interlaced() || facts.rotation() != 0)
        return {};
    RunAdaptation a;
    const bool top = facts.topFieldFirst();
    // One picture per field when the sheet asks for about twice the frames.
    const std::optional<double> frames = frameRateValue(facts.picture()->frameRateOfFrames());
    const std::optional<double> asked = options.framesPerSecond();
    const bool perField = frames && asked && *asked > 1.5 * *frames;
    const QLatin1String mode = perField ? QLatin1String("send_field") : QLatin1String("send_frame");
    // Frames the stream marks interlaced are deinterlaced (a broadcast may
    // switch); when only idet could tell, the marks cannot be trusted.
    a.filtersBefore
        << (facts.fieldOrderUnknown()
                ? QStringLiteral("bwdif=mode=%1:parity=%2:deint=all")
                      .arg(mode, top ? QLatin1String("tff") : QLatin1String("bff"))
                : QStringLiteral("bwdif=mode=%1:parity=auto:deint=interlaced").arg(mode));
    if (perField)
        a.notes << (top ? tr("The picture was deinterlaced, one picture per field (its fields "
                             "come top field first).")
                        : tr("The picture was deinterlaced, one picture per field (its fields "
                             "come bottom field first)."));
    else
        a.notes << (top ? tr("The picture was deinterlaced (its fields come top field first).")
                        : tr("The picture was deinterlaced (its fields come bottom field first)."));
    return a;
}

RunAdaptation colourTags(const SourceFacts &facts)
{
    if (facts.range() != SourceFacts::Range::Standard || !facts.matrixUnusable())
        return {};
    const StreamFacts &p = *facts.picture();
    // Players take pictures above standard definition for BT.709.
    const bool high = p.height > 576;
    const QString tag = high ? QStringLiteral("bt709") : QStringLiteral("smpte170m");
    RunAdaptation a;
    a.outputOptions << QStringLiteral("-colorspace") << tag;
    if (p.colourPrimaries.isEmpty())
        a.outputOptions << QStringLiteral("-color_primaries") << tag;
    if (p.colourTransfer.isEmpty())
        a.outputOptions << QStringLiteral("-color_trc") << tag;
    if (facts.matrixSaysRgb())
        a.notes << tr("The source's colour matrix says RGB, which its YUV picture is not: the "
                      "output is tagged %1.")
                       .arg(high ? QLatin1String("BT.709") : QLatin1String("BT.601"));
    return a;
}

RunAdaptation heldLastPicture(const SourceFacts &facts, const QString &extension)
{
    const StreamFacts *picture = facts.picture();
    if (extension != QLatin1String(".webm") || !picture || !facts.lastPictureSeconds)
        return {};
    const std::optional<double> perSecond = picture->framesPerSecond();
    if (!perSecond || *facts.lastPictureSeconds <= 2 / *perSecond)
        return {};
    // The filters' input ends where the held picture ends: one copy of it
    // there keeps it shown until then.
    RunAdaptation a;
    a.filtersBefore << QStringLiteral("tpad=stop_mode=clone:stop=1");
    return a;
}

namespace {

// The flags of the subtitles kept, in the output's order, put right. A
// forced subtitle is shown by itself; marked default too, it would be shown
// as the film's subtitles. FFmpeg marks the first subtitle default when none
// is and no flag is set: one set, even to what it is, keeps it as it is.
QStringList subtitleFlags(const QList<const StreamFacts *> &subtitles)
{
    QStringList options;
    for (qsizetype i = 0; i < subtitles.size(); ++i) {
        const StreamFacts::Disposition &d = subtitles.at(i)->disposition;
        if ((d.forced && d.isDefault) || (i == 0 && !d.isDefault))
            options << QStringLiteral("-disposition:s:%1").arg(i) << QStringLiteral("-default");
    }
    return options;
}

// MP4, as FFmpeg writes it, marks its first subtitle to be shown when none
// is marked default.
QStringList firstSubtitleNote(const StreamFacts &first)
{
    if (first.disposition.forced || first.disposition.isDefault)
        return {};
    return {tr("MP4 marks its first subtitle as the one to show: some players show it from the "
               "start.")};
}

// Names for the tracks where the container cannot say what they are: MP4,
// as FFmpeg writes it, keeps no title but the handler's name, which players
// show in its place; neither MP4 nor WebM keeps a commentary's or a
// description's flag, so an untitled one is named by its role, to be told apart.
QStringList trackNames(const QList<const StreamFacts *> &sounds,
                       const QList<const StreamFacts *> &subtitles, const QString &extension)
{
    const bool mp4 = extension == QLatin1String(".mp4");
    if (!mp4 && extension != QLatin1String(".webm"))
        return {};
    QStringList options;
    const auto name = [&](const QList<const StreamFacts *> &tracks, QLatin1String kind) {
        for (qsizetype i = 0; i < tracks.size(); ++i) {
            const StreamFacts &t = *tracks.at(i);
            const QString title = t.title.isEmpty() ? trackRoleTitle(trackRole(t)) : t.title;
            if (!title.isEmpty() && (mp4 || t.title.isEmpty()))
                options << QStringLiteral("-metadata:s:%1:%2").arg(kind).arg(i)
                        << (mp4 ? QStringLiteral("handler_name=") : QStringLiteral("title=")) +
                               title;
        }
    };
    name(sounds, QLatin1String("a"));
    name(subtitles, QLatin1String("s"));
    return options;
}

// A flag set keeps FFmpeg from marking the first picture default as it
// otherwise does: it is marked here.
QStringList pictureFlag(const StreamFacts *firstPicture, const QStringList &options)
{
    const bool flagsSet = std::any_of(options.cbegin(), options.cend(), [](const QString &o) {
        return o.startsWith(QLatin1String("-disposition:"));
    });
    if (!flagsSet || !firstPicture || firstPicture->coverPicture ||
        firstPicture->disposition.isDefault)
        return {};
    return {QStringLiteral("-disposition:v:0"), QStringLiteral("+default")};
}

// A path as a value of a filter's option inside a filter graph: escaped
// once for the option's parser and once for the graph's.
QString filterPath(const QString &path)
{
    QString value;
    for (const QChar c : path) {
        if (c == u'\\' || c == u'\'' || c == u':')
            value += u'\\';
        value += c;
    }
    QString graph;
    for (const QChar c : std::as_const(value)) {
        if (c == u'\\' || c == u'\'' || c == u'[' || c == u']' || c == u',' || c == u';')
            graph += u'\\';
        graph += c;
    }
    return graph;
}

// The filter that draws text subtitle `s` of `path` into the picture. The
// graph's times start at 0, the subtitles' where the source's do.
QString textSubtitleFilter(const SourceFacts &facts, const StreamFacts &s, const QString &path)
{
    int ordinal = 0;
    for (const StreamFacts &other : facts.streams) {
        if (other.kind == Kind::Subtitle && other.index < s.index)
            ++ordinal;
    }
    const QString draw =
        QStringLiteral("subtitles=filename=%1:si=%2").arg(filterPath(path)).arg(ordinal);
    if (facts.startSeconds <= 0)
        return draw;
    const QString start = QString::number(facts.startSeconds, 'f', 6);
    return QStringLiteral("setpts=PTS+%1/TB,%2,setpts=PTS-%1/TB").arg(start, draw);
}

} // namespace

RunAdaptation keptTracks(const SourceFacts &facts, const ConversionJob &job, bool soundOnly)
{
    const TrackChoice choice = chooseTracks(facts, job, soundOnly);
    RunAdaptation a;
    a.notes = choice.notes;
    if (choice.asBuilt) {
        // The command's own sound, named as the others are.
        if (!choice.sounds.isEmpty())
            a.outputOptions += trackNames({choice.sounds.front().stream}, {}, job.outputExtension);
        return a;
    }
    QStringList maps;
    if (const StreamFacts *picture = soundOnly ? nullptr : facts.picture())
        maps << map(*picture);
    const bool anyCopied = std::any_of(choice.sounds.cbegin(), choice.sounds.cend(),
                                       [](const KeptSound &k) { return k.copied; });
    const OptionValues &o = job.options;
    const bool loudnessSet = o.loudness() && o.loudness()->has_value();
    for (qsizetype i = 0; i < choice.sounds.size(); ++i) {
        const StreamFacts &s = *choice.sounds.at(i).stream;
        maps << map(s);
        const QString at = QString::number(i);
        if (choice.sounds.at(i).copied) {
            a.outputOptions << QStringLiteral("-c:a:") + at << QStringLiteral("copy");
        } else {
            const int channels = encodedChannels(o.channels(), s.channels);
            const QString layout = wantsDefaultLayout(o.audioCodec()) && channels > 2
                                       ? defaultChannelLayout(channels)
                                       : QString();
            // The first sound's layout joins the sound's filters; every other
            // sound has its own, none for a copy (a loudness sets each
            // sound's own, with its layout).
            if (i == 0 && !anyCopied)
                a.soundLayout = layout;
            else if (!loudnessSet)
                a.outputOptions << QStringLiteral("-filter:a:") + at
                                << (layout.isEmpty()
                                        ? QStringLiteral("anull")
                                        : QStringLiteral("aformat=channel_layouts=") + layout);
        }
        // The first sound plays first; FFmpeg carries each sound's flags over.
        if (s.disposition.isDefault != (i == 0))
            a.outputOptions << QStringLiteral("-disposition:a:") + at
                            << (i == 0 ? QStringLiteral("+default") : QStringLiteral("-default"));
    }
    QList<KeptSubtitle> subtitles = choice.subtitles;
    if (job.outputExtension == QLatin1String(".mp4") && !subtitles.isEmpty()) {
        // A forced subtitle, which is to be shown, leads (firstSubtitleNote).
        std::stable_partition(subtitles.begin(), subtitles.end(),
                              [](const KeptSubtitle &k) { return k.stream->disposition.forced; });
        a.notes += firstSubtitleNote(*subtitles.front().stream);
    }
    QList<const StreamFacts *> subtitleStreams;
    for (qsizetype i = 0; i < subtitles.size(); ++i) {
        const KeptSubtitle &kept = subtitles.at(i);
        maps << map(*kept.stream);
        subtitleStreams << kept.stream;
        a.outputOptions << QStringLiteral("-c:s:") + QString::number(i) << kept.codec;
    }
    a.outputOptions += subtitleFlags(subtitleStreams);
    QList<const StreamFacts *> soundStreams;
    for (const KeptSound &kept : choice.sounds)
        soundStreams << kept.stream;
    a.outputOptions += trackNames(soundStreams, subtitleStreams, job.outputExtension);
    a.outputOptions += pictureFlag(soundOnly ? nullptr : facts.picture(), a.outputOptions);
    if (choice.burned) {
        if (isPictureSubtitle(choice.burned->codec))
            a.overlaySubtitle = map(*choice.burned);
        else
            a.filtersBefore << textSubtitleFilter(facts, *choice.burned, job.sourcePath);
    }
    // Nothing to take at all: the command's own maps fail with the encoder's reason.
    if (!maps.isEmpty())
        a.streams = maps;
    return a;
}

namespace {

// The flags of a copy's sounds and subtitles put right; `loneSoundFlagged`: a
// single sound is flagged default too.
RunAdaptation copyFlags(const QList<const StreamFacts *> &sounds,
                        const QList<const StreamFacts *> &subtitles, bool loneSoundFlagged)
{
    RunAdaptation a;
    // Exactly one default sound: the first main one marked default, else the
    // first main one, else the first. Only the flags that change are set.
    const auto isDefault = [](const StreamFacts *s) {
        return s->disposition.isDefault;
    };
    if (sounds.size() > (loneSoundFlagged ? 0 : 1) &&
        std::count_if(sounds.cbegin(), sounds.cend(), isDefault) != 1) {
        const auto isMain = [](const StreamFacts *s) {
            return isMainTrack(*s);
        };
        auto pick = std::find_if(sounds.cbegin(), sounds.cend(),
                                 [&](const StreamFacts *s) { return isDefault(s) && isMain(s); });
        if (pick == sounds.cend())
            pick = std::find_if(sounds.cbegin(), sounds.cend(), isMain);
        const qsizetype chosen = pick == sounds.cend() ? 0 : pick - sounds.cbegin();
        for (qsizetype i = 0; i < sounds.size(); ++i) {
            if (isDefault(sounds.at(i)) != (i == chosen))
                a.outputOptions << QStringLiteral("-disposition:a:%1").arg(i)
                                << (i == chosen ? QStringLiteral("+default")
                                                : QStringLiteral("-default"));
        }
    }
    a.outputOptions += subtitleFlags(subtitles);
    return a;
}

} // namespace

RunAdaptation copyStreams(const SourceFacts &facts, const QString &extension)
{
    const QList<Kind> kinds =
        extension == QLatin1String(".mkv")
            ? QList<Kind>{Kind::Video, Kind::Audio, Kind::Subtitle, Kind::Attachment}
            : QList<Kind>{Kind::Video, Kind::Audio, Kind::Subtitle};
    const StreamFacts *picture = facts.picture();
    const StreamFacts *sound = facts.sound();
    RunAdaptation a;
    QStringList kept;
    bool leftOutAny = false;
    int soundsKept = 0;
    QList<const StreamFacts *> sounds;    // kept, in the output's order
    QList<const StreamFacts *> subtitles; // kept, in the output's order
    const StreamFacts *firstPicture = nullptr;
    // In the order the tables' maps take them: pictures, sounds, subtitles, attachments.
    for (const Kind kind : kinds) {
        for (const StreamFacts &s : facts.streams) {
            if (s.kind != kind)
                continue;
            std::optional<QString> reason = facts.unusableReason(s);
            const bool held = containerHolds(extension, s);
            if (!reason && !held && kind == Kind::Audio) {
                // A sound the container cannot hold is converted, the rest copied.
                const QString at = QString::number(soundsKept);
                a.outputOptions << QStringLiteral("-c:a:") + at << QStringLiteral("aac")
                                << QStringLiteral("-b:a:") + at
                                << (s.channels > 2 ? QStringLiteral("384k")
                                                   : QStringLiteral("160k"));
                a.notes << tr("Stream %1 was converted to AAC: %2 cannot hold %3 sound as it is.")
                               .arg(s.index)
                               .arg(containerName(extension),
                                    s.codec.isEmpty() ? tr("unknown") : s.codec);
            } else if (!reason && !held && &s == picture) {
                a.refusal =
                    tr("%1 cannot hold this picture (%2) as it is: \"MKV, same streams\" "
                       "keeps it, and the converting profiles convert it.")
                        .arg(containerName(extension), s.codec.isEmpty() ? tr("unknown") : s.codec);
            } else if (!reason && !held && &s != sound) {
                reason = tr("%1 cannot hold %2 %3")
                             .arg(containerName(extension),
                                  s.codec.isEmpty() ? tr("unknown") : s.codec, kindWord(kind));
            }
            if (reason) {
                a.notes << leftOut(s.index, *reason);
                leftOutAny = true;
                continue;
            }
            kept << map(s);
            if (kind == Kind::Video && !firstPicture)
                firstPicture = &s;
            soundsKept += kind == Kind::Audio ? 1 : 0;
            if (kind == Kind::Audio)
                sounds << &s;
            else if (kind == Kind::Subtitle)
                subtitles << &s;
        }
    }
    if (leftOutAny && !kept.isEmpty())
        a.streams = kept;
    // MP4 enables a lone sound by itself; Matroska keeps its flag as it is.
    merge(a, copyFlags(sounds, subtitles, extension == QLatin1String(".mkv")));
    a.outputOptions += trackNames(sounds, subtitles, extension);
    if (extension == QLatin1String(".mp4") && !subtitles.isEmpty())
        a.notes += firstSubtitleNote(*subtitles.front());
    a.outputOptions += pictureFlag(firstPicture, a.outputOptions);
    return a;
}

RunAdaptation rotationNote(const SourceFacts &facts, const QString &extension)
{
    if (extension != QLatin1String(".mkv") || facts.rotation() == 0)
        return {};
    RunAdaptation a;
    a.notes << tr("Matroska, as this FFmpeg writes it, cannot keep the picture's rotation: the "
                  "copy plays %1. \"MP4, same streams\" keeps it, and the converting profiles "
                  "turn the picture upright.")
                   .arg(facts.rotation() == 180 ? tr("upside down") : tr("on its side"));
    return a;
}

RunAdaptation surroundLayout(const SourceFacts &facts, const OptionValues &options)
{
    RunAdaptation a;
    const StreamFacts *sound = facts.sound();
    if (!sound || !options.soundWanted() || !wantsDefaultLayout(options.audioCodec()))
        return a;
    const int channels = encodedChannels(options.channels(), sound->channels);
    if (channels > 2)
        a.soundLayout = defaultChannelLayout(channels);
    return a;
}

RunAdaptation gapNote(const SourceFacts &facts)
{
    if (!facts.timestampGap)
        return {};
    RunAdaptation a;
    const SourceFacts::Gap &gap = *facts.timestampGap;
    const QString at = timeText(qint64(gap.at - facts.startSeconds));
    const QString length = QString::number(gap.seconds, 'f', gap.seconds < 100 ? 1 : 0);
    if (facts.closesGaps())
        a.notes << tr("The source's timestamps jump ahead by %2 s at %1 (a recording joined "
                      "from pieces); the output runs on without the gap.")
                       .arg(at, length);
    else
        a.notes << tr("The source holds nothing from %1 for %2 s (its timestamps jump ahead "
                      "there); the output keeps that gap, its picture standing still without "
                      "sound.")
                       .arg(at, length);
    return a;
}

RunAdaptation copyStart(const SourceFacts &facts, const ConversionJob &job)
{
    RunAdaptation a;
    // A sound alone can start anywhere; a clip from 0 starts on a key frame.
    if (job.startSeconds <= 0 || !facts.picture() ||
        facts.keyFrameReadFor != double(job.startSeconds))
        return a;
    // Pictures before the next key frame encoded again start it exactly.
    QString why;
    if (exactStart(facts, job, &why))
        return a;
    const double start = job.startSeconds;
    a.copyFrom = facts.keyFrameBefore.value_or(0);
    a.copySeconds = start + job.durationSeconds - *a.copyFrom;
    const double early = start - *a.copyFrom;
    if (!facts.keyFrameBefore)
        a.notes << tr("No key frame was found before the clip: the copy starts at the file's "
                      "start, %1 s early.")
                       .arg(tenthsText(early));
    else if (early >= kUnseenEarly && why.isEmpty())
        a.notes << tr("The copy started %1 s early, at the key frame before the clip: a copy "
                      "can begin on a key frame only.")
                       .arg(tenthsText(early));
    else if (early >= kUnseenEarly)
        a.notes << tr("The copy started %1 s early, at the key frame before the clip: %2.")
                       .arg(tenthsText(early), why);
    return a;
}

RunAdaptation adaptToSource(const SourceFacts &facts, const ConversionJob &job)
{
    const ProfileCommandRow *row = profileCommandRow(job.profileIndex);
    RunAdaptation a;
    if (!row)
        return a;
    switch (row->shape) {
    case Shape::TodayVideo: {
        merge(a, streamChoice(facts, false));
        const RunAdaptation tracks = keptTracks(facts, job, false);
        merge(a, tracks);
        merge(a, deinterlacing(facts, job.options));
        merge(a, hdrPicture(facts, job));
        merge(a, colourTags(facts));
        if (!tracks.streams)
            merge(a, surroundLayout(facts, job.options));
        merge(a, heldLastPicture(facts, job.outputExtension));
        // FFmpeg writes MP4 at a constant rate: a filtered picture (filtered
        // here, or made smaller by the run's frame size or a fit) keeps its
        // held last picture at the rate FFmpeg takes for the source, or for
        // a deinterlaced one at the rate of its frames (not of its fields,
        // which would show each picture twice). Unfiltered, it is not used.
        const StreamFacts *picture = facts.picture();
        const bool deinterlaced = facts.interlaced() && facts.rotation() == 0;
        if (job.outputExtension == QLatin1String(".mp4") && picture)
            a.constantRate = deinterlaced ? picture->frameRateOfFrames() : picture->frameRate;
        break;
    }
    case Shape::TodayCopy:
        merge(a, copyStart(facts, job));
        merge(a, copyStreams(facts, job.outputExtension));
        merge(a, rotationNote(facts, job.outputExtension));
        break;
    case Shape::TodaySound: {
        merge(a, streamChoice(facts, true));
        const RunAdaptation tracks = keptTracks(facts, job, true);
        merge(a, tracks);
        if (!tracks.streams)
            merge(a, surroundLayout(facts, job.options));
        break;
    }
    default:
        break;
    }
    merge(a, gapNote(facts));
    return a;
}

} // namespace vantrel
