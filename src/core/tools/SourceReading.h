#pragma once

#include "core/tools/Process.h"
#include "core/tools/SourceFacts.h"
#include "core/tools/ToolLocator.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <array>
#include <optional>

namespace vantrel {

// What a reading of a source must learn besides its streams.
struct ReadingNeeds
{
    // The headers alone: no packet is read (a player that only turns the picture).
    bool headerOnly = false;
    // A converted picture: its fields counted when its stream does not tell
    // its field order and its codec can carry fields.
    bool fieldOrder = false;
    // A picture written to WebM: how long its last frame is held.
    bool lastPicture = false;
    // The length the file holds, read from its last packets (a fitted file's
    // rate is spread over it).
    bool length = false;
    // An HDR picture kept HDR: its static metadata, from its first frames
    // when its stream does not tell it.
    bool hdrMetadata = false;
    // A copy of a clip starting there (seconds from the file's start): the
    // picture's key frames about it.
    std::optional<double> keyFramesAround;
    // A copy of a clip ending there: the picture's last key frame before it,
    // unless the file ends there anyway.
    std::optional<double> keyFrameBeforeEnd;

    // Whether `facts` already tell all of it.
    bool metBy(const SourceFacts &facts) const;
};

// Reads a source's facts in the background, once: one ffprobe reads the
// headers and the packets of the file's first moments and, when its length
// is known ahead, of its last seconds. What that leaves open is read only
// where a conversion needs it: the last seconds of a file whose length was
// not known, and the fields of a picture whose stream does not tell its
// field order (a short idet pass). Facts read before for the same file are
// completed rather than read again. Each tool has a time limit and its
// answer a size limit, so a hostile file cannot hold a conversion up; what
// cannot be learnt is simply not known (`facts()` none, or no field count),
// and the caller goes on as it would without.
class SourceReading : public QObject
{
    Q_OBJECT

public:
    static constexpr int kProbeLimitMs = 10000;
    static constexpr int kFieldCountLimitMs = 15000;
    // A file without a length is read through to find its end.
    static constexpr int kWholeReadLimitMs = 60000;
    // The packets about a clip's start read for its key frames: this far
    // back first, then from the file's start, and this far on.
    static constexpr double kKeyFrameWindowSeconds = 30;
    static constexpr double kKeyFrameAfterSeconds = 12;
    // A clip ending within a picture of the file's end ends with it.
    static constexpr double kEndsWithTheFile = 0.05;

    explicit SourceReading(QString probePath = ToolLocator::mediaInfo(),
                           QString encoderPath = ToolLocator::encoder(), QObject *parent = nullptr);
    // Ends the tools still running; no `finished` comes.
    ~SourceReading() override;

    // Reads `path` as `needs` asks (its length `expectedSeconds` when known
    // ahead), or completes `known`, facts of the same file read before.
    // `finished` follows, never before this returns. A running reading is
    // given up first.
    void start(const QString &path, const ReadingNeeds &needs,
               std::optional<double> expectedSeconds = std::nullopt,
               std::optional<SourceFacts> known = std::nullopt);
    // Gives the reading up; no `finished` comes.
    void stop();
    // From the next start on, the tools run at a lower priority (the
    // default): a reading nobody waits for yields to the encodes.
    void setBackground(bool background);
    bool isRunning() const { return m_running; }

    // What the last reading learnt; none when nothing could be read.
    const std::optional<SourceFacts> &facts() const { return m_facts; }

Q_SIGNALS:
    void finished();

private:
    // The next step the needs leave open, or the end.
    void next();
    void onProbeEnded(const ProcessResult &result);
    void onLastPacketsEnded(const ProcessResult &result);
    void onFieldCountEnded(const ProcessResult &result);
    void onHdrFramesEnded(const ProcessResult &result);
    void onKeyFramesEnded(const ProcessResult &result);
    void onKeyFrameHeaders(const QString &text);
    void onKeyFrameHeadersEnded();
    void end();
    std::array<Process *, 6> steps(); // every tool it runs

    QString m_probePath;
    QString m_encoderPath;
    Process m_probe;
    Process m_lastPackets;
    Process m_fieldCount;
    Process m_hdrFrames;
    Process m_keyFrames;
    Process m_keyFrameHeaders;
    QString m_trace;               // the headers' lines not yet read
    double m_keyFrameWindow = 0;   // how far before the clip's start the packets are read
    bool m_keyFramesOfEnd = false; // the key frames read are the end's
    QTimer m_limit;
    QByteArray m_answer;
    bool m_tooLong = false; // the answer passed its size limit
    QString m_path;
    ReadingNeeds m_needs;
    bool m_running = false;
    bool m_lastPacketsTried = false;
    bool m_lastPacketsOfPicture = false; // else of the sound
    int m_lastPacketsStream = 0;
    bool m_wholeRead = false; // the end read found nothing after its seek
    std::optional<SourceFacts> m_facts;
};

} // namespace vantrel
