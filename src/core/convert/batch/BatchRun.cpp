#include "core/convert/batch/BatchRun.h"

#include "core/common/FileNames.h"
#include "core/common/LeftoverSweep.h"
#include "core/common/Logging.h"
#include "core/common/NameClaim.h"
#include "core/common/NumberText.h"
#include "core/common/TimeText.h"
#include "core/convert/batch/JobBuilder.h"
#include "core/convert/batch/OutputNaming.h"
#include "core/convert/batch/RowOutput.h"
#include "core/convert/batch/RunPreparation.h"
#include "core/convert/command/CommandBuilder.h"
#include "core/convert/command/CommandShapes.h"
#include "core/convert/command/EncoderArguments.h"
#include "core/convert/command/EncoderList.h"
#include "core/convert/rules/SourceRules.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/records/OutputTargets.h"
#include "core/sources/SourceFileRules.h"
#include "core/sources/SourceList.h"
#include "core/tools/ToolLocator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <memory>

namespace vantrel {

namespace {

// Whether the file a stopped row's encoder finished may take its final name:
// only when the encoder ended well and the output check finds a picture or
// sound in it (an encoder stopped before its first frame leaves bare headers).
bool keepsStoppedOutput(const ProcessResult &result, const EncoderReport &report,
                        const RowOutput &output, const OutputRequest &request)
{
    return result.succeeded() && report.writeErrorLine.isEmpty() && report.failureLine.isEmpty() &&
           output.judge(request, report).complete;
}

} // namespace

BatchRun::BatchRun(SourceList &list, OptionSheet &sheet, SelectedEntry selectedEntry,
                   BatchEnvironment environment, QObject *parent)
    : QObject(parent), m_list(list), m_sheet(sheet), m_selectedEntry(std::move(selectedEntry)),
      m_env(std::move(environment)),
      m_readings(list, m_env.probePath.isEmpty() ? ToolLocator::mediaInfo() : m_env.probePath,
                 m_env.encoderPath),
      m_checks(m_env.encoderPath)
{
    connect(&m_readings, &SourceReadings::ended, this, &BatchRun::onRead);
    connect(&m_list, &SourceList::rowProbed, this, [this] {
        endFailuresProbed();
        readAhead();
    });
    connect(&m_list, &SourceList::allProbed, this, &BatchRun::endFailuresProbed);
    connect(&m_checks, &PlayCheck::checked, this, &BatchRun::onChecked);
    m_setup.encoderPath = m_env.encoderPath;
    m_setup.statisticsPath = m_env.statisticsPath;
    if (m_env.encoderStallLimitMs > 0)
        m_setup.stallLimitMs = m_env.encoderStallLimitMs;
    // Asked at once, while the first files are probed; remembered across
    // programs for the same encoder.
    connect(&m_encoderQuery, &EncoderQuery::finished, this, [this](const QSet<QString> &encoders) {
        m_setup.installedEncoders = encoders;
        m_encoderListKnown = true;
        Q_EMIT encodersKnown(encoders);
        if (std::exchange(m_awaitingEncoderList, false))
            QMetaObject::invokeMethod(this, &BatchRun::startRows, Qt::QueuedConnection);
    });
    m_encoderQuery.setCacheFile(m_env.encoderListCache);
    if (!m_env.encoderPath.isEmpty())
        m_encoderQuery.start(m_env.encoderPath);
}

BatchRun::~BatchRun()
{
    // What still runs ends with the batch's children: encoders are stopped,
    // unfinished outputs removed.
    for (int slot = 0; slot < std::max(m_slotsUsed, 1); ++slot)
        QFile::remove(statisticsPath(slot));
}

QString BatchRun::statisticsPath(int slot) const
{
    if (slot == 0)
        return m_env.statisticsPath;
    return numberedStatisticsFile(m_env.statisticsPath, slot + 1);
}

int BatchRun::freeSlot() const
{
    for (int slot = 0;; ++slot) {
        const bool taken = std::any_of(m_active.cbegin(), m_active.cend(),
                                       [slot](const Conversion &c) { return c.slot == slot; });
        if (!taken)
            return slot;
    }
}

bool BatchRun::canStart() const
{
    return !m_running && m_list.count() > 0;
}

bool BatchRun::encoderAlive() const
{
    for (const QList<Conversion> *runs : {&m_active, &m_stopping}) {
        for (const Conversion &conversion : *runs) {
            if (conversion.run && conversion.run->isRunning())
                return true;
        }
    }
    return false;
}

bool BatchRun::start(const Settings &settings)
{
    if (!canStart())
        return false;
    m_running = true;
    m_ending.reset();
    m_rows = m_list.ids();
    m_queue = m_rows;
    m_followed = 0;
    // What an earlier batch said of these rows is no longer true.
    for (int row = 0; row < m_list.count(); ++row)
        m_list.setStatus(row, RowStatus::Waiting);
    m_jobs.clear();
    m_outputs.clear();
    Q_EMIT panelVisibleChanged(true);
    setTotalPercent(0);
    Q_EMIT busyChanged(true);

    m_outputFolder = absoluteOutputFolder(settings.outputFolder, m_env.dataFolder);
    // A folder that is not there yet is made, as a user who typed it expects;
    // when that fails, the rows say so.
    if (!outputFolderTooLong())
        QDir().mkpath(m_outputFolder);
    // What killed runs of the program left behind goes; a running one's stays.
    for (const QString &swept : {m_outputFolder, m_env.dataFolder}) {
        if (const int count = sweepLeftovers(swept))
            qCInfo(lcBatch) << "removed" << count << "files left by killed runs in" << swept;
    }
    m_setup.existingFile = settings.existingFile;
    m_names.begin(m_outputFolder, settings.existingFile);
    m_setup.threads = settings.threads;
    m_maxRunning = std::max(1, settings.simultaneous);
    m_languages = settings.preferredLanguages.join(u',');
    m_doneRows.clear();
    Q_EMIT timeLeftChanged(QString());
    qCInfo(lcBatch) << "batch of" << m_rows.size() << "rows into" << m_outputFolder;
    QMetaObject::invokeMethod(this, &BatchRun::startRows, Qt::QueuedConnection);
    return true;
}

QString BatchRun::rowMessages(int row) const
{
    return m_list.statusDetail(row);
}

QString BatchRun::rowOutput(int row) const
{
    return row >= 0 && row < m_list.count() ? m_outputs.value(m_list.idOf(row)) : QString();
}

std::optional<ConversionJob> BatchRun::rowJob(int row) const
{
    if (row < 0 || row >= m_list.count())
        return std::nullopt;
    const auto job = m_jobs.constFind(m_list.idOf(row));
    return job == m_jobs.constEnd() ? std::nullopt : std::optional<ConversionJob>(*job);
}

void BatchRun::startRows()
{
    if (!m_running || m_awaitingEncoderList)
        return;
    while (!m_ending && m_active.size() < m_maxRunning && !m_queue.isEmpty()) {
        const RowId id = m_queue.constFirst();
        const std::optional<int> row = m_list.rowOf(id);
        if (!row) {
            m_queue.removeFirst(); // removed before its turn
            continue;
        }
        m_queue.removeFirst();
        if (!prepareAndStart(id) && m_awaitingEncoderList) {
            m_queue.prepend(id); // its command waits for the encoder list
            return;
        }
    }
    maybeEnd();
}

std::optional<QString> BatchRun::outputFolderProblem() const
{
    if (outputFolderTooLong())
        return tr("The output folder of the settings is %1 characters long, longer than a path "
                  "can be.")
            .arg(m_outputFolder.size());
    const QFileInfo folder(m_outputFolder);
    if (!folder.isDir())
        return tr("The output folder \"%1\" is not there and cannot be made.").arg(m_outputFolder);
    if (!folder.isWritable())
        return tr("The output folder \"%1\" cannot be written to.").arg(m_outputFolder);
    return std::nullopt;
}

bool BatchRun::prepareAndStart(RowId id)
{
    const SourceItem item = itemToConvert(id);
    if (!QFileInfo(item.fileName).isFile() && m_env.missingSourceEndsBatch) {
        m_ending = BatchOutcome{BatchEnding::Stopped, m_outputFolder, item.fileName};
        return false;
    }
    const Expected<ConversionJob> job = jobFor(item);
    if (!job) {
        failRow(id, job.error());
        return false;
    }
    Conversion conversion = conversionFor(id, item, *job);
    const Expected<EncoderCommand> command = commandFor(conversion);
    if (!command) {
        failRow(id, command.error());
        return false;
    }
    if (!m_encoderListKnown && needsEncoderList(*command)) {
        m_jobs.remove(id);
        m_outputs.remove(id);
        m_awaitingEncoderList = true;
        return false;
    }
    // Said before anything runs, rather than by the encoder at the end.
    const QStringList missing = missingEncoders(
        encoderRunArguments(*command, m_setup.existingFile, m_setup.installedEncoders),
        m_setup.installedEncoders);
    if (!missing.isEmpty()) {
        failRow(id, missingEncoderReason(missing));
        return false;
    }
    conversion.command = *command;
    launch(conversion);
    return true;
}

SourceItem BatchRun::itemToConvert(RowId id) const
{
    const int row = *m_list.rowOf(id);
    SourceItem item = m_list.item(row);
    // A row still being probed starts all the same: nobody can have
    // trimmed it, so it converts the whole file, whose length the encoder
    // tells.
    if (m_list.isProbing(row))
        item.clipStart = item.clipEnd = item.videoTime = timeText(0);
    return item;
}

Expected<ConversionJob> BatchRun::jobFor(const SourceItem &item) const
{
    using Job = Expected<ConversionJob>;
    if (!QFileInfo::exists(item.fileName))
        return Job::failure(tr("\"%1\" does not exist.").arg(item.fileName));
    // Why the source cannot be converted, in words, before the encoder says
    // it less clearly (checked again: the file may have changed since).
    if (const std::optional<QString> unreadable = unreadableReason(item.fileName))
        return Job::failure(*unreadable);
    if (const std::optional<QString> unusable = unusableSourceReason(item.fileName))
        return Job::failure(*unusable);
    if (!item.problem.isEmpty())
        return Job::failure(item.problem);
    const std::optional<int> entry = m_selectedEntry ? m_selectedEntry() : std::nullopt;
    if (!entry)
        return Job::failure(tr("No output profile is selected."));
    const Expected<ConversionJob> built = rowJob(item, *entry);
    if (!built)
        return built;
    // A clip past the source's end (a trimmed file replaced by a shorter one,
    // a terminal's --start for every file) converts nothing.
    const std::optional<int> held = secondsOfTimeText(item.videoTime);
    if (!isWholeFile(item) && held && *held > 0) {
        if (const std::optional<QString> past = clipPastEndReason(*built, *held))
            return Job::failure(*past);
    }
    if (const std::optional<QString> problem = outputFolderProblem())
        return Job::failure(*problem);
    return built;
}

Expected<ConversionJob> BatchRun::rowJob(const SourceItem &item, int entry) const
{
    ConversionOptions options = m_sheet.conversionOptions();
    options.languages = m_languages;
    Expected<ConversionJob> job =
        buildConversionJob(item.fileName, entry, options, item.clipStart, item.clipEnd);
    if (job) {
        job.value().tracks = item.tracks;
        // A clip cut at its end, or whose start moves its end to a time.
        job.value().endTrimmed = !isWholeFile(item);
    }
    return job;
}

BatchRun::Conversion BatchRun::conversionFor(RowId id, const SourceItem &item, ConversionJob job)
{
    Conversion conversion;
    conversion.id = id;
    const BatchNames::Given given = m_names.give(job);
    conversion.claim = given.claim;
    job.outputPath = given.name.path;
    m_jobs.insert(id, job);
    m_outputs.insert(id, job.outputPath);
    conversion.job = job;
    conversion.output = std::make_shared<RowOutput>(job.outputPath, m_setup.existingFile);
    conversion.nameNote = given.note;
    conversion.slot = freeSlot();
    conversion.request.soundOnly = isAudioOnlyShape(profileCommandRow(job.profileIndex)->shape);
    conversion.request.soundWanted = job.options.soundWanted();
    // Sound-only commands take the whole source anyway.
    conversion.request.wholeFile = isWholeFile(item) || conversion.request.soundOnly;
    conversion.request.startSeconds = job.startSeconds;
    conversion.request.durationSeconds = job.durationSeconds;
    if (const Expected<std::optional<qint64>> &limit = job.options.sizeLimit(); limit)
        conversion.request.sizeLimit = *limit;
    conversion.caption = tr("Progress....") + job.sourcePath + tr(" To ") + job.outputPath;
    return conversion;
}

Expected<EncoderCommand> BatchRun::commandFor(const Conversion &conversion) const
{
    // The encoder writes the hidden temporary file; its statistics go to the
    // file of its slot.
    EncoderCommandInput input{conversion.job, m_setup.threads, m_setup.encoderPath,
                              statisticsPath(conversion.slot)};
    input.job.outputPath = conversion.output->temporaryPath();
    const Expected<EncoderCommand> command = buildEncoderCommand(input);
    if (!command)
        return Expected<EncoderCommand>::failure(command.error() + QLatin1Char('.'));
    return command;
}

void BatchRun::launch(Conversion conversion)
{
    m_slotsUsed = std::max(m_slotsUsed, conversion.slot + 1);
    m_names.reserve(conversion.job.outputPath);
    const int row = *m_list.rowOf(conversion.id);
    qCInfo(lcBatch).noquote() << "row" << row + 1
                              << (conversion.request.wholeFile ? "(whole file)" : "(clip)")
                              << "command:" << conversion.command.text();
    conversion.started.start();
    m_list.setStatus(row, RowStatus::Processing);
    // Today's entries fit their runs to what the source holds: its facts as
    // the row keeps them, or read now.
    conversion.needs = sourceNeeds(conversion.job);
    std::optional<SourceFacts> facts;
    if (conversion.needs) {
        facts = m_readings.known(conversion.id, *conversion.needs);
        if (!facts)
            conversion.stage = Conversion::Stage::Reading;
    }
    m_active.append(conversion);
    showFileProgress();
    if (conversion.stage == Conversion::Stage::Reading)
        m_readings.read(conversion.id, *conversion.needs, SourceReadings::Urgency::Waited);
    else
        startEncoder(m_active.last(), facts);
    readAhead();
    // Told once the row runs (one whose encoder could not start has ended
    // already), so that whoever hears it may cancel it at once.
    if (std::any_of(m_active.cbegin(), m_active.cend(),
                    [id = conversion.id](const Conversion &active) { return active.id == id; }))
        Q_EMIT rowStarted(row, conversion.caption);
}

void BatchRun::startEncoder(Conversion &conversion, const std::optional<SourceFacts> &facts)
{
    conversion.stage = Conversion::Stage::Encoding;
    conversion.encoding.start();
    // A source whose sound streams hold nothing usable is converted without
    // them (streamChoice); its output is not asked for sound.
    if (facts && !facts->sound())
        conversion.request.soundWanted = false;
    EncoderSetup setup = m_setup;
    setup.statisticsPath = statisticsPath(conversion.slot);
    auto *run = new EncoderRun(setup, tools(), this);
    conversion.run = run;
    // The panel follows the row that has run longest.
    connect(run, &EncoderRun::elapsedTextChanged, this, [this, run](const QString &text) {
        for (Conversion &active : m_active) {
            if (active.run == run)
                active.elapsed = text;
        }
        if (!m_active.isEmpty() && m_active.constFirst().run == run)
            Q_EMIT elapsedTextChanged(text);
    });
    connect(run, &EncoderRun::filePercentChanged, this, [this, run](int percent) {
        for (Conversion &active : m_active) {
            if (active.run != run)
                continue;
            active.percent = percent;
            if (const std::optional<int> row = m_list.rowOf(active.id))
                m_list.setProgress(*row, percent);
            Q_EMIT rowProgressChanged(active.id, percent);
        }
        showFileProgress();
        updateTimeLeft();
    });
    connect(run, &EncoderRun::finished, this,
            [this, run](const ProcessResult &result) { onEncoderFinished(run, result); });
    ConversionJob encoded = conversion.job;
    encoded.outputPath = conversion.output->temporaryPath();
    const RunPreparation preparation(
        encoded, conversion.command,
        {m_setup.existingFile, m_setup.installedEncoders, conversion.request.wholeFile}, facts);
    // Last: an encoder that cannot start ends the row inside this call.
    run->start(encoded, preparation, conversion.job.durationSeconds, conversion.request.wholeFile);
    holdChecksWhileBusy();
}

void BatchRun::holdChecksWhileBusy()
{
    // The rows that encode now or will at once (their sources being read,
    // or the next rows taking the place of those that ended).
    const qsizetype busy =
        m_queue.isEmpty() ? m_active.size() : std::max<qsizetype>(m_active.size(), m_maxRunning);
    // Encoders on every core: the checks wait to share one decoder start.
    m_checks.setHeld(m_running && !m_ending && busy >= QThread::idealThreadCount());
}

void BatchRun::onRead(RowId id, const std::optional<SourceFacts> &facts)
{
    readAhead();
    for (Conversion &active : m_active) {
        if (active.id != id || active.stage != Conversion::Stage::Reading)
            continue;
        // Read ahead for less than the row's entry asks: the rest now, once;
        // what a reading cannot learn is not asked of it again.
        if (facts && active.needs && !active.needs->metBy(*facts) &&
            !std::exchange(active.readAgain, true)) {
            m_readings.read(id, *active.needs, SourceReadings::Urgency::Waited);
            return;
        }
        startEncoder(active, facts);
        return;
    }
}

void BatchRun::readAhead()
{
    const std::optional<int> entry = m_selectedEntry ? m_selectedEntry() : std::nullopt;
    if (!m_running || m_ending || !entry)
        return;
    // As many rows ahead as may convert at once; a row still being probed
    // waits for the length the list learns.
    for (const RowId next : m_queue.mid(0, m_maxRunning)) {
        const std::optional<int> row = m_list.rowOf(next);
        if (!row || m_list.isProbing(*row) || m_readings.isReading(next))
            continue;
        const Expected<ConversionJob> job = rowJob(m_list.item(*row), *entry);
        const std::optional<ReadingNeeds> needs = job ? sourceNeeds(*job) : std::nullopt;
        if (needs && !m_readings.known(next, *needs))
            m_readings.read(next, *needs, SourceReadings::Urgency::Ahead);
    }
}

void BatchRun::failRow(RowId id, const QString &reason)
{
    endRow(id, RowStatus::Fail, reason);
}

void BatchRun::endRow(RowId id, RowStatus status, const QString &detail)
{
    if (status == RowStatus::Ok)
        setTotalPercent(static_cast<int>(
            roundHalfEven(m_totalPercent + 100.0 / static_cast<double>(m_rows.size()))));
    const std::optional<int> row = m_list.rowOf(id);
    qCInfo(lcBatch).noquote() << "row" << (row ? *row + 1 : 0) << rowStatusText(status)
                              << detail.section(u'\n', 0, 0);
    // A row removed while it converted has nowhere to show how it ended.
    if (row) {
        m_list.setStatus(*row, status, detail);
        Q_EMIT rowFinished(*row, status);
    }
    showFileProgress(); // the panel follows the next oldest row
}

void BatchRun::onEncoderFinished(EncoderRun *run, const ProcessResult &result)
{
    qsizetype at = -1;
    for (qsizetype i = 0; i < m_active.size(); ++i) {
        if (m_active.at(i).run == run)
            at = i;
    }
    if (at < 0)
        return;
    const bool oldest = at == 0;
    Conversion conversion = m_active.takeAt(at);
    // What the source claims, as known now: the list may have learnt its
    // length while the row converted.
    if (const std::optional<int> row = m_list.rowOf(conversion.id))
        setClaimedLength(conversion.request, m_list.sourceFacts(*row), m_list.item(*row).videoTime);
    run->disconnect(this);
    run->deleteLater();
    holdChecksWhileBusy();
    qCInfo(lcBatch).noquote() << "row id" << conversion.id << "encoder" << endingText(result);
    QMetaObject::invokeMethod(this, &BatchRun::startRows, Qt::QueuedConnection);

    // The line that tells why the output could not be written comes first,
    // then how the encoder ended.
    const EncoderReport report = run->report();
    QStringList reasons;
    if (!run->stopReason().isEmpty())
        reasons << run->stopReason();
    if (!report.writeErrorLine.isEmpty())
        reasons << report.writeErrorLine;
    if (!result.succeeded()) {
        if (const std::optional<QString> missing =
                missingSourceStreamReason(conversion.request, report))
            reasons << *missing;
        reasons << encoderFailureReason(result, m_env.encoderPath);
    } else if (!report.failureLine.isEmpty())
        reasons << report.failureLine;
    if (reasons.isEmpty()) {
        const OutputVerdict verdict = conversion.output->judge(conversion.request, report);
        if (verdict.complete) {
            // Complete is not enough: it must play.
            if (oldest)
                Q_EMIT filePercentChanged(100);
            m_doneRows << BatchProgress::Done{double(conversion.started.elapsed()) / 1000,
                                              rowMediaSeconds(conversion.id)};
            Conversion checked = conversion;
            checked.notes = run->notes();
            checked.lastLines = run->lastLines();
            startCheck(checked, verdict.text);
            return;
        }
        reasons << verdict.text;
    }
    // The encoder's last lines tell of what it did, not of why the row's
    // passes gave up.
    const QString lastLines = run->lastLines();
    if (!lastLines.isEmpty() && !(result.succeeded() && !run->stopReason().isEmpty()))
        reasons << lastLines;
    m_names.release(conversion.output->finalPath());
    failRowWhenProbed(conversion.id, reasons.join(u'\n'));
}

void BatchRun::failRowWhenProbed(RowId id, const QString &reason)
{
    const std::optional<int> row = m_list.rowOf(id);
    if (row && m_list.isProbing(*row)) {
        m_failedWhileProbed.insert(id, reason);
        return;
    }
    const QString problem = row ? m_list.item(*row).problem : QString();
    failRow(id, problem.isEmpty() ? reason : problem);
}

void BatchRun::endFailuresProbed()
{
    for (auto at = m_failedWhileProbed.begin(); at != m_failedWhileProbed.end();) {
        const std::optional<int> row = m_list.rowOf(at.key());
        if (row && m_list.isProbing(*row)) {
            ++at;
            continue;
        }
        const QString reason = at.value();
        const RowId id = at.key();
        at = m_failedWhileProbed.erase(at);
        failRowWhenProbed(id, reason);
    }
    maybeEnd();
}

void BatchRun::startCheck(Conversion conversion, const QString &note)
{
    conversion.stage = Conversion::Stage::Checking;
    conversion.check = m_checks.check(conversion.output->temporaryPath());
    conversion.notes.prepend(note);
    if (const std::optional<int> row = m_list.rowOf(conversion.id))
        m_list.setStatus(*row, RowStatus::Checking);
    m_checking.append(conversion);
    showFileProgress();
}

void BatchRun::onChecked(PlayCheck::Ticket ticket, const std::optional<QString> &problem)
{
    for (qsizetype i = 0; i < m_checking.size(); ++i) {
        if (m_checking.at(i).check != ticket)
            continue;
        const Conversion conversion = m_checking.takeAt(i);
        m_names.release(conversion.output->finalPath());
        if (problem) {
            QStringList reasons{*problem};
            if (!conversion.lastLines.isEmpty())
                reasons << conversion.lastLines;
            endRow(conversion.id, RowStatus::Fail, reasons.join(u'\n'));
        } else {
            commitChecked(conversion, QString());
        }
        break;
    }
    maybeEnd();
}

void BatchRun::commitChecked(Conversion conversion, const QString &note)
{
    const Expected<QString> committed = conversion.output->commit();
    if (!committed) {
        endRow(conversion.id, RowStatus::Fail, committed.error());
        return;
    }
    m_outputs.insert(conversion.id, *committed);
    m_names.written(*committed, conversion.claim);
    QStringList notes = QStringList{conversion.nameNote} + conversion.notes + QStringList{note};
    notes.removeAll(QString());
    endRow(conversion.id, RowStatus::Ok, notes.join(u'\n'));
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
    // The encoders finish the files they are writing and exit; the batch
    // does not wait for them. The files then take their final names.
    m_readings.cancelAll();
    for (Conversion conversion : std::exchange(m_active, {})) {
        const std::optional<int> row = m_list.rowOf(conversion.id);
        m_names.release(conversion.output->finalPath());
        if (conversion.stage == Conversion::Stage::Reading) {
            if (row) {
                m_list.setStatus(*row, RowStatus::Cancel,
                                 tr("Cancelled before anything was converted: no file was kept."));
                Q_EMIT rowFinished(*row, RowStatus::Cancel);
            }
            continue;
        }
        EncoderRun *run = conversion.run;
        run->disconnect(this);
        if (row) {
            m_list.setStatus(*row, RowStatus::Cancel);
            Q_EMIT rowFinished(*row, RowStatus::Cancel);
        }
        conversion.keep = keepOutput;
        m_stopping.append(conversion);
        connect(run, &EncoderRun::finished, this,
                [this, run](const ProcessResult &result) { onStopped(run, result); });
        run->stop();
    }
    // A row whose output is being checked was converted whole: its check
    // ends it, unless nobody asked for its file.
    if (!keepOutput) {
        for (const Conversion &checking : std::exchange(m_checking, {})) {
            m_checks.cancel(checking.check);
            m_names.release(checking.output->finalPath());
            if (const std::optional<int> row = m_list.rowOf(checking.id)) {
                m_list.setStatus(*row, RowStatus::Cancel);
                Q_EMIT rowFinished(*row, RowStatus::Cancel);
            }
        }
    }
    // A failure is not held for its probe once the batch stops.
    for (auto at = m_failedWhileProbed.cbegin(); at != m_failedWhileProbed.cend(); ++at)
        failRow(at.key(), at.value());
    m_failedWhileProbed.clear();
    Q_EMIT busyChanged(false);
    m_ending = BatchOutcome{BatchEnding::Cancelled, m_outputFolder, QString()};
    holdChecksWhileBusy();
    maybeEnd();
}

void BatchRun::onStopped(EncoderRun *run, const ProcessResult &result)
{
    for (qsizetype i = 0; i < m_stopping.size(); ++i) {
        if (m_stopping[i].run != run)
            continue;
        const Conversion stopping = m_stopping.takeAt(i);
        if (!stopping.keep)
            break;
        QString note = tr("Cancelled before anything was converted: no file was kept.");
        if (run->severalPasses()) {
            // A file of several passes is whole or nothing.
            note = tr("Cancelled: a file of several passes is kept only whole, so nothing was "
                      "kept.");
        } else if (keepsStoppedOutput(result, run->report(), *stopping.output, stopping.request)) {
            const Expected<QString> committed = stopping.output->commit();
            if (committed) {
                m_outputs.insert(stopping.id, *committed);
                m_names.written(*committed);
                note = tr("Cancelled: what was converted so far was kept.");
            } else {
                note = committed.error();
            }
        }
        // Said on the row, unless a later batch has taken it meanwhile.
        const std::optional<int> row = m_list.rowOf(stopping.id);
        if (row && m_list.item(*row).status == RowStatus::Cancel)
            m_list.setStatus(*row, RowStatus::Cancel, note);
        break;
    }
    run->deleteLater();
    if (!encoderAlive())
        Q_EMIT encoderGone();
}

void BatchRun::maybeEnd()
{
    if (!m_running || !m_active.isEmpty() || !m_checking.isEmpty() ||
        !m_failedWhileProbed.isEmpty())
        return;
    if (m_ending) {
        endBatch(*m_ending);
        return;
    }
    if (m_queue.isEmpty())
        complete();
}

void BatchRun::complete()
{
    Q_EMIT totalPercentChanged(100);
    Q_EMIT busyChanged(false);
    BatchOutcome outcome{BatchEnding::Completed, m_outputFolder, QString()};
    for (const RowId id : std::as_const(m_rows)) {
        const std::optional<int> row = m_list.rowOf(id);
        if (!row)
            continue;
        ++outcome.rows;
        if (m_list.item(*row).status == RowStatus::Fail)
            ++outcome.failedRows;
    }
    endBatch(outcome);
}

void BatchRun::endBatch(const BatchOutcome &outcome)
{
    // The rows whose turn never came were not converted.
    for (const RowId id : std::as_const(m_rows)) {
        const std::optional<int> row = m_list.rowOf(id);
        if (row && m_list.item(*row).status == RowStatus::Waiting)
            m_list.setStatus(*row, RowStatus::None);
    }
    m_followed = 0;
    m_running = false;
    m_ending.reset();
    m_awaitingEncoderList = false;
    m_queue.clear();
    m_names.end();
    qCInfo(lcBatch) << "batch ends:" << batchEndMessage(outcome);
    // The receivers tell the user while the panel still shows how it ended.
    Q_EMIT finished(outcome);
    if (m_running)
        return; // a receiver started the next batch
    Q_EMIT filePercentChanged(0);
    setTotalPercent(0);
    Q_EMIT timeLeftChanged(QString());
    Q_EMIT panelVisibleChanged(false);
    Q_EMIT busyChanged(false);
}

bool BatchRun::outputFolderTooLong() const
{
    return QFile::encodeName(m_outputFolder).size() > kPathMaxBytes;
}

double BatchRun::rowMediaSeconds(RowId id) const
{
    const std::optional<int> row = m_list.rowOf(id);
    if (!row)
        return 0;
    const SourceItem &item = m_list.item(*row);
    const std::optional<int> start = secondsOfTimeText(item.clipStart);
    const std::optional<int> end = secondsOfTimeText(item.clipEnd);
    return start && end ? std::max(0, *end - *start) : 0;
}

void BatchRun::updateTimeLeft()
{
    BatchProgress progress;
    progress.done = m_doneRows;
    for (const Conversion &active : std::as_const(m_active)) {
        BatchProgress::Running running;
        running.wallSeconds = double(active.started.elapsed()) / 1000;
        running.encodingSeconds =
            active.encoding.isValid() ? double(active.encoding.elapsed()) / 1000 : 0;
        running.percent = active.percent;
        running.mediaSeconds = rowMediaSeconds(active.id);
        progress.running << running;
    }
    for (const RowId id : std::as_const(m_queue))
        progress.waiting << rowMediaSeconds(id);
    progress.slots = m_maxRunning;
    const std::optional<int> left = batchSecondsLeft(progress);
    Q_EMIT timeLeftChanged(left ? timeText(*left) : QString());
}

void BatchRun::showFileProgress()
{
    if (m_active.isEmpty())
        return;
    const Conversion &oldest = m_active.constFirst();
    if (oldest.id != m_followed) {
        m_followed = oldest.id;
        Q_EMIT followedRowChanged(oldest.id, oldest.caption);
        if (!oldest.elapsed.isEmpty())
            Q_EMIT elapsedTextChanged(oldest.elapsed);
    }
    Q_EMIT filePercentChanged(oldest.percent);
}

void BatchRun::setTotalPercent(int percent)
{
    m_totalPercent = percent;
    Q_EMIT totalPercentChanged(qBound(0, percent, 100));
}

} // namespace vantrel
