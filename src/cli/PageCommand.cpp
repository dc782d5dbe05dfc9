#include "cli/PageCommand.h"

#include "cli/CliCommands.h"
#include "core/download/StreamDownload.h"
#include "core/download/TransferService.h"
#include "core/download/WatchPage.h"
#include "core/download/WebAddress.h"
#include "core/download/YtDlpRun.h"
#include "core/settings/AppPaths.h"
#include "core/settings/Settings.h"
#include "core/tools/Process.h"
#include "core/tools/ToolLocator.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

namespace vantrel::cli {

namespace {

// The button keys in the order the lines print them.
constexpr int kKeyOrder[] = {22, 34, 35, 5};

QString ytDlpCacheFolder()
{
    return AppPaths::join(AppPaths::join(AppPaths::dataFolder(), QStringLiteral("Cache")),
                          QStringLiteral("yt-dlp"));
}

} // namespace

QString pageReaderProgram()
{
    return ToolLocator::ytDlp(cliSettingsFile().read().ytDlp);
}

PageCommand::PageCommand(Kind kind, QTextStream &out, QTextStream &err, QObject *parent)
    : QObject(parent), m_kind(kind), m_out(out), m_err(err)
{
    connect(&m_interrupts, &InterruptWatcher::interrupted, this, &PageCommand::onInterrupted);
}

PageCommand::~PageCommand() = default;

std::optional<int> PageCommand::start(const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption format(
        QStringLiteral("format"),
        tr("Stream: a button's code, 22, 34, 35 or 5; for a page read by yt-dlp also one of its "
           "format ids (\"137+140\" joins two)."),
        QStringLiteral("CODE"));
    const QCommandLineOption outputDir(QStringLiteral("output-dir"),
                                       tr("Folder for the download (default: the current one)."),
                                       QStringLiteral("DIR"));
    if (m_kind == Kind::Download)
        parser.addOptions({format, outputDir});
    parser.addPositionalArgument(QStringLiteral("URL|FILE"),
                                 tr("A watch page's address, or a saved page."));
    const bool page = m_kind == Kind::Page;
    if (const std::optional<int> done = parseArguments(
            parser, page ? QStringLiteral("page") : QStringLiteral("download"),
            page ? QStringLiteral("URL|FILE")
                 : QStringLiteral("URL|FILE --format CODE [--output-dir DIR]"),
            page ? tr("Prints what a watch page says, one key<TAB>value line each: title, "
                      "author, video_id, published, category, description, length, rating, "
                      "thumbnail, and stream_22, stream_34, stream_35, stream_5 (the address a "
                      "download requests). A page of today is read through yt-dlp: then a "
                      "stream_<code> line for each button it fills, each followed by "
                      "stream_<code>_format, yt-dlp's format id.")
                 : tr("Downloads one stream of a watch page, with progress on stderr, and "
                      "prints the file's path. Exit code 1 when the page offers no such stream "
                      "or the download fails."),
            args, m_out, m_err))
        return *done;
    if (parser.positionalArguments().size() != 1)
        return usageError(m_err, tr("one URL or FILE is needed"));
    if (!page) {
        // A code or yt-dlp's ids: letters, digits and a few marks, never an option.
        static const QRegularExpression kFormat(
            QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.+-]{0,79}$"));
        m_format = parser.value(format);
        if (!kFormat.match(m_format).hasMatch())
            return usageError(m_err, tr("--format takes 22, 34, 35 or 5 (or a yt-dlp format id), "
                                        "not \"%1\"")
                                         .arg(escapedField(m_format.left(80))));
        m_outputDir = parser.isSet(outputDir) ? parser.value(outputDir) : QDir::currentPath();
    }

    const QString source = parser.positionalArguments().constFirst();
    if (QFileInfo(source).isFile()) {
        // A saved page is held to the size a served one may have.
        const qint64 limit = TransferService::Limits().maxBodyBytes;
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly))
            return usageError(m_err, file.errorString());
        if (file.size() > limit) {
            printError(m_err, tr("%1 is larger than %2 kB, more than a watch page holds; it is "
                                 "not read.")
                                  .arg(source)
                                  .arg(limit / 1024));
            return kExitFailed;
        }
        return usePage(QString::fromUtf8(file.read(limit)));
    }
    const QUrl url = QUrl::fromUserInput(source);
    m_address = url.toString(QUrl::FullyEncoded);
    m_pageTransfer = std::make_unique<TransferService>();
    connect(m_pageTransfer.get(), &TransferService::finished, this, [this] {
        const TransferService::Failure failure = m_pageTransfer->failure();
        const QString page = QString::fromUtf8(m_pageTransfer->body());
        // Today's pages are no watch pages of the old layouts; a page too
        // large to read here is not handed on either.
        if (failure == TransferService::Failure::None && !isOldWatchPage(page)) {
            readWithYtDlp();
            return;
        }
        if (failure != TransferService::Failure::None) {
            printError(m_err, m_pageTransfer->responseText());
            Q_EMIT finished(kExitFailed);
            return;
        }
        if (const std::optional<int> done = usePage(page))
            Q_EMIT finished(*done);
    });
    m_pageTransfer->fetch(url);
    return std::nullopt;
}

void PageCommand::onInterrupted(int count, InterruptWatcher::Reason reason)
{
    if (count > 1)
        return; // the command is already ending
    const bool downloading =
        (m_download && m_download->isRunning()) || (m_ytDownload && m_ytDownload->isRunning());
    // Their ends remove a download's partial file and stop yt-dlp with
    // whatever it started.
    m_ytDownload.reset();
    m_download.reset();
    m_reader.reset();
    m_pageTransfer.reset();
    if (downloading)
        printError(m_err, tr("the download was interrupted; nothing of it was kept"));
    Q_EMIT finished(InterruptWatcher::exitCode(reason));
}

