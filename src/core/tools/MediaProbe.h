#pragma once

#include "core/records/SourceItem.h"
#include "core/tools/CommandLine.h"
#include "core/tools/SourceFacts.h"
#include "core/tools/ToolLocator.h"

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace vantrel {

class Process;
class SourceReading;

// The player's identify run: it opens each file in turn, prints the ID_ lines
// that the probe reads, for picture and sound alike, and goes on before
// decoding a frame. A path that begins with "-" is passed as "./" + path so
// that the player never takes it for an option.
QStringList probeArguments(const QStringList &paths);
QStringList probeArguments(const QString &path);

// The same run as a command: the player as a path, the options as literals,
// the files as paths. Its text is what the user or a log is shown.
CommandLine probeCommand(const QString &playerPath, const QStringList &paths);
CommandLine probeCommand(const QString &playerPath, const QString &path);

// Cuts the output of one identify run over several files into each file's
// part: it begins where the player says "Playing <file>.". Files the player
// did not come to get no part, so the list may be shorter than `paths`.
QStringList splitProbeOutput(const QString &output, const QStringList &paths);

// What one identify output says about a file.
struct ProbeFields
{
    std::optional<int> width;           // ID_VIDEO_WIDTH
    std::optional<int> height;          // ID_VIDEO_HEIGHT
    std::optional<QString> duration;    // ID_LENGTH as a time text: "0:03:25"
    std::optional<QString> videoFormat; // ID_VIDEO_FORMAT
    std::optional<QString> demuxer;     // ID_DEMUXER: "mpegts", "avi"
    // Not empty when the parse stopped at a width or height that is no whole
    // 32-bit number; the fields read before that line are kept.
    QString error;

    bool ok() const { return error.isEmpty(); }
    // The player learnt something of the file: a picture, a format or a length.
    bool playerCouldRead() const { return width || height || duration || videoFormat; }
    // The player's length cannot be trusted: it says none or 0, or it read
    // an MPEG stream, whose length it guesses from the bitrate.
    bool lengthUnreliable() const;
};

// Reads the player's identify output. Lines end at LF, a trailing CR is
// dropped; a line is KEY=VALUE, the value ending at a second "="; keys are
// compared exactly and the last line of a key wins.
ProbeFields parseProbeOutput(const QString &output);

// Writes what a probe found into a source row: ClipEnd and VideoTime get the
// duration, VideoFormat the format (each only when its line came), ClipStart
// "0:00:00" and FrameSize "WxH" ("0x0" when neither line came). A parse that
// stopped writes neither ClipStart nor FrameSize. The file name and the status
// are left alone.
void applyProbeFields(const ProbeFields &fields, SourceItem &item);

// The name a user knows for a video format as the player reports it: its
// numeric codes of MPEG streams ("0x10000002") become "MPEG-2" and the like;
// a four-character code ("XVID") stays as it is.
QString videoFormatName(const QString &playerFormat);

struct ProbeResult
{
    enum class Outcome
    {
        Probed,     // the tool ran to its end; `fields` holds what it printed
        TimedOut,   // the time limit ended the tool; `fields` is empty
        ToolMissing // the player could not be found; `fields` is empty
    };

    QString path;
    Outcome outcome = Outcome::Probed;
    ProbeFields fields;
    // What ffprobe read of a file whose length the player could not tell:
    // the source's reading, which its row keeps.
    std::optional<SourceFacts> facts;
};

// Probes files with the player in the background: probes wait in a FIFO queue
// and up to `maxParallel` tool processes run at once. A run takes several
// plain files in turn, as starting the player costs far more than reading a
// file's header; anything else (a pipe, a device, a file not there) gets a
// run of its own, so that it cannot hold up the others. A file whose length
// the player cannot tell (ProbeFields::lengthUnreliable) gets it from ffprobe
// (the source's SourceReading, which comes with the result) before its
// result comes.
//
// Every result arrives through `probed`, never before `probe` has returned,
// carrying the ticket that `probe` gave out. A file that keeps the player
// longer than the time limit fails with empty fields (the files after it are
// probed again); with no player every probe fails. Destroying the object
// ends every tool it still runs.
class MediaProbe : public QObject
{
    Q_OBJECT

public:
    using Ticket = quint64;
    static constexpr int kDefaultTimeLimitMs = 15000;

    explicit MediaProbe(const QString &playerPath = ToolLocator::player(),
                        QObject *parent = nullptr);
    // The tool that reads the lengths the player cannot tell (default: ffprobe).
    void setLengthProbe(const QString &path) { m_lengthProbePath = path; }
    ~MediaProbe() override;

    const QString &playerPath() const { return m_playerPath; }

    // The longest the player may spend on one file; 0 or less: no limit.
    void setTimeLimitMs(int milliseconds) { m_timeLimitMs = milliseconds; }

    // At most this many tool processes at once (default: the processor count).
    int maxParallel() const { return m_maxParallel; }
    void setMaxParallel(int count);

    // Queues a probe of `path`; the result comes with the returned ticket.
    Ticket probe(const QString &path);
    // Forgets a probe that is queued or running (its tool is ended); no result
    // comes for it. Unknown tickets are ignored.
    void cancel(Ticket ticket);

    // Probes queued or running.
    int pending() const;
    // Tool processes running.
    int running() const { return static_cast<int>(m_runs.size()); }
    // A probe has found the player missing.
    bool isToolMissing() const { return m_toolMissing; }

Q_SIGNALS:
    void probed(quint64 ticket, const vantrel::ProbeResult &result);
    // Raised once, by the first probe that finds the player missing.
    void toolMissing();

private:
    struct Job
    {
        Ticket ticket = 0;
        QString path;
        bool cancelled = false;
    };
    // One tool process over one or more files.
    struct Run
    {
        std::vector<Job> jobs;
        std::unique_ptr<Process> process;
        int timerId = 0;
        int reached = 0; // files the player has come to
        bool timedOut = false;
    };

    void schedulePump();
    void pump();
    std::vector<Job> takeBatch();
    void start(std::vector<Job> jobs);
    void watch(Run &run);
    void onToolFinished(Run *run);
    void finish(const Job &job, ProbeResult::Outcome outcome, const ProbeFields &fields,
                std::optional<SourceFacts> facts = std::nullopt);
    // Reads the length of `job`'s file with ffprobe, then finishes it; as
    // many at once as player runs.
    void checkLength(const Job &job, const ProbeFields &fields);
    void startLengthChecks();
    void release(Run &run);
    Run *runOfTimer(int timerId);
    bool playerAvailable() const;
    void timerEvent(QTimerEvent *event) override;

    QString m_playerPath;
    QString m_lengthProbePath = ToolLocator::mediaInfo();
    int m_timeLimitMs = kDefaultTimeLimitMs;
    int m_maxParallel = 1;
    Ticket m_lastTicket = 0;
    bool m_pumpScheduled = false;
    bool m_toolMissing = false;
    std::deque<Job> m_queued;
    std::vector<std::unique_ptr<Run>> m_runs;
    // Files whose length ffprobe is to read, and those it is reading, by ticket.
    std::deque<std::pair<Job, ProbeFields>> m_lengthQueue;
    std::map<Ticket, std::unique_ptr<SourceReading>> m_lengthChecks;
};

} // namespace vantrel

Q_DECLARE_METATYPE(vantrel::ProbeResult)
