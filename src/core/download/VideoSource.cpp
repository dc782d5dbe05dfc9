#include "core/download/VideoSource.h"

#include <QCoreApplication>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("VideoSource", text);
}

// The buttons in the order the status line names them and the preview
// looks for a stream it can play.
constexpr int kButtonOrder[] = {22, 35, 34, 5};

} // namespace

void WatchPageSource::addPage(const QString &page)
{
    for (const int format : readStreamLinks(page, m_links))
        m_formats.insert(format);
    m_info = parseVideoPage(page);
}

std::optional<int> WatchPageSource::previewFormat() const
{
    return 35; // HD High
}

QString WatchPageSource::lengthText() const
{
    // A page that told no length (or none was read) shows none, not " Sec.".
    return m_info.length.isEmpty() ? QString() : m_info.length + tr(" Sec.");
}

std::optional<StreamRequest> WatchPageSource::downloadRequest(int format) const
{
    return StreamRequest{streamFileName(m_info, format), streamAddress(format), QString()};
}

YtDlpSource::YtDlpSource(QString address) : m_address(std::move(address)) {}

YtDlpSource::YtDlpSource(QString address, const YtVideo &video, const QString &pagePicture)
    : m_address(std::move(address)), m_info(video.info),
      // Ids are unique only on their own site.
      m_pictureKey(video.site + QLatin1Char('-') + video.info.videoId),
      m_buttons(buttonsForFormats(video.formats))
{
    if (m_info.thumbnail.isEmpty())
        m_info.thumbnail = pagePicture;
}

QString YtDlpSource::offerText() const
{
    QStringList offered;
    for (const int format : kButtonOrder) {
        const auto button = m_buttons.constFind(format);
        if (button != m_buttons.cend())
            offered << streamButtonCaption(format) + QStringLiteral(": ") +
                           button->format.description();
    }
    return offered.join(QStringLiteral("; "));
}

QSet<int> YtDlpSource::formats() const
{
    QSet<int> formats;
    for (const int format : kButtonOrder) {
        if (m_buttons.contains(format))
            formats.insert(format);
    }
    return formats;
}

QString YtDlpSource::streamAddress(int format) const
{
    return m_buttons.value(format).format.url;
}

QString YtDlpSource::streamDescription(int format) const
{
    const auto button = m_buttons.constFind(format);
    if (button == m_buttons.cend())
        return QString();
    return tr("%1 (yt-dlp format %2)").arg(button->format.description(), button->formatSelector);
}

std::optional<int> YtDlpSource::previewFormat() const
{
    for (const int format : kButtonOrder) {
        const auto button = m_buttons.constFind(format);
        if (button != m_buttons.cend() && button->format.isProgressive() && button->format.video)
            return format;
    }
    return std::nullopt;
}

std::optional<QString> YtDlpSource::previewRefusal(int format) const
{
    const auto button = m_buttons.constFind(format);
    if (button == m_buttons.cend() || button->format.isProgressive())
        return std::nullopt;
    // A manifest's pieces are joined only by a download.
    return tr("This stream comes in pieces (%1); it plays once downloaded.")
        .arg(button->format.description());
}

QString YtDlpSource::lengthText() const
{
    // A site of today may not tell; a length it does not give shows as none.
    return m_info.length.isEmpty() ? QString() : m_info.length + tr(" Sec.");
}

std::optional<StreamRequest> YtDlpSource::downloadRequest(int format) const
{
    const auto button = m_buttons.constFind(format);
    if (button == m_buttons.cend())
        return std::nullopt;
    return StreamRequest{safeFileName(m_info.title, m_info.videoId), m_address,
                         button->formatSelector};
}

} // namespace vantrel