template <typename Download> void PageCommand::follow(Download &download)
{
    connect(&download, &Download::progressChanged, this,
            [this](std::optional<int>, const QString &text) {
                m_err << text.trimmed() << '\n';
                m_err.flush();
            });
    connect(&download, &Download::finished, this, [this](bool ok, const QString &pathOrError) {
        if (ok) {
            m_out << escapedField(pathOrError) << '\n';
            m_out.flush();
        } else {
            printError(m_err, pathOrError);
        }
        Q_EMIT finished(ok ? kExitOk : kExitFailed);
    });
}

std::optional<int> PageCommand::usePage(const QString &page)
{
    if (m_kind == Kind::Page)
        return printPage(page);
    bool isCode = false;
    const int code = m_format.toInt(&isCode);
    if (!isCode || !StreamLinks().of(code))
        return usageError(m_err, tr("--format takes 22, 34, 35 or 5, not \"%1\"").arg(m_format));
    StreamLinks links;
    readStreamLinks(page, links);
    const QString address = links.address(code);
    if (address.isEmpty()) {
        printError(m_err, tr("the page offers no stream of format %1").arg(code));
        return kExitFailed;
    }
    const VideoPageInfo info = parseVideoPage(page);
    m_download = std::make_unique<StreamDownload>(m_outputDir);
    m_download->setMaxBytes(cliSettingsFile().read().maxDownloadBytes);
    follow(*m_download);
    m_download->start(address, streamFileName(info, code));
    return std::nullopt;
}

void PageCommand::readWithYtDlp()
{
    if (const std::optional<QString> unguarded = Process::guardMissingReason())
        printError(m_err, *unguarded);
    m_reader = std::make_unique<YtDlpReader>(pageReaderProgram(), ytDlpCacheFolder());
    connect(m_reader.get(), &YtDlpReader::finished, this, [this] {
        if (m_reader->failure() != YtDlpReader::Failure::None) {
            printError(m_err, m_reader->errorText());
            Q_EMIT finished(kExitFailed);
            return;
        }
        if (const std::optional<int> done = useYtDlpVideo(m_reader->video()))
            Q_EMIT finished(*done);
    });
    m_reader->read(m_address);
}

std::optional<int> PageCommand::useYtDlpVideo(const YtVideo &video)
{
    if (m_kind == Kind::Page) {
        printYtDlpVideo(video);
        return kExitOk;
    }
    const std::optional<QString> selector = formatSelectorFor(m_format, video.formats);
    if (!selector) {
        QStringList ids;
        for (const YtFormat &format : video.formats)
            ids << format.id;
        printError(m_err, tr("the page offers no stream of format %1; yt-dlp lists %2")
                              .arg(m_format, ids.join(QStringLiteral(", "))));
        return kExitFailed;
    }
    m_ytDownload =
        std::make_unique<YtDlpDownload>(pageReaderProgram(), m_outputDir, ytDlpCacheFolder());
    m_ytDownload->setMaxBytes(cliSettingsFile().read().maxDownloadBytes);
    follow(*m_ytDownload);
    m_ytDownload->start(m_address, *selector, safeFileName(video.info.title, video.info.videoId));
    return std::nullopt;
}

void PageCommand::printYtDlpVideo(const YtVideo &video)
{
    const VideoPageInfo &info = video.info;
    const auto line = [this](const QString &key, const QString &value) {
        m_out << key << '\t' << escapedField(value) << '\n';
    };
    line(QStringLiteral("title"), info.title);
    line(QStringLiteral("author"), info.author);
    line(QStringLiteral("video_id"), info.videoId);
    line(QStringLiteral("published"), info.published);
    line(QStringLiteral("category"), info.category);
    line(QStringLiteral("description"), info.description);
    line(QStringLiteral("length"), info.length);
    line(QStringLiteral("rating"), info.rating);
    line(QStringLiteral("thumbnail"),
         info.thumbnail.isEmpty()
             ? openGraphPicture(QString::fromUtf8(m_pageTransfer->body()), m_address)
             : info.thumbnail);
    const QMap<int, YtButton> buttons = buttonsForFormats(video.formats);
    for (const int key : kKeyOrder) {
        if (!buttons.contains(key))
            continue;
        const QString stream = QStringLiteral("stream_%1").arg(key);
        line(stream, buttons.value(key).format.url);
        line(stream + QStringLiteral("_format"), buttons.value(key).formatSelector);
    }
    m_out.flush();
}

int PageCommand::printPage(const QString &page)
{
    const VideoPageInfo info = parseVideoPage(page);
    StreamLinks links;
    readStreamLinks(page, links);
    const auto line = [this](const char *key, const QString &value) {
        m_out << key << '\t' << escapedField(value) << '\n';
    };
    line("title", info.title);
    line("author", info.author);
    line("video_id", info.videoId);
    line("published", info.published);
    line("category", info.category);
    line("description", info.description);
    line("length", info.length);
    line("rating", info.rating);
    line("thumbnail", info.thumbnail);
    // What would never be fetched is not offered either.
    for (const int format : StreamLinks::kFormats) {
        const QString address = links.address(format);
        m_out << "stream_" << format << '\t'
              << escapedField(isWebAddress(QUrl(address.trimmed())) ? address : QString()) << '\n';
    }
    m_out.flush();
    return kExitOk;
}

} // namespace vantrel::cli
