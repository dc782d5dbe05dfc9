#include "gui/capture/CaptureWindow.h"

#include "core/capture/CaptureCommand.h"
#include "core/capture/CaptureController.h"
#include "core/capture/CaptureEngine.h"
#include "gui/app/Named.h"
#include "gui/capture/LivePictureWidget.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace vantrel {

namespace {

struct SliderRow
{
    CameraProperty property;
    const char *caption;
};

constexpr SliderRow kSliderRows[] = {
    {CameraProperty::Pan, QT_TRANSLATE_NOOP("CaptureWindow", "Pan:")},
    {CameraProperty::Tilt, QT_TRANSLATE_NOOP("CaptureWindow", "Tilt:")},
    {CameraProperty::Roll, QT_TRANSLATE_NOOP("CaptureWindow", "Roll:")},
    {CameraProperty::Zoom, QT_TRANSLATE_NOOP("CaptureWindow", "Zoom:")},
};

} // namespace

CaptureWindow::CaptureWindow(CaptureController &controller, CaptureEngine &engine, QWidget *parent)
    : QDialog(parent), m_controller(controller), m_chooseFile(&CaptureWindow::chooseFileWithDialog)
{
    setObjectName(QStringLiteral("frmCapture"));
    setWindowTitle(tr("Capture Video From DV"));
    setModal(true);
    buildControls();

    connect(&engine, &CaptureEngine::livePicture, m_picture, &LivePictureWidget::showPicture);
    connect(&m_controller, &CaptureController::buttonsChanged, this, &CaptureWindow::showButtons);
    connect(&m_controller, &CaptureController::slidersChanged, this, &CaptureWindow::showSliders);
    connect(&m_controller, &CaptureController::statisticsChanged, m_statistics, &QLabel::setText);
    connect(&m_controller, &CaptureController::captureFileChanged, m_file, &QLineEdit::setText);
    connect(&m_controller, &CaptureController::closeRequested, this,
            [this] { QDialog::done(m_result); });

    m_controller.load();
    {
        const QSignalBlocker blocker(m_devices);
        m_devices->addItems(m_controller.deviceNames());
        m_devices->setCurrentIndex(m_controller.currentDevice());
        m_devices->setPlaceholderText(m_controller.noDeviceText());
        m_devices->setToolTip(m_controller.noDeviceText());
    }
    showButtons();
    showSliders();
}

void CaptureWindow::buildControls()
{
    m_picture = named(new LivePictureWidget(this), "vcx");

    m_devices = named(new QComboBox(this), "Combo1");
    connect(m_devices, &QComboBox::activated, &m_controller, &CaptureController::chooseDevice);
    m_file = named(new QLineEdit(m_controller.captureFile(), this), "Text1");
    connect(m_file, &QLineEdit::textChanged, &m_controller, &CaptureController::setCaptureFile);
    auto *browse = named(new QPushButton(tr("Browse..."), this), "Command5");
    connect(browse, &QPushButton::clicked, this, &CaptureWindow::browse);

    m_start = named(new QPushButton(tr("Start capture"), this), "Command1");
    m_stop = named(new QPushButton(tr("Stop capture"), this), "Command2");
    m_preview = named(new QPushButton(tr("Preview"), this), "Command3");
    auto *exit = named(new QPushButton(tr("Exit"), this), "Command4");
    for (QPushButton *button : {m_start, m_stop, m_preview, exit})
        button->setAutoDefault(false);
    connect(m_start, &QPushButton::clicked, &m_controller, &CaptureController::startCapture);
    connect(m_stop, &QPushButton::clicked, &m_controller, &CaptureController::stopCapture);
    connect(m_preview, &QPushButton::clicked, &m_controller, &CaptureController::preview);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);

    auto *sliders = new QGridLayout;
    for (const SliderRow &row : kSliderRows) {
        auto *slider = named(new QSlider(Qt::Horizontal, this), "Slider");
        slider->setRange(-180, 180);
        slider->setSingleStep(1);
        slider->setPageStep(5);
        slider->setToolTip(tr(row.caption).chopped(1));
        connect(slider, &QSlider::valueChanged, this, [this, property = row.property](int value) {
            m_controller.moveSlider(property, value);
        });
        const int line = int(row.property);
        sliders->addWidget(new QLabel(tr(row.caption), this), line, 0);
        sliders->addWidget(slider, line, 1);
        m_sliders.at(std::size_t(row.property)) = slider;
    }
    m_statistics = named(new QLabel(m_controller.statisticsText(), this), "Label2");

    auto *device = new QGridLayout;
    device->addWidget(new QLabel(tr("Camera"), this), 0, 0);
    device->addWidget(m_devices, 0, 1, 1, 2);
    device->addWidget(new QLabel(tr("Capture File:"), this), 1, 0);
    device->addWidget(m_file, 1, 1);
    device->addWidget(browse, 1, 2);
    device->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {m_start, m_stop, m_preview, exit})
        buttons->addWidget(button);

    auto *time = new QHBoxLayout;
    time->addWidget(new QLabel(tr("Capture Time:"), this));
    time->addWidget(m_statistics, 1);

    auto *controls = new QVBoxLayout;
    controls->addLayout(device);
    controls->addLayout(buttons);
    controls->addLayout(sliders);
    controls->addLayout(time);
    controls->addStretch(1);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_picture, 1);
    layout->addLayout(controls);
    // The picture at its own size beside controls wide enough for a path.
    resize(kLivePictureSize.width() + 440, kLivePictureSize.height() + 24);
}

void CaptureWindow::showButtons()
{
    m_start->setEnabled(m_controller.startEnabled());
    m_stop->setEnabled(m_controller.stopEnabled());
    m_preview->setEnabled(m_controller.previewEnabled());
}

void CaptureWindow::showSliders()
{
    for (int i = 0; i < kCameraPropertyCount; ++i) {
        const CameraSlider &state = m_controller.slider(CameraProperty(i));
        QSlider *slider = m_sliders.at(std::size_t(i));
        const QSignalBlocker blocker(slider); // showing a value is not moving the camera
        slider->setEnabled(state.enabled);
        slider->setRange(state.minimum, state.maximum);
        slider->setValue(state.value);
    }
}

void CaptureWindow::chooseFileWithDialog(QWidget *parent, const QString &current, FolderAnswer done)
{
    chooseSaveFile(parent, tr("Save Video File"), current,
                   tr("Avi Video file") + QStringLiteral(" (*.avi)"), std::move(done));
}

void CaptureWindow::browse()
{
    m_chooseFile(this, m_controller.captureFile(),
                 [window = QPointer<CaptureWindow>(this)](const QString &file) {
                     if (!window)
                         return;
                     window->m_controller.fileChosen(file);
                     window->m_file->setText(window->m_controller.captureFile());
                 });
}

void CaptureWindow::done(int result)
{
    // Exit, the window's close button and Escape all end here: the recording
    // is stopped and the window goes once the encoder has finished.
    m_result = result;
    if (m_controller.isExiting())
        return;
    setEnabled(false);
    m_controller.exit();
}

} // namespace vantrel
