#include "core/convert/OutputCheck.h"

#include "core/common/Logging.h"
#include "core/convert/ConversionProgress.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>

#include <algorithm>

namespace vantrel {

QStringList durationQueryArguments(const QString &path)
{
    return {QStringLiteral("-v"),
            QStringLiteral("error"),
            QStringLiteral("-show_entries"),
            QStringLiteral("format=duration"),
            QStringLiteral("-of"),
            QStringLiteral("default=noprint_wrappers=1:nokey=1"),
            path};
}

std::optional<double> parseDurationOutput(const QString &output)
{
    const QStringList lines = output.split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        bool ok = false;
        const double seconds = QLocale::c().toDouble(line.trimmed(), &ok);
        if (ok && seconds >= 0)
            return seconds;
    }
    return std::nullopt;
}

std::optional<double> judgedLength(std::optional<double> probed, std::optional<double> encoded)
{
    if (probed && encoded)
        return std::max(*probed, *encoded);
    return probed ? probed : encoded;
}

bool encoderWroteNothing(const QString &encoderOutput)
{
    return encoderOutput.contains(QLatin1String("Output file is empty, nothing was encoded"));
}

std::optional<QString> outputProblem(qint64 fileSize, std::optional<double> measuredSeconds,
                                     double expectedSeconds)
{
    if (fileSize < 0)
        return OutputCheck::tr("The encoder wrote no output file.");
    if (fileSize == 0)
        return OutputCheck::tr("The output file is empty.");
    if (measuredSeconds && *measuredSeconds + kOutputLengthTolerance < expectedSeconds)
        return OutputCheck::tr("The output is %1 s long, but %2 s were asked for "
                               "(a damaged source may claim more than it holds).")
            .arg(*measuredSeconds, 0, 'f', 1)
            .arg(expectedSeconds, 0, 'f', 0);
    return std::nullopt;
}

OutputCheck::OutputCheck(QString mediaInfoPath, QObject *parent)
    : QObject(parent), m_mediaInfoPath(std::move(mediaInfoPath))
{
    for (Process *query : {&m_outputQuery, &m_sourceQuery})
        connect(query, &Process::finished, this, &OutputCheck::onQueryFinished);
    m_timeLimit.setSingleShot(true);
    m_timeLimit.setInterval(kQueryTimeLimitMs);
    connect(&m_timeLimit, &QTimer::timeout, this, [this] {
        m_outputQuery.stop();
        m_sourceQuery.stop();
    });
}

OutputCheck::~OutputCheck()
{
    cancel();
}

void OutputCheck::begin(const OutputExpectation &expectation)
{
    cancel();
    m_expectation = expectation;
    const QFileInfo before(expectation.outputPath);
    m_before = {before.exists(), before.size(), before.lastModified()};
}

void OutputCheck::discardPartialOutput() const
{
    const QFileInfo out(m_expectation.outputPath);
    if (out.exists() && (!m_before.exists || out.size() != m_before.size ||
                         out.lastModified() != m_before.modified))
        QFile::remove(m_expectation.outputPath);
}

void OutputCheck::judge(const QString &encoderMessages)
{
    m_encoderMessages = encoderMessages;
    const QFileInfo out(m_expectation.outputPath);
    m_outputSize = out.exists() ? out.size() : -1;
    if (m_outputSize > 0 && encoderWroteNothing(encoderMessages)) {
        Q_EMIT judged(tr("The encoder found nothing to convert in the source."));
        return;
    }
    if (m_outputSize <= 0 || m_mediaInfoPath.isEmpty()) {
        Q_EMIT judged(outputProblem(m_outputSize, encodedSecondsOfStatusText(encoderMessages),
                                    m_expectation.audioOnly ? m_expectation.sourceSeconds
                                                            : m_expectation.durationSeconds));
        return;
    }
    // The output is measured against what was asked, but never against more
    // than the source holds: the player's reading of a length can be far off.
    CommandLine program;
    program.appendPath(m_mediaInfoPath);
    m_pendingQueries = 2;
    m_timeLimit.start();
    m_outputQuery.start(program, durationQueryArguments(m_expectation.outputPath));
    m_sourceQuery.start(program, durationQueryArguments(m_expectation.sourcePath));
}

void OutputCheck::onQueryFinished()
{
    if (m_pendingQueries == 0 || --m_pendingQueries > 0)
        return; // no judgement is under way, or the other query still reads
    m_timeLimit.stop();
    const std::optional<double> output = parseDurationOutput(m_outputQuery.output());
    const std::optional<double> source = parseDurationOutput(m_sourceQuery.output());
    const OutputExpectation &e = m_expectation;
    double expected = e.audioOnly ? source.value_or(e.sourceSeconds) : e.durationSeconds;
    if (!e.audioOnly && source)
        expected = std::min(expected, *source - e.startSeconds);
    const std::optional<double> measured =
        judgedLength(output, encodedSecondsOfStatusText(m_encoderMessages));
    qCInfo(lcBatch) << "output" << e.outputPath << "measured" << measured.value_or(-1)
                    << "s, expected" << expected << "s";
    Q_EMIT judged(outputProblem(m_outputSize, measured, expected));
}

void OutputCheck::cancel()
{
    m_pendingQueries = 0;
    m_timeLimit.stop();
    m_outputQuery.stop();
    m_sourceQuery.stop();
}

} // namespace vantrel
