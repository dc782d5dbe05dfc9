#include "core/convert/rules/ExactStart.h"

#include "core/convert/command/CommandShapes.h"
#include "core/tools/SourceReading.h"

#include <QCoreApplication>

#include <algorithm>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ExactStart", text);
}

// A start closer than this to the key frame before it (a picture at 25 per
// second) is on it.
constexpr double kOnAKeyFrame = 0.04;

// Each codec the copies can cut exactly: its encoder here, how good and how
// fast the pictures encoded again are (a fast preset at a high quality: they
// are few, and the user waits for them), the pixel formats the encoder takes, and the
// profiles by ffprobe's names with the encoder's.
struct CodecMatch
{
    const char *codec;
    const char *encoder;
    const char *quality;
    QStringList pixelFormats;
    QList<QPair<QString, QString>> profiles; // empty: the encoder picks by the pixel format
    bool fields;                             // it encodes interlaced pictures
};

const QList<CodecMatch> &codecMatches()
{
    static const QList<CodecMatch> table = {
        {"h264",
         "libx264",
         "-preset veryfast -crf 12",
         {QStringLiteral("yuv420p"), QStringLiteral("yuvj420p"), QStringLiteral("yuv422p"),
          QStringLiteral("yuvj422p"), QStringLiteral("yuv444p"), QStringLiteral("yuvj444p"),
          QStringLiteral("yuv420p10le"), QStringLiteral("yuv422p10le"),
          QStringLiteral("yuv444p10le"), QStringLiteral("gray")},
         {{QStringLiteral("Constrained Baseline"), QStringLiteral("baseline")},
          {QStringLiteral("Baseline"), QStringLiteral("baseline")},
          {QStringLiteral("Main"), QStringLiteral("main")},
          {QStringLiteral("High"), QStringLiteral("high")},
          {QStringLiteral("High 10"), QStringLiteral("high10")},
          {QStringLiteral("High 4:2:2"), QStringLiteral("high422")},
          {QStringLiteral("High 4:4:4 Predictive"), QStringLiteral("high444")}},
         true},
        {"hevc",
         "libx265",
         "-preset fast -crf 12",
         {QStringLiteral("yuv420p"), QStringLiteral("yuv422p"), QStringLiteral("yuv444p"),
          QStringLiteral("yuv420p10le"), QStringLiteral("yuv422p10le"),
          QStringLiteral("yuv444p10le"), QStringLiteral("gray")},
         {},
         false},
        {"mpeg2video",
         "mpeg2video",
         "-q:v 2",
         {QStringLiteral("yuv420p"), QStringLiteral("yuv422p")},
         {},
         true},
    };
    return table;
}

} // namespace

std::optional<QStringList> matchingEncoder(const StreamFacts &picture, QString *why)
{
    const auto refuse = [why](const QString &reason) -> std::optional<QStringList> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    const auto match =
        std::find_if(codecMatches().begin(), codecMatches().end(),
                     [&](const CodecMatch &m) { return picture.codec == QLatin1String(m.codec); });
    if (match == codecMatches().end())
        return refuse(tr("its %1 pictures cannot be encoded again here to match")
                          .arg(picture.codec.isEmpty() ? tr("unknown") : picture.codec));
    if (!match->pixelFormats.contains(picture.pixelFormat))
        return refuse(tr("its %1 pictures in %2 cannot be encoded again here to match")
                          .arg(picture.codec, picture.pixelFormat));
    const bool interlaced = !picture.fieldOrder.isEmpty() &&
                            picture.fieldOrder != QLatin1String("progressive") &&
                            picture.fieldOrder != QLatin1String("unknown");
    if (interlaced && !match->fields)
        return refuse(tr("its interlaced %1 pictures cannot be encoded again here to match")
                          .arg(picture.codec));
    QStringList arguments = {QStringLiteral("-c:v"), QLatin1String(match->encoder)};
    arguments += QString::fromLatin1(match->quality).split(u' ');
    if (!match->profiles.isEmpty()) {
        const auto profile =
            std::find_if(match->profiles.begin(), match->profiles.end(),
                         [&](const auto &p) { return p.first == picture.profile; });
        if (profile == match->profiles.end())
            return refuse(tr("its %1 profile \"%2\" cannot be encoded again here")
                              .arg(picture.codec, picture.profile));
        arguments << QStringLiteral("-profile:v") << profile->second;
    }
    // The level, so that a player that took the source takes the pictures
    // encoded again: H.264 tells 41 for 4.1, H.265 30 times the level.
    if (picture.level >= 10 && picture.codec == QLatin1String("h264"))
        arguments << QStringLiteral("-level:v") << QString::number(picture.level / 10.0, 'f', 1);
    // H.265 pictures carry their parameter sets in each key frame, as the
    // copied ones do, so that both halves decode after the joint.
    if (picture.codec == QLatin1String("hevc")) {
        QString params = QStringLiteral("repeat-headers=1:log-level=error");
        if (picture.level > 0)
            params += QStringLiteral(":level-idc=%1").arg(picture.level / 30.0, 0, 'f', 1);
        arguments << QStringLiteral("-x265-params") << params;
    }
    arguments << QStringLiteral("-pix_fmt") << picture.pixelFormat;
    if (interlaced) {
        const bool topFirst = picture.fieldOrder.startsWith(u't');
        arguments << QStringLiteral("-flags") << QStringLiteral("+ildct+ilme")
                  << QStringLiteral("-top")
                  << (topFirst ? QStringLiteral("1") : QStringLiteral("0"));
    }
    return arguments;
}

