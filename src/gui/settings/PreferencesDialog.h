#pragma once

#include "core/settings/PreferencesController.h"
#include "gui/app/AsyncDialogs.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vantrel {

class Prompt;

// The preferences window: output folder, what to do with an existing output
// file, shutdown after a batch, the encoder's thread count, the rows
// converting at once and the preferred languages. It reads the
// settings file when it is built and writes it only on "OK".
//
// The window is named Frmset; its controls carry the object names Text2, Command4, Option1,
// Option2, Check1, Text1, SpinJobs (simultaneous conversions), languagesEdit (preferred
// languages), Command1 ("OK") and
// Command2 ("Cancel").
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

    // The values the controls hold now.
    Settings values() const;

private:
    void buildControls();
    void showValues(const Settings &values);
    void browse();
    void confirm();

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
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace vantrel
