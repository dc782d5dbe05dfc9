#include "core/convert/checks/PlayCheck.h"

#include "core/common/Logging.h"
#include "core/tools/SourceFacts.h"

#include <QCoreApplication>
#include <QRegularExpression>

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

} // namespace

QStringList playCheckArguments(const QString &path)
{
    const QString file = localFileArgument(path);
    return {QStringLiteral("-nostdin"),
            QStringLiteral("-hide_banner"),
            QStringLiteral("-nostats"),
            QStringLiteral("-loglevel"),
            QStringLiteral("level+verbose"),
            QStringLiteral("-t"),
            QStringLiteral("1"),
            QStringLiteral("-i"),
            file,
            QStringLiteral("-sseof"),
            QStringLiteral("-1"),
            QStringLiteral("-i"),
            file,
            QStringLiteral("-map"),
            QStringLiteral("0:v?"),
            QStringLiteral("-map"),
            QStringLiteral("0:a?"),
            QStringLiteral("-map"),
            QStringLiteral("1:v?"),
            QStringLiteral("-map"),
            QStringLiteral("1:a?"),
            QStringLiteral("-f"),
            QStringLiteral("null"),
            QStringLiteral("-")};
}

std::optional<QString> playProblem(const QString &messages, const ProcessResult &result)
{
    // "  Input stream #1:0 (video): 25 packets read (1234 bytes); 25 frames decoded; "
    static const QRegularExpression count(QStringLiteral(
        "Input stream #(\\d+):\\d+ \\((video|audio)\\): (\\d+) packets read [^;]*; (\\d+) frames "
        "decoded"));
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

PlayCheck::PlayCheck(QString encoderPath, QObject *parent)
    : QObject(parent), m_encoderPath(std::move(encoderPath))
{
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        m_decoder.stop();
    });
    // Only its ending is kept of what the decoder says; the lines that
    // matter are picked as they come.
    m_decoder.setOutputLimit(kLongestLine);
    connect(&m_decoder, &Process::outputReceived, this, [this](const QString &text) {
        for (const QString &line : m_lines.add(text))
            keep(line);
    });
    connect(&m_decoder, &Process::finished, this, [this](const ProcessResult &result) {
        m_limit.stop();
        keep(m_lines.takeRest());
        if (m_timedOut)
            qCInfo(lcBatch) << "the play check took too long; the output is taken as it is";
        else
            m_problem = playProblem(m_kept.join(u'\n'), result);
        Q_EMIT finished();
    });
}

PlayCheck::~PlayCheck()
{
    stop();
}

void PlayCheck::keep(const QString &line)
{
    if (line.contains(QLatin1String("Input stream #")) ||
        (isErrorLine(line) && m_errors++ < kKeptErrors))
        m_kept << line.left(kLongestLine);
}

void PlayCheck::start(const QString &path)
{
    m_problem.reset();
    m_timedOut = false;
    m_kept.clear();
    m_lines = LineAssembler(kLongestLine);
    m_errors = 0;
    m_limit.start(kTimeLimitMs);
    m_decoder.start(CommandLine::program(m_encoderPath), playCheckArguments(path));
}

void PlayCheck::stop()
{
    m_limit.stop();
    m_decoder.blockSignals(true);
    m_decoder.stop();
    m_decoder.blockSignals(false);
}

} // namespace vantrel
