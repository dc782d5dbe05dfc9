#include "core/convert/checks/PlayCheck.h"

#include "core/common/Logging.h"
#include "core/tools/SourceFacts.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

namespace vantrel {

namespace {

// The lines a check keeps: the first errors (a broken stream repeats one
// for every frame) and the final count of each stream.
constexpr int kKeptErrors = 20;
constexpr qsizetype kLongestLine = 1024;

bool isErrorLine(const QString &line)
{
    return line.contains(QLatin1String("[error] ")) || line.contains(QLatin1String("[fatal] "));
}

// "[vp9 @ 0x55…] [error] RGB not supported in profile 0" -> "vp9: RGB not
// supported in profile 0".
QString decoderWords(const QString &line)
{
    static const QRegularExpression form(
        QStringLiteral("^(?:\\[(\\S+) @ [^\\]]*\\] )?\\[(?:error|fatal)\\] (.*)$"));
    const QRegularExpressionMatch m = form.match(line.trimmed());
    if (!m.hasMatch())
        return line.trimmed();
    return m.captured(1).isEmpty() ? m.captured(2)
                                   : m.captured(1) + QStringLiteral(": ") + m.captured(2);
}

// "  Input stream #1:0 (video): 25 packets read (1234 bytes); 25 frames decoded; "
const QRegularExpression &countLine()
{
    static const QRegularExpression count(QStringLiteral(
        "Input stream #(\\d+):\\d+ \\((video|audio)\\): (\\d+) packets read [^;]*; (\\d+) frames "
        "decoded"));
    return count;
}

} // namespace

QStringList playCheckArguments(const QStringList &paths, CheckDepth depth)
{
    QStringList args = {QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"),
                        QStringLiteral("-nostats"), QStringLiteral("-loglevel"),
                        QStringLiteral("level+verbose")};
    // One decoding thread each: the check runs beside the next encode.
    for (const QString &path : paths) {
        const QString file = localFileArgument(path);
        args << QStringLiteral("-threads") << QStringLiteral("1") << QStringLiteral("-t")
             << QStringLiteral("1") << QStringLiteral("-i") << file;
        // The end from the key picture before its last second, and the last
        // second of sound.
        args << QStringLiteral("-threads") << QStringLiteral("1");
        if (depth == CheckDepth::KeyPictures)
            args << QStringLiteral("-skip_frame") << QStringLiteral("nokey");
        args << QStringLiteral("-sseof") << QStringLiteral("-1") << QStringLiteral("-i") << file;
    }
    // The first picture and the first sound prove the file plays: decoding
    // every stream of a file of a hundred takes the memory of a hundred
    // decoders.
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString start = QString::number(2 * i);
        const QString end = QString::number(2 * i + 1);
        args << QStringLiteral("-map") << start + QStringLiteral(":v:0?") << QStringLiteral("-map")
             << start + QStringLiteral(":a:0?") << QStringLiteral("-frames:v")
             << QStringLiteral("1") << QStringLiteral("-f") << QStringLiteral("null")
             << QStringLiteral("-");
        args << QStringLiteral("-map") << end + QStringLiteral(":v:0?") << QStringLiteral("-map")
             << end + QStringLiteral(":a:0?") << QStringLiteral("-f") << QStringLiteral("null")
             << QStringLiteral("-");
    }
    return args;
}

QStringList playCheckArguments(const QString &path, CheckDepth depth)
{
    return playCheckArguments(QStringList{path}, depth);
}

std::optional<QString> playProblem(const QString &messages, const ProcessResult &result)
{
    const QRegularExpression &count = countLine();
    QString firstError;
    QString silentStream;
    for (const QString &line : messages.split(u'\n')) {
        if (firstError.isEmpty() && isErrorLine(line))
            firstError = decoderWords(line);
        const QRegularExpressionMatch m = count.match(line);
        if (silentStream.isEmpty() && m.hasMatch() && m.captured(3).toLongLong() > 0 &&
            m.captured(4).toLongLong() == 0) {
            const bool start = m.captured(1) == QLatin1String("0");
            const bool picture = m.captured(2) == QLatin1String("video");
            silentStream =
                picture
                    ? (start ? QCoreApplication::translate(
                                   "PlayCheck", "its pictures do not decode at its start")
                             : QCoreApplication::translate("PlayCheck",
                                                           "its pictures do not decode at its end"))
                    : (start ? QCoreApplication::translate("PlayCheck",
                                                           "its sound does not decode at its start")
                             : QCoreApplication::translate("PlayCheck",
                                                           "its sound does not decode at its end"));
        }
    }
    if (result.succeeded() && silentStream.isEmpty())
        return std::nullopt;
    if (!result.started() || result.ending == ProcessResult::Ending::Stopped)
        return std::nullopt; // not checked: nothing is known
    QString text = QCoreApplication::translate("PlayCheck", "The output does not play");
    if (!silentStream.isEmpty())
        text += QStringLiteral(": ") + silentStream;
    if (!firstError.isEmpty())
        text +=
            QCoreApplication::translate("PlayCheck", " (the decoder says \"%1\")").arg(firstError);
    return text + QLatin1Char('.');
}

