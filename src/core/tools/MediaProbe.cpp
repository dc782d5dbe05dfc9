#include "core/tools/MediaProbe.h"

#include "core/common/NumberText.h"
#include "core/common/TimeText.h"
#include "core/tools/Process.h"
#include "core/tools/SourceReading.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QStandardPaths>
#include <QThread>
#include <QTimerEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vantrel {

namespace {

// The player's options, in the order they are given, before the file: it
// opens the file, prints what it learnt (picture and sound alike) and stops
// before decoding a single frame.
const QStringList kProbeOptions = {
    QStringLiteral("-identify"), QStringLiteral("-frames"), QStringLiteral("0"),
    QStringLiteral("-vo"),       QStringLiteral("null"),    QStringLiteral("-ao"),
    QStringLiteral("null"),
};

const QString kWidthKey = QStringLiteral("ID_VIDEO_WIDTH");
const QString kHeightKey = QStringLiteral("ID_VIDEO_HEIGHT");
const QString kLengthKey = QStringLiteral("ID_LENGTH");
const QString kFormatKey = QStringLiteral("ID_VIDEO_FORMAT");
const QString kDemuxerKey = QStringLiteral("ID_DEMUXER");

constexpr double kSecondsPerDay = 24 * 3600;

QString toolSafePath(const QString &path)
{
    return path.startsWith(u'-') ? QStringLiteral("./") + path : path;
}

// How the player names a file it comes to: "Playing <file>." on a line.
QString playingLine(const QString &path)
{
    return QStringLiteral("Playing ") + toolSafePath(path) + QStringLiteral(".\n");
}

// More files than this in one run would hold the first rows back too long.
constexpr std::size_t kMostFilesPerRun = 24;

// A value read as a number and taken to a whole 32-bit signed integer,
// halves to the even neighbour.
std::optional<int> toInt32(const QString &text)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = roundHalfEven(value);
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<int>(rounded);
}

// The duration text of an ID_LENGTH value: whole seconds as a time of day.
QString durationText(const QString &value)
{
    // Only the time of day is shown, so whole days can go before the
    // conversion to an integer (a huge value must not overflow it).
    const double seconds = std::fmod(roundHalfEven(leadingNumber(value)), kSecondsPerDay);
    return timeText(std::isfinite(seconds) ? static_cast<qint64>(seconds) : 0);
}

} // namespace

QStringList probeArguments(const QStringList &paths)
{
    QStringList arguments = kProbeOptions;
    for (const QString &path : paths)
        arguments << toolSafePath(path);
    return arguments;
}

QStringList probeArguments(const QString &path)
{
    return probeArguments(QStringList{path});
}

CommandLine probeCommand(const QString &playerPath, const QStringList &paths)
{
    CommandLine command;
    command.appendPath(playerPath);
    command.appendLiteral(QLatin1Char(' ') + kProbeOptions.join(QLatin1Char(' ')));
    for (const QString &path : paths) {
        command.appendLiteral(QStringLiteral(" "));
        command.appendPath(toolSafePath(path));
    }
    return command;
}

CommandLine probeCommand(const QString &playerPath, const QString &path)
{
    return probeCommand(playerPath, QStringList{path});
}

