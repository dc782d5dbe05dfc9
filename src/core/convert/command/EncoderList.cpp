#include "core/convert/command/EncoderList.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <iterator>

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

QStringList missingEncoders(const QStringList &runArguments, const QSet<QString> &installed)
{
    QStringList missing;
    if (installed.isEmpty())
        return missing;
    for (qsizetype i = 1; i < runArguments.size(); ++i) {
        const QString &option = runArguments[i - 1];
        if (option != QLatin1String("-c:v") && option != QLatin1String("-c:a") &&
            option != QLatin1String("-vcodec") && option != QLatin1String("-acodec"))
            continue;
        const QString &encoder = runArguments[i];
        if (encoder != QLatin1String("copy") && !installed.contains(encoder) &&
            !missing.contains(encoder))
            missing << encoder;
    }
    return missing;
}

bool needsEncoderList(const EncoderCommand &command)
{
    const QStringList args = command.arguments();
    // Today's entries name encoders a build may lack: known before they run.
    if (args.contains(QLatin1String("-c:v")) || args.contains(QLatin1String("-c:a")))
        return true;
    return std::any_of(
        std::begin(kReplacements), std::end(kReplacements),
        [&args](const CodecReplacement &r) { return args.contains(QLatin1String(r.wanted)); });
}

QString installedCodec(const QString &codec, const QSet<QString> &available)
{
    if (available.isEmpty() || available.contains(codec))
        return codec;
    for (const CodecReplacement &r : kReplacements) {
        if (codec == QLatin1String(r.wanted) && available.contains(QLatin1String(r.equivalent)))
            return QLatin1String(r.equivalent);
    }
    return codec;
}

QString missingEncoderReason(const QStringList &encoders)
{
    return QCoreApplication::translate(
               "JobBuilder", "This computer's FFmpeg has no %1 encoder, which this profile needs: "
                             "install an FFmpeg built with it, or pick another profile.")
        .arg(QLatin1Char('"') + encoders.join(QStringLiteral("\", \"")) + QLatin1Char('"'));
}

} // namespace vantrel
