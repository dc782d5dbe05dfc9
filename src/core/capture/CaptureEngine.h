#pragma once

#include "core/capture/CaptureDevice.h"
#include "core/capture/CaptureProgress.h"

#include <QByteArray>
#include <QObject>
#include <QSize>

#include <memory>

namespace vantrel {

class Process;

// Records a capture device into an AVI file with the encoder, and shows its
// live picture. At most one encoder runs, so a device is opened once: it
// records (and sends the picture), or only sends the picture (preview), or
// nothing runs. What should run follows from the connected device, the
// preview switch and the capturing switch; a change ends the running encoder
// first and starts the next when it has gone. A recording is ended with the
// encoder's own stop key, so that it finishes the file; only an encoder that
// does not end in time is killed. Nothing waits.
class CaptureEngine : public QObject
{
    Q_OBJECT

public:
    static constexpr int kFinishGraceMs = 5000;

    CaptureEngine(QString encoderPath, CaptureDevices &devices, QObject *parent = nullptr);
    ~CaptureEngine() override;

    int deviceCount() const { return int(m_deviceList.size()); }
    QString deviceName(int index) const;

    // Connecting opens the chosen device's camera controls; disconnecting
    // ends what runs on the device.
    void setDeviceIndex(int index);
    void setConnected(bool connected);
    bool isConnected() const { return m_connected; }

    CameraRange cameraRange(CameraProperty property);
    int cameraValue(CameraProperty property);
    bool setCameraValue(CameraProperty property, int value);

    void setCaptureFile(const QString &file) { m_captureFile = file; }
    QString captureFile() const { return m_captureFile; }
    void setPreview(bool preview);
    bool preview() const { return m_preview; }

    // Starts recording into the capture file; false, with `failed`, when no
    // device is connected or the file cannot be written.
    bool startCapture();
    // Ends the recording; the encoder finishes the file.
    void stopCapture();
    bool isCapturing() const { return m_capturing; }
    CaptureStatistics statistics() const { return m_statistics; }

    // Whether an encoder runs (recording, finishing or previewing).
    bool isBusy() const;
    // Ends everything; `idle` follows once no encoder runs (at once when
    // none does).
    void shutDown();

Q_SIGNALS:
    // The newest live picture: RGB, 3 bytes a pixel.
    void livePicture(const QByteArray &rgb, QSize size);
    void capturingChanged(bool capturing);
    // A recording's encoder has ended: the file is finished (or as far as
    // the encoder got when it failed).
    void recordingFinished(const QString &file);
    void failed(const QString &message);
    void idle();

private:
    enum class Run
    {
        None,
        Preview,
        Recording
    };

    Run wantedRun() const;
    void scheduleReconcile();
    void reconcile();
    void startRun(Run run);
    void onRunFinished();
    void takePicture(const QByteArray &data);
    void setCapturing(bool capturing);
    QString unwritableReason(const QString &file) const;

    QString m_encoderPath;
    CaptureDevices &m_devices;
    QList<CaptureDevice> m_deviceList;
    int m_deviceIndex = -1;
    bool m_connected = false;
    std::unique_ptr<CameraControls> m_controls;
    QString m_captureFile;
    QString m_recordingFile;   // what the running recording writes
    int m_recordingNumber = 0; // counts startCapture calls
    int m_runningNumber = 0;   // the one the running recording is
    bool m_preview = false;
    bool m_capturing = false;
    CaptureStatistics m_statistics;
    QString m_progressLine;

    std::unique_ptr<Process> m_process;
    Run m_running = Run::None;
    bool m_ending = false; // the running encoder was told to end
    bool m_reconcilePending = false;
    QByteArray m_pictureBytes;
};

} // namespace vantrel
