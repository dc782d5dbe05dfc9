#pragma once

#include "core/common/Expected.h"
#include "core/download/YtDlp.h"
#include "core/tools/Process.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <optional>

namespace vantrel {

// Reads what yt-dlp says of the video at a web address (`yt-dlp -J`). The
// run is bounded: its answer in size, its time by a deadline. Nothing waits:
// `finished` follows.
class YtDlpReader : public QObject
{
    Q_OBJECT

public:
    // Why a read gave no video.
    enum class Failure
    {
        None,
        Missing,  // no yt-dlp where it was looked for
        TooOld,   // it cannot run the options this program gives it
        NoVideo,  // it found no video on the page
        Failed,   // it failed and said why
        TooLarge, // its answer outgrew kMaxAnswerBytes
        TimedOut, // it did not answer within the deadline
        NotAWebAddress
    };

    static constexpr qsizetype kMaxAnswerBytes = 32 * 1024 * 1024;
    static constexpr int kDeadlineMs = 120 * 1000;

    YtDlpReader(QString program, QString cacheFolder, QObject *parent = nullptr);
    // Drops a read that still runs; nothing is told of it.
    ~YtDlpReader() override;

    void setDeadlineMs(int milliseconds) { m_deadlineMs = milliseconds; }
    // Reads the video of `address`, a web address only (anything else fails
    // at once, `finished` still follows); a running read is dropped first.
    void read(const QString &address);
    void cancel();
    bool isRunning() const { return m_process.isRunning(); }

    Failure failure() const { return m_failure; }
    // Why the last read failed, in words.
    QString errorText() const { return m_error; }
    const YtVideo &video() const { return m_video; }

    // The message for yt-dlp missing where `program` was looked for.
    static QString missingText();

Q_SIGNALS:
    void finished();

private:
    void onFinished(const ProcessResult &result);
    void fail(Failure failure, const QString &text);

    QString m_program;
    QString m_cacheFolder;
    Process m_process;
    QTimer m_deadline;
    int m_deadlineMs = kDeadlineMs;
    QByteArray m_answer;
    Failure m_failure = Failure::None;
    QString m_error;
    YtVideo m_video;
};

// Downloads one format of a video through yt-dlp into a folder. yt-dlp
// writes under a hidden temporary name of this program's; the file takes
// the final name (the given base, a media extension: yt-dlp's, or the
// container's its bytes show; the next free name) only when yt-dlp reports
// success. A failed or cancelled download leaves nothing, and what killed
// programs left in the folder is swept when a download starts. The download
// is held to the bounds of the program's own: it ends when nothing has moved
// for kStallMs (no file grew, yt-dlp said nothing), when it has taken longer
// than a minute and a second per kB it holds, and when it holds more than
// the most a download may (a stream of unknown length may never end). The
// same signals as StreamDownload.
class YtDlpDownload : public QObject
{
    Q_OBJECT

public:
    static constexpr int kStallMs = 30000;

    YtDlpDownload(QString program, QString folder, QString cacheFolder, QObject *parent = nullptr);
    ~YtDlpDownload() override;

    void setStallMs(int milliseconds) { m_stallMs = milliseconds; }
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }

    // Starts downloading `formatSelector` of the video at `address` (a web
    // address) as `baseName` plus the extension; false when one already runs.
    bool start(const QString &address, const QString &formatSelector, const QString &baseName);
    void cancel();
    bool isRunning() const { return m_process.isRunning(); }

Q_SIGNALS:
    void progressChanged(std::optional<int> percent, const QString &text);
    void finished(bool ok, const QString &pathOrError);

private:
    void takeOutput(const QString &text);
    // Once in a while: ends a download that went past a bound.
    void watch();
    void endByBound(const QString &reason);
    void onFinished(const ProcessResult &result);
    // Gives the file yt-dlp made its name; the path, or why there is none.
    Expected<QString> commit() const;
    // Removes every file of this download's temporary name.
    void removeTemporaries() const;
    void fail(const QString &reason);

    QString m_program;
    QString m_folder;
    QString m_cacheFolder;
    Process m_process;
    QString m_base;       // the final name without extension, fitted
    QString m_tempPrefix; // ".base.vantrel-PID-N." of the temporary files
    LineAssembler m_lines = ytDlpLineAssembler();
    QString m_reported; // the path yt-dlp reported after its last step
    bool m_cancelled = false;
    QString m_boundReason; // why a bound ended the download
    int m_stallMs = kStallMs;
    qint64 m_maxBytes;
    QTimer m_watch;
    QElapsedTimer m_clock;     // since the download started
    QElapsedTimer m_sinceMove; // since a file grew or yt-dlp said something
    qint64 m_bytes = 0;        // what the download's files hold
};

// Asks yt-dlp for its version: `done` receives it, or an empty text when
// there is none to be had.
void queryYtDlpVersion(const QString &program, QObject *context,
                       const std::function<void(const QString &)> &done);

} // namespace vantrel
