#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vantrel {

// One stream of a source as ffprobe describes it.
struct StreamFacts
{
    enum class Kind
    {
        Video,
        Audio,
        Subtitle,
        Attachment,
        Data
    };

    int index = 0;
    Kind kind = Kind::Data;
    QString codec; // "h264", "pcm_s16le", "hdmv_pgs_subtitle"; empty when unknown
    int width = 0;
    int height = 0;
    int channels = 0;
    int sampleRate = 0;
    QString sampleFormat; // "s16", "fltp"; empty: not told
    // Packets read in the file's first moments; none when they were not counted.
    std::optional<qint64> packets;
    bool coverPicture = false; // a still picture attached to a song or a film
    QString fieldOrder;        // "progressive", "tt", "bb", "tb", "bt"; empty: not told
    QString colourMatrix;      // "bt709", "gbr"; empty: not told
    QString colourTransfer;    // "bt709", "smpte2084", "arib-std-b67"
    QString colourPrimaries;   // "bt709", "bt2020"
    QString pixelFormat;       // "yuv420p10le"
    QString frameRate;         // the rate FFmpeg takes for the stream: "30000/1001"
    int rotation = 0;          // degrees the picture is turned clockwise when shown

    // The frame rate as a number; none when not told.
    std::optional<double> framesPerSecond() const;

    // Why the stream cannot be converted or copied, in words ("a sound with
    // no channels"); none when it can. `packetsElsewhere`: another stream of its kind has packets,
    // so that having none means it is empty rather than late.
    std::optional<QString> unusableReason(bool packetsElsewhere) const;
};

// What idet counted in a picture's first seconds.
struct FieldCount
{
    int topFirst = 0;
    int bottomFirst = 0;
    int progressive = 0;
    int undetermined = 0;
};

// What a source holds, as far as a conversion must know before it starts:
// its streams, and how its picture is made. The questions below are asked of
// the picture a conversion takes.
struct SourceFacts
{
    enum class Range
    {
        Standard,
        Pq, // HDR10: SMPTE 2084
        Hlg // hybrid log-gamma
    };

    QString container;             // ffprobe's format name: "mov,mp4,m4a,3gp,3g2,mj2"
    std::optional<double> seconds; // the container's length
    double startSeconds = 0;       // the time of its first packet (a transport stream's is not 0)
    std::vector<StreamFacts> streams;
    // Counted by idet when the picture's stream does not tell its field order.
    std::optional<FieldCount> measuredFields;
    // How long the picture's last frame is shown (a phone holds it when
    // nothing moves); read from the file's end.
    std::optional<double> lastPictureSeconds;

    // The picture a conversion takes: of the usable film pictures (no cover),
    // the one with the most pixels, the first of equals; none without.
    const StreamFacts *picture() const;
    // The sound a conversion takes: of the usable sounds, the one with the
    // most channels, the first of equals; none without.
    const StreamFacts *sound() const;
    // Why `stream` cannot be used; none when it can.
    std::optional<QString> unusableReason(const StreamFacts &stream) const;

    // The picture's stream cannot tell whether it is interlaced: idet must count.
    bool fieldOrderUnknown() const;
    // The picture is made of two fields: its stream says so, or idet found
    // most of the pictures it could judge interlaced.
    bool interlaced() const;
    // Which field comes first; what the stream says, else what idet counted.
    bool topFieldFirst() const;
    Range range() const;
    // A YUV picture whose colour matrix is told as RGB: no player can use the tag.
    bool matrixSaysRgb() const;
    // A YUV picture whose matrix is RGB or not told.
    bool matrixUnusable() const;
    // Degrees the picture is turned clockwise when shown: 0, 90, 180 or 270.
    int rotation() const;
};

// The ffprobe arguments that describe `path` (after the program). They read
// no more than the head of the file; `countPackets` counts each stream's
// packets among the first few hundred.
QStringList sourceFactsArguments(const QString &path, bool countPackets);
// Reads ffprobe's JSON answer; none when it is no such answer.
std::optional<SourceFacts> parseSourceFacts(const QByteArray &json);

// The ffprobe arguments that list the packets of stream `streamIndex` in the
// last seconds of `path`, whose facts are `facts`; none when its length is
// not known.
std::optional<QStringList> lastPacketsArguments(const QString &path, const SourceFacts &facts,
                                                int streamIndex);
// How long the last picture of a packet list ("pts,duration" lines) is
// shown: the duration of the packet shown last; none without one.
std::optional<double> parseLastPictureSeconds(const QString &packets);

// The encoder arguments that run idet over the first seconds of picture
// stream `streamIndex` of `path`; its count comes at the end of its messages.
QStringList fieldCountArguments(const QString &path, int streamIndex);
// Reads the count from idet's summary ("Multi frame detection: TFF: 50 BFF: 0
// Progressive: 0 Undetermined: 0"); none when there is no such line.
std::optional<FieldCount> parseFieldCount(const QString &messages);

// A path as FFmpeg's tools read it: always a local file, never a protocol
// ("concat:", "http:") that a name could spell.
QString localFileArgument(const QString &path);

} // namespace vantrel
