#include "gui/preview/PreviewPanel.h"

#include "core/preview/PreviewController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace vantrel {

void onSliderReleased(QSlider *slider, const std::function<void(int)> &released)
{
    QObject::connect(slider, &QSlider::sliderReleased, slider,
                     [slider, released] { released(slider->value()); });
    // Steps by click, key or wheel have no drag to end; the new position is
    // known when the action is reported and the value follows it right after.
    QObject::connect(slider, &QSlider::actionTriggered, slider, [slider, released](int action) {
        if (action == QAbstractSlider::SliderNoAction || action == QAbstractSlider::SliderMove)
            return;
        released(slider->sliderPosition());
    });
}

VideoSurfaceWidget::VideoSurfaceWidget(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("VideoSurface"));
    // The player draws into a window of its own; the rest of the window stays
    // as it is.
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(64, 48);
}

void VideoSurfaceWidget::paintEvent(QPaintEvent *)
{
    // Black with the surface's start text, as before anything played.
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawText(rect().adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::AlignTop, tr("Power"));
}

PreviewPanel::PreviewPanel(PreviewController &controller, QWidget *parent)
    : QWidget(parent), m_controller(controller)
{
    setObjectName(QStringLiteral("PreviewPanel"));
    // A player's dark face with light writing, readable on any window
    // background, and compact buttons, so that seven captions fit the main
    // window's narrow column also under a skin with wide button padding.
    QPalette face = palette();
    face.setColor(QPalette::Window, QColor(0x20, 0x26, 0x2d));
    face.setColor(QPalette::WindowText, QColor(0xe8, 0xee, 0xf4));
    setPalette(face);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("QPushButton { padding-left: 2px; padding-right: 2px; }"
                                 "QLabel { color: #e8eef4; }"));
    m_surface = new VideoSurfaceWidget(this);
    connect(&m_controller, &PreviewController::playersEnded, m_surface,
            &VideoSurfaceWidget::showStartState);
    m_controller.setVideoSurface([surface = QPointer<QWidget>(m_surface)]() -> quint64 {
        return surface ? quint64(surface->winId()) : 0;
    });

    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setRange(0, PreviewController::kSliderMaximum);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(5);
    m_slider->setValue(m_controller.sliderValue());
    onSliderReleased(m_slider, [this](int value) { m_controller.seek(value); });

    QPushButton *play = addButton("cmdPlay", QT_TR_NOOP("Play"));
    QPushButton *pause = addButton("cmdPause", QT_TR_NOOP("Pause"));
    QPushButton *stop = addButton("cmdStop", QT_TR_NOOP("Stop"));
    QPushButton *back = addButton("cmdBack", QT_TR_NOOP("Back"));
    QPushButton *forward = addButton("cmdForward", QT_TR_NOOP("Forward"));
    QPushButton *first = addButton("Command4", QT_TR_NOOP("First Frame"));
    QPushButton *last = addButton("Command5", QT_TR_NOOP("Last Frames"));
    connect(play, &QPushButton::clicked, this, &PreviewPanel::playClicked);
    connect(pause, &QPushButton::clicked, &m_controller, &PreviewController::pause);
    connect(stop, &QPushButton::clicked, &m_controller, &PreviewController::stop);
    connect(back, &QPushButton::clicked, &m_controller, &PreviewController::back);
    connect(forward, &QPushButton::clicked, &m_controller, &PreviewController::forward);
    connect(first, &QPushButton::clicked, &m_controller, &PreviewController::firstFrame);
    connect(last, &QPushButton::clicked, &m_controller, &PreviewController::lastFrames);

    auto *current = new QLabel(tr("Current Time:"), this);
    m_position = new QLabel(m_controller.positionText(), this);
    m_position->setObjectName(QStringLiteral("LblCurTime"));
    m_total = new QLabel(m_controller.totalText(), this);
    m_total->setObjectName(QStringLiteral("SkinLabel10"));
    connect(&m_controller, &PreviewController::sliderValueChanged, m_slider, [this](int value) {
        // A tick does not pull the handle from under the user's mouse.
        if (!m_slider->isSliderDown())
            m_slider->setValue(value);
    });
    connect(&m_controller, &PreviewController::positionTextChanged, m_position, &QLabel::setText);
    connect(&m_controller, &PreviewController::totalTextChanged, m_total, &QLabel::setText);
    auto *note = new QLabel(m_controller.pictureNote(), this);
    note->setObjectName(QStringLiteral("pictureNote"));
    note->setWordWrap(true);
    note->setVisible(!note->text().isEmpty());
    connect(&m_controller, &PreviewController::pictureNoteChanged, note,
            [note](const QString &text) {
                note->setText(text);
                note->setVisible(!text.isEmpty());
            });

    // Two rows of buttons keep the panel narrow enough for the main window's
    // right-hand column; in the first row each button's share of the width
    // follows its caption.
    auto *transport = new QHBoxLayout;
    transport->setSpacing(2);
    for (QPushButton *button : {play, pause, stop, back, forward})
        transport->addWidget(button, button->fontMetrics().horizontalAdvance(button->text()) + 8);
    auto *jumps = new QHBoxLayout;
    jumps->setSpacing(2);
    jumps->addWidget(first, 1);
    jumps->addWidget(last, 1);

    auto *times = new QHBoxLayout;
    times->setSpacing(4);
    times->addWidget(current);
    times->addWidget(m_position, 1);
    times->addWidget(m_total);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(3);
    layout->addWidget(m_surface, 1);
    layout->addWidget(m_slider);
    layout->addLayout(transport);
    layout->addLayout(jumps);
    layout->addLayout(times);
    layout->addWidget(note);
}

QPushButton *PreviewPanel::addButton(const char *name, const char *caption)
{
    auto *button = new QPushButton(tr(caption), this);
    button->setObjectName(QString::fromLatin1(name));
    // Narrow buttons: the captions are short, the column is not wide.
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) + 8);
    m_buttons.append(button);
    return button;
}

QPushButton *PreviewPanel::button(const QString &caption) const
{
    for (QPushButton *b : m_buttons) {
        if (b->text() == caption)
            return b;
    }
    return nullptr;
}

} // namespace vantrel
