#pragma once

#include <QFrame>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace vantrel {

class BatchRun;

// The panel shown over the source list while a batch runs: the current
// file's bar, the whole batch's bar, the elapsed time and Cancel. It can be
// dragged with the left button.
class ProgressPanel : public QFrame
{
    Q_OBJECT

public:
    explicit ProgressPanel(QWidget *parent = nullptr);

    // Follows a batch: shown and hidden by it, its bars moved by it, its
    // Cancel button cancels it.
    void follow(BatchRun &batch);
    // Beside the times: that the computer may sleep (the whole note as its
    // tip); empty clears it.
    void showAwakeNote(const QString &note);

    QProgressBar *fileBar() const { return m_fileBar; }
    QProgressBar *totalBar() const { return m_totalBar; }
    QLabel *elapsedLabel() const { return m_elapsed; }
    QLabel *timeLeftLabel() const { return m_timeLeft; }
    QGroupBox *captionFrame() const { return m_frame; }
    QPushButton *cancelButton() const { return m_cancel; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QGroupBox *m_frame;
    QProgressBar *m_fileBar;
    QProgressBar *m_totalBar;
    QLabel *m_elapsed;
    QLabel *m_timeLeft;
    QLabel *m_awake;
    QPushButton *m_cancel;
    bool m_dragging = false;
    QPoint m_grab;
};

} // namespace vantrel
