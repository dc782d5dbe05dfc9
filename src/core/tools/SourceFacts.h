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
    QString sampleFormat;                // "s16", "fltp"; empty: not told
    std::optional<qint64> bitsPerSecond; // the stream's rate; none when not told
    // Packets read in the file's first moments; none when they were not counted.
    std::optional<qint64> packets;
    bool coverPicture = false; // a still picture attached to a song or a film
    QString fieldOrder;        // "progressive", "tt", "bb", "tb", "bt"; empty: not told
    QString colourMatrix;      // "bt709", "gbr"; empty: not told
    QString colourTransfer;    // "bt709", "smpte2084", "arib-std-b67"
    QString colourPrimaries;   // "bt709", "bt2020"
    QString pixelFormat;       // "yuv420p10le"
    QString profile;           // the codec's profile: "High", "Main 10"; empty: not told
    int level = 0;             // the codec's level as ffprobe tells it (41, 120); 0: not told
    QString frameRate;         // the rate FFmpeg takes for the stream: "30000/1001"
    // The pictures a second the stream holds on average: "25/1" for a
    // camera's 1080i50 whose packets come at the field rate ("50/1" above).
    QString averageRate;
    int rotation = 0;              // degrees the picture is turned clockwise when shown
    QString colourRange;           // "tv", "pc"; empty: not told
    std::optional<double> seconds; // the stream's own length as the header tells it
    // The frames the header counts (an AVI's, an MP4's); none when not told.
    std::optional<qint64> frames;
    // What a user chooses a track by: its language as tagged ("eng"; empty
    // when not told, "und" included), its title, and what it is for.
    QString language;
    QString title;
    struct Disposition
    {
        bool isDefault = false;
        bool forced = false;
        bool comment = false;
        bool hearingImpaired = false;
        bool visualImpaired = false;
        bool original = false;
        bool dub = false;
        bool karaoke = false;
    };
    Disposition disposition;
    // HDR10's static metadata as the container carries it: the mastering
    // display's primaries and white point (CIE x, y) and its luminance (cd/m²),
    // the content's light levels (cd/m²); and a Dolby Vision configuration's profile.
    struct MasteringDisplay
    {
        double redX = 0, redY = 0, greenX = 0, greenY = 0, blueX = 0, blueY = 0;
        double whiteX = 0, whiteY = 0;
        double minLuminance = 0, maxLuminance = 0;
    };
    std::optional<MasteringDisplay> masteringDisplay;
    struct ContentLight
    {
        int maxContent = 0; // MaxCLL
        int maxAverage = 0; // MaxFALL
    };
    std::optional<ContentLight> contentLight;
    std::optional<int> dolbyVisionProfile;

    // The frame rate as a number; none when not told.
    std::optional<double> framesPerSecond() const;
    // The rate of whole frames, each of two fields: the average where the
    // stream's rate is that of its fields; its rate otherwise.
    QString frameRateOfFrames() const;

    // Whether its codec can hold a picture made of two fields: every codec
    // but those that know only whole pictures (VP9, AV1, MJPEG, ...).
    bool mayCarryFields() const;

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
// its streams, and how its picture is made, read once per file and kept
// with its row. The questions below are asked of the picture a conversion
// takes.
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
    // The demuxer guessed the length from the bitrate (a file written to a
    // pipe tells none): such a guess is no length, so none is kept.
    bool lengthGuessed = false;
    double startSeconds = 0; // the time of its first packet (a transport stream's is not 0)
    std::vector<StreamFacts> streams;
    // Counted by idet when the picture's stream does not tell its field
    // order; `fieldsCounted`: idet was run (a count may still be none).
    std::optional<FieldCount> measuredFields;
    bool fieldsCounted = false;
    // The picture's first frames were read for its HDR metadata.
    bool hdrFramesRead = false;
    // The packets of the file's end were read: where the last of them ends
    // (the length the file holds, whatever its header claims), and how long
    // the picture's last frame is shown (a phone holds it when nothing moves).
    bool lastPacketsRead = false;
    std::optional<double> packetsEndSeconds;
    std::optional<double> lastPictureSeconds;
    // The picture's key frames about a clip's start (seconds from the file's
    // start), read for the start `keyFrameReadFor`: the one at or before it,
    // where a copy of the clip can begin, and the first after it, where a
    // copy can take over from pictures encoded again; none when not found.
    std::optional<double> keyFrameReadFor;
    std::optional<double> keyFrameBefore;
    std::optional<double> keyFrameAfter;
    std::optional<double> keyFrameAfterShownFrom; // see KeyFrames
    // The picture's last key frame at or before a clip's end, read for the
    // end `keyFrameEndReadFor`, and when the first picture it begins is shown.
    std::optional<double> keyFrameEndReadFor;
    std::optional<double> keyFrameBeforeEnd;
    std::optional<double> keyFrameBeforeEndShownFrom;
    // Whether the key frame after starts a closed group of pictures, which
    // decodes after any other picture (an IDR, a closed MPEG-2 GOP); none
    // when it was not read or could not be told.
    std::optional<bool> keyFrameAfterClosed;
    // The longest span of the file's first packets that no picture or sound
    // covers, when long: where timestamps jump ahead (a damaged file, or a
    // recording that held its picture long without sound).
    struct Gap
    {
        double at = 0; // where the gap begins, in the file's timestamps
        double seconds = 0;
    };
    std::optional<Gap> timestampGap;

    // The picture a conversion takes: of the usable film pictures (no cover),
    // the one with the most pixels, the first of equals; none without.
    const StreamFacts *picture() const;
    // The sound a conversion takes: of the usable sounds, the one with the
    // most channels, the first of equals; none without.
    const StreamFacts *sound() const;
    // Why `stream` cannot be used; none when it can.
    std::optional<QString> unusableReason(const StreamFacts &stream) const;

    // The picture's stream cannot tell whether it is interlaced.
    bool fieldOrderUnknown() const;
    // Its fields are left to count (idet): the stream does not tell its
    // field order, its codec can carry fields, and none were counted yet.
    bool fieldsToCount() const;
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
    // The length the file holds: where its packets end, once its end was
    // read (a truncated file holds less than its header says, a browser's
    // recording tells no length at all); the header's length before.
    std::optional<double> heldSeconds() const;
    // The length the header claims: the longer of the container's and the
    // picture's frames at its rate (an AVI cut short still counts them all).
    std::optional<double> claimedSeconds() const;
    // A PQ picture whose stream tells no static metadata, its first frames
    // not yet read for it.
    bool hdrMetadataToRead() const;
    // Whether the encoder runs on over a jump of the timestamps (MPEG
    // transport and program streams: a broadcast joined from pieces), so
    // that a gap takes no time in the output. The length held then leaves
    // the gap out.
    bool closesGaps() const;
};

