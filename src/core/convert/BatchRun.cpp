#include "core/convert/BatchRun.h"

#include "core/common/NumberText.h"
#include "core/common/TimeText.h"
#include "core/convert/CommandShapes.h"
#include "core/convert/EncoderCommand.h"
#include "core/convert/EncoderInvocation.h"
#include "core/convert/OutputCheck.h"
#include "core/convert/OutputNaming.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/settings/Settings.h"
#include "core/sources/SourceList.h"
#include "core/tools/Process.h"
#include "core/tools/ToolControl.h"
#include "core/tools/ToolLocator.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace vantrel {

namespace {

constexpr qsizetype kEncoderTailChars = 4096;
// After "q" a cancelled encoder gets this long to finish its file.
constexpr int kStopGraceMs = 8000;
// A duration query that takes longer than this tells nothing.
constexpr int kCheckTimeLimitMs = 15000;

constexpr int kMessageLines = 12;

// The encoder's last lines, as a reader can use them: it rewrites its status
// line with CR, and only the end tells why it stopped.
QString readableTail(const QString &tail)
{
    QString text = tail;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    if (lines.size() > kMessageLines)
        lines = lines.mid(lines.size() - kMessageLines);
    return lines.join(u'\n').trimmed();
}

// Why a row's encoder did not deliver: how it ended, in words.
QString encoderFailure(const ProcessResult &result, const QString &encoderPath)
{
    switch (result.ending) {
    case ProcessResult::Ending::Exited:
        return QStringLiteral("The encoder failed (exit code %1).").arg(result.exitCode);
    case ProcessResult::Ending::Crashed:
        return QStringLiteral("The encoder crashed (signal %1).").arg(result.exitCode);
    case ProcessResult::Ending::Stopped:
        return QStringLiteral("The encoder was stopped.");
    case ProcessResult::Ending::FailedToStart:
        break;
    }
    return ToolLocator::missingToolMessage(encoderPath);
}

} // namespace

BatchRun::BatchRun(SourceList &list, OptionSheet &sheet, SelectedEntry selectedEntry,
                   BatchEnvironment environment, QObject *parent)
    : QObject(parent), m_list(list), m_sheet(sheet), m_selectedEntry(std::move(selectedEntry)),
      m_env(std::move(environment)), m_ticker(m_state, m_env.statisticsPath)
{
    m_ticker.setStatusTail([this] { return m_encoderTail; });
    connect(&m_ticker, &ProgressTicker::elapsedTextChanged, this, &BatchRun::elapsedTextChanged);
    connect(&m_ticker, &ProgressTicker::filePercentChanged, this, &BatchRun::filePercentChanged);
}

BatchRun::~BatchRun() = default;

bool BatchRun::encoderAlive() const
{
    if (m_encoder && m_encoder->isRunning())
        return true;
    for (const QPointer<Process> &encoder : m_finishing) {
        if (encoder && encoder->isRunning())
            return true;
    }
    return false;
}

bool BatchRun::start()
{
    if (m_running || m_list.count() == 0)
        return false;
    tools().quitPlayer();

    m_running = true;
    m_state.cancelRequested = false;
    m_outputs.clear();
    Q_EMIT panelVisibleChanged(true);
    setTotalPercent(0);
    Q_EMIT busyChanged(true);

    const Settings settings(m_env.settingsPath, m_env.dataFolder);
    const QString folder = m_env.outputFolder.value_or(settings.outputFolder());
    m_outputFolder = QDir::toNativeSeparators(QDir::cleanPath(
        QDir(m_env.dataFolder).absoluteFilePath(folder.isEmpty() ? m_env.dataFolder : folder)));
    // A folder that is not there yet is made, as a user who typed it expects;
    // when that fails, the rows say so.
    QDir().mkpath(m_outputFolder);
    m_policy = m_env.existingFilePolicy.value_or(settings.existingFilePolicy());
    m_threads = m_env.threads.value_or(settings.threadText());
    m_row = 0;
    m_rowCount = m_list.count();
    queryEncoder();
    return true;
}

QString BatchRun::rowMessages(int row) const
{
    return m_list.statusDetail(row);
}

