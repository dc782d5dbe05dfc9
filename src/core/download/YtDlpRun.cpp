#include "core/download/YtDlpRun.h"

#include "core/common/FileNames.h"
#include "core/common/LeftoverSweep.h"
#include "core/common/NumberText.h"
#include "core/download/StreamDownload.h"
#include "core/download/WebAddress.h"
#include "core/settings/AppPaths.h"
#include "core/settings/Settings.h"
#include "core/tools/ToolVersion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace vantrel {

namespace {

CommandLine commandOf(const QString &program, const QStringList &arguments)
{
    CommandLine command;
    command.appendPath(program);
    for (const QString &argument : arguments)
        command.appendPath(argument);
    return command;
}

// What every yt-dlp run shares: the last lines of its messages are the
// ones that tell; it runs in a group of its own under the guard, so that the
// FFmpeg it starts ends with it and with the program; its memory is bounded;
// and FTP goes to a closed local port, so that an address that redirects to
// ftp: fetches nothing (yt-dlp follows such redirects and knows no option
// against them).
void setUpYtDlp(Process &process)
{
    process.setOutputLimit(64 * 1024);
    process.setOwnGroup(true);
    process.setMemoryLimit(YtDlpCommand::kMemoryLimitBytes);
    process.setEnvironmentValue(QStringLiteral("ftp_proxy"), QStringLiteral("http://127.0.0.1:0"));
}

// What the download's own files hold, in bytes.
qint64 bytesOfFiles(const QString &folder, const QString &prefix)
{
    qint64 bytes = 0;
    const QFileInfoList files = QDir(folder).entryInfoList(
        {prefix + u'*'}, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QFileInfo &file : files)
        bytes += file.size();
    return bytes;
}

// Whether yt-dlp refused the options themselves: a version older than the
// ones this program is written for.
bool refusedOptions(const QString &output)
{
    return output.contains(QLatin1String("no such option")) ||
           output.contains(QLatin1String("error: unrecognized"));
}

} // namespace

YtDlpReader::YtDlpReader(QString program, QString cacheFolder, QObject *parent)
    : QObject(parent), m_program(std::move(program)), m_cacheFolder(std::move(cacheFolder))
{
    m_process.setDataOutput(true); // the JSON; its messages make up output()
    setUpYtDlp(m_process);
    m_deadline.setSingleShot(true);
    connect(&m_process, &Process::dataReceived, this, [this](const QByteArray &data) {
        m_answer += data;
        if (m_answer.size() > kMaxAnswerBytes) {
            m_failure = Failure::TooLarge;
            m_process.stop();
        }
    });
    connect(&m_process, &Process::finished, this, &YtDlpReader::onFinished);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_failure = Failure::TimedOut;
        m_process.stop();
    });
}

YtDlpReader::~YtDlpReader()
{
    cancel();
}

QString YtDlpReader::missingText()
{
    return tr("Reading this page needs yt-dlp, which was not found on PATH or at the path the "
              "settings give (ytdlp=); install it (on Debian: sudo apt-get install yt-dlp)");
}

void YtDlpReader::read(const QString &address)
{
    cancel();
    m_answer.clear();
    m_failure = Failure::None;
    m_error.clear();
    m_video = YtVideo();
    // yt-dlp opens whatever it is given; only web addresses reach it.
    if (const std::optional<QString> refusal = nonWebAddressReason(QUrl(address))) {
        fail(Failure::NotAWebAddress, *refusal);
        Q_EMIT finished();
        return;
    }
    m_deadline.start(m_deadlineMs);
    m_process.start(commandOf(m_program, YtDlpCommand::info(address, m_cacheFolder)));
}

void YtDlpReader::cancel()
{
    if (!isRunning())
        return;
    m_deadline.stop();
    const QSignalBlocker quiet(this); // a dropped read tells nothing
    m_process.stop();
}

