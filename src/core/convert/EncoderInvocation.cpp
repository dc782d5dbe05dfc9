#include "core/convert/EncoderInvocation.h"

#include <QRegularExpression>

namespace vantrel {

namespace {

struct CodecReplacement
{
    const char *wanted;
    const char *equivalent;
};

// Codecs of the profile tables that builds of the encoder may lack.
constexpr CodecReplacement kReplacements[] = {
    {"libfaac", "aac"},
    {"libxvid", "mpeg4"},
};

} // namespace

QSet<QString> parseEncoderList(const QString &output)
{
    // " V....D libx264   libx264 H.264 ..." after the "------" rule.
    static const QRegularExpression row(QStringLiteral("^\\s*[VAS][A-Z.]{5}\\s+(\\S+)\\s"),
                                        QRegularExpression::MultilineOption);
    const qsizetype rule = output.indexOf(QLatin1String("------"));
    QSet<QString> names;
    QRegularExpressionMatchIterator it = row.globalMatch(output, rule < 0 ? 0 : rule);
    while (it.hasNext())
        names.insert(it.next().captured(1));
    return names;
}

QStringList encoderRunArguments(const CommandLine &command, ExistingFilePolicy policy,
                                const QSet<QString> &available, bool wholeFile)
{
    QStringList args = command.arguments();
    if (!args.isEmpty())
        args.removeFirst(); // the program

    if (wholeFile) {
        for (const QLatin1String option : {QLatin1String("-ss"), QLatin1String("-t")}) {
            const qsizetype at = args.indexOf(option);
            if (at >= 0 && at + 1 < args.size())
                args.remove(at, 2);
        }
    }

    if (!available.isEmpty()) {
        for (qsizetype i = 1; i < args.size(); ++i) {
            if (args[i - 1] != QLatin1String("-acodec") && args[i - 1] != QLatin1String("-vcodec"))
                continue;
            for (const CodecReplacement &r : kReplacements) {
                if (args[i] == QLatin1String(r.wanted) && !available.contains(args[i]) &&
                    available.contains(QLatin1String(r.equivalent)))
                    args[i] = QLatin1String(r.equivalent);
            }
        }
    }

    // "-b" meant the video bitrate; the installed encoder refuses it as
    // ambiguous between video and audio.
    for (QString &arg : args) {
        if (arg == QLatin1String("-b"))
            arg = QStringLiteral("-b:v");
    }

    // The output path stands right before "-threads N" in every shape.
    const qsizetype threads = args.lastIndexOf(QStringLiteral("-threads"));
    if (threads >= 1 && threads + 1 < args.size()) {
        const QString count = args.takeAt(threads + 1);
        args.removeAt(threads);
        args.insert(threads - 1, count);
        args.insert(threads - 1, QStringLiteral("-threads"));
    }

    args.prepend(policy == ExistingFilePolicy::AddNew ? QStringLiteral("-n")
                                                      : QStringLiteral("-y"));
    args.prepend(QStringLiteral("-hide_banner")); // the messages kept for a row are its own
    return args;
}

} // namespace vantrel
