#include "core/convert/rules/CopyContainers.h"

#include <QStringList>

namespace vantrel {

namespace {

using Kind = StreamFacts::Kind;

// What the copy entries' containers hold, by kind of stream: the codecs
// named, or "*" every codec but those it refuses. A kind without a row is
// not held. MP4 turns the text subtitles it holds into its own kind.
struct CopyContainerRow
{
    const char *extension;
    Kind kind;
    const char *holds;
    const char *refuses;
};
constexpr CopyContainerRow kCopyContainers[] = {
    {".mp4", Kind::Video, "h264 hevc mpeg4 mpeg2video mpeg1video mjpeg av1 vp9", ""},
    // Vorbis in MP4 plays almost nowhere, and this FFmpeg cannot always write it.
    {".mp4", Kind::Audio, "aac mp3 mp2 ac3 eac3 opus alac dts", ""},
    {".mp4", Kind::Subtitle, "subrip ass ssa webvtt mov_text text", ""},
    {".mkv", Kind::Video, "*", ""},
    {".mkv", Kind::Audio, "*", ""},
    {".mkv", Kind::Subtitle, "*", "mov_text eia_608 dvb_teletext arib_caption"},
    {".mkv", Kind::Attachment, "*", ""},
};

} // namespace

bool containerHolds(const QString &extension, const StreamFacts &stream)
{
    if (stream.codec.isEmpty())
        return false;
    for (const CopyContainerRow &row : kCopyContainers) {
        if (extension != QLatin1String(row.extension) || row.kind != stream.kind)
            continue;
        const QStringList refused = QString::fromLatin1(row.refuses).split(u' ');
        const QStringList held = QString::fromLatin1(row.holds).split(u' ');
        return held.contains(stream.codec) ||
               (held.contains(QStringLiteral("*")) && !refused.contains(stream.codec));
    }
    return false;
}

} // namespace vantrel
