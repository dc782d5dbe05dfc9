#pragma once

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class QTextStream;

namespace vantrel {
class StreamDownload;
class TransferService;
} // namespace vantrel

namespace vantrel::cli {

// `vantrel-cli page URL|FILE` prints what a watch page says, one key<TAB>value
// line each; `vantrel-cli download URL|FILE --format CODE [--output-dir DIR]`
// downloads one of its streams with progress on stderr. A FILE is a saved
// page; anything else is read over the network.
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

    Kind m_kind;
    QTextStream &m_out;
    QTextStream &m_err;
    int m_format = 0;
    QString m_outputDir;
    std::unique_ptr<TransferService> m_pageTransfer;
    std::unique_ptr<StreamDownload> m_download;
};

} // namespace vantrel::cli
