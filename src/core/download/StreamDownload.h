#pragma once

#include "core/common/Expected.h"
#include "core/download/TransferService.h"
#include "core/settings/Settings.h"

#include <QFile>
#include <QObject>

#include <memory>

namespace vantrel {

// Downloads one stream into a file of a folder. The bytes go to a hidden
// temporary file beside the final one, which takes the final name only when
// the whole body has arrived: a failed, cut or cancelled download leaves
// nothing. A body without a length is read to its end, up to the most a
// download may hold. A download never replaces a file: a taken name gives
// way to the next free one ("name_New.flv"), and the name fits the file
// system. What killed programs left in the folder is swept when a download
// starts.
class StreamDownload : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kPieceBytes = 1024;
    // A download earns a second more of its deadline for every so many bytes.
    static constexpr qint64 kBytesPerExtraSecond = 1024;

    explicit StreamDownload(QString folder, QObject *parent = nullptr);
    ~StreamDownload() override;

    void setTimeoutMs(int milliseconds) { m_transfer.setTimeoutMs(milliseconds); }
    void setLimits(const TransferService::Limits &limits) { m_transfer.setLimits(limits); }
    // The most a download may hold (the settings' maxdownload).
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }

    // Starts downloading `address` (blanks around it removed) into
    // `fileName` of the folder; false when a download already runs.
    bool start(const QString &address, const QString &fileName);
    void cancel();
    bool isRunning() const { return m_transfer.isBusy(); }

    // "42 % " while the length is known, else the bytes received ("512 kB ").
    static QString progressText(std::optional<int> percent, qint64 bytes);
    // Why a download that outgrew the most it may hold was stopped.
    static QString grewPastText(qint64 maxBytes);

Q_SIGNALS:
    // `percent` is none for a body of unknown length.
    void progressChanged(std::optional<int> percent, const QString &text);
    // The final path, or why there is none ("Error-" and the reason).
    void finished(bool ok, const QString &pathOrError);

private:
    void takePieces();
    void onFinished();
    void fail(const QString &reason);
    // Gives the complete file its name; the path, or why it has none.
    Expected<QString> commit();

    QString m_folder;
    QString m_fileName; // the name wanted, fitted to the file system
    TransferService m_transfer;
    std::unique_ptr<QFile> m_file; // the temporary file
    qint64 m_total = -1;           // the announced length; -1 when none came
    qint64 m_done = 0;
    qint64 m_maxBytes;
    bool m_cancelled = false;
};

} // namespace vantrel
