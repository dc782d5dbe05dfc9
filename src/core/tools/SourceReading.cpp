#include "core/tools/SourceReading.h"

#include "core/common/Logging.h"

namespace vantrel {

namespace {

// ffprobe's answer for a film is some tens of kB (its packets listed); a
// file of thousands of streams is not worth more.
constexpr qsizetype kLongestAnswer = 8 * 1024 * 1024;
// The idet summary stands at the end of the encoder's messages.
constexpr qsizetype kKeptMessages = 16384;

} // namespace

bool ReadingNeeds::metBy(const SourceFacts &facts) const
{
    if (fieldOrder && facts.fieldsToCount())
        return false;
    if (hdrMetadata && facts.hdrMetadataToRead())
        return false;
    if (keyFramesAround && facts.picture() && facts.keyFrameReadFor != keyFramesAround)
        return false;
    if (keyFrameBeforeEnd && facts.picture() && facts.keyFrameEndReadFor != keyFrameBeforeEnd)
        return false;
    const bool endWanted = length || (lastPicture && facts.picture());
    return !endWanted || facts.lastPacketsRead;
}

SourceReading::SourceReading(QString probePath, QString encoderPath, QObject *parent)
    : QObject(parent), m_probePath(std::move(probePath)), m_encoderPath(std::move(encoderPath))
{
    for (Process *step : steps()) {
        step->setOutputLimit(kKeptMessages);
        step->setBackground(true);
    }
    m_probe.setDataOutput(true);
    m_lastPackets.setDataOutput(true);
    m_hdrFrames.setDataOutput(true);
    m_keyFrames.setDataOutput(true);
    m_limit.setSingleShot(true);
    connect(&m_probe, &Process::dataReceived, this, [this](const QByteArray &data) {
        if (m_answer.size() + data.size() > kLongestAnswer) {
            m_tooLong = true;
            m_probe.stop();
            return;
        }
        m_answer += data;
    });
    connect(&m_probe, &Process::finished, this, &SourceReading::onProbeEnded);
    connect(&m_lastPackets, &Process::dataReceived, this, [this](const QByteArray &data) {
        // The list's end is what tells; a few seconds of packets are small.
        m_answer = QByteArray(m_answer + data).right(kKeptMessages);
    });
    connect(&m_lastPackets, &Process::finished, this, &SourceReading::onLastPacketsEnded);
    connect(&m_fieldCount, &Process::finished, this, &SourceReading::onFieldCountEnded);
    for (Process *step : {&m_hdrFrames, &m_keyFrames}) {
        connect(step, &Process::dataReceived, this, [this, step](const QByteArray &data) {
            if (m_answer.size() + data.size() > kLongestAnswer) {
                m_tooLong = true;
                step->stop();
                return;
            }
            m_answer += data;
        });
    }
    connect(&m_hdrFrames, &Process::finished, this, &SourceReading::onHdrFramesEnded);
    connect(&m_keyFrames, &Process::finished, this, &SourceReading::onKeyFramesEnded);
    connect(&m_keyFrameHeaders, &Process::outputReceived, this, &SourceReading::onKeyFrameHeaders);
    connect(&m_keyFrameHeaders, &Process::finished, this, &SourceReading::onKeyFrameHeadersEnded);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        qCInfo(lcTools) << "source reading took too long:" << m_path;
        // Each stop ends its step, which goes on with what is known.
        for (Process *step : steps()) {
            if (step->isRunning())
                step->stop();
        }
    });
}

std::array<Process *, 6> SourceReading::steps()
{
    return {&m_probe,     &m_lastPackets, &m_fieldCount,
            &m_hdrFrames, &m_keyFrames,   &m_keyFrameHeaders};
}

SourceReading::~SourceReading()
{
    stop();
}

void SourceReading::setBackground(bool background)
{
    for (Process *step : steps())
        step->setBackground(background);
}

void SourceReading::start(const QString &path, const ReadingNeeds &needs,
                          std::optional<double> expectedSeconds, std::optional<SourceFacts> known)
{
    stop();
    m_path = path;
    m_needs = needs;
    m_facts = std::move(known);
    m_answer.clear();
    m_tooLong = false;
    m_lastPacketsTried = false;
    m_lastPacketsOfPicture = false;
    m_wholeRead = false;
    m_keyFrameWindow = kKeyFrameWindowSeconds;
    m_keyFramesOfEnd = false;
    m_running = true;
    // From the event loop, so that `finished` never comes inside this call.
    QMetaObject::invokeMethod(
        this,
        [this, expectedSeconds] {
            if (!m_running || m_probe.isRunning())
                return;
            if (m_facts) {
                next();
                return;
            }
            m_limit.start(kProbeLimitMs);
            m_probe.start(CommandLine::program(m_probePath),
                          m_needs.headerOnly ? sourceHeaderArguments(m_path)
                                             : sourceFactsArguments(m_path, expectedSeconds));
        },
        Qt::QueuedConnection);
}