std::optional<ExactStart> exactStart(const SourceFacts &facts, const ConversionJob &job,
                                     QString *why)
{
    const ProfileCommandRow *row = profileCommandRow(job.profileIndex);
    const StreamFacts *picture = facts.picture();
    if (!row || row->shape != Shape::TodayCopy || !picture)
        return std::nullopt;
    ExactStart exact;
    exact.picture = picture->index;
    exact.start = job.startSeconds;
    exact.end = job.startSeconds + job.durationSeconds;
    // A clip from 0 starts on the file's first key frame.
    const bool startRead =
        job.startSeconds == 0 || (facts.keyFrameReadFor == exact.start && facts.keyFrameBefore);
    if (!startRead)
        return std::nullopt;
    exact.keyFrameBefore = job.startSeconds == 0 ? 0 : *facts.keyFrameBefore;
    // A start less than a picture before a key frame (a stream whose times
    // are offset by a few milliseconds) starts on it.
    if (job.startSeconds > 0 && facts.keyFrameAfter &&
        *facts.keyFrameAfter - exact.start < kOnAKeyFrame && facts.keyFrameAfterClosed == true)
        exact.keyFrameBefore = *facts.keyFrameAfter;
    const bool head = exact.start - exact.keyFrameBefore >= kOnAKeyFrame;
    const bool endRead = facts.keyFrameEndReadFor == exact.end && facts.keyFrameBeforeEnd;
    const double tail =
        endRead ? facts.keyFrameBeforeEndShownFrom.value_or(*facts.keyFrameBeforeEnd) : exact.end;
    // A copy from key frame to key frame needs nothing encoded again, but a
    // trimmed end is still counted in pictures: a copy's own length goes by
    // decoding times, which B-frames put early.
    if (!head && exact.end - tail < kOnAKeyFrame && !endRead)
        return std::nullopt;
    exact.endCounted = endRead;
    const std::optional<QStringList> encoder = matchingEncoder(*picture, why);
    if (!encoder)
        return std::nullopt;
    exact.encoder = *encoder;

    exact.joint = exact.jointKeyFrame = exact.keyFrameBefore;
    if (head && facts.keyFrameAfter && *facts.keyFrameAfter < exact.end) {
        exact.jointKeyFrame = *facts.keyFrameAfter;
        exact.joint =
            std::max(exact.start, facts.keyFrameAfterShownFrom.value_or(*facts.keyFrameAfter));
        // Pictures after an open GOP's key frame lean on the pictures before
        // it, which are encoded again: they would not decode as they were.
        if (facts.keyFrameAfterClosed != true) {
            if (why)
                *why = facts.keyFrameAfterClosed
                           ? tr("its key frame after the start opens a group of pictures that "
                                "leans on the one before")
                           : tr("its key frame after the start could not be read");
            return std::nullopt;
        }
    } else if (head && (facts.keyFrameAfter ||
                        exact.end - exact.start <= SourceReading::kKeyFrameAfterSeconds)) {
        exact.joint = exact.end; // no key frame within the clip: all of it again
        return exact;
    } else if (head) {
        if (why)
            *why = tr("no key frame follows its start within %1 s")
                       .arg(SourceReading::kKeyFrameAfterSeconds);
        return std::nullopt;
    }
    if (exact.end - tail >= kOnAKeyFrame) {
        exact.tail = std::max(tail, exact.joint);
        exact.tailKeyFrame = *facts.keyFrameBeforeEnd;
    }
    return exact;
}

} // namespace vantrel