QString videoFormatName(const QString &playerFormat)
{
    // The player's codes (its own for the video of MPEG program and
    // transport streams, the container's FourCC otherwise) and the names a
    // user knows them by; a code not here is shown as the player gives it.
    static const QHash<QString, QString> names = {
        {QStringLiteral("0x10000001"), QStringLiteral("MPEG-1")},
        {QStringLiteral("0x10000002"), QStringLiteral("MPEG-2")},
        {QStringLiteral("0x10000004"), QStringLiteral("MPEG-4")},
        {QStringLiteral("0x10000005"), QStringLiteral("H.264")},
        {QStringLiteral("mpg1"), QStringLiteral("MPEG-1")},
        {QStringLiteral("mpg2"), QStringLiteral("MPEG-2")},
        {QStringLiteral("h264"), QStringLiteral("H.264")},
        {QStringLiteral("avc1"), QStringLiteral("H.264")},
        {QStringLiteral("hevc"), QStringLiteral("H.265")},
        {QStringLiteral("hvc1"), QStringLiteral("H.265")},
        {QStringLiteral("hev1"), QStringLiteral("H.265")},
        {QStringLiteral("h263"), QStringLiteral("H.263")},
        {QStringLiteral("s263"), QStringLiteral("H.263")},
        {QStringLiteral("fmp4"), QStringLiteral("MPEG-4")},
        {QStringLiteral("mp4v"), QStringLiteral("MPEG-4")},
        {QStringLiteral("xvid"), QStringLiteral("MPEG-4")},
        {QStringLiteral("divx"), QStringLiteral("MPEG-4")},
        {QStringLiteral("dx50"), QStringLiteral("MPEG-4")},
        {QStringLiteral("mp42"), QStringLiteral("MS MPEG-4 v2")},
        {QStringLiteral("mp43"), QStringLiteral("MS MPEG-4 v3")},
        {QStringLiteral("div3"), QStringLiteral("MS MPEG-4 v3")},
        {QStringLiteral("wmv1"), QStringLiteral("WMV 7")},
        {QStringLiteral("wmv2"), QStringLiteral("WMV 8")},
        {QStringLiteral("wmv3"), QStringLiteral("WMV 9")},
        {QStringLiteral("flv1"), QStringLiteral("Sorenson H.263")},
        {QStringLiteral("vp60"), QStringLiteral("VP6")},
        {QStringLiteral("vp6f"), QStringLiteral("VP6")},
        {QStringLiteral("vp80"), QStringLiteral("VP8")},
        {QStringLiteral("vp90"), QStringLiteral("VP9")},
        {QStringLiteral("av01"), QStringLiteral("AV1")},
        {QStringLiteral("theo"), QStringLiteral("Theora")},
        {QStringLiteral("dvsd"), QStringLiteral("DV")},
        {QStringLiteral("dvcp"), QStringLiteral("DV")},
        {QStringLiteral("mjpg"), QStringLiteral("Motion JPEG")},
        {QStringLiteral("jpeg"), QStringLiteral("Motion JPEG")},
        {QStringLiteral("mjpa"), QStringLiteral("Motion JPEG")},
        {QStringLiteral("apcn"), QStringLiteral("ProRes")},
        {QStringLiteral("apch"), QStringLiteral("ProRes")},
    };
    return names.value(playerFormat.trimmed().toLower(), playerFormat);
}

QStringList splitProbeOutput(const QString &output, const QStringList &paths)
{
    QStringList parts;
    qsizetype begin = -1;
    for (const QString &path : paths) {
        const QString line = playingLine(path);
        const qsizetype at = output.indexOf(line, begin < 0 ? 0 : begin);
        if (at < 0)
            break;
        if (begin >= 0)
            parts << output.mid(begin, at - begin);
        begin = at + line.size();
    }
    if (begin >= 0)
        parts << output.mid(begin);
    return parts;
}

ProbeFields parseProbeOutput(const QString &output)
{
    ProbeFields fields;
    const QStringList lines = output.split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        const QString key = line.left(equals);
        const qsizetype end = line.indexOf(u'=', equals + 1);
        const QString value = line.mid(equals + 1, end < 0 ? -1 : end - equals - 1);

        if (key == kWidthKey || key == kHeightKey) {
            const std::optional<int> number = toInt32(value);
            if (!number) {
                fields.error =
                    QStringLiteral("%1 is no whole 32-bit number: \"%2\"").arg(key, value);
                return fields;
            }
            (key == kWidthKey ? fields.width : fields.height) = *number;
        } else if (key == kLengthKey) {
            fields.duration = durationText(value);
        } else if (key == kFormatKey) {
            fields.videoFormat = value;
        } else if (key == kDemuxerKey) {
            fields.demuxer = value;
        }
    }
    return fields;
}

bool ProbeFields::lengthUnreliable() const
{
    // Program, transport and elementary MPEG streams have no length in
    // their headers.
    static const QStringList guessing = {QStringLiteral("mpegts"), QStringLiteral("mpegps"),
                                         QStringLiteral("mpeges")};
    return ok() && playerCouldRead() &&
           (!duration || *duration == timeText(0) ||
            guessing.contains(demuxer.value_or(QString())));
}

void applyProbeFields(const ProbeFields &fields, SourceItem &item)
{
    if (fields.duration) {
        item.clipEnd = *fields.duration;
        item.videoTime = *fields.duration;
    }
    if (fields.videoFormat)
        item.videoFormat = *fields.videoFormat;
    if (!fields.ok())
        return;
    item.clipStart = timeText(0);
    // A 1080-line picture is coded as 1088 lines (whole macroblocks), which
    // the player reports for a transport stream; it shows 1080.
    const int height = fields.height.value_or(0) == 1088 ? 1080 : fields.height.value_or(0);
    item.frameSize =
        QString::number(fields.width.value_or(0)) + QLatin1Char('x') + QString::number(height);
}

MediaProbe::MediaProbe(const QString &playerPath, QObject *parent)
    : QObject(parent), m_playerPath(playerPath),
      m_maxParallel(std::max(1, QThread::idealThreadCount()))
{}

MediaProbe::~MediaProbe()
{
    for (const std::unique_ptr<Run> &run : m_runs)
        release(*run);
    m_lengthChecks.clear();
}

