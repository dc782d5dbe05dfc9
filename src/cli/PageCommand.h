#pragma once

#include "platform/InterruptWatcher.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class QTextStream;

namespace vantrel {
class StreamDownload;
class TransferService;
class YtDlpDownload;
class YtDlpReader;
struct YtVideo;
} // namespace vantrel

namespace vantrel::cli {

// The yt-dlp that reads today's pages: the settings' choice, else PATH's.
QString pageReaderProgram();

// `vantrel-cli page URL|FILE` prints what a watch page says, one key<TAB>value
// line each; `vantrel-cli download URL|FILE --format CODE [--output-dir DIR]`
// downloads one of its streams with progress on stderr. A FILE is a saved
// page; anything else is read over the network, and a page of none of the
// old watch-page layouts is read through yt-dlp.
//
// Both need the event loop: `start` either ends the command at once (help,
// usage errors, a saved page to print) and returns its exit code, or starts
// the transfer and returns nothing; `finished` then follows.
class PageCommand : public QObject
{
    Q_OBJECT

public:
    enum class Kind
    {
        Page,
        Download
    };

    PageCommand(Kind kind, QTextStream &out, QTextStream &err, QObject *parent = nullptr);
    ~PageCommand() override;

    std::optional<int> start(const QStringList &args);

Q_SIGNALS:
    void finished(int exitCode);

private:
    std::optional<int> usePage(const QString &page);
    int printPage(const QString &page);
    void readWithYtDlp();
    std::optional<int> useYtDlpVideo(const YtVideo &video);
    void printYtDlpVideo(const YtVideo &video);
    // Ctrl+C, SIGTERM or SIGHUP: what runs ends at once and leaves nothing.
    void onInterrupted(int count, InterruptWatcher::Reason reason);
    // Follows a download (either kind) to its end.
    template <typename Download> void follow(Download &download);

    Kind m_kind;
    QTextStream &m_out;
    QTextStream &m_err;
    QString m_address;
    QString m_format; // as given: a button's code, or yt-dlp format ids
    QString m_outputDir;
    std::unique_ptr<TransferService> m_pageTransfer;
    std::unique_ptr<StreamDownload> m_download;
    std::unique_ptr<YtDlpReader> m_reader;
    std::unique_ptr<YtDlpDownload> m_ytDownload;
    InterruptWatcher m_interrupts;
};

} // namespace vantrel::cli
