#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QSlider;

namespace vantrel {

class PreviewController;
class PreviewPanel;
class Prompt;
class SourceList;
class ToolControl;
class TrimmingController;

// The clip trimming window: its own preview, the start and stop sliders with
// their time boxes, the clip's length, OK and Cancel. It shows what the
// TrimmingController holds and passes the user's doings to it.
class TrimmingDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TrimmingDialog(TrimmingController &controller, QWidget *parent = nullptr);
    ~TrimmingDialog() override;

    // Trims `row` of the main window's list in a modal window: ends the main
    // window's preview first, plays with the player at `playerPath`. Nothing
    // happens when the row does not exist.
    static void openFor(SourceList &list, int row, PreviewController &mainPreview,
                        ToolControl &tools, const QString &playerPath, Prompt *prompt,
                        QWidget *parent);

    PreviewPanel *previewPanel() const { return m_preview; }
    QSlider *startSlider() const { return m_startSlider; }
    QSlider *stopSlider() const { return m_stopSlider; }
    QLineEdit *startEdit() const { return m_startEdit; }
    QLineEdit *stopEdit() const { return m_stopEdit; }
    QLineEdit *lengthEdit() const { return m_lengthEdit; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

    // Cancel, the Escape key and the close box.
    void reject() override;
    void done(int result) override;

private:
    TrimmingController &m_controller;
    PreviewPanel *m_preview = nullptr;
    QSlider *m_startSlider = nullptr;
    QSlider *m_stopSlider = nullptr;
    QLineEdit *m_startEdit = nullptr;
    QLineEdit *m_stopEdit = nullptr;
    QLineEdit *m_lengthEdit = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    bool m_closed = false;
};

} // namespace vantrel