void MediaProbe::setMaxParallel(int count)
{
    m_maxParallel = std::max(1, count);
    schedulePump();
}

MediaProbe::Ticket MediaProbe::probe(const QString &path)
{
    Job job;
    job.ticket = ++m_lastTicket;
    job.path = path;
    m_queued.push_back(std::move(job));
    schedulePump();
    return m_lastTicket;
}

void MediaProbe::cancel(Ticket ticket)
{
    if (m_lengthChecks.erase(ticket) > 0) {
        startLengthChecks();
        return;
    }
    for (auto it = m_lengthQueue.begin(); it != m_lengthQueue.end(); ++it) {
        if (it->first.ticket == ticket) {
            m_lengthQueue.erase(it);
            return;
        }
    }
    for (auto it = m_queued.begin(); it != m_queued.end(); ++it) {
        if (it->ticket == ticket) {
            m_queued.erase(it);
            return;
        }
    }
    for (auto it = m_runs.begin(); it != m_runs.end(); ++it) {
        Run &run = **it;
        bool anyLeft = false;
        for (Job &job : run.jobs) {
            if (job.ticket == ticket)
                job.cancelled = true;
            anyLeft = anyLeft || !job.cancelled;
        }
        if (!anyLeft) {
            // Nobody waits for this run any more.
            release(run);
            m_runs.erase(it);
            schedulePump();
            return;
        }
    }
}

int MediaProbe::pending() const
{
    std::size_t count = m_queued.size() + m_lengthQueue.size() + m_lengthChecks.size();
    for (const std::unique_ptr<Run> &run : m_runs) {
        for (const Job &job : run->jobs)
            count += job.cancelled ? 0 : 1;
    }
    return static_cast<int>(count);
}

void MediaProbe::schedulePump()
{
    // Probes start from the event loop, so that no result can arrive before
    // `probe` has handed out its ticket.
    if (m_pumpScheduled)
        return;
    m_pumpScheduled = true;
    QMetaObject::invokeMethod(this, &MediaProbe::pump, Qt::QueuedConnection);
}

void MediaProbe::pump()
{
    m_pumpScheduled = false;
    // A result handler may queue or cancel probes while this runs: the
    // conditions are read afresh on every pass.
    while (!m_queued.empty() && running() < m_maxParallel)
        start(takeBatch());
}

std::vector<MediaProbe::Job> MediaProbe::takeBatch()
{
    const auto plainFile = [](const Job &job) {
        return QFileInfo(job.path).isFile();
    };
    std::vector<Job> batch;
    // The queue is shared out among the runs that can start, so that the
    // processors all have work.
    const std::size_t share =
        std::clamp<std::size_t>((m_queued.size() + std::size_t(m_maxParallel - running()) - 1) /
                                    std::size_t(m_maxParallel - running()),
                                1, kMostFilesPerRun);
    while (!m_queued.empty() && batch.size() < share) {
        const bool plain = plainFile(m_queued.front());
        if (!plain && !batch.empty())
            break;
        batch.push_back(std::move(m_queued.front()));
        m_queued.pop_front();
        if (!plain)
            break; // a pipe or a device could keep the player: it goes alone
    }
    return batch;
}

void MediaProbe::start(std::vector<Job> jobs)
{
    if (!playerAvailable()) {
        const bool first = !m_toolMissing;
        m_toolMissing = true;
        if (first)
            Q_EMIT toolMissing();
        for (const Job &job : jobs)
            finish(job, ProbeResult::Outcome::ToolMissing, {});
        return;
    }
    auto owned = std::make_unique<Run>();
    Run *run = owned.get();
    run->jobs = std::move(jobs);
    run->process = std::make_unique<Process>();
    run->process->setBackground(true); // a conversion may already run beside it
    QStringList paths;
    for (const Job &job : run->jobs)
        paths << job.path;
    connect(run->process.get(), &Process::outputReceived, this, [this, run] { watch(*run); });
    connect(run->process.get(), &Process::finished, this, [this, run] { onToolFinished(run); });
    m_runs.push_back(std::move(owned));
    if (m_timeLimitMs > 0)
        run->timerId = startTimer(m_timeLimitMs);
    // A tool that cannot start finishes inside start, which ends the run:
    // nothing here touches `run` after this call.
    run->process->start(probeCommand(m_playerPath, paths));
}

void MediaProbe::watch(Run &run)
{
    // Each file has the whole time limit: the clock starts again when the
    // player comes to the next one.
    QStringList paths;
    for (const Job &job : run.jobs)
        paths << job.path;
    const int reached = static_cast<int>(splitProbeOutput(run.process->output(), paths).size());
    if (reached == run.reached)
        return;
    run.reached = reached;
    if (run.timerId != 0) {
        killTimer(run.timerId);
        run.timerId = startTimer(m_timeLimitMs);
    }
}

