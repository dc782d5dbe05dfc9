#include "core/download/YtDlpAge.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("YtDlpAge", text);
}

// "19 days", "5 months", "3 years".
QString ageText(qint64 days)
{
    if (days < 60)
        return days == 1 ? tr("1 day") : tr("%1 days").arg(days);
    if (days < 730)
        return tr("%1 months").arg(days / 30);
    return tr("%1 years").arg(days / 365);
}

} // namespace

std::optional<QDate> ytDlpReleaseDate(const QString &version)
{
    static const QRegularExpression day(
        QStringLiteral("^(\\d{4})\\.(\\d{2})\\.(\\d{2})(\\.\\d+)?$"));
    const QRegularExpressionMatch match = day.match(version.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).toInt());
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

bool ytDlpIsStale(const QString &version, const QDate &today)
{
    const std::optional<QDate> released = ytDlpReleaseDate(version);
    return released && released->daysTo(today) > kYtDlpStaleDays;
}

QString ytDlpAdvice(const QString &version, const QString &path, const QDate &today)
{
    if (version.isEmpty())
        return tr("yt-dlp was not found, so today's web pages cannot be read. Install it for "
                  "your user with \"pipx install yt-dlp\" (into ~/.local/bin, where this program "
                  "looks first), or with \"sudo apt-get install yt-dlp\".");
    const std::optional<QDate> released = ytDlpReleaseDate(version);
    if (!released)
        return tr("yt-dlp %1 (%2) reads today's web pages.").arg(version, path);
    const qint64 days = std::max<qint64>(0, released->daysTo(today));
    if (days <= kYtDlpStaleDays)
        return tr("yt-dlp %1 (%2) is %3 old: current enough for today's web pages.")
            .arg(version, path, ageText(days));
    return tr("yt-dlp %1 (%2) is %3 old. Sites change every month, so most pages will fail "
              "with it. Get a current one for your user with \"pipx install yt-dlp\" (it goes "
              "into ~/.local/bin, which this program looks in before the system's), or from "
              "Debian's backports; the program downloads nothing itself.")
        .arg(version, path, ageText(days));
}

} // namespace vantrel
