#include "core/watch/FolderWatcher.h"

#include "core/watch/ConvertedRecord.h"
#include "core/watch/WatchedNames.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace vantrel {

namespace {

qint64 steadyNow()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

// Events of one burst (a copier writing, a rename) come as one look.
constexpr int kGatherEventsMs = 200;

} // namespace

FolderWatcher::FolderWatcher(Options options, const ConvertedRecord &record, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_record(record),
      m_tracker(m_options.settleMs)
{
    if (!m_options.clock)
        m_options.clock = steadyNow;
    m_options.folder = QDir::cleanPath(QFileInfo(m_options.folder).absoluteFilePath());
    m_scan.setInterval(kScanEveryMs);
    m_soon.setSingleShot(true);
    m_soon.setInterval(kGatherEventsMs);
    m_whileWaiting.setInterval(kLookWhileWaitingMs);
    connect(&m_scan, &QTimer::timeout, this, &FolderWatcher::lookNow);
    connect(&m_soon, &QTimer::timeout, this, &FolderWatcher::lookNow);
    connect(&m_whileWaiting, &QTimer::timeout, this, &FolderWatcher::lookNow);
    connect(&m_events, &QFileSystemWatcher::directoryChanged, this, &FolderWatcher::onChanged);
}

void FolderWatcher::start()
{
    m_scan.start();
    lookNow();
}

void FolderWatcher::stop()
{
    m_scan.stop();
    m_soon.stop();
    m_whileWaiting.stop();
    if (!m_events.directories().isEmpty())
        m_events.removePaths(m_events.directories());
}

void FolderWatcher::onChanged()
{
    if (!m_soon.isActive())
        m_soon.start();
}

void FolderWatcher::watchFolders(const QStringList &folders)
{
    if (!m_options.events)
        return;
    QStringList fresh;
    const QStringList watched = m_events.directories();
    for (const QString &folder : folders) {
        if (!watched.contains(folder))
            fresh << folder;
    }
    // A folder the system cannot watch (its limit reached) is still scanned.
    if (!fresh.isEmpty())
        m_events.addPaths(fresh);
}

void FolderWatcher::lookNow()
{
    const qint64 now = m_options.clock();
    const QDir root(m_options.folder);
    QStringList folders{m_options.folder};
    QSet<QString> present;
    QDirIterator it(m_options.folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    m_options.subfolders ? QDirIterator::Subdirectories
                                         : QDirIterator::NoIteratorFlags);
    int files = 0;
    while (it.hasNext() && files < kLargestFolderFiles) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink())
            continue; // a link may lead anywhere, even back here
        const QString relative = root.relativeFilePath(path);
        if (info.isDir()) {
            // Folders being unpacked are entered (their files are passed over).
            if (m_options.subfolders)
                folders << path;
            continue;
        }
        if (!info.isFile())
            continue; // a pipe or a device never settles into a file
        ++files;
        if (m_record.isOutput(path))
            continue; // what this folder's own conversions wrote
        if (const std::optional<QString> reason = passedOverReason(relative)) {
            if (!m_toldPassedOver.contains(path)) {
                m_toldPassedOver.insert(path);
                Q_EMIT passedOver(path, *reason);
            }
            continue;
        }
        present.insert(path);
        m_tracker.seen(path, info.size(), info.lastModified(), now);
    }
    for (const QString &path : m_tracker.waiting()) {
        if (!present.contains(path))
            m_tracker.gone(path);
    }
    watchFolders(folders);

    for (const QString &path : m_tracker.settled(now)) {
        const QFileInfo info(path);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            // Still locked or not yet readable: it waits again from now.
            m_tracker.gone(path);
            m_tracker.seen(path, info.size(), info.lastModified(), now);
            continue;
        }
        file.close();
        if (m_record.converted(path, info.size(), info.lastModified()))
            continue; // converted as it is, by this run or one before
        Q_EMIT fileReady(path, info.size(), info.lastModified());
    }

    // Files still waiting are looked at again soon, events or not.
    const bool waiting = m_tracker.untold() > 0;
    if (waiting && !m_whileWaiting.isActive())
        m_whileWaiting.start();
    else if (!waiting)
        m_whileWaiting.stop();
}

} // namespace vantrel
