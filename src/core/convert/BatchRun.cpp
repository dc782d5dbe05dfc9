#include "core/convert/BatchRun.h"

#include "core/common/Logging.h"
#include "core/common/NumberText.h"
#include "core/common/TimeText.h"
#include "core/convert/CommandShapes.h"
#include "core/convert/OutputNaming.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/sources/SourceList.h"

#include <QCoreApplication>
#include <QDir>
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

BatchRun::BatchRun(SourceList &list, OptionSheet &sheet, SelectedEntry selectedEntry,
                   BatchEnvironment environment, QObject *parent)
    : QObject(parent), m_list(list), m_sheet(sheet), m_selectedEntry(std::move(selectedEntry)),
      m_env(std::move(environment)), m_check(m_env.mediaInfoPath)
{
    m_setup.encoderPath = m_env.encoderPath;
    m_setup.statisticsPath = m_env.statisticsPath;
    connect(&m_encoderQuery, &EncoderQuery::finished, this, [this](const QSet<QString> &encoders) {
        if (!std::exchange(m_awaitingEncoderList, false))
            return;
        m_setup.installedEncoders = encoders;
        QMetaObject::invokeMethod(this, &BatchRun::nextRow, Qt::QueuedConnection);
    });
    connect(&m_check, &OutputCheck::judged, this, &BatchRun::finishRow);
}

BatchRun::~BatchRun() = default;

bool BatchRun::canStart() const
{
    return !m_running && m_list.count() > 0;
}

bool BatchRun::encoderAlive() const
{
    if (m_run && m_run->isRunning())
        return true;
    for (const QPointer<EncoderRun> &run : m_stopping) {
        if (run && run->isRunning())
            return true;
    }
    return false;
}

bool BatchRun::start(const Settings &settings)
{
    if (!canStart())
        return false;
    m_running = true;
    m_outputs.clear();
    Q_EMIT panelVisibleChanged(true);
    setTotalPercent(0);
    Q_EMIT busyChanged(true);

    const QString folder = settings.outputFolder;
    m_outputFolder = QDir::toNativeSeparators(QDir::cleanPath(
        QDir(m_env.dataFolder).absoluteFilePath(folder.isEmpty() ? m_env.dataFolder : folder)));
    // A folder that is not there yet is made, as a user who typed it expects;
    // when that fails, the rows say so.
    QDir().mkpath(m_outputFolder);
    m_setup.existingFile = settings.existingFile;
    m_setup.threads = settings.threads;
    m_row = 0;
    m_rowCount = m_list.count();
    qCInfo(lcBatch) << "batch of" << m_rowCount << "rows into" << m_outputFolder;
    m_awaitingEncoderList = true;
    m_encoderQuery.start(m_env.encoderPath);
    return true;
}

