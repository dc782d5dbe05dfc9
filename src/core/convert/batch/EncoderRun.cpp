#include "core/convert/batch/EncoderRun.h"

#include "core/common/FileAccess.h"

#include "core/common/FileNames.h"
#include "core/common/Logging.h"
#include "core/convert/checks/OutputJudgement.h"
#include "core/tools/ToolControl.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

// The end of the encoder's messages is what tells why it stopped, or what
// a measuring pass found (loudnorm's summary, about 400 characters, last).
constexpr qsizetype kMessageChars = 4096;
constexpr int kMessageLines = 12;

} // namespace

EncoderRun::EncoderRun(EncoderSetup setup, ToolControl &tools, QObject *parent)
    : QObject(parent), m_setup(std::move(setup)), m_tools(tools), m_ticker(m_setup.statisticsPath)
{
    m_encoder.setOutputLimit(kMessageChars);
    connect(&m_ticker, &ProgressTicker::elapsedTextChanged, this, &EncoderRun::elapsedTextChanged);
    connect(&m_ticker, &ProgressTicker::filePercentChanged, this, &EncoderRun::showPassPercent);
    connect(&m_encoder, &Process::outputReceived, this, [this](const QString &text) {
        m_messages = QString(m_messages + text).right(kMessageChars);
        m_reader.add(text);
        followSourceLength();
        // The progress moves as each status line comes, by the time it gives.
        if (const std::optional<double> seconds = m_reader.statusSeconds()) {
            if (m_ticker.isActive())
                m_ticker.setEncodedSeconds(*seconds);
            madeProgress(*seconds);
            stopARunaway(*seconds);
        }
        // A pass whose output is of no use beyond a size is ended there.
        const std::optional<qint64> written = m_reader.writtenKilobytes();
        if (m_pass.stopAbove && written && *written * 1024 > *m_pass.stopAbove && !m_stoppedAbove &&
            m_encoder.isRunning()) {
            m_stoppedAbove = true;
            qCInfo(lcBatch) << "the pass's output passed" << *m_pass.stopAbove << "bytes: ended";
            m_encoder.stop();
        }
    });
    // The statistics file tells of every frame, also while the encoder fills
    // a gap without a word on its status line.
    connect(&m_ticker, &ProgressTicker::encodedSecondsRead, this, [this](double seconds) {
        madeProgress(seconds);
        stopARunaway(seconds);
    });
    m_stall.setSingleShot(true);
    connect(&m_stall, &QTimer::timeout, this, &EncoderRun::stopAStall);
    connect(&m_encoder, &Process::finished, this, &EncoderRun::onPassEnded);
}

void EncoderRun::end(const ProcessResult &result)
{
    removePassLogs(passLogBaseFor(m_setup.statisticsPath));
    Q_EMIT finished(result);
}

EncoderRun::~EncoderRun()
{
    // The encoder still running ends with this object; nobody hears of it.
    m_encoder.disconnect(this);
    removePassLogs(passLogBaseFor(m_setup.statisticsPath));
}

QStringList EncoderRun::notes() const
{
    QStringList notes = m_preparation.adaptation().notes;
    if (m_passes)
        notes += m_passes->notes();
    return notes;
}

void EncoderRun::follow(const PassStep &step)
{
    switch (step.kind) {
    case PassStep::Kind::Run:
        startPass(step.pass);
        return;
    case PassStep::Kind::Done:
        end(m_result);
        return;
    case PassStep::Kind::Fail:
        qCInfo(lcBatch).noquote() << "the row's passes give up:" << step.reason;
        m_stopReason = step.reason;
        end({ProcessResult::Ending::Exited, 0});
        return;
    }
}

void EncoderRun::startPass(const EncoderPass &pass)
{
    m_pass = pass;
    m_messages.clear();
    m_reader = EncoderReportReader();
    m_lengthKnown = false;
    m_stoppedAbove = false;
    // The pass covers the share of what is left that its weight claims.
    m_passBase = std::max(m_shownPercent, 0);
    m_passSpan = (100 - m_passBase) * pass.weight / std::max(pass.weight + pass.weightAfter, 1e-9);
    if (pass.writesOutput)
        QFile::remove(m_job.outputPath); // an earlier pass's try
    if (!pass.inputList.isEmpty() && !replaceFile(pass.inputList, pass.inputListContent)) {
        follow(PassStep::fail(
            tr("The list of the pieces to join could not be written to %1.").arg(pass.inputList)));
        return;
    }
    qCInfo(lcBatch).noquote() << "pass:" << pass.title;
    // The statistics file of the last run must not show as this one's progress.
    QFile::remove(m_setup.statisticsPath);
    m_encoder.start(CommandLine::program(m_setup.encoderPath), m_preparation.arguments(pass));
    if (!m_encoder.isRunning())
        return; // it could not start; its end has been reported
    m_tools.addEncoder(&m_encoder);
    m_lastSeconds = -1;
    m_stall.start(m_setup.stallLimitMs);
    if (std::exchange(m_firstPass, false))
        m_ticker.start(m_durationSeconds);
    else
        m_ticker.startPass(m_durationSeconds);
}

