#pragma once

#include "core/capture/CaptureDevice.h"
#include "gui/app/AsyncDialogs.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace vantrel {

class CaptureController;
class CaptureEngine;
class LivePictureWidget;

// The capture window ("Capture Video From DV"): the device list, the capture
// file with Browse..., Start capture, Stop capture, Preview and Exit, the
// live picture, the camera sliders and the recording's statistics. What it
// does is the CaptureController's. Closing it in any way stops a recording
// first: the window goes when the encoder has finished the file.
//
// Object names: vcx (the picture), Combo1, Text1, Command5 (Browse...),
// Command1 to Command4 (Start, Stop, Preview, Exit), Slider (four, pan,
// tilt, roll, zoom), Label2 (statistics).
class CaptureWindow : public QDialog
{
    Q_OBJECT

public:
    // Asks for the file to record into; `done` gets it, empty for Cancel.
    // Tests replace it.
    using FileChooser =
        std::function<void(QWidget *parent, const QString &current, FolderAnswer done)>;

    CaptureWindow(CaptureController &controller, CaptureEngine &engine, QWidget *parent = nullptr);

    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    static void chooseFileWithDialog(QWidget *parent, const QString &current, FolderAnswer done);

    QSlider *slider(CameraProperty property) const { return m_sliders.at(std::size_t(property)); }
    LivePictureWidget *livePicture() const { return m_picture; }

    void done(int result) override;

private:
    void buildControls();
    void showButtons();
    void showSliders();
    void browse();

    CaptureController &m_controller;
    FileChooser m_chooseFile;
    int m_result = Rejected;

    LivePictureWidget *m_picture = nullptr;
    QComboBox *m_devices = nullptr;
    QLineEdit *m_file = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_preview = nullptr;
    QLabel *m_statistics = nullptr;
    std::array<QSlider *, kCameraPropertyCount> m_sliders{};
};

} // namespace vantrel
