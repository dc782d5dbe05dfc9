#include "core/convert/BatchRun.h"

#include "core/common/FileNames.h"
#include "core/common/Logging.h"
#include "core/common/NumberText.h"
#include "core/common/TimeText.h"
#include "core/convert/CommandShapes.h"
#include "core/convert/OutputNaming.h"
#include "core/convert/RowOutput.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/sources/SourceFileRules.h"
#include "core/sources/SourceList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vantrel {

QString batchEndMessage(const BatchOutcome &outcome)
{
    switch (outcome.ending) {
    case BatchEnding::Completed:
        return QCoreApplication::translate("BatchRun", "Conversion completed!");
    case BatchEnding::Cancelled:
        return QCoreApplication::translate("BatchRun", "Conversion Canceled by the user!");
    case BatchEnding::Stopped:
        return QCoreApplication::translate("BatchRun", "Invalid input file name. ") +
               outcome.missingSource;
    }
    return QString();
}

namespace {

// Why a row's output did not get its first name, for the row's tip.
QString nameClashNote(const OutputName &name)
{
    switch (name.clash) {
    case NameClash::None:
        return QString();
    case NameClash::Source:
        return QCoreApplication::translate(
                   "BatchRun", "The first name for this output is its own source file, which "
                               "\"overwrite\" never replaces; it was named \"%1\" instead.")
            .arg(QFileInfo(name.path).fileName());
    case NameClash::SameBatch:
        return QCoreApplication::translate(
                   "BatchRun", "The first name for this output was written earlier in this "
                               "batch, which \"overwrite\" never replaces; it was named \"%1\" "
                               "instead.")
            .arg(QFileInfo(name.path).fileName());
    }
    return QString();
}

} // namespace

BatchRun::BatchRun(SourceList &list, OptionSheet &sheet, SelectedEntry selectedEntry,
                   BatchEnvironment environment, QObject *parent)
    : QObject(parent), m_list(list), m_sheet(sheet), m_selectedEntry(std::move(selectedEntry)),
      m_env(std::move(environment))
{
    m_setup.encoderPath = m_env.encoderPath;
    m_setup.statisticsPath = m_env.statisticsPath;
    connect(&m_encoderQuery, &EncoderQuery::finished, this, [this](const QSet<QString> &encoders) {
        if (!std::exchange(m_awaitingEncoderList, false))
            return;
        m_setup.installedEncoders = encoders;
        QMetaObject::invokeMethod(this, &BatchRun::nextRow, Qt::QueuedConnection);
    });
}

BatchRun::~BatchRun()
{
    // What still runs ends with the batch's children: encoders are stopped,
    // unfinished outputs removed.
    QFile::remove(m_env.statisticsPath);
}

bool BatchRun::canStart() const
{
    return !m_running && m_list.count() > 0;
}

bool BatchRun::encoderAlive() const
{
    if (m_run && m_run->isRunning())
        return true;
    for (const Stopping &stopping : m_stopping) {
        if (stopping.run && stopping.run->isRunning())
            return true;
    }
    return false;
}

bool BatchRun::start(const Settings &settings)
{
    if (!canStart())
        return false;
    m_running = true;
    m_ending.reset();
    m_outputs.clear();
    m_written.clear();
    Q_EMIT panelVisibleChanged(true);
    setTotalPercent(0);
    Q_EMIT busyChanged(true);

    const QString folder = settings.outputFolder;
    m_outputFolder = QDir::toNativeSeparators(QDir::cleanPath(
        QDir(m_env.dataFolder).absoluteFilePath(folder.isEmpty() ? m_env.dataFolder : folder)));
    // A folder that is not there yet is made, as a user who typed it expects;
    // when that fails, the rows say so.
    if (!outputFolderTooLong())
        QDir().mkpath(m_outputFolder);
    // What killed runs of the program left behind goes; a running one's stays.
    for (const QString &folder : {m_outputFolder, m_env.dataFolder}) {
        if (const int swept = sweepLeftovers(folder))
            qCInfo(lcBatch) << "removed" << swept << "files left by killed runs in" << folder;
    }
    m_setup.existingFile = settings.existingFile;
    m_setup.threads = settings.threads;
    m_row = 0;
    m_rowCount = m_list.count();
    m_clock.start();
    m_mediaDone = 0;
    Q_EMIT timeLeftChanged(QString());
    qCInfo(lcBatch) << "batch of" << m_rowCount << "rows into" << m_outputFolder;
    if (m_setup.installedEncoders.isEmpty()) {
        m_awaitingEncoderList = true;
        m_encoderQuery.start(m_env.encoderPath);
    } else {
        QMetaObject::invokeMethod(this, &BatchRun::nextRow, Qt::QueuedConnection);
    }
    return true;
}