void MediaProbe::onToolFinished(Run *run)
{
    const auto it = std::find_if(m_runs.begin(), m_runs.end(),
                                 [run](const std::unique_ptr<Run> &r) { return r.get() == run; });
    if (it == m_runs.end())
        return;
    std::unique_ptr<Run> done = std::move(*it);
    m_runs.erase(it);
    if (done->timerId != 0)
        killTimer(done->timerId);
    done->process->disconnect(this);
    QStringList paths;
    for (const Job &job : done->jobs)
        paths << job.path;
    QStringList parts = splitProbeOutput(done->process->output(), paths);
    // The first file always gets its answer, so that every run makes headway.
    if (parts.isEmpty())
        parts << done->process->output();
    // The process goes once this handler has returned.
    done->process.release()->deleteLater();

    std::vector<Job> again; // files the player did not come to
    for (std::size_t i = 0; i < done->jobs.size(); ++i) {
        const Job &job = done->jobs[i];
        const qsizetype index = static_cast<qsizetype>(i);
        if (index >= parts.size()) {
            if (!job.cancelled)
                again.push_back(job);
        } else if (done->timedOut && index + 1 == parts.size()) {
            finish(job, ProbeResult::Outcome::TimedOut, {});
        } else if (const ProbeFields fields = parseProbeOutput(parts[index]);
                   fields.lengthUnreliable() && !job.cancelled) {
            checkLength(job, fields);
        } else {
            finish(job, ProbeResult::Outcome::Probed, fields);
        }
    }
    m_queued.insert(m_queued.begin(), again.begin(), again.end());
    schedulePump();
}

void MediaProbe::finish(const Job &job, ProbeResult::Outcome outcome, const ProbeFields &fields,
                        std::optional<SourceFacts> facts)
{
    if (job.cancelled)
        return;
    ProbeResult result;
    result.path = job.path;
    result.outcome = outcome;
    result.fields = fields;
    result.facts = std::move(facts);
    Q_EMIT probed(job.ticket, result);
}

void MediaProbe::checkLength(const Job &job, const ProbeFields &fields)
{
    m_lengthQueue.emplace_back(job, fields);
    startLengthChecks();
}

void MediaProbe::startLengthChecks()
{
    while (!m_lengthQueue.empty() && int(m_lengthChecks.size()) < m_maxParallel) {
        const auto [job, fields] = m_lengthQueue.front();
        m_lengthQueue.pop_front();
        auto reading = std::make_unique<SourceReading>(m_lengthProbePath);
        SourceReading *check = reading.get();
        connect(check, &SourceReading::finished, this, [this, job = job, fields = fields, check] {
            ProbeFields better = fields;
            const std::optional<SourceFacts> &facts = check->facts();
            // The header's length, else where the packets end (a browser's
            // recording tells none).
            std::optional<double> seconds = facts ? facts->seconds : std::nullopt;
            if (facts && (!seconds || *seconds <= 0))
                seconds = facts->heldSeconds();
            if (seconds && *seconds > 0)
                better.duration = durationText(QString::number(*seconds, 'f', 3));
            // The check goes once this handler has returned.
            const auto it = m_lengthChecks.find(job.ticket);
            if (it != m_lengthChecks.end()) {
                it->second.release()->deleteLater();
                m_lengthChecks.erase(it);
            }
            finish(job, ProbeResult::Outcome::Probed, better, facts);
            startLengthChecks();
        });
        // The source's one reading: the row keeps what it learnt.
        ReadingNeeds needs;
        needs.length = true;
        check->start(job.path, needs);
        m_lengthChecks.emplace(job.ticket, std::move(reading));
    }
}

void MediaProbe::release(Run &run)
{
    if (run.timerId != 0) {
        killTimer(run.timerId);
        run.timerId = 0;
    }
    if (run.process) {
        run.process->disconnect(this);
        run.process.reset(); // ends the tool if it still runs
    }
}

MediaProbe::Run *MediaProbe::runOfTimer(int timerId)
{
    for (const std::unique_ptr<Run> &run : m_runs) {
        if (run->timerId == timerId)
            return run.get();
    }
    return nullptr;
}

void MediaProbe::timerEvent(QTimerEvent *event)
{
    Run *run = runOfTimer(event->timerId());
    if (!run)
        return;
    killTimer(run->timerId);
    run->timerId = 0;
    run->timedOut = true;
    // Stopping raises finished at once, which ends the run.
    run->process->stop();
}

bool MediaProbe::playerAvailable() const
{
    if (m_playerPath.isEmpty())
        return false;
    if (QDir::fromNativeSeparators(m_playerPath).contains(u'/')) {
        const QFileInfo info(m_playerPath);
        return info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(m_playerPath).isEmpty();
}

} // namespace vantrel
