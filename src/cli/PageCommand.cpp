#include "cli/PageCommand.h"

#include "cli/CliCommands.h"
#include "core/download/StreamDownload.h"
#include "core/download/TransferService.h"
#include "core/download/WatchPage.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace vantrel::cli {

PageCommand::PageCommand(Kind kind, QTextStream &out, QTextStream &err, QObject *parent)
    : QObject(parent), m_kind(kind), m_out(out), m_err(err)
{}

PageCommand::~PageCommand() = default;

std::optional<int> PageCommand::start(const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption format(QStringLiteral("format"), tr("Stream format: 22, 34, 35 or 5."),
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
                      "download requests).")
                 : tr("Downloads one stream of a watch page, with progress on stderr, and "
                      "prints the file's path. Exit code 1 when the page offers no such stream "
                      "or the download fails."),
            args, m_out, m_err))
        return *done;
    if (parser.positionalArguments().size() != 1)
        return usageError(m_err, tr("one URL or FILE is needed"));
    if (!page) {
        bool ok = false;
        m_format = parser.value(format).toInt(&ok);
        if (!ok || !StreamLinks().of(m_format))
            return usageError(
                m_err, tr("--format takes 22, 34, 35 or 5, not \"%1\"").arg(parser.value(format)));
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
    m_pageTransfer = std::make_unique<TransferService>();
    connect(m_pageTransfer.get(), &TransferService::finished, this, [this] {
        if (m_pageTransfer->failure() != TransferService::Failure::None) {
            printError(m_err, m_pageTransfer->responseText());
            Q_EMIT finished(kExitFailed);
            return;
        }
        if (const std::optional<int> done = usePage(QString::fromUtf8(m_pageTransfer->body())))
            Q_EMIT finished(*done);
    });
    m_pageTransfer->fetch(QUrl::fromUserInput(source));
    return std::nullopt;
}

std::optional<int> PageCommand::usePage(const QString &page)
{
    if (m_kind == Kind::Page)
        return printPage(page);
    StreamLinks links;
    readStreamLinks(page, links);
    const QString address = links.address(m_format);
    if (address.isEmpty()) {
        printError(m_err, tr("the page offers no stream of format %1").arg(m_format));
        return kExitFailed;
    }
    const VideoPageInfo info = parseVideoPage(page);
    m_download = std::make_unique<StreamDownload>(m_outputDir);
    connect(m_download.get(), &StreamDownload::progressChanged, this,
            [this](std::optional<int>, const QString &text) {
                m_err << text.trimmed() << '\n';
                m_err.flush();
            });
    connect(m_download.get(), &StreamDownload::finished, this,
            [this](bool ok, const QString &pathOrError) {
                if (ok) {
                    m_out << escapedField(pathOrError) << '\n';
                    m_out.flush();
                } else {
                    printError(m_err, pathOrError);
                }
                Q_EMIT finished(ok ? kExitOk : kExitFailed);
            });
    m_download->start(address, streamFileName(info, m_format));
    return std::nullopt;
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
    for (const int format : StreamLinks::kFormats)
        m_out << "stream_" << format << '\t' << escapedField(links.address(format)) << '\n';
    m_out.flush();
    return kExitOk;
}

} // namespace vantrel::cli
