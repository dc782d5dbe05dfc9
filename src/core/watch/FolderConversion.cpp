#include "core/watch/FolderConversion.h"

#include "core/common/Logging.h"
#include "core/profiles/ProfileDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace vantrel {

namespace {

FolderWatcher::Options watcherOptions(const FolderConversion::Setup &setup)
{
    FolderWatcher::Options options;
    options.folder = setup.folder.folder;
    options.subfolders = setup.folder.subfolders;
    options.settleMs = setup.settleMs;
    options.events = setup.events;
    options.clock = setup.clock;
    return options;
}

} // namespace

FolderConversion::FolderConversion(Setup setup, QObject *parent)
    : QObject(parent), m_setup(std::move(setup)), m_list(&m_probe),
      m_batch(
          m_list, m_sheet, [this] { return m_setup.folder.choices.profile; }, m_setup.environment),
      m_record(m_setup.recordFile), m_watcher(watcherOptions(m_setup), m_record)
{
    // The sheet as it stood when the folder was added.
    m_sheet.build();
    applyProfileDefaults(m_sheet, m_setup.folder.choices.profile);
    restoreSheetValues(m_sheet, m_setup.folder.choices.sheet);

    connect(&m_watcher, &FolderWatcher::fileReady, this, &FolderConversion::onFileReady);
    connect(&m_watcher, &FolderWatcher::passedOver, this, &FolderConversion::passedOver);
    connect(&m_batch, &BatchRun::rowFinished, this, &FolderConversion::onRowFinished);
    // The next batch starts from the event loop, after the end is told.
    connect(&m_batch, &BatchRun::finished, this, [this] {
        m_inBatch.clear();
        stopWhenIdle();
        QTimer::singleShot(0, this, &FolderConversion::startNext);
    });
    connect(&m_batch, &BatchRun::encoderGone, this, &FolderConversion::stopWhenIdle);
}

FolderConversion::~FolderConversion() = default;

bool FolderConversion::start()
{
    const QFileInfo info(m_setup.folder.folder);
    if (!info.isDir() || !info.isReadable()) {
        m_error = tr("%1 is no folder this program can read.")
                      .arg(QDir::toNativeSeparators(m_setup.folder.folder));
        return false;
    }
    if (!m_record.load())
        qCWarning(lcApp) << "the record of converted files could not be read:"
                         << m_setup.recordFile;
    m_watcher.start();
    return true;
}

void FolderConversion::stop()
{
    m_stopping = true;
    m_watcher.stop();
    m_pending.clear();
    if (m_batch.isRunning())
        m_batch.abandon();
    stopWhenIdle();
}

void FolderConversion::stopWhenIdle()
{
    if (!m_stopping || m_stopped || m_batch.isRunning() || m_batch.encoderAlive())
        return;
    m_stopped = true;
    Q_EMIT stopped();
}

void FolderConversion::onFileReady(const QString &path, qint64 size, const QDateTime &modified)
{
    const auto samePath = [&path](const Arrival &arrival) {
        return arrival.path == path;
    };
    // A file changed while it waited is taken as it is now.
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(), samePath), m_pending.end());
    m_pending.append({path, size, modified});
    Q_EMIT joined(path);
    startNext();
}

void FolderConversion::startNext()
{
    if (m_stopping || m_batch.isRunning() || m_pending.isEmpty())
        return;
    Settings settings = m_setup.settings();
    const QString output =
        absoluteOutputFolder(settings.outputFolder, m_setup.environment.dataFolder);
    if (!m_setup.outputInsideAllowed) {
        if (const std::optional<QString> inside = outputInsideReason(output, m_setup.folder)) {
            if (m_toldCannot != *inside)
                Q_EMIT cannotStart(*inside);
            m_toldCannot = *inside;
            return; // the files wait for another output folder
        }
    }
    m_toldCannot.clear();
    m_list.clear();
    m_inBatch = m_pending;
    m_pending.clear();
    for (const Arrival &arrival : std::as_const(m_inBatch))
        m_list.addSourceFile(arrival.path);
    if (!m_batch.start(settings)) {
        m_pending = m_inBatch + m_pending;
        m_inBatch.clear();
    }
}

void FolderConversion::onRowFinished(int row, RowStatus status)
{
    const QString path = m_list.item(row).fileName;
    const QString output = m_batch.rowOutput(row);
    if (status == RowStatus::Ok) {
        for (const Arrival &arrival : std::as_const(m_inBatch)) {
            if (arrival.path == path &&
                !m_record.remember(path, arrival.size, arrival.modified, output))
                qCWarning(lcApp) << "the record of converted files could not be written:"
                                 << m_setup.recordFile;
        }
    }
    Q_EMIT fileDone(path, status, status == RowStatus::Cancel ? QString() : output,
                    m_batch.rowMessages(row));
}

} // namespace vantrel
