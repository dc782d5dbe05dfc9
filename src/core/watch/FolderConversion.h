#pragma once

#include "core/convert/batch/BatchRun.h"
#include "core/profiles/OptionSheet.h"
#include "core/sources/SourceList.h"
#include "core/tools/MediaProbe.h"
#include "core/watch/ConvertedRecord.h"
#include "core/watch/FolderWatcher.h"
#include "core/watch/WatchFolder.h"

#include <QObject>

#include <functional>

namespace vantrel {

// Converts what lands in one watched folder with the folder's profile and
// sheet: the files the watcher tells join a list of their own, converted
// by the batch engine as a batch of the window is (several at once, fit to
// a size, loudness), one batch after another. What converted is remembered
// in the record; what failed is tried again after a restart.
class FolderConversion : public QObject
{
    Q_OBJECT

public:
    struct Setup
    {
        WatchFolder folder;
        qint64 settleMs = 10000;
        bool events = true;            // false: only the scans
        std::function<qint64()> clock; // the watcher's; none: a steady one
        // The settings each batch starts with, read when it starts.
        std::function<Settings()> settings;
        BatchEnvironment environment;
        QString recordFile; // what was converted, in the data folder
        // Outputs may go inside the watched folder (they are then not sources).
        bool outputInsideAllowed = false;
    };

    explicit FolderConversion(Setup setup, QObject *parent = nullptr);
    ~FolderConversion() override;

    // Reads the record and starts watching; false with `error()` when the
    // folder is no folder.
    bool start();
    // Stops watching; a running batch is abandoned (its files removed, to be
    // converted at the next start). `stopped` comes once no encoder is left.
    void stop();

    QString error() const { return m_error; }
    const WatchFolder &folder() const { return m_setup.folder; }
    BatchRun &batch() { return m_batch; }
    FolderWatcher &watcher() { return m_watcher; }
    const ConvertedRecord &record() const { return m_record; }
    bool isBusy() const { return m_batch.isRunning() || !m_pending.isEmpty(); }

Q_SIGNALS:
    void joined(const QString &path);
    void passedOver(const QString &path, const QString &reason);
    // A file's conversion ended; `output` is empty when it failed before one.
    void fileDone(const QString &path, vantrel::RowStatus status, const QString &output,
                  const QString &messages);
    // Files wait, but the output folder lies inside the watched one.
    void cannotStart(const QString &reason);
    void stopped();

private:
    struct Arrival
    {
        QString path;
        qint64 size = 0;
        QDateTime modified;
    };

    void onFileReady(const QString &path, qint64 size, const QDateTime &modified);
    void startNext();
    void onRowFinished(int row, RowStatus status);
    void stopWhenIdle();

    Setup m_setup;
    OptionSheet m_sheet;
    MediaProbe m_probe;
    SourceList m_list;
    BatchRun m_batch;
    ConvertedRecord m_record;
    FolderWatcher m_watcher;
    QList<Arrival> m_pending; // told, waiting for the next batch
    QList<Arrival> m_inBatch; // the running batch's files
    QString m_error;
    QString m_toldCannot; // the reason last told, so that it is told once
    bool m_stopping = false;
    bool m_stopped = false; // told
};

} // namespace vantrel
