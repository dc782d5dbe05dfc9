#include "core/tools/SourceAnalysis.h"

#include "core/common/Logging.h"

namespace vantrel {

namespace {

// ffprobe's answer for a film is a few kB; a file of thousands of streams
// is not worth more.
constexpr qsizetype kLongestAnswer = 2 * 1024 * 1024;
// The idet summary stands at the end of the encoder's messages.
constexpr qsizetype kKeptMessages = 16384;

CommandLine programOnly(const QString &path)
{
    CommandLine command;
    command.appendPath(path);
    return command;
}

} // namespace

SourceAnalysis::SourceAnalysis(QString probePath, QString encoderPath, QObject *parent)
    : QObject(parent), m_probePath(std::move(probePath)), m_encoderPath(std::move(encoderPath))
{
    m_probe.setDataOutput(true);
    m_probe.setOutputLimit(kKeptMessages);
    m_probe.setBackground(true);
    m_lastPackets.setDataOutput(true);
    m_lastPackets.setOutputLimit(kKeptMessages);
    m_lastPackets.setBackground(true);
    m_fieldCount.setOutputLimit(kKeptMessages);
    m_fieldCount.setBackground(true);
    m_limit.setSingleShot(true);
    connect(&m_probe, &Process::dataReceived, this, [this](const QByteArray &data) {
        if (m_answer.size() + data.size() > kLongestAnswer) {
            m_tooLong = true;
            m_probe.stop();
            return;
        }
        m_answer += data;
    });
    connect(&m_probe, &Process::finished, this, &SourceAnalysis::onProbeEnded);
    connect(&m_lastPackets, &Process::dataReceived, this, [this](const QByteArray &data) {
        // The list's end is what tells; a few seconds of packets are small.
        m_answer = QByteArray(m_answer + data).right(kKeptMessages);
    });
    connect(&m_lastPackets, &Process::finished, this, &SourceAnalysis::onLastPacketsEnded);
    connect(&m_fieldCount, &Process::finished, this, &SourceAnalysis::onFieldCountEnded);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        qCInfo(lcTools) << "source analysis took too long:" << m_path;
        // Each stop ends its step, which goes on with what is known.
        for (Process *step : {&m_probe, &m_lastPackets, &m_fieldCount}) {
            if (step->isRunning())
                step->stop();
        }
    });
}

SourceAnalysis::~SourceAnalysis()
{
    stop();
}

void SourceAnalysis::start(const QString &path, Depth depth)
{
    stop();
    m_path = path;
    m_depth = depth;
    m_facts.reset();
    m_answer.clear();
    m_tooLong = false;
    m_running = true;
    // From the event loop, so that `finished` never comes inside this call.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_running || m_probe.isRunning())
                return;
            m_limit.start(kProbeLimitMs);
            m_probe.start(programOnly(m_probePath),
                          sourceFactsArguments(m_path, m_depth != Depth::Header));
        },
        Qt::QueuedConnection);
}

void SourceAnalysis::stop()
{
    m_running = false;
    m_limit.stop();
    for (Process *step : {&m_probe, &m_lastPackets, &m_fieldCount}) {
        step->blockSignals(true);
        step->stop();
        step->blockSignals(false);
    }
}

void SourceAnalysis::onProbeEnded(const ProcessResult &result)
{
    if (!m_running)
        return;
    m_limit.stop();
    if (result.succeeded() && !m_tooLong)
        m_facts = parseSourceFacts(m_answer);
    m_answer.clear();
    if (!m_facts) {
        qCInfo(lcTools).noquote() << "no facts of" << m_path << endingText(result)
                                  << m_probe.output().trimmed();
        end();
        return;
    }
    const StreamFacts *picture = m_facts->picture();
    if (m_depth != Depth::Picture || !picture) {
        end();
        return;
    }
    const std::optional<QStringList> lastPackets =
        lastPacketsArguments(m_path, *m_facts, picture->index);
    if (!lastPackets) {
        countFields();
        return;
    }
    m_limit.start(kProbeLimitMs);
    m_lastPackets.start(programOnly(m_probePath), *lastPackets);
}

void SourceAnalysis::onLastPacketsEnded(const ProcessResult &result)
{
    if (!m_running)
        return;
    m_limit.stop();
    if (result.succeeded())
        m_facts->lastPictureSeconds = parseLastPictureSeconds(QString::fromLatin1(m_answer));
    m_answer.clear();
    countFields();
}

void SourceAnalysis::countFields()
{
    if (!m_facts->fieldOrderUnknown()) {
        end();
        return;
    }
    m_limit.start(kFieldCountLimitMs);
    m_fieldCount.start(programOnly(m_encoderPath),
                       fieldCountArguments(m_path, m_facts->picture()->index));
}

void SourceAnalysis::onFieldCountEnded(const ProcessResult &result)
{
    if (!m_running)
        return;
    m_limit.stop();
    // A count cut short by the time limit still counted what it saw.
    if (result.succeeded() || result.ending == ProcessResult::Ending::Stopped)
        m_facts->measuredFields = parseFieldCount(m_fieldCount.output());
    end();
}

void SourceAnalysis::end()
{
    m_running = false;
    Q_EMIT finished();
}

} // namespace vantrel
