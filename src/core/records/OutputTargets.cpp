#include "core/records/OutputTargets.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace vantrel {

namespace {

constexpr qint64 kMegabyte = 1000 * 1000;
constexpr qint64 kSmallestLimit = 10 * 1000;
constexpr qint64 kLargestLimit = 1000LL * 1000 * kMegabyte;
constexpr double kQuietestTarget = -31;
constexpr double kLoudestTarget = -5;

QString tr(const char *text)
{
    return QCoreApplication::translate("OutputTargets", text);
}

// A refused value as the message quotes it: a long one is cut, so that a
// pasted page does not become the message.
QString quoted(const QString &text)
{
    constexpr qsizetype kLongest = 40;
    return text.size() <= kLongest ? text : text.left(kLongest) + QChar(0x2026);
}

// "2,5" is read as "2.5": a typed size may use either mark.
std::optional<double> numberOf(QString text)
{
    text.replace(u',', u'.');
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

QString trimmedNumber(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text;
}

} // namespace

QString fitSizeOff()
{
    return QStringLiteral("Off");
}

QString loudnessAsSource()
{
    return QStringLiteral("Same as source");
}

const std::vector<const char *> &fitSizeChoices()
{
    static const std::vector<const char *> choices = {"Off",   "10 MB", "16 MB",
                                                      "25 MB", "50 MB", "100 MB"};
    return choices;
}

const std::vector<const char *> &loudnessChoices()
{
    static const std::vector<const char *> choices = {"Same as source", "-14 LUFS (streaming)",
                                                      "-16 LUFS (phones, podcasts)",
                                                      "-23 LUFS (EBU R128 broadcast)"};
    return choices;
}

Expected<std::optional<qint64>> fitSizeBytes(const QString &text)
{
    using Limit = Expected<std::optional<qint64>>;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.compare(fitSizeOff(), Qt::CaseInsensitive) == 0)
        return std::optional<qint64>();
    static const QRegularExpression size(
        QStringLiteral("^(\\d+(?:[.,]\\d+)?)\\s*([kKmMgGtT][bB])?$"));
    const QRegularExpressionMatch match = size.match(trimmed);
    const std::optional<double> number =
        match.hasMatch() ? numberOf(match.captured(1)) : std::nullopt;
    if (!number)
        return Limit::failure(
            tr("\"%1\" is no size: give it in MB (1,000,000 bytes), like \"10 MB\"")
                .arg(quoted(text)));
    const QString unit = match.captured(2).toLower();
    // A terabyte is understood, to be told the range it lies outside of.
    const double scale = unit == QLatin1String("kb")   ? 1000.0
                         : unit == QLatin1String("gb") ? 1000.0 * kMegabyte
                         : unit == QLatin1String("tb") ? 1000.0 * 1000.0 * kMegabyte
                                                       : double(kMegabyte);
    const double bytes = std::round(*number * scale);
    if (bytes < kSmallestLimit || bytes > kLargestLimit)
        return Limit::failure(tr("\"%1\" is no size a file can be fitted to: it takes 10 kB to "
                                 "1000 GB")
                                  .arg(quoted(text)));
    return std::optional<qint64>(qint64(bytes));
}

QString fitSizeText(qint64 bytes)
{
    if (bytes < kMegabyte)
        return trimmedNumber(double(bytes) / 1000.0, 3) + QStringLiteral(" kB");
    return trimmedNumber(double(bytes) / kMegabyte, 6) + QStringLiteral(" MB");
}

Expected<std::optional<double>> loudnessTarget(const QString &text)
{
    using Target = Expected<std::optional<double>>;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.compare(loudnessAsSource(), Qt::CaseInsensitive) == 0)
        return std::optional<double>();
    static const QRegularExpression target(
        QStringLiteral("^([-+]?\\d+(?:[.,]\\d+)?)\\s*(?:LUFS)?\\s*(?:\\([^()]*\\))?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = target.match(trimmed);
    const std::optional<double> lufs =
        match.hasMatch() ? numberOf(match.captured(1)) : std::nullopt;
    if (!lufs || *lufs < kQuietestTarget || *lufs > kLoudestTarget)
        return Target::failure(
            tr("\"%1\" is no loudness target: give one from -31 to -5 LUFS, like \"-16\"")
                .arg(quoted(text)));
    return std::optional<double>(*lufs);
}

QString loudnessText(double lufs)
{
    for (const char *choice : loudnessChoices()) {
        const Expected<std::optional<double>> named = loudnessTarget(QString::fromUtf8(choice));
        if (named && *named && std::abs(**named - lufs) < 0.005)
            return QString::fromUtf8(choice);
    }
    return trimmedNumber(lufs, 2) + QStringLiteral(" LUFS");
}

QString megabytesText(qint64 bytes)
{
    const double megabytes = double(bytes) / kMegabyte;
    return QString::number(megabytes, 'f', megabytes < 1 ? 2 : 1) + QStringLiteral(" MB");
}

} // namespace vantrel
