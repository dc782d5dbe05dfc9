#include "core/tools/MediaProbe.h"

#include "core/common/NumberText.h"
#include "core/common/TimeText.h"
#include "core/tools/Process.h"

#include <QDir>
#include <QFileInfo>
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

constexpr double kSecondsPerDay = 24 * 3600;

QString toolSafePath(const QString &path)
{
    return path.startsWith(u'-') ? QStringLiteral("./") + path : path;
}

CommandLine playerCommand(const QString &playerPath, const QStringList &options,
                          const QString &path)
{
    CommandLine command;
    command.appendPath(playerPath);
    command.appendLiteral(QLatin1Char(' ') + options.join(QLatin1Char(' ')) + QLatin1Char(' '));
    command.appendPath(toolSafePath(path));
    return command;
}

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

QStringList probeArguments(const QString &path)
{
    return kProbeOptions + QStringList{toolSafePath(path)};
}

CommandLine probeCommand(const QString &playerPath, const QString &path)
{
    return playerCommand(playerPath, kProbeOptions, path);
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
        }
    }
    return fields;
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
    item.frameSize = QString::number(fields.width.value_or(0)) + QLatin1Char('x') +
                     QString::number(fields.height.value_or(0));
}

MediaProbe::MediaProbe(const QString &playerPath, QObject *parent)
    : QObject(parent), m_playerPath(playerPath),
      m_maxParallel(std::max(1, QThread::idealThreadCount()))
{}

MediaProbe::~MediaProbe()
{
    for (auto &[ticket, job] : m_running)
        release(job);
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
    for (auto it = m_queued.begin(); it != m_queued.end(); ++it) {
        if (it->ticket == ticket) {
            m_queued.erase(it);
            return;
        }
    }
    const auto running = m_running.find(ticket);
    if (running == m_running.end())
        return;
    release(running->second);
    m_running.erase(running);
    schedulePump();
}

int MediaProbe::pending() const
{
    return static_cast<int>(m_queued.size() + m_running.size());
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
    while (!m_queued.empty() && running() < m_maxParallel) {
        Job job = std::move(m_queued.front());
        m_queued.pop_front();
        start(std::move(job));
    }
}

void MediaProbe::start(Job job)
{
    const Ticket ticket = job.ticket;
    if (!playerAvailable()) {
        const bool first = !m_toolMissing;
        m_toolMissing = true;
        if (first)
            Q_EMIT toolMissing();
        m_running.emplace(ticket, std::move(job));
        finish(ticket, ProbeResult::Outcome::ToolMissing, {});
        return;
    }
    Job &started = m_running.emplace(ticket, std::move(job)).first->second;
    if (m_timeLimitMs > 0)
        started.timerId = startTimer(m_timeLimitMs);
    launch(started, probeCommand(m_playerPath, started.path));
}

void MediaProbe::launch(Job &job, const CommandLine &command)
{
    auto *process = new Process(this);
    const Ticket ticket = job.ticket;
    connect(process, &Process::finished, this,
            [this, ticket, process] { onToolFinished(ticket, process); });
    job.process = process;
    // A tool that cannot start finishes inside start, which may end the job:
    // nothing here touches `job` after this call.
    process->start(command);
}

void MediaProbe::onToolFinished(Ticket ticket, Process *process)
{
    const auto it = m_running.find(ticket);
    if (it == m_running.end() || it->second.process != process)
        return;
    Job &job = it->second;
    job.process = nullptr;
    process->disconnect(this);
    process->deleteLater();

    if (job.timedOut) {
        finish(ticket, ProbeResult::Outcome::TimedOut, {});
        return;
    }
    finish(ticket, ProbeResult::Outcome::Probed, parseProbeOutput(process->output()));
}

void MediaProbe::finish(Ticket ticket, ProbeResult::Outcome outcome, const ProbeFields &fields)
{
    const auto it = m_running.find(ticket);
    if (it == m_running.end())
        return;
    ProbeResult result;
    result.path = it->second.path;
    result.outcome = outcome;
    result.fields = fields;
    release(it->second);
    m_running.erase(it);
    schedulePump();
    Q_EMIT probed(ticket, result);
}

void MediaProbe::release(Job &job)
{
    if (job.timerId != 0) {
        killTimer(job.timerId);
        job.timerId = 0;
    }
    if (Process *process = job.process) {
        job.process = nullptr;
        process->disconnect(this);
        delete process; // ends the tool if it still runs
    }
}

void MediaProbe::timerEvent(QTimerEvent *event)
{
    for (auto &[ticket, job] : m_running) {
        if (job.timerId != event->timerId())
            continue;
        killTimer(job.timerId);
        job.timerId = 0;
        job.timedOut = true;
        // Stopping raises finished at once, which ends the job.
        if (job.process)
            job.process->stop();
        return;
    }
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
