#include "core/convert/OutputCheck.h"

#include <QLocale>

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
        return QStringLiteral("The encoder wrote no output file.");
    if (fileSize == 0)
        return QStringLiteral("The output file is empty.");
    if (measuredSeconds && *measuredSeconds + kOutputLengthTolerance < expectedSeconds)
        return QStringLiteral("The output is %1 s long, but %2 s were asked for "
                              "(a damaged source may claim more than it holds).")
            .arg(*measuredSeconds, 0, 'f', 1)
            .arg(expectedSeconds, 0, 'f', 0);
    return std::nullopt;
}

} // namespace vantrel