QString BatchRun::rowMessages(int row) const
{
    return m_list.statusDetail(row);
}

void BatchRun::nextRow()
{
    if (!m_running || m_ending || m_run)
        return;
    stopWaitingForProbe();
    if (m_row >= m_rowCount || m_row >= m_list.count()) {
        maybeEnd();
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

std::optional<QString> BatchRun::prepareJob(const SourceItem &row, int entry)
{
    const std::optional<QString> extension = outputExtension(entry);
    if (!extension)
        return tr("The selected entry is a group, not an output profile.");
    if (outputFolderTooLong())
        return tr("The output folder of the settings is %1 characters long, longer than a path "
                  "can be.")
            .arg(m_outputFolder.size());
    const QFileInfo folder(m_outputFolder);
    if (!folder.isDir())
        return tr("The output folder \"%1\" is not there and cannot be made.").arg(m_outputFolder);
    if (!folder.isWritable())
        return tr("The output folder \"%1\" cannot be written to.").arg(m_outputFolder);
    m_job.profileIndex = entry;
    m_job.outputExtension = *extension;
    m_job.options = m_sheet.conversionOptions();
    // A name that this batch wrote, or that a row still in progress will
    // take, is never replaced, not even with "overwrite".
    const OutputName name = outputPathFor(
        m_job.sourcePath, m_outputFolder, m_job.outputExtension, m_setup.existingFile,
        [](const QString &path) { return QFileInfo::exists(path) || QFileInfo(path).isSymLink(); },
        [this](const QString &path) {
            return m_reserved.contains(path) || m_written.contains(path);
        });
    m_job.outputPath = name.path;
    m_nameNote = nameClashNote(name);
    m_outputs.insert(m_row, m_job.outputPath);

    const std::optional<int> start = secondsOfTimeText(row.clipStart);
    const std::optional<int> end = secondsOfTimeText(row.clipEnd);
    if (!start || !end)
        return tr("The clip start \"%1\" or end \"%2\" is no time of day.")
            .arg(row.clipStart, row.clipEnd);
    m_job.startSeconds = *start;
    m_job.durationSeconds = *end - *start;
    return std::nullopt;
}

void BatchRun::prepareAndStart()
{
    const SourceItem row = m_list.item(m_row);
    m_job = ConversionJob();
    m_job.sourcePath = row.fileName;
    if (!QFileInfo(m_job.sourcePath).isFile() && m_env.missingSourceEndsBatch) {
        m_ending = BatchOutcome{BatchEnding::Stopped, m_outputFolder, m_job.sourcePath};
        maybeEnd();
        return;
    }
    if (!QFileInfo::exists(m_job.sourcePath)) {
        failRow(tr("\"%1\" does not exist.").arg(m_job.sourcePath));
        return;
    }
    // Why the source cannot be converted, in words, before the encoder says
    // it less clearly (checked again: the file may have changed since).
    if (const std::optional<QString> unreadable = unreadableReason(m_job.sourcePath)) {
        failRow(*unreadable);
        return;
    }
    if (!row.problem.isEmpty()) {
        failRow(row.problem);
        return;
    }
    const std::optional<int> entry = m_selectedEntry ? m_selectedEntry() : std::nullopt;
    if (!entry) {
        failRow(tr("No output profile is selected."));
        return;
    }
    if (const std::optional<QString> problem = prepareJob(row, *entry)) {
        failRow(*problem);
        return;
    }
    auto output = std::make_shared<RowOutput>(m_job.outputPath, m_setup.existingFile);
    auto *run = new EncoderRun(m_setup, tools(), this);
    ConversionJob encoded = m_job;
    encoded.outputPath = output->temporaryPath();
    const Expected<CommandLine> command = run->build(encoded);
    if (!command) {
        delete run;
        failRow(command.error() + QLatin1Char('.'));
        return;
    }

    Conversion conversion;
    conversion.row = m_row;
    conversion.output = output;
    conversion.request.soundOnly = isAudioOnlyShape(profileCommandRow(*entry)->shape);
    conversion.request.soundWanted = m_job.options.disableAudio == QLatin1String("No");
    // Sound-only commands take the whole source anyway.
    conversion.request.wholeFile = isWholeFile(row) || conversion.request.soundOnly;
    conversion.request.startSeconds = m_job.startSeconds;
    conversion.request.durationSeconds = m_job.durationSeconds;
    conversion.nameNote = m_nameNote;
    m_reserved.insert(m_job.outputPath);

    qCInfo(lcBatch).noquote() << "row" << m_row + 1
                              << (conversion.request.wholeFile ? "(whole file)" : "(clip)")
                              << "command:" << command->text();
    m_list.setStatus(m_row, RowStatus::Processing);
    Q_EMIT rowStarted(m_row, tr("Progress....") + m_job.sourcePath + tr(" To ") + m_job.outputPath);
    m_current = conversion;
    m_run = run;
    connect(run, &EncoderRun::elapsedTextChanged, this, &BatchRun::elapsedTextChanged);
    connect(run, &EncoderRun::filePercentChanged, this, [this](int percent) {
        setFilePercent(percent);
        updateTimeLeft(percent);
    });
    connect(run, &EncoderRun::finished, this, &BatchRun::onEncoderFinished);
    run->start(*command, m_job.durationSeconds, conversion.request.wholeFile);
}

void BatchRun::failRow(const QString &reason)
{
    endRow(m_row, RowStatus::Fail, reason);
    ++m_row;
    QMetaObject::invokeMethod(this, &BatchRun::nextRow, Qt::QueuedConnection);
}

void BatchRun::endRow(int row, RowStatus status, const QString &detail)
{
    qCInfo(lcBatch).noquote() << "row" << row + 1 << rowStatusText(status)
                              << detail.section(u'\n', 0, 0);
    m_list.setStatus(row, status, detail);
    m_mediaDone += rowMediaSeconds(row);
    Q_EMIT rowFinished(row, status);
    if (status == RowStatus::Ok)
        setTotalPercent(static_cast<int>(
            roundHalfEven(m_totalPercent + 100.0 / static_cast<double>(m_rowCount))));
}

void BatchRun::onEncoderFinished(const ProcessResult &result)
{
    EncoderRun *run = m_run;
    m_run = nullptr;
    if (!run)
        return;
    run->disconnect(this);
    run->deleteLater();
    const Conversion conversion = std::exchange(m_current, Conversion());
    m_reserved.remove(conversion.output->finalPath());
    qCInfo(lcBatch).noquote() << "row" << conversion.row + 1 << "encoder" << endingText(result);
    ++m_row;
    QMetaObject::invokeMethod(this, &BatchRun::nextRow, Qt::QueuedConnection);

    // The line that tells why the output could not be written comes first,
    // then how the encoder ended.
    const EncoderReport report = run->report();
    QStringList reasons;
    if (!report.writeErrorLine.isEmpty())
        reasons << report.writeErrorLine;
    if (!result.succeeded())
        reasons << encoderFailureReason(result, m_env.encoderPath);
    else if (!report.failureLine.isEmpty())
        reasons << report.failureLine;
    if (reasons.isEmpty()) {
        const OutputVerdict verdict = conversion.output->judge(conversion.request, report);
        if (verdict.complete) {
            const Expected<QString> committed = conversion.output->commit();
            if (committed) {
                m_outputs.insert(conversion.row, *committed);
                m_written.insert(*committed);
                setFilePercent(100);
                QStringList notes{conversion.nameNote, verdict.text};
                notes.removeAll(QString());
                endRow(conversion.row, RowStatus::Ok, notes.join(u'\n'));
                return;
            }
            reasons << committed.error();
        } else {
            reasons << verdict.text;
        }
    }
    const QString lastLines = run->lastLines();
    if (!lastLines.isEmpty())
        reasons << lastLines;
    endRow(conversion.row, RowStatus::Fail, reasons.join(u'\n'));
}

void BatchRun::cancel()
{
    stopBatch(true);
}

void BatchRun::abandon()
{
    stopBatch(false);
}

void BatchRun::stopBatch(bool keepOutput)
{
    // A Cancel while no batch runs is not kept for the next batch.
    if (!m_running || m_ending)
        return;
    stopWaitingForProbe();
    if (EncoderRun *run = m_run) {
        // The encoder finishes the file it is writing and exits; the batch
        // does not wait for it. The file then takes its final name.
        m_run = nullptr;
        run->disconnect(this);
        const Conversion conversion = std::exchange(m_current, Conversion());
        m_list.setStatus(conversion.row, RowStatus::Cancel);
        Q_EMIT rowFinished(conversion.row, RowStatus::Cancel);
        m_reserved.remove(conversion.output->finalPath());
        m_stopping.append({run, conversion.output, conversion.row, keepOutput});
        connect(run, &EncoderRun::finished, this,
                [this, run](const ProcessResult &result) { onStopped(run, result); });
        run->stop();
    }
    Q_EMIT busyChanged(false);
    m_ending = BatchOutcome{BatchEnding::Cancelled, m_outputFolder, QString()};
    maybeEnd();
}

void BatchRun::onStopped(EncoderRun *run, const ProcessResult &result)
{
    for (qsizetype i = 0; i < m_stopping.size(); ++i) {
        if (m_stopping[i].run != run)
            continue;
        const Stopping stopping = m_stopping.takeAt(i);
        const EncoderReport report = run->report();
        if (stopping.keep && result.succeeded() && report.writeErrorLine.isEmpty() &&
            report.failureLine.isEmpty()) {
            const Expected<QString> committed = stopping.output->commit();
            if (committed) {
                m_outputs.insert(stopping.row, *committed);
                m_written.insert(*committed);
            }
        }
        break;
    }
    run->deleteLater();
    if (!encoderAlive())
        Q_EMIT encoderGone();
}

void BatchRun::maybeEnd()
{
    if (!m_running || m_run)
        return;
    if (m_ending) {
        endBatch(*m_ending);
        return;
    }
    if (m_row >= m_rowCount || m_row >= m_list.count())
        complete();
}

void BatchRun::complete()
{
    Q_EMIT totalPercentChanged(100);
    Q_EMIT busyChanged(false);
    BatchOutcome outcome{BatchEnding::Completed, m_outputFolder, QString()};
    outcome.rows = std::min(m_rowCount, m_list.count());
    for (int row = 0; row < outcome.rows; ++row) {
        if (m_list.item(row).status == RowStatus::Fail)
            ++outcome.failedRows;
    }
    endBatch(outcome);
}

void BatchRun::endBatch(const BatchOutcome &outcome)
{
    m_running = false;
    m_ending.reset();
    m_awaitingEncoderList = false;
    qCInfo(lcBatch) << "batch ends:" << batchEndMessage(outcome);
    // The receivers tell the user while the panel still shows how it ended.
    Q_EMIT finished(outcome);
    if (m_running)
        return; // a receiver started the next batch
    setFilePercent(0);
    setTotalPercent(0);
    Q_EMIT timeLeftChanged(QString());
    Q_EMIT panelVisibleChanged(false);
    Q_EMIT busyChanged(false);
}

bool BatchRun::outputFolderTooLong() const
{
    return QFile::encodeName(m_outputFolder).size() > kPathMaxBytes;
}

double BatchRun::rowMediaSeconds(int row) const
{
    if (row < 0 || row >= m_list.count())
        return 0;
    const SourceItem &item = m_list.item(row);
    const std::optional<int> start = secondsOfTimeText(item.clipStart);
    const std::optional<int> end = secondsOfTimeText(item.clipEnd);
    return start && end ? std::max(0, *end - *start) : 0;
}

void BatchRun::updateTimeLeft(int filePercent)
{
    double total = 0;
    for (int row = 0; row < std::min(m_rowCount, m_list.count()); ++row)
        total += rowMediaSeconds(row);
    const double done = m_mediaDone + rowMediaSeconds(m_row) * filePercent / 100.0;
    const std::optional<int> left =
        batchSecondsLeft(total, done, double(m_clock.elapsed()) / 1000.0);
    Q_EMIT timeLeftChanged(left ? timeText(*left) : QString());
}

void BatchRun::setFilePercent(int percent)
{
    Q_EMIT filePercentChanged(percent);
}

void BatchRun::setTotalPercent(int percent)
{
    m_totalPercent = percent;
    Q_EMIT totalPercentChanged(qBound(0, percent, 100));
}

} // namespace vantrel
