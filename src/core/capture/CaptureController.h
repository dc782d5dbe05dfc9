#pragma once

#include "core/capture/CaptureDevice.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <array>

namespace vantrel {

class CaptureEngine;
class Prompt;

// A camera slider as the window shows it.
struct CameraSlider
{
    bool enabled = true;
    int minimum = -180;
    int maximum = 180;
    int value = 0;
};

// The capture window without the window: the device list, the capture file,
// Start, Stop, Preview and Exit, the camera sliders and the statistics that
// a timer refreshes twice a second while recording. Failures of the engine
// are shown through `prompt`.
class CaptureController : public QObject
{
    Q_OBJECT

public:
    static constexpr int kStatisticsIntervalMs = 500;

    CaptureController(CaptureEngine &engine, Prompt *prompt, QString initialFile,
                      QObject *parent = nullptr);

    // Lists the devices and chooses the first; with none, Start, Stop,
    // Preview and the sliders are disabled.
    void load();

    QStringList deviceNames() const { return m_deviceNames; }
    // What the device list says when it is empty, so that disabled buttons
    // are not the only answer; nothing when there are devices.
    QString noDeviceText() const;
    int currentDevice() const { return m_device; }
    void chooseDevice(int index);

    const CameraSlider &slider(CameraProperty property) const
    {
        return m_sliders.at(std::size_t(property));
    }
    void moveSlider(CameraProperty property, int value);

    QString captureFile() const { return m_file; }
    void setCaptureFile(const QString &file) { m_file = file; }
    // What the save dialog gave: a name replaces the file, Cancel (empty)
    // keeps it. The dialog asked before it gave a file that is there, so a
    // recording may replace that one.
    void fileChosen(const QString &file);

    void startCapture();
    void stopCapture();
    void preview();
    // Stops the recording (the file is finished) and everything else;
    // `closeRequested` follows once no encoder runs.
    void exit();
    bool isExiting() const { return m_exiting; }

    bool startEnabled() const { return m_startEnabled; }
    bool stopEnabled() const { return m_stopEnabled; }
    bool previewEnabled() const { return m_previewEnabled; }
    QString statisticsText() const { return m_statistics; }
    // The timer's work: the statistics while recording.
    void refreshStatistics();

Q_SIGNALS:
    void buttonsChanged();
    void slidersChanged();
    void statisticsChanged(const QString &text);
    void closeRequested();
    // Start chose another name, since the file was there and replacing it
    // was never agreed to.
    void captureFileChanged(const QString &file);

private:
    bool hasDevices() const { return !m_deviceNames.isEmpty(); }
    void setRecordingButtons(bool recording);

    CaptureEngine &m_engine;
    Prompt *m_prompt;
    QStringList m_deviceNames;
    int m_device = -1;
    std::array<CameraSlider, kCameraPropertyCount> m_sliders;
    QString m_file;
    QString m_agreedToReplace;
    QString m_statistics = QStringLiteral("00:00:00");
    bool m_startEnabled = true;
    bool m_stopEnabled = true;
    bool m_previewEnabled = true;
    bool m_exiting = false;
    QTimer m_timer;
};

} // namespace vantrel