void SourceReading::stop()
{
    m_running = false;
    m_limit.stop();
    for (Process *step : steps()) {
        step->blockSignals(true);
        step->stop();
        step->blockSignals(false);
    }
}

void SourceReading::onProbeEnded(const ProcessResult &result)
{
    if (!m_running)
        return;
    m_limit.stop();
    if (result.succeeded() && !m_tooLong)
        m_facts = parseSourceFacts(m_answer);
    if (m_facts)
        forgetGuessedLength(*m_facts, m_probe.output());
    m_answer.clear();
    if (!m_facts) {
        qCInfo(lcTools).noquote() << "no facts of" << m_path << endingText(result)
                                  << m_probe.output().trimmed();
        end();
        return;
    }
    next();
}

void SourceReading::next()
{
    const StreamFacts *picture = m_facts->picture();
    // The end is read in the picture's packets, or the sound's without one.
    const StreamFacts *ending = picture ? picture : m_facts->sound();
    const bool endWanted = m_needs.length || (m_needs.lastPicture && picture);
    if (ending && endWanted && !m_facts->lastPacketsRead && !m_lastPacketsTried) {
        m_lastPacketsTried = true;
        m_lastPacketsOfPicture = ending == picture;
        m_lastPacketsStream = ending->index;
        m_limit.start(m_facts->seconds ? kProbeLimitMs : kWholeReadLimitMs);
        m_lastPackets.start(CommandLine::program(m_probePath),
                            lastPacketsArguments(m_path, *m_facts, ending->index));
        return;
    }
    if (m_needs.fieldOrder && m_facts->fieldsToCount()) {
        m_limit.start(kFieldCountLimitMs);
        m_fieldCount.start(CommandLine::program(m_encoderPath),
                           fieldCountArguments(m_path, picture->index));
        return;
    }
    if (m_needs.hdrMetadata && m_facts->hdrMetadataToRead()) {
        m_answer.clear();
        m_tooLong = false;
        m_limit.start(kProbeLimitMs);
        m_hdrFrames.start(CommandLine::program(m_probePath),
                          hdrFrameArguments(m_path, picture->index));
        return;
    }
    if (m_needs.keyFramesAround && picture && m_facts->keyFrameReadFor != m_needs.keyFramesAround) {
        m_answer.clear();
        m_tooLong = false;
        m_limit.start(kProbeLimitMs);
        m_keyFrames.start(CommandLine::program(m_probePath),
                          keyFrameArguments(m_path, *m_facts, picture->index,
                                            *m_needs.keyFramesAround, m_keyFrameWindow,
                                            kKeyFrameAfterSeconds));
        return;
    }
    if (m_needs.keyFrameBeforeEnd && picture &&
        m_facts->keyFrameEndReadFor != m_needs.keyFrameBeforeEnd) {
        // A clip that ends with the file ends on its last picture anyway.
        const std::optional<double> held = m_facts->heldSeconds();
        if (held && *m_needs.keyFrameBeforeEnd >= *held - kEndsWithTheFile) {
            m_facts->keyFrameEndReadFor = m_needs.keyFrameBeforeEnd;
            m_facts->keyFrameBeforeEnd.reset();
            return next();
        }
        m_answer.clear();
        m_tooLong = false;
        m_keyFramesOfEnd = true;
        m_limit.start(kProbeLimitMs);
        m_keyFrames.start(CommandLine::program(m_probePath),
                          keyFrameArguments(m_path, *m_facts, picture->index,
                                            *m_needs.keyFrameBeforeEnd, kKeyFrameWindowSeconds,
                                            0.001));
        return;
    }
    end();
}

