#include "core/common/NumberText.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace vantrel {

namespace {

// Plain numbers only: "1,000" is no number here.
QLocale strictCLocale()
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    return c;
}

} // namespace

double leadingNumber(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    const qsizetype start = i;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-'))
        ++i;
    bool digits = false;
    while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128) {
        ++i;
        digits = true;
    }
    if (i < n && text.at(i) == u'.') {
        ++i;
        while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    bool ok = false;
    const double value = strictCLocale().toDouble(text.mid(start, i - start), &ok);
    return ok ? value : 0.0;
}

QString numberText(double value)
{
    if (value == 0.0)
        return QStringLiteral("0"); // no "-0"
    return QString::number(value, 'g', 15);
}

double roundHalfEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5)
        return below;
    if (fraction > 0.5)
        return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

std::optional<qint16> toInt16(const QString &text)
{
    bool ok = false;
    const double value = strictCLocale().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = roundHalfEven(value);
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

QString byteSizeText(qint64 bytes)
{
    const char *const units[] = {"kB", "MB", "GB", "TB"};
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    double size = double(bytes) / 1024;
    int unit = 0;
    for (; size >= 1024 && unit < 3; ++unit)
        size /= 1024;
    return numberText(std::round(size * 10) / 10) + u' ' + QLatin1String(units[unit]);
}

} // namespace vantrel
