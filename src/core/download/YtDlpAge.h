#pragma once

#include <QDate>
#include <QString>

#include <optional>

namespace vantrel {

// Sites change how their pages are made every month or so, and yt-dlp
// follows: one older than this fails on most of them.
constexpr int kYtDlpStaleDays = 90;

// yt-dlp's version is the day it was released: "2023.03.04" (a second build
// of a day adds ".1"); none for any other text.
std::optional<QDate> ytDlpReleaseDate(const QString &version);
// Whether the yt-dlp of `version` is likely to fail on today's pages.
bool ytDlpIsStale(const QString &version, const QDate &today);
// What a user should know of the yt-dlp at `path` of `version`: how old it
// is, and, when stale, that pages will fail and how to get a current one on
// this system (nothing is downloaded by the program). Empty version: none
// was found.
QString ytDlpAdvice(const QString &version, const QString &path, const QDate &today);

} // namespace vantrel
