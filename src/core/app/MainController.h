#pragma once

#include "core/app/BatchEndActions.h"
#include "core/common/PlatformServices.h"
#include "core/convert/BatchRun.h"
#include "core/profiles/OptionSheet.h"
#include "core/settings/Settings.h"
#include "core/sources/ListKeeper.h"
#include "core/sources/SourceList.h"
#include "core/tools/MediaProbe.h"
#include "core/tools/ToolControl.h"

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
    QString encoderPath;
    QString playerPath;
    QString ytDlpPath; // reads today's web pages
    QString statisticsPath;
    QString settingsPath;
    QString dataFolder;
    QString encoderListCache; // none: the encoder is asked at each start
    QString listFile;         // where the list is kept against a crash; none: not kept
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
    MediaProbe &probe() { return *m_probe; }
    SettingsFile settingsFile() const;
    QString defaultOutputFolder() const;
    const MainEnvironment &environment() const { return m_env; }

    // Builds the option sheet and restores the profile selected at the last
    // exit, applying its defaults (nothing is selected when the stored number
    // names no entry). A list that a run which did not end cleanly left is
    // offered back; from then on the list is kept against a crash.
    void startUp();
    // A clean exit: remembers the selection for the next start, and the
    // kept list goes.
    void unload();

    std::optional<int> selectedEntry() const { return m_selected; }
    // A pick in the profile combo: selects the entry and applies its defaults.
    // Numbers that name no entry change nothing.
    void pickEntry(int entry);

    // A file whose name cannot reach the tools is refused with a message
    // that names it, and the others are added.
    void addFiles(const QStringList &paths);
    // Adds dropped files up to the first one that is no video; that one is
    // refused with a message and ends the drop. Returns how many were added.
    int dropFiles(const QStringList &paths);
    void removeRow(std::optional<int> row);
    void clearAll();
    // A click on the list shows the row in the option sheet.
    void showRow(std::optional<int> row);

    // The Convert command: ends the preview and starts the batch with the
    // settings as they are now; false when refused (empty list, batch running).
    bool convert();
    void cancel();

    // The entries this computer's encoder cannot convert, with why; empty
    // until the encoder has said what it has.
    QMap<int, QString> unavailableEntries() const { return m_unavailable; }

Q_SIGNALS:
    void selectionChanged(std::optional<int> entry);
    void unavailableEntriesChanged();

private:
    bool addFile(const QString &path);
    // Whether a file may be added by its name; a refusal is shown.
    bool acceptsName(const QString &path);
    void offerLeftList();

    MainEnvironment m_env;
    BatchEndActions m_endActions;
    OptionSheet m_sheet;
    ToolControl m_tools;
    std::unique_ptr<MediaProbe> m_probe;
    std::unique_ptr<SourceList> m_sources;
    std::unique_ptr<BatchRun> m_batch;
    std::unique_ptr<ListKeeper> m_keeper;
    std::optional<int> m_selected;
    QSet<QString> m_warned;
    QMap<int, QString> m_unavailable; // settings warnings the user was shown
};

} // namespace vantrel