QString BatchRun::rowMessages(int row) const
{
    return m_list.statusDetail(row);
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

std::optional<QString> BatchRun::prepareJob(const SourceItem &row, int entry)
{
    const std::optional<QString> extension = outputExtension(entry);
    if (!extension)
        return tr("The selected entry is a group, not an output profile.");
    m_job.profileIndex = entry;
    m_job.outputExtension = *extension;
    m_job.options = m_sheet.conversionOptions();
    m_job.outputPath =
        outputPathFor(m_job.sourcePath, m_outputFolder, m_job.outputExtension, m_setup.existingFile,
                      [](const QString &path) { return QFileInfo::exists(path); });
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
    if (!QFileInfo(m_job.sourcePath).isFile()) {
        endBatch({BatchEnding::Stopped, m_outputFolder, m_job.sourcePath});
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
    auto *run = new EncoderRun(m_setup, tools(), this);
    const Expected<CommandLine> command = run->build(m_job);
    if (!command) {
        delete run;
        failRow(command.error() + QLatin1Char('.'));
        return;
    }
    qCInfo(lcBatch).noquote() << "row" << m_row + 1 << "command:" << command->text();

    m_list.setStatus(m_row, RowStatus::Processing);
    Q_EMIT rowStarted(m_row, tr("Progress....") + m_job.sourcePath + tr(" To ") + m_job.outputPath);
    OutputExpectation expectation;
    expectation.outputPath = m_job.outputPath;
    expectation.sourcePath = m_job.sourcePath;
    expectation.audioOnly = isAudioOnlyShape(profileCommandRow(*entry)->shape);
    expectation.sourceSeconds = secondsOfTimeText(row.videoTime).value_or(0);
    expectation.startSeconds = m_job.startSeconds;
    expectation.durationSeconds = m_job.durationSeconds;
    m_check.begin(expectation);

    m_run = run;
    m_encoderMessages.clear();
    connect(run, &EncoderRun::elapsedTextChanged, this, &BatchRun::elapsedTextChanged);
    connect(run, &EncoderRun::filePercentChanged, this, &BatchRun::filePercentChanged);
    connect(run, &EncoderRun::finished, this, &BatchRun::onEncoderFinished);
    run->start(*command, m_job.durationSeconds);
}

void BatchRun::failRow(const QString &reason)
{
    qCInfo(lcBatch).noquote() << "row" << m_row + 1 << "fails:" << reason;
    m_list.setStatus(m_row, RowStatus::Fail, reason);
    Q_EMIT rowFinished(m_row, RowStatus::Fail);
    ++m_row;
    QMetaObject::invokeMethod(this, &BatchRun::nextRow, Qt::QueuedConnection);
}

void BatchRun::onEncoderFinished(const ProcessResult &result)
{
    EncoderRun *run = m_run;
    m_run = nullptr;
    if (!run)
        return;
    run->disconnect(this);
    run->deleteLater();
    m_encoderMessages = run->lastLines();
    qCInfo(lcBatch).noquote() << "row" << m_row + 1 << "encoder" << endingText(result);
    if (!result.succeeded()) {
        m_check.discardPartialOutput();
        finishRow(encoderFailureReason(result, m_env.encoderPath));
        return;
    }
    m_check.judge(run->messages());
}

void BatchRun::finishRow(const std::optional<QString> &problem)
{
    if (!m_running)
        return;
    if (problem) {
        qCInfo(lcBatch).noquote() << "row" << m_row + 1 << "fails:" << *problem;
        m_list.setStatus(m_row, RowStatus::Fail,
                         m_encoderMessages.isEmpty()
                             ? *problem
                             : *problem + QLatin1Char('\n') + m_encoderMessages);
        Q_EMIT rowFinished(m_row, RowStatus::Fail);
    } else {
        qCInfo(lcBatch) << "row" << m_row + 1 << "is complete";
        setFilePercent(100);
        m_list.setStatus(m_row, RowStatus::Ok);
        Q_EMIT rowFinished(m_row, RowStatus::Ok);
        setTotalPercent(static_cast<int>(
            roundHalfEven(m_totalPercent + 100.0 / static_cast<double>(m_rowCount))));
    }
    ++m_row;
    QMetaObject::invokeMethod(this, &BatchRun::nextRow, Qt::QueuedConnection);
}

void BatchRun::cancel()
{
    // A Cancel while no batch runs is not kept for the next batch.
    if (!m_running)
        return;
    cancelRow();
}

void BatchRun::cancelRow()
{
    stopWaitingForProbe();
    m_check.cancel();
    if (m_row < m_rowCount)
        m_list.setStatus(m_row, RowStatus::Cancel);
    Q_EMIT rowFinished(m_row, RowStatus::Cancel);
    Q_EMIT busyChanged(false);

    if (EncoderRun *run = m_run) {
        // The encoder finishes the file it is writing and exits; the batch
        // does not wait for it.
        m_run = nullptr;
        run->disconnect(this);
        m_stopping.append(run);
        connect(run, &EncoderRun::finished, this, [this, run] { forgetRun(run); });
        run->stop();
        if (!run->isRunning())
            forgetRun(run);
    }
    endBatch({BatchEnding::Cancelled, m_outputFolder, QString()});
}

void BatchRun::forgetRun(EncoderRun *run)
{
    m_stopping.removeAll(run);
    run->deleteLater();
    if (!encoderAlive())
        Q_EMIT encoderGone();
}

void BatchRun::complete()
{
    Q_EMIT totalPercentChanged(100);
    Q_EMIT busyChanged(false);
    endBatch({BatchEnding::Completed, m_outputFolder, QString()});
}

void BatchRun::endBatch(const BatchOutcome &outcome)
{
    m_running = false;
    m_awaitingEncoderList = false;
    qCInfo(lcBatch) << "batch ends:" << batchEndMessage(outcome);
    // The receivers tell the user while the panel still shows how it ended.
    Q_EMIT finished(outcome);
    if (m_running)
        return; // a receiver started the next batch
    setFilePercent(0);
    setTotalPercent(0);
    Q_EMIT panelVisibleChanged(false);
    Q_EMIT busyChanged(false);
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