void BatchRun::queryEncoder()
{
    auto *query = new Process(this);
    connect(
        query, &Process::finished, this,
        [this, query] {
            m_encoders = parseEncoderList(query->output());
            query->deleteLater();
            QMetaObject::invokeMethod(this, &BatchRun::nextRow, Qt::QueuedConnection);
        },
        Qt::SingleShotConnection);
    CommandLine command;
    command.appendPath(m_env.encoderPath);
    query->start(command, {QStringLiteral("-hide_banner"), QStringLiteral("-encoders")});
}

void BatchRun::nextRow()
{
    if (!m_running)
        return;
    stopWaitingForProbe();
    if (m_row >= m_rowCount || m_row >= m_list.count()) {
        complete();
        return;
    }
    setFilePercent(0);
    if (m_list.isProbing(m_row)) {
        // The row is still being read; its conversion starts when it is (or
        // when removed rows leave nothing to wait for).
        m_probeWait = new QObject(this);
        const auto resume = [this] {
            if (m_row >= m_list.count() || !m_list.isProbing(m_row))
                nextRow();
        };
        connect(&m_list, &SourceList::rowProbed, m_probeWait, resume);
        connect(&m_list, &SourceList::allProbed, m_probeWait, resume);
        return;
    }
    prepareAndStart();
}

void BatchRun::stopWaitingForProbe()
{
    if (!m_probeWait)
        return;
    // It may be the context of the slot running now: cut it off, delete it later.
    QObject::disconnect(&m_list, nullptr, m_probeWait, nullptr);
    m_probeWait->deleteLater();
    m_probeWait = nullptr;
}

void BatchRun::prepareAndStart()
{
    const SourceItem row = m_list.item(m_row);
    m_job = ConversionJob();
    m_job.sourcePath = row.fileName;
    if (!QFileInfo(m_job.sourcePath).isFile()) {
        stopEarly();
        return;
    }

    const std::optional<int> entry = m_selectedEntry ? m_selectedEntry() : std::nullopt;
    const std::optional<QString> extension = entry ? outputExtension(*entry) : std::nullopt;
    if (!extension) {
        failRow(entry ? QStringLiteral("The selected entry is a group, not an output profile.")
                      : QStringLiteral("No output profile is selected."));
        return;
    }
    m_job.profileIndex = *entry;
    m_job.outputExtension = *extension;
    m_job.options = m_sheet.conversionOptions();
    m_job.outputPath =
        outputPathFor(m_job.sourcePath, m_outputFolder, m_job.outputExtension, m_policy,
                      [](const QString &path) { return QFileInfo::exists(path); });
    m_outputs.insert(m_row, m_job.outputPath);

    const std::optional<int> start = secondsOfTimeText(row.clipStart);
    const std::optional<int> end = secondsOfTimeText(row.clipEnd);
    if (!start || !end) {
        failRow(QStringLiteral("The clip start \"%1\" or end \"%2\" is no time of day.")
                    .arg(row.clipStart, row.clipEnd));
        return;
    }
    m_job.startSeconds = *start;
    m_job.durationSeconds = *end - *start;
    m_state.startSeconds = m_job.startSeconds;
    m_state.durationSeconds = m_job.durationSeconds;

    const Expected<CommandLine> command =
        buildEncoderCommand({m_job, m_threads, m_env.encoderPath, m_env.statisticsPath});
    if (!command) {
        failRow(command.error() + QLatin1Char('.'));
        return;
    }
    m_audioOnly = isAudioOnlyShape(profileCommandRow(*entry)->shape);
    m_sourceSeconds = secondsOfTimeText(row.videoTime).value_or(0);

    m_list.setStatus(m_row, RowStatus::Processing);
    Q_EMIT rowStarted(m_row, QStringLiteral("Progress....") + m_job.sourcePath +
                                 QStringLiteral(" To ") + m_job.outputPath);
    if (m_state.cancelRequested) {
        cancelRow();
        return;
    }
    const QFileInfo before(m_job.outputPath);
    m_outputBefore = {before.exists(), before.size(), before.lastModified()};
    // The statistics file of the last row must not show as this row's progress.
    QFile::remove(m_env.statisticsPath);
    startEncoder(encoderRunArguments(*command, m_policy, m_encoders));
}

