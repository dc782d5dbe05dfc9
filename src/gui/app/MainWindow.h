#pragma once

#include "gui/app/AsyncDialogs.h"

#include <QDialog>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QMenu;
class QGroupBox;

namespace vantrel {

class ButtonStripWidget;
class MainController;
class OptionSheetWidget;
class PreviewController;
class PreviewPanel;
class ProfileComboWidget;
class ProgressPanel;
class SourceListWidget;

// The program's frame: button strip and profile combo on top, the source list
// on the left with the progress panel over it, the preview and the option
// sheet on the right, and the menus. It turns user events into calls on the
// MainController.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Shows the open dialog; `done` gets the chosen files. Tests replace it.
    using FileChooser = std::function<void(QWidget *parent, FilesAnswer done)>;

    explicit MainWindow(MainController &controller, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The load steps: hide the panel, build the sheet, restore the profile.
    void startUp();

    void setFileChooser(FileChooser chooser) { m_chooseFiles = std::move(chooser); }
    static void chooseFilesWithDialog(QWidget *parent, FilesAnswer done);

    QAction *action(const QString &objectName) const;
    QMenu *popupMenu() const { return m_popup; }
    ButtonStripWidget *strip() const { return m_strip; }
    ProfileComboWidget *profileCombo() const { return m_combo; }
    SourceListWidget *sourceList() const { return m_list; }
    ProgressPanel *progressPanel() const { return m_panel; }
    QGroupBox *previewFrame() const { return m_preview; }
    PreviewPanel *previewPanel() const { return m_previewPanel; }
    PreviewController &preview() const { return *m_previewController; }

    // The commands of the menus, the strip and the pop-up menu.
    void addFiles();
    // Files from the command line or from a second start of the program:
    // added as if dropped on the list; the window comes forward.
    void openFiles(const QStringList &files);
    void removeSelectedFile();
    void clearAllFiles();
    void convertNow();
    // "Tracks…": the selected row's own choice of sounds and subtitles.
    void chooseTracks();
    void showSettings();
    void showHelp();
    void showAbout();
    void showUpdateCheck();
    // "Import Video From Youtube": the online-video window, modal to this one.
    void openOnlineVideo();
    // "Capture Video From DV": the capture window, modal to this one.
    void openCapture();
    void exitProgram();

Q_SIGNALS:
    // The trimming window and the preview come with the preview player.
    void trimRequested(int row);
    void playRequested(std::optional<int> row);
    void captureRequested();
    void importRequested();
    // The window was closed: the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildStrip();
    void buildBody();
    QAction *makeAction(const QString &name, const QString &caption, const QKeySequence &shortcut,
                        void (MainWindow::*slot)());
    QAction *makeAction(const QString &name, const QString &caption, const QKeySequence &shortcut,
                        std::function<void()> run);
    void trimSelected();

    MainController &m_controller;
    FileChooser m_chooseFiles;
    ButtonStripWidget *m_strip = nullptr;
    ProfileComboWidget *m_combo = nullptr;
    SourceListWidget *m_list = nullptr;
    OptionSheetWidget *m_sheet = nullptr;
    ProgressPanel *m_panel = nullptr;
    QGroupBox *m_preview = nullptr;
    std::unique_ptr<PreviewController> m_previewController;
    PreviewPanel *m_previewPanel = nullptr;
    QMenu *m_popup = nullptr;
    bool m_unloaded = false;
    QPointer<QDialog> m_capture; // the capture window while it is open
    bool m_closeAfterCapture = false;
};

} // namespace vantrel