bool playedInGroup(const QString &messages, int index)
{
    for (const QString &line : messages.split(u'\n')) {
        const QRegularExpressionMatch m = countLine().match(line);
        if (m.hasMatch() && m.captured(1).toInt() / 2 == index && m.captured(3).toLongLong() > 0 &&
            m.captured(4).toLongLong() == 0)
            return false;
    }
    return true;
}

PlayCheck::PlayCheck(QString encoderPath, QObject *parent)
    : QObject(parent), m_encoderPath(std::move(encoderPath)), m_lines(kLongestLine)
{
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        m_decoder.stop();
    });
    // Only its ending is kept of what the decoder says; the lines that
    // matter are picked as they come. It yields to the encodes it runs beside.
    m_decoder.setOutputLimit(kLongestLine);
    m_decoder.setBackground(true);
    connect(&m_decoder, &Process::outputReceived, this, [this](const QString &text) {
        for (const QString &line : m_lines.add(text))
            keep(line);
    });
    connect(&m_decoder, &Process::finished, this, &PlayCheck::onEnded);
}

PlayCheck::~PlayCheck()
{
    m_limit.stop();
    m_decoder.blockSignals(true);
    m_decoder.stop();
}

PlayCheck::Ticket PlayCheck::check(const QString &path)
{
    m_waiting.append({++m_lastTicket, path, false});
    scheduleNext();
    return m_lastTicket;
}

void PlayCheck::cancel(Ticket ticket)
{
    m_waiting.removeIf([ticket](const Request &r) { return r.ticket == ticket; });
    // A file being checked is checked to the end with the others; its
    // answer is not told.
    for (Request &running : m_running) {
        if (running.ticket == ticket)
            running.ticket = 0;
    }
}

void PlayCheck::setHeld(bool held)
{
    m_held = held;
    if (!held)
        scheduleNext();
}

void PlayCheck::scheduleNext()
{
    if (std::exchange(m_scheduled, true))
        return;
    // From the event loop, so that `checked` never comes inside a call.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_scheduled = false;
            startNext();
        },
        Qt::QueuedConnection);
}

void PlayCheck::startNext()
{
    if (!m_running.isEmpty() || m_waiting.isEmpty())
        return;
    if (m_held && m_waiting.size() < kMostFiles && !m_waiting.constFirst().alone)
        return;
    // A file checked again alone goes by itself; the others together.
    if (m_waiting.constFirst().alone) {
        m_running << m_waiting.takeFirst();
    } else {
        for (qsizetype i = 0; i < m_waiting.size() && m_running.size() < kMostFiles;) {
            if (m_waiting.at(i).alone)
                ++i;
            else
                m_running << m_waiting.takeAt(i);
        }
    }
    QStringList paths;
    for (const Request &request : std::as_const(m_running))
        paths << request.path;
    m_timedOut = false;
    m_kept.clear();
    m_lines.takeRest();
    m_errors = 0;
    m_limit.start(kTimeLimitMs * int(paths.size()));
    const bool alone = m_running.constFirst().alone;
    m_decoder.start(CommandLine::program(m_encoderPath),
                    playCheckArguments(paths, alone ? CheckDepth::Whole : CheckDepth::KeyPictures));
}

void PlayCheck::keep(const QString &line)
{
    if (line.contains(QLatin1String("Input stream #")) ||
        (isErrorLine(line) && m_errors++ < kKeptErrors))
        m_kept << line.left(kLongestLine);
}

void PlayCheck::onEnded(const ProcessResult &result)
{
    m_limit.stop();
    keep(m_lines.takeRest());
    const QString messages = m_kept.join(u'\n');
    const QList<Request> ended = std::exchange(m_running, {});
    QList<std::pair<Ticket, std::optional<QString>>> answers;
    if (m_timedOut) {
        qCInfo(lcBatch) << "the play check took too long; the outputs are taken as they are";
        for (const Request &request : ended)
            answers.append({request.ticket, std::nullopt});
    } else if (ended.size() == 1 && ended.constFirst().alone) {
        answers.append({ended.constFirst().ticket, playProblem(messages, result)});
    } else {
        // A file whose key pictures did not show it playing is checked again
        // by itself, every picture of its end decoded: the decoder's words,
        // and a failure of the whole, then are its own.
        QList<Request> again;
        for (int i = 0; i < int(ended.size()); ++i) {
            if (result.succeeded() && playedInGroup(messages, i))
                answers.append({ended.at(i).ticket, std::nullopt});
            else
                again.append({ended.at(i).ticket, ended.at(i).path, true});
        }
        m_waiting = again + m_waiting;
    }
    scheduleNext();
    for (const auto &[ticket, problem] : std::as_const(answers)) {
        if (ticket != 0)
            Q_EMIT checked(ticket, problem);
    }
}

} // namespace vantrel
