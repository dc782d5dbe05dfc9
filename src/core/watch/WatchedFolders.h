#pragma once

#include "core/watch/FolderConversion.h"

#include <QObject>

#include <memory>
#include <vector>

namespace vantrel {

// The watched folders the window keeps converting while it runs, as the
// preferences list them: one FolderConversion each, with its own list and
// batch beside the window's. A reload rebuilds only the folders whose
// setup changed, so that saving the preferences interrupts no other.
class WatchedFolders : public QObject
{
    Q_OBJECT

public:
    struct Environment
    {
        BatchEnvironment batch;
        std::function<Settings()> settings; // read at each batch's start
        QString foldersFile;                // the watched folders
        QString recordFile;                 // what was converted
    };

    explicit WatchedFolders(Environment environment, QObject *parent = nullptr);
    ~WatchedFolders() override;

    // Reads the folders file and the settle time, and watches what they say.
    void reload();
    // Stops every folder; what converts is abandoned, to convert at the next start.
    void stopAll();

    int count() const { return int(m_running.size()); }
    // "Watching 2 folders: 3 converted, 1 failed." and the last problem;
    // empty when none is watched.
    QString status() const;

Q_SIGNALS:
    // A folder's conversion was made; its batch is for the caller to follow.
    void conversionAdded(vantrel::FolderConversion *conversion);
    void statusChanged(const QString &status);
    void fileDone(const QString &path, vantrel::RowStatus status, const QString &output);

private:
    struct Running
    {
        WatchFolder folder;
        qint64 settleMs = 0;
        FolderConversion *conversion = nullptr; // owned by this object
    };

    void add(const WatchFolder &folder, qint64 settleMs);
    void retire(FolderConversion *conversion);
    void setProblem(const QString &problem);

    Environment m_env;
    std::vector<Running> m_running;
    int m_made = 0; // conversions made, each with its own statistics file
    int m_converted = 0;
    int m_failed = 0;
    QString m_problem;
};

} // namespace vantrel
