#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace vantrel {

// A device the capture window can record from, and how the encoder reads it.
struct CaptureDevice
{
    enum class Kind
    {
        Camera,      // a video capture device of the system (V4L2 on Linux)
        DvCamcorder, // a DV camcorder on FireWire: its stream is stored as it comes
        TestSource   // the encoder's own test picture, in real time
    };

    QString name; // as the device list shows it
    Kind kind = Kind::Camera;
    QStringList inputArguments; // the encoder's input options, "-i" and its name included
    QString node;               // the device file camera controls open; empty for none
};

// The camera's steerable properties, in the order of the window's sliders.
enum class CameraProperty : int
{
    Pan = 0,
    Tilt = 1,
    Roll = 2,
    Zoom = 3
};
constexpr int kCameraPropertyCount = 4;

// A property's range as the device reports it. `result` is 0 when the device
// has the property; anything else means it cannot be steered.
struct CameraRange
{
    int result = -1;
    int minimum = 0;
    int maximum = 0;
    int step = 0;
    int defaultValue = 0;
    int flags = 0;

    bool available() const { return result == 0; }
};

// Steers one device's camera.
class CameraControls
{
public:
    virtual ~CameraControls() = default;
    virtual CameraRange range(CameraProperty property) = 0;
    // The current value; 0 when it cannot be read.
    virtual int value(CameraProperty property) = 0;
    // Whether the device took the value.
    virtual bool setValue(CameraProperty property, int value) = 0;
};

// The system's capture devices and their camera controls.
class CaptureDevices
{
public:
    virtual ~CaptureDevices() = default;
    virtual QList<CaptureDevice> devices() = 0;
    // Never null: a device without controls answers with ranges that are not
    // available.
    virtual std::unique_ptr<CameraControls> cameraControls(const CaptureDevice &device) = 0;
};

// A device without camera controls.
class NoCameraControls : public CameraControls
{
public:
    CameraRange range(CameraProperty) override { return {}; }
    int value(CameraProperty) override { return 0; }
    bool setValue(CameraProperty, int) override { return false; }
};

// No devices at all.
class NoCaptureDevices : public CaptureDevices
{
public:
    QList<CaptureDevice> devices() override { return {}; }
    std::unique_ptr<CameraControls> cameraControls(const CaptureDevice &) override
    {
        return std::make_unique<NoCameraControls>();
    }
};

// The encoder's moving test picture, delivered in real time like a camera:
// what the tests record from. The program itself lists only real devices.
CaptureDevice testSourceDevice();

} // namespace vantrel
