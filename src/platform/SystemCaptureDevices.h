#pragma once

#include "core/capture/CaptureDevice.h"

namespace vantrel {

// The system's capture devices: the video capture devices of Video4Linux
// (/dev/video*, by the card name each reports), then the DV camcorders on
// FireWire (AV/C units under /sys/bus/firewire/devices), which the encoder
// reads through its iec61883 input. Camera controls are the V4L2 controls
// pan, tilt and zoom (absolute); V4L2 has no roll, so roll is never
// available. Elsewhere than on Linux the list is empty.
class SystemCaptureDevices : public CaptureDevices
{
public:
    // The folders looked in; tests may name others.
    explicit SystemCaptureDevices(
        QString deviceFolder = QStringLiteral("/dev"),
        QString fireWireFolder = QStringLiteral("/sys/bus/firewire/devices"));

    QList<CaptureDevice> devices() override;
    std::unique_ptr<CameraControls> cameraControls(const CaptureDevice &device) override;

    // The DV camcorders described by a FireWire devices folder.
    static QList<CaptureDevice> fireWireCamcorders(const QString &folder);

private:
    QString m_deviceFolder;
    QString m_fireWireFolder;
};

} // namespace vantrel
