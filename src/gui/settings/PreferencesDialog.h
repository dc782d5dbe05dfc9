#pragma once

#include "core/settings/PreferencesController.h"
#include "core/watch/WatchFolderEditor.h"
#include "gui/app/AsyncDialogs.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vantrel {

class Prompt;

// The preferences window: output folder, what to do with an existing output
// file, shutdown after a batch, the encoder's thread count, the rows
// converting at once, the preferred languages and, once given their list,
// the watched folders with their settle time. It reads the settings file
// when it is built and writes it only on "OK".
//
// The window is named Frmset; its controls carry the object names Text2, Command4, Option1,
// Option2, Check1, Text1, SpinJobs (simultaneous conversions), languagesEdit (preferred
// languages), watchList, watchAdd, watchRemove, watchSubfolders, watchSettle (the watched
// folders), Command1 ("OK") and Command2 ("Cancel").
class PreferencesDialog : public QDialog
{
    Q_OBJECT

public:
    // Shows a folder chooser; `done` gets the chosen folder, or an empty text
    // when the user cancelled.
    using FolderChooser = std::function<void(QWidget *parent, const QString &caption,
                                             const QString &startFolder, FolderAnswer done)>;

    // `prompt` shows the refusal of a thread count or a language; null shows it in a message
    // box over this window.
    PreferencesDialog(PreferencesController controller, Prompt *prompt, QWidget *parent = nullptr);
    ~PreferencesDialog() override;

    // Replaces the system's folder chooser (tests).
    void setFolderChooser(FolderChooser chooser);
    // Shows the watched folders, edited with `editor` and written on "OK".
    void setWatchFolders(WatchFolderEditor editor);

    // The values the controls hold now.
    Settings values() const;

private:
    void buildControls();
    void showValues(const Settings &values);
    void browse();
    void confirm();
    void buildWatchControls();
    void showWatchFolders();
    void addWatchFolder();

    PreferencesController m_controller;
    Settings m_shown; // what the window opened with; it edits some of its values
    std::unique_ptr<Prompt> m_ownPrompt;
    Prompt *m_prompt;
    FolderChooser m_chooseFolder;

    QLineEdit *m_folder = nullptr;
    QPushButton *m_browse = nullptr;
    QRadioButton *m_addNew = nullptr;
    QRadioButton *m_overwrite = nullptr;
    QCheckBox *m_autoShut = nullptr;
    QLineEdit *m_threads = nullptr;
    QSpinBox *m_simultaneous = nullptr;
    QLineEdit *m_languages = nullptr;
    std::optional<WatchFolderEditor> m_watch;
    QGroupBox *m_watchBox = nullptr;
    QListWidget *m_watchList = nullptr;
    QPushButton *m_watchAdd = nullptr;
    QPushButton *m_watchRemove = nullptr;
    QCheckBox *m_watchSubfolders = nullptr;
    QSpinBox *m_watchSettle = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace vantrel