void EncoderRun::onPassEnded(const ProcessResult &result)
{
    m_ticker.stop();
    m_stall.stop();
    m_result = result;
    const EncoderReport report = m_reader.report();
    const bool stoppedAbove = m_stoppedAbove && result.ending == ProcessResult::Ending::Stopped;
    const bool failed = !stoppedAbove && (!result.succeeded() || !report.failureLine.isEmpty() ||
                                          !report.writeErrorLine.isEmpty());
    const bool stopped = result.ending == ProcessResult::Ending::Stopped && !stoppedAbove;
    if (m_stopping || !m_passes || !m_stopReason.isEmpty() ||
        (failed && (!m_pass.failureIsFinding || stopped))) {
        end(result);
        return;
    }
    PassOutcome outcome;
    outcome.failed = failed;
    outcome.messages = m_messages;
    outcome.report = report;
    outcome.stoppedAbove = stoppedAbove;
    if (m_pass.writesOutput) {
        const QFileInfo output(m_job.outputPath);
        outcome.outputBytes = output.exists() ? output.size() : -1;
    }
    follow(m_passes->next(outcome));
}

void EncoderRun::showPassPercent(int percent)
{
    const int shown = static_cast<int>(std::floor(m_passBase + m_passSpan * percent / 100.0));
    if (shown > m_shownPercent) {
        m_shownPercent = std::min(shown, 100);
        Q_EMIT filePercentChanged(m_shownPercent);
    }
}

void EncoderRun::followSourceLength()
{
    if (!m_wholeFile || m_lengthKnown)
        return;
    const EncoderReport report = m_reader.report();
    if (!report.output)
        return; // the input's section is read once the output's begins
    m_lengthKnown = true;
    const std::optional<double> length =
        report.input ? report.input->containerSeconds : std::nullopt;
    if (length && *length > 0)
        m_ticker.setDurationSeconds(static_cast<int>(std::ceil(*length)));
}

void EncoderRun::stopARunaway(double encodedSeconds)
{
    if (!m_stopReason.isEmpty() || !m_encoder.isRunning())
        return;
    const EncoderReport report = m_reader.report();
    // The whole file's longest length as the encoder read its header, else
    // the clip's (or the list's) length.
    double length = m_durationSeconds;
    if (m_wholeFile && report.input) {
        for (const std::optional<double> &seconds :
             {report.input->containerSeconds, report.input->videoSeconds,
              report.input->audioSeconds})
            length = std::max(length, seconds.value_or(0));
    }
    const std::optional<QString> reason = runawayReason(encodedSeconds, length);
    if (!reason)
        return;
    m_stopReason = *reason;
    qCInfo(lcBatch).noquote() << "stopping a runaway encode:" << m_stopReason;
    m_ticker.stop();
    m_encoder.stop();
}

void EncoderRun::madeProgress(double seconds)
{
    if (seconds <= m_lastSeconds || !m_stall.isActive())
        return;
    m_lastSeconds = seconds;
    m_stall.start(m_setup.stallLimitMs);
}

void EncoderRun::stopAStall()
{
    if (!m_stopReason.isEmpty() || !m_encoder.isRunning())
        return;
    m_stopReason = tr("The encoder told no progress for %1 s: its source may never end or may "
                      "hang, so it was stopped.")
                       .arg(m_setup.stallLimitMs / 1000);
    qCInfo(lcBatch).noquote() << "stopping a stalled encode:" << m_stopReason;
    m_ticker.stop();
    m_encoder.stop();
}

void EncoderRun::start(const ConversionJob &job, const RunPreparation &preparation,
                       int durationSeconds, bool wholeFile)
{
    m_job = job;
    m_preparation = preparation;
    m_passes.reset();
    m_pass = EncoderPass();
    m_firstPass = true;
    m_shownPercent = -1;
    m_durationSeconds = durationSeconds;
    m_messages.clear();
    m_reader = EncoderReportReader();
    m_wholeFile = wholeFile;
    m_lengthKnown = false;
    m_stopReason.clear();
    m_stopping = false;
    const QString passLogs = passLogBaseFor(m_setup.statisticsPath);
    removePassLogs(passLogs);
    m_passes =
        std::make_unique<RowPasses>(m_preparation.passContext(passLogs), m_preparation.command());
    // A source the entry cannot take fails before any encoder starts.
    const QString refusal = m_preparation.adaptation().refusal;
    follow(refusal.isEmpty() ? m_passes->begin() : PassStep::fail(refusal));
}

QString EncoderRun::lastLines() const
{
    QString text = m_messages;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    if (lines.size() > kMessageLines)
        lines = lines.mid(lines.size() - kMessageLines);
    return lines.join(u'\n').trimmed();
}

void EncoderRun::stop()
{
    m_ticker.stop();
    m_stall.stop();
    m_stopping = true;
    if (!m_encoder.isRunning())
        return;
    qCInfo(lcBatch) << "stopping the encoder: it finishes its file";
    ToolControl::encoderStop(kStopGraceMs).apply(m_encoder);
}

} // namespace vantrel