void SourceReading::onKeyFramesEnded(const ProcessResult &result)
{
    if (!m_running)
        return;
    m_limit.stop();
    if (std::exchange(m_keyFramesOfEnd, false)) {
        const double clipEnd = *m_needs.keyFrameBeforeEnd;
        const KeyFrames found =
            result.succeeded() && !m_tooLong
                ? keyFramesAround(QString::fromLatin1(m_answer), m_facts->startSeconds, clipEnd)
                : KeyFrames();
        m_answer.clear();
        m_facts->keyFrameEndReadFor = clipEnd;
        m_facts->keyFrameBeforeEnd = found.before;
        m_facts->keyFrameBeforeEndShownFrom = found.beforeShownFrom;
        next();
        return;
    }
    const double clipStart = *m_needs.keyFramesAround;
    const KeyFrames found =
        result.succeeded() && !m_tooLong
            ? keyFramesAround(QString::fromLatin1(m_answer), m_facts->startSeconds, clipStart)
            : KeyFrames();
    m_answer.clear();
    // None before in the window: once more from the file's start.
    if (!found.before && result.succeeded() && m_keyFrameWindow < clipStart) {
        m_keyFrameWindow = clipStart + 1;
        next();
        return;
    }
    m_facts->keyFrameReadFor = clipStart;
    m_facts->keyFrameBefore = found.before;
    m_facts->keyFrameAfter = found.after;
    m_facts->keyFrameAfterShownFrom = found.afterShownFrom;
    m_facts->keyFrameAfterClosed.reset();
    // Whether pictures encoded again can join the key frame after: its
    // headers, read until they tell.
    const StreamFacts *picture = m_facts->picture();
    const bool told = picture->codec == QLatin1String("h264") ||
                      picture->codec == QLatin1String("hevc") ||
                      picture->codec == QLatin1String("mpeg2video");
    if (found.after && told) {
        m_trace.clear();
        m_limit.start(kProbeLimitMs);
        m_keyFrameHeaders.start(CommandLine::program(m_encoderPath),
                                keyFrameHeaderArguments(m_path, picture->index,
                                                        found.before.value_or(0), *found.after));
        return;
    }
    next();
}

void SourceReading::onKeyFrameHeaders(const QString &text)
{
    // Only whole lines are read; the trace of one picture may run to
    // hundreds of kB, but what decides comes before its slice data.
    m_trace += text;
    const qsizetype lineEnd = m_trace.lastIndexOf(u'\n');
    if (lineEnd < 0)
        return;
    const std::optional<bool> closed =
        startsClosedGroup(m_facts->picture()->codec, m_trace.left(lineEnd));
    m_trace.remove(0, lineEnd + 1);
    if (closed) {
        m_facts->keyFrameAfterClosed = closed;
        m_keyFrameHeaders.stop();
    }
}

void SourceReading::onKeyFrameHeadersEnded()
{
    if (!m_running)
        return;
    m_limit.stop();
    m_trace.clear();
    next();
}

void SourceReading::onHdrFramesEnded(const ProcessResult &result)
{
    if (!m_running)
        return;
    m_limit.stop();
    m_facts->hdrFramesRead = true;
    if (result.succeeded() && !m_tooLong) {
        for (StreamFacts &stream : m_facts->streams) {
            if (&stream == m_facts->picture())
                readFramesSideData(m_answer, stream);
        }
    }
    m_answer.clear();
    next();
}

void SourceReading::onLastPacketsEnded(const ProcessResult &result)
{
    if (!m_running)
        return;
    m_limit.stop();
    const LastPackets last = parseLastPackets(QString::fromLatin1(m_answer));
    m_answer.clear();
    // Nothing past the seek (a file cut well before its claimed end): the
    // whole file is read for its end.
    if (result.succeeded() && !last.endSeconds && !m_wholeRead && m_facts->seconds) {
        m_wholeRead = true;
        SourceFacts untold = *m_facts;
        untold.seconds.reset();
        m_limit.start(kWholeReadLimitMs);
        m_lastPackets.start(CommandLine::program(m_probePath),
                            lastPacketsArguments(m_path, untold, m_lastPacketsStream));
        return;
    }
    // Read to the end, the file's end is known, or that it has no packet.
    if (result.succeeded()) {
        if (m_lastPacketsOfPicture)
            m_facts->lastPictureSeconds = last.shownLastSeconds;
        m_facts->packetsEndSeconds = last.endSeconds;
        m_facts->lastPacketsRead = true;
    }
    next();
}

void SourceReading::onFieldCountEnded(const ProcessResult &result)
{
    if (!m_running)
        return;
    m_limit.stop();
    m_facts->fieldsCounted = true;
    // A count cut short by the time limit still counted what it saw.
    if (result.succeeded() || result.ending == ProcessResult::Ending::Stopped)
        m_facts->measuredFields = parseFieldCount(m_fieldCount.output());
    next();
}

void SourceReading::end()
{
    m_running = false;
    Q_EMIT finished();
}

} // namespace vantrel
