#pragma once

#include "core/app/BatchEndActions.h"
#include "core/app/BatchKeepsAwake.h"
#include "core/app/BatchOnDesktop.h"
#include "core/common/PlatformServices.h"
#include "core/convert/batch/BatchRun.h"
#include "core/profiles/OptionSheet.h"
#include "core/settings/Settings.h"
#include "core/sources/ListKeeper.h"
#include "core/sources/SourceFileRules.h"
#include "core/sources/SourceList.h"
#include "core/tools/MediaProbe.h"
#include "core/tools/ToolControl.h"
#include "core/watch/WatchedFolders.h"

#include <QMap>
#include <QObject>
#include <QSet>

#include <memory>
#include <optional>

namespace vantrel {

class CaptureDevices;

// Where the main window's engine finds its tools and files.
struct MainEnvironment
{
    // The capture window's devices; none when null.
    CaptureDevices *captureDevices = nullptr;
    Prompt *prompt = nullptr;
    PowerOff *powerOff = nullptr;
    Desktop *desktop = nullptr;
    DesktopNotifier *notifier = nullptr; // the batch on the task bar, its end noted
    SleepGuard *sleepGuard = nullptr;    // keeps the computer awake during a batch
    QString encoderPath;
    QString playerPath;
    QString ytDlpPath; // reads today's web pages
    QString statisticsPath;
    QString settingsPath;
    QString dataFolder;
    QString encoderListCache; // none: the encoder is asked at each start
    QString listFile;         // where the list is kept against a crash; none: not kept
    // The watched folders and the record of what they converted; none: no
    // folder is watched.
    QString watchFoldersFile;
    QString convertedRecordFile;
    // Where outputs go while no output folder is chosen; empty: the data folder.
    QString defaultOutputFolder;
};

// What the main window does, without the window: the source list, the profile
// selection, the option sheet and the batch, and the commands on them. The
// window only turns user events into these calls.
class MainController : public QObject
{
    Q_OBJECT

public:
    explicit MainController(MainEnvironment environment, QObject *parent = nullptr);
    ~MainController() override;

    SourceList &sources() { return *m_sources; }
    OptionSheet &sheet() { return m_sheet; }
    BatchRun &batch() { return *m_batch; }
    ToolControl &tools() { return m_tools; }
    // Whether the computer is kept awake while the batch runs.
    BatchKeepsAwake &keepsAwake() { return m_awake; }
    // The folders converted as files land in them; null when none may be.
    WatchedFolders *watchedFolders() { return m_watched.get(); }
    // The preferences were saved: the watched folders are read again.
    void preferencesSaved();
    MediaProbe &probe() { return *m_probe; }
    SettingsFile settingsFile() const;
    QString defaultOutputFolder() const;
    // Where converted files and downloads go, as the settings say now.
    QString outputFolder() const;
    const MainEnvironment &environment() const { return m_env; }

    // Builds the option sheet and restores the profile selected at the last
    // exit, applying its defaults (nothing is selected when the stored number
    // names no entry). A list that a run which did not end cleanly left is
    // offered back, with the profile and the option sheet it was to be
    // converted with; from then on all three are kept against a crash.
    void startUp();
    // A clean exit: remembers the selection for the next start, and the
    // kept list goes.
    void unload();

    std::optional<int> selectedEntry() const { return m_selected; }
    // A pick in the profile combo: selects the entry and applies its defaults.
    // Numbers that name no entry change nothing.
    void pickEntry(int entry);

    // Files from the open dialog, a drop, the command line or "Open With":
    // every video and sound file is added; the others, and those whose names
    // cannot reach the tools, are named in one message. Returns how many were
    // added.
    int addFiles(const QStringList &paths);
    void removeRow(std::optional<int> row);
    // Clears the list; "Undo Clear" brings it back as it was (rows, clips,
    // statuses), on top of what was added since.
    void clearAll();
    void undoClear();
    bool canUndoClear() const { return !m_cleared.isEmpty(); }
    // A click on the list shows the row in the option sheet.
    void showRow(std::optional<int> row);

    // The Convert command: ends the preview and starts the batch with the
    // settings as they are now; false when refused (empty list, batch running).
    bool convert();
    void cancel();

    // The entries this computer's encoder cannot convert, with why; empty
    // until the encoder has said what it has.
    QMap<int, QString> unavailableEntries() const { return m_unavailable; }

    // Whether the user sees the window: a batch that ends unseen is noted
    // on the desktop.
    void setWatching(BatchOnDesktop::Watching watching);

Q_SIGNALS:
    void selectionChanged(std::optional<int> entry);
    void unavailableEntriesChanged();
    void undoClearChanged(bool possible);

private:
    // The rows of a kept list that pass the checks of an added file; the
    // others are refused in words.
    QList<SourceList::SavedRow> acceptedRows(const QList<SourceList::SavedRow> &rows);
    void showRefusal(const FileSorting &sorting);
    void offerLeftList();
    void restoreChoices(const ListChoices &choices);

    MainEnvironment m_env;
    BatchEndActions m_endActions;
    BatchOnDesktop m_onDesktop;
    BatchKeepsAwake m_awake;
    OptionSheet m_sheet;
    ToolControl m_tools;
    std::unique_ptr<MediaProbe> m_probe;
    std::unique_ptr<SourceList> m_sources;
    std::unique_ptr<BatchRun> m_batch;
    std::unique_ptr<ListKeeper> m_keeper;
    std::unique_ptr<WatchedFolders> m_watched;
    std::optional<int> m_selected;
    QSet<QString> m_warned;
    QMap<int, QString> m_unavailable;      // settings warnings the user was shown
    QList<SourceList::SavedRow> m_cleared; // what "Undo Clear" brings back
};

} // namespace vantrel