void YtDlpReader::onFinished(const ProcessResult &result)
{
    m_deadline.stop();
    if (signalsBlocked())
        return;
    const QString said = ytDlpError(m_process.output());
    if (m_failure == Failure::TooLarge)
        fail(m_failure, tr("yt-dlp said more than %1 MB about this page; it was not read")
                            .arg(kMaxAnswerBytes / (1024 * 1024)));
    else if (m_failure == Failure::TimedOut)
        fail(m_failure,
             tr("yt-dlp did not read the page within %1 seconds").arg(m_deadlineMs / 1000));
    else if (!result.started())
        fail(Failure::Missing, missingText());
    else if (!result.succeeded() && refusedOptions(m_process.output()))
        fail(Failure::TooOld, tr("Reading this page needs a newer yt-dlp than %1 (%2)")
                                  .arg(QDir::toNativeSeparators(m_program), said));
    else if (!result.succeeded() && said.contains(QLatin1String("Unsupported URL")))
        fail(Failure::NoVideo, said);
    else if (!result.succeeded())
        fail(Failure::Failed, said.isEmpty() ? tr("yt-dlp %1").arg(endingText(result)) : said);
    else if (Expected<YtVideo> video = parseYtDlpVideo(m_answer); !video)
        fail(Failure::NoVideo, video.error());
    else
        m_video = *video;
    m_answer.clear();
    Q_EMIT finished();
}

void YtDlpReader::fail(Failure failure, const QString &text)
{
    m_failure = failure;
    m_error = text;
}

YtDlpDownload::YtDlpDownload(QString program, QString folder, QString cacheFolder, QObject *parent)
    : QObject(parent), m_program(std::move(program)), m_folder(std::move(folder)),
      m_cacheFolder(std::move(cacheFolder)), m_maxBytes(kDefaultMaxDownloadBytes)
{
    // Hours of progress lines need not fill the memory, and a cancel also
    // ends the FFmpeg that yt-dlp runs to join or fetch parts, which would
    // otherwise go on writing after the parts were removed.
    setUpYtDlp(m_process);
    connect(&m_process, &Process::outputReceived, this, &YtDlpDownload::takeOutput);
    connect(&m_process, &Process::finished, this, &YtDlpDownload::onFinished);
    connect(&m_watch, &QTimer::timeout, this, &YtDlpDownload::watch);
}

YtDlpDownload::~YtDlpDownload()
{
    if (isRunning()) {
        const QSignalBlocker quiet(this);
        m_process.stop();
        removeTemporaries();
    }
}

bool YtDlpDownload::start(const QString &address, const QString &formatSelector,
                          const QString &baseName)
{
    if (isRunning())
        return false;
    m_cancelled = false;
    m_boundReason.clear();
    m_lines = ytDlpLineAssembler();
    m_reported.clear();
    if (const std::optional<QString> refusal = nonWebAddressReason(QUrl(address))) {
        fail(*refusal);
        return true;
    }
    QDir().mkpath(m_folder);
    sweepLeftovers(m_folder);
    // Room in the name for the extension and what yt-dlp adds to its parts
    // (".f137.mp4.part").
    m_base = fitFileName(baseName, QString(), kFileNameMaxBytes - 40);
    const QString temporary =
        QFileInfo(temporaryPathFor(AppPaths::join(m_folder, m_base + QStringLiteral(".x"))))
            .fileName();
    m_tempPrefix = temporary.chopped(1); // ".base.vantrel-PID-N."
    // yt-dlp reads "%" in its output template as a field.
    QString pattern = m_tempPrefix;
    pattern.replace(u'%', QLatin1String("%%"));
    const QString outputTemplate = AppPaths::join(m_folder, pattern + QStringLiteral("%(ext)s"));
    m_bytes = 0;
    m_clock.start();
    m_sinceMove.start();
    m_watch.start(qBound(100, m_stallMs / 4, 1000));
    m_process.start(commandOf(
        m_program, YtDlpCommand::download(address, formatSelector, outputTemplate, m_cacheFolder)));
    return true;
}

void YtDlpDownload::watch()
{
    if (!isRunning())
        return;
    const qint64 bytes = bytesOfFiles(m_folder, m_tempPrefix);
    if (bytes > m_bytes)
        m_sinceMove.start();
    m_bytes = std::max(bytes, m_bytes);
    // The same rules as the program's own downloads.
    const TransferService::Limits limits;
    if (m_bytes > m_maxBytes)
        endByBound(StreamDownload::grewPastText(m_maxBytes));
    else if (m_sinceMove.elapsed() > m_stallMs)
        endByBound(
            tr("nothing arrived for %1 seconds; the download was stopped").arg(m_stallMs / 1000.0));
    else if (m_clock.elapsed() >
             limits.deadlineMs + m_bytes * 1000 / StreamDownload::kBytesPerExtraSecond)
        endByBound(tr("the download took too long: the server sends too little, too slowly"));
}

void YtDlpDownload::endByBound(const QString &reason)
{
    if (!m_boundReason.isEmpty())
        return; // it is being stopped: the output it still gives comes here
    m_boundReason = reason;
    m_process.stop();
}