void BatchRun::failRow(const QString &reason)
{
    m_list.setStatus(m_row, RowStatus::Fail, reason);
    Q_EMIT rowFinished(m_row, RowStatus::Fail);
    ++m_row;
    QMetaObject::invokeMethod(this, &BatchRun::nextRow, Qt::QueuedConnection);
}

void BatchRun::startEncoder(const QStringList &arguments)
{
    m_encoderTail.clear();
    auto *encoder = new Process(this);
    encoder->setOutputLimit(kEncoderTailChars);
    connect(encoder, &Process::outputReceived, this, [this](const QString &text) {
        m_encoderTail = QString(m_encoderTail + text).right(kEncoderTailChars);
    });
    connect(encoder, &Process::finished, this, &BatchRun::onEncoderFinished,
            Qt::SingleShotConnection);
    m_encoder = encoder;
    CommandLine program;
    program.appendPath(m_env.encoderPath);
    encoder->start(program, arguments);
    if (!encoder->isRunning())
        return; // it could not start; its end has been handled
    tools().setEncoder(encoder);
    m_ticker.start();
}

void BatchRun::onEncoderFinished()
{
    Process *encoder = m_encoder;
    m_encoder = nullptr;
    m_ticker.stop();
    if (!encoder)
        return;
    encoder->deleteLater();
    const ProcessResult result = encoder->result().value_or(ProcessResult());
    if (!m_running)
        return;
    if (!result.succeeded()) {
        // A partial output that this row wrote is removed; a file that was
        // there before and was not touched stays.
        const QFileInfo out(m_job.outputPath);
        if (out.exists() && (!m_outputBefore.exists || out.size() != m_outputBefore.size ||
                             out.lastModified() != m_outputBefore.modified))
            QFile::remove(m_job.outputPath);
        finishRow(encoderFailure(result, m_env.encoderPath));
        return;
    }
    checkOutput();
}

void BatchRun::checkOutput()
{
    const QFileInfo out(m_job.outputPath);
    const qint64 size = out.exists() ? out.size() : -1;
    if (size > 0 && encoderWroteNothing(m_encoderTail)) {
        finishRow(QStringLiteral("The encoder found nothing to convert in the source."));
        return;
    }
    if (size <= 0 || m_env.mediaInfoPath.isEmpty()) {
        finishRow(outputProblem(size, encodedSecondsOfStatusText(m_encoderTail),
                                m_audioOnly ? m_sourceSeconds : m_job.durationSeconds));
        return;
    }
    // The output is measured against what was asked, but never against more
    // than the source holds: the player's reading of a length can be far off.
    m_checks.clear();
    const QStringList paths = {m_job.outputPath, m_job.sourcePath};
    while (m_checks.size() < paths.size()) {
        auto *check = new Process(this);
        QTimer::singleShot(kCheckTimeLimitMs, check, [check] { check->stop(); });
        m_checks.append(check);
    }
    CommandLine program;
    program.appendPath(m_env.mediaInfoPath);
    const QList<QPointer<Process>> checks = m_checks;
    for (int i = 0; i < checks.size(); ++i) {
        connect(
            checks[i], &Process::finished, this, [this, size] { judgeOutput(size); },
            Qt::SingleShotConnection);
        checks[i]->start(program, durationQueryArguments(paths[i]));
    }
}

void BatchRun::judgeOutput(qint64 size)
{
    if (!m_running || m_checks.size() != 2 ||
        std::any_of(m_checks.cbegin(), m_checks.cend(),
                    [](const QPointer<Process> &c) { return !c || !c->result(); }))
        return; // the other one is still reading, or not even started
    const std::optional<double> output = parseDurationOutput(m_checks[0]->output());
    const std::optional<double> source = parseDurationOutput(m_checks[1]->output());
    for (const QPointer<Process> &done : std::exchange(m_checks, {}))
        done->deleteLater();
    double expected = m_audioOnly ? source.value_or(m_sourceSeconds) : m_job.durationSeconds;
    if (!m_audioOnly && source)
        expected = std::min(expected, *source - m_job.startSeconds);
    finishRow(outputProblem(size, judgedLength(output, encodedSecondsOfStatusText(m_encoderTail)),
                            expected));
}