// A rate as ffprobe gives it ("30000/1001", "25") as a number; none for
// "0/0" or any other text.
std::optional<double> frameRateValue(const QString &fraction);

// The ffprobe arguments that read what a conversion needs to know of `path`
// (after the program): the file's and each stream's header, and the packets
// of the file's first moments, where each stream must show itself, and,
// when its length `expectedSeconds` is known ahead, of its last seconds.
QStringList sourceFactsArguments(const QString &path, std::optional<double> expectedSeconds);
// The same for the headers alone, without a packet.
QStringList sourceHeaderArguments(const QString &path);
// Reads ffprobe's JSON answer; none when it is no such answer. The packets
// it lists count for each stream; those that reach the file's end tell its
// held last picture and where it ends.
std::optional<SourceFacts> parseSourceFacts(const QByteArray &json);
// Forgets the lengths in `facts` when ffprobe's `messages` say it guessed
// them from the bitrate.
void forgetGuessedLength(SourceFacts &facts, const QString &messages);

// The ffprobe arguments that list the packets of stream `streamIndex` in the
// last seconds of `path`, whose facts are `facts`; of the whole file when
// its length is not known (a seek past a truncated file's end lands on its
// last packets).
QStringList lastPacketsArguments(const QString &path, const SourceFacts &facts, int streamIndex);

// What the last packets of a stream tell.
struct LastPackets
{
    std::optional<double> shownLastSeconds; // how long the packet shown last is held
    std::optional<double> endSeconds;       // where the last of them ends
};
// Reads a packet list ("pts,duration" lines); none of either without a
// packet that tells its time.
LastPackets parseLastPackets(const QString &packets);

// The ffprobe arguments that list the packets of picture stream
// `streamIndex` of `path` from `before` seconds before `clipStart` (seconds
// from the file's start, whose facts are `facts`) to `after` seconds after
// it: where its key frames stand. A seek lands on any packet in some
// containers (MPEG-TS), so the window reaches back rather than trusting it.
QStringList keyFrameArguments(const QString &path, const SourceFacts &facts, int streamIndex,
                              double clipStart, double before, double after);
// The key frames about `clipStart` in a packet list ("pts,flags" lines,
// times in the file's timestamps), as seconds from the file's start
// (`startSeconds`): the latest at or before it, the first after it.
struct KeyFrames
{
    std::optional<double> before;
    std::optional<double> beforeShownFrom; // as `afterShownFrom`, for the key frame before
    std::optional<double> after;
    // When the first picture the key frame after begins is shown: earlier
    // than the key frame where B-frames decoded after it are shown before it.
    std::optional<double> afterShownFrom;
};
KeyFrames keyFramesAround(const QString &packets, double startSeconds, double clipStart);

// The encoder arguments that print the headers of the key frame of picture
// stream `streamIndex` of `path` at `seconds` (from the file's start), whose
// key frame before is at `before`: FFmpeg's trace_headers, on standard
// error. The packets are read from before that one and dropped up to
// halfway, then up to a key frame, as a seek may land on an earlier one.
QStringList keyFrameHeaderArguments(const QString &path, int streamIndex, double before,
                                    double seconds);
// Whether the first picture in the traced headers of a `codec` stream starts
// a closed group of pictures: an H.264 IDR slice, an H.265 IDR or BLA picture,
// an MPEG-2 GOP header that is closed or has a broken link; none until the
// trace has told.
std::optional<bool> startsClosedGroup(const QString &codec, const QString &trace);

// The encoder arguments that run idet over the first seconds of picture
// stream `streamIndex` of `path`; its count comes at the end of its messages.
QStringList fieldCountArguments(const QString &path, int streamIndex);
// Reads the count from idet's summary ("Multi frame detection: TFF: 50 BFF: 0
// Progressive: 0 Undetermined: 0"); none when there is no such line.
std::optional<FieldCount> parseFieldCount(const QString &messages);

// The ffprobe arguments that list the side data of the first frames of
// stream `streamIndex` (where HEVC and AV1 carry HDR10's metadata).
QStringList hdrFrameArguments(const QString &path, int streamIndex);
// Takes the mastering display and content light levels of `stream` from
// the first of ffprobe's frames that tell them.
void readFramesSideData(const QByteArray &json, StreamFacts &stream);

// A path as FFmpeg's tools read it: always a local file, never a protocol
// ("concat:", "http:") that a name could spell.
QString localFileArgument(const QString &path);

} // namespace vantrel
