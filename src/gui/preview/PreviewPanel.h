#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QSlider;

namespace vantrel {

class PreviewController;

// Calls `released` with the slider's new value when the user lets go of it:
// at the end of a drag, and after a step by click, key or wheel (which have
// no drag to end).
void onSliderReleased(QSlider *slider, const std::function<void(int)> &released);

// The surface the player draws into: a black native child window whose id
// goes to the player's -wid.
class VideoSurfaceWidget : public QWidget
{
    Q_OBJECT

public:
    explicit VideoSurfaceWidget(QWidget *parent = nullptr);
    QSize sizeHint() const override { return {160, 120}; }

    // Paints the start state over whatever a player that has gone left on
    // the window: the system keeps a player's last frame until it is drawn
    // over.
    void showStartState() { repaint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A preview area: the video surface, the buttons Play, Pause, Stop, Back,
// Forward, First Frame and Last Frames, the position slider and the time
// labels. Play is reported (what it plays is the owner's business); the other
// commands go to the controller.
class PreviewPanel : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewPanel(PreviewController &controller, QWidget *parent = nullptr);

    PreviewController &controller() const { return m_controller; }
    QWidget *videoSurface() const { return m_surface; }
    QSlider *positionSlider() const { return m_slider; }
    QLabel *positionLabel() const { return m_position; }
    QLabel *totalLabel() const { return m_total; }
    // By caption: "Play", "Pause", "Stop", "Back", "Forward", "First Frame", "Last Frames".
    QPushButton *button(const QString &caption) const;

Q_SIGNALS:
    void playClicked();

private:
    QPushButton *addButton(const char *name, const char *caption);

    PreviewController &m_controller;
    VideoSurfaceWidget *m_surface = nullptr;
    QSlider *m_slider = nullptr;
    QLabel *m_position = nullptr;
    QLabel *m_total = nullptr;
    QList<QPushButton *> m_buttons;
};

} // namespace vantrel