void BatchRun::finishRow(const std::optional<QString> &problem)
{
    if (problem) {
        const QString tail = readableTail(m_encoderTail);
        m_list.setStatus(m_row, RowStatus::Fail,
                         tail.isEmpty() ? *problem : *problem + QLatin1Char('\n') + tail);
        Q_EMIT rowFinished(m_row, RowStatus::Fail);
    } else {
        setFilePercent(100);
        m_list.setStatus(m_row, RowStatus::Ok);
        Q_EMIT rowFinished(m_row, RowStatus::Ok);
        setTotalPercent(static_cast<int>(
            roundHalfEven(m_state.totalPercent + 100.0 / static_cast<double>(m_rowCount))));
    }
    ++m_row;
    QMetaObject::invokeMethod(this, &BatchRun::nextRow, Qt::QueuedConnection);
}

void BatchRun::cancel()
{
    // A Cancel while no batch runs is not kept for the next batch.
    if (!m_running)
        return;
    m_state.cancelRequested = true;
    cancelRow();
}

void BatchRun::cancelRow()
{
    stopWaitingForProbe();
    for (const QPointer<Process> &check : std::exchange(m_checks, {})) {
        if (check) {
            check->disconnect(this);
            check->stop();
            check->deleteLater();
        }
    }
    if (m_row < m_rowCount)
        m_list.setStatus(m_row, RowStatus::Cancel);
    Q_EMIT rowFinished(m_row, RowStatus::Cancel);
    Q_EMIT busyChanged(false);

    Process *encoder = m_encoder;
    m_encoder = nullptr;
    if (encoder) {
        // The encoder finishes the file it is writing and exits; the batch
        // does not wait for it, but it is killed if it does not stop.
        disconnect(encoder, &Process::finished, this, &BatchRun::onEncoderFinished);
        m_finishing.append(encoder);
        connect(encoder, &Process::finished, this, [this, encoder] { forgetEncoder(encoder); });
        tools().finishEncoding();
        QTimer::singleShot(kStopGraceMs, encoder, [encoder] { encoder->stop(); });
        if (!encoder->isRunning())
            forgetEncoder(encoder);
    }
    m_ticker.stop();
    if (m_env.prompt)
        m_env.prompt->error(QStringLiteral("Conversion Canceled by the user!"));
    endBatch(Outcome::Cancelled);
}

void BatchRun::forgetEncoder(Process *encoder)
{
    m_finishing.removeAll(encoder);
    encoder->deleteLater();
    if (!encoderAlive())
        Q_EMIT encoderGone();
}

void BatchRun::stopEarly()
{
    if (m_env.prompt)
        m_env.prompt->error(QStringLiteral("Invalid input file name. ") + m_job.sourcePath);
    endBatch(Outcome::Stopped);
}

void BatchRun::complete()
{
    m_ticker.stop();
    Q_EMIT totalPercentChanged(100);
    Q_EMIT busyChanged(false);
    const Settings settings(m_env.settingsPath, m_env.dataFolder);
    if (settings.autoShut() && m_env.powerOff && m_env.powerOff->powerOff()) {
        m_running = false;
        Q_EMIT finished(Outcome::PoweringOff);
        return;
    }
    if (m_env.prompt)
        m_env.prompt->information(QStringLiteral("Conversion completed!"));
    endBatch(Outcome::Completed);
}

void BatchRun::endBatch(Outcome outcome)
{
    m_ticker.stop();
    setFilePercent(0);
    setTotalPercent(0);
    Q_EMIT panelVisibleChanged(false);
    Q_EMIT busyChanged(false);
    m_state.cancelRequested = false;
    m_running = false;
    if (outcome == Outcome::Completed && m_env.desktop)
        m_env.desktop->openFolder(m_outputFolder);
    Q_EMIT finished(outcome);
}

void BatchRun::setFilePercent(int percent)
{
    Q_EMIT filePercentChanged(percent);
}

void BatchRun::setTotalPercent(int percent)
{
    m_state.totalPercent = percent;
    Q_EMIT totalPercentChanged(qBound(0, int(percent), 100));
}

} // namespace vantrel
