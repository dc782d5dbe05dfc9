#pragma once

#include "core/watch/SettleTracker.h"

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>

namespace vantrel {

class ConvertedRecord;

// Watches one folder (and its sub-folders when asked) for files to convert:
// a file joins once its name is not one being written, it is a type the
// program takes, it has held still for the settle time, it opens for
// reading, and the record does not hold it converted as it is. Changes are
// seen through the system's events; a scan every minute finds what a
// network or FUSE folder never tells, and while files wait they are looked
// at every second. Each file is told once until it changes again.
class FolderWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr int kScanEveryMs = 60 * 1000;
    static constexpr int kLookWhileWaitingMs = 1000;
    static constexpr int kLargestFolderFiles = 100000; // a scan reads no more

    struct Options
    {
        QString folder;
        bool subfolders = false;
        qint64 settleMs = 10000;
        bool events = true; // false: only the scans (a folder that sends no events)
        // Milliseconds on a steady clock; tests give their own.
        std::function<qint64()> clock;
    };

    FolderWatcher(Options options, const ConvertedRecord &record, QObject *parent = nullptr);

    // Looks at once and keeps watching.
    void start();
    void stop();
    // One look at the folder now: what joined is told before it returns.
    void lookNow();

    QString folder() const { return m_options.folder; }
    // The files waiting to hold still, by path.
    QStringList waiting() const { return m_tracker.waiting(); }

Q_SIGNALS:
    // A file to convert, with the size and time it held still at.
    void fileReady(const QString &path, qint64 size, const QDateTime &modified);
    // A file passed over, told once per path.
    void passedOver(const QString &path, const QString &reason);

private:
    void onChanged();
    void watchFolders(const QStringList &folders);

    Options m_options;
    const ConvertedRecord &m_record;
    SettleTracker m_tracker;
    QFileSystemWatcher m_events;
    QTimer m_scan; // every minute
    QTimer m_soon; // gathers a burst of events into one look
    QTimer m_whileWaiting;
    QSet<QString> m_toldPassedOver;
};

} // namespace vantrel