void YtDlpDownload::cancel()
{
    if (!isRunning())
        return;
    m_cancelled = true;
    m_process.stop();
}

void YtDlpDownload::takeOutput(const QString &text)
{
    m_sinceMove.start();
    const QLatin1String fileMark(YtDlpCommand::kFileMark);
    for (const QString &line : m_lines.add(text)) {
        if (line.startsWith(fileMark)) {
            m_reported = line.mid(fileMark.size());
        } else if (const std::optional<YtProgress> progress = parseYtDlpProgress(line)) {
            if (progress->total && *progress->total > m_maxBytes) {
                endByBound(tr("the stream holds %1, more than the %2 a download may hold "
                              "(maxdownload in the settings); it was not downloaded")
                               .arg(byteSizeText(*progress->total), byteSizeText(m_maxBytes)));
                return;
            }
            if (progress->downloaded > m_maxBytes) {
                endByBound(StreamDownload::grewPastText(m_maxBytes));
                return;
            }
            std::optional<int> percent;
            if (progress->total && *progress->total > 0)
                percent = int(
                    roundHalfEven(100.0 * double(progress->downloaded) / double(*progress->total)));
            Q_EMIT progressChanged(percent,
                                   StreamDownload::progressText(percent, progress->downloaded));
        }
    }
}

void YtDlpDownload::onFinished(const ProcessResult &result)
{
    m_watch.stop();
    if (signalsBlocked())
        return;
    if (!m_boundReason.isEmpty()) {
        fail(m_boundReason);
        return;
    }
    takeOutput(QStringLiteral("\n")); // a last line without its end
    if (m_cancelled) {
        fail(tr("the download was cancelled"));
        return;
    }
    if (!result.started()) {
        fail(YtDlpReader::missingText());
        return;
    }
    if (!result.succeeded()) {
        const QString said = ytDlpError(m_process.output());
        fail(said.isEmpty() ? tr("yt-dlp %1").arg(endingText(result)) : said);
        return;
    }
    const Expected<QString> path = commit();
    if (!path) {
        fail(path.error());
        return;
    }
    removeTemporaries(); // what yt-dlp left of the parts it merged
    Q_EMIT finished(true, *path);
}

Expected<QString> YtDlpDownload::commit() const
{
    // Only a file of this download's own temporary name, in its folder,
    // is taken; the extension is yt-dlp's when it is a media one, else the
    // container's the file's first bytes show: a server names no program.
    const QFileInfo made(m_reported);
    if (m_reported.isEmpty() || !made.fileName().startsWith(m_tempPrefix) ||
        made.absolutePath() != QFileInfo(m_folder).absoluteFilePath() || !made.isFile() ||
        made.isSymLink())
        return Expected<QString>::failure(tr("yt-dlp reported no file it made"));
    QFile file(made.filePath());
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(4096) : QByteArray();
    const QString given = made.fileName().mid(m_tempPrefix.size());
    const std::optional<QString> extension = savedExtension(given, head);
    if (!extension)
        return Expected<QString>::failure(
            tr("the server sent no video or sound file (it called it \"%1\"); it was not kept")
                .arg(given.left(40)));
    if (!isWholeMediaFile(file, *extension))
        return Expected<QString>::failure(
            tr("the file yt-dlp made is cut short (its index is missing: is the disk full?); it "
               "was not kept"));
    file.close();
    // Renaming never replaces a file; one that appears meanwhile only moves
    // the name on.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QString path =
            freeFileName(m_folder, m_base, QLatin1Char('.') + *extension, isNameTaken);
        if (QFile::rename(made.filePath(), path))
            return path;
    }
    return Expected<QString>::failure(tr("the downloaded file could not be renamed"));
}

void YtDlpDownload::removeTemporaries() const
{
    if (m_tempPrefix.isEmpty())
        return;
    const QDir folder(m_folder);
    const QStringList names =
        folder.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : names) {
        if (name.startsWith(m_tempPrefix))
            QFile::remove(folder.filePath(name));
    }
}

void YtDlpDownload::fail(const QString &reason)
{
    removeTemporaries();
    Q_EMIT finished(false, tr("The download failed: ") + reason);
}

void queryYtDlpVersion(const QString &program, QObject *context,
                       const std::function<void(const QString &)> &done)
{
    queryToolVersion(program, YtDlpCommand::version(), &ytDlpVersion, context, done);
}

} // namespace vantrel
