#include "platform/SystemCaptureDevices.h"

#include <QCollator>
#include <QDir>
#include <QFile>

#include <algorithm>

#if defined(Q_OS_LINUX)
#include <cerrno>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace vantrel {

namespace {

QString readSmallFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.read(4096)).trimmed()
                                          : QString();
}

// The AV/C unit of the 1394 Trade Association: what a DV camcorder offers.
constexpr auto kAvcUnitSpecifier = "0x00a02d";

// Whether the FireWire node `node` has an AV/C unit: its `units` lists
// "specifier:version" pairs, and each unit is also an entry "node.N" of its own.
bool hasAvcUnit(const QDir &dir, const QString &node)
{
    if (readSmallFile(dir.filePath(node + QStringLiteral("/units")))
            .contains(QLatin1String(kAvcUnitSpecifier)))
        return true;
    const QStringList units = dir.entryList({node + QStringLiteral(".*")}, QDir::Dirs);
    return std::any_of(units.cbegin(), units.cend(), [&dir](const QString &unit) {
        return readSmallFile(dir.filePath(unit + QStringLiteral("/specifier_id"))) ==
               QLatin1String(kAvcUnitSpecifier);
    });
}

#if defined(Q_OS_LINUX)

int ioctlRetrying(int fd, unsigned long request, void *argument)
{
    int result = 0;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}

// The card name of a V4L2 device that captures video; empty for any other.
QString videoCaptureCardName(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QString();
    v4l2_capability capability{};
    QString name;
    if (ioctlRetrying(fd, VIDIOC_QUERYCAP, &capability) == 0) {
        // A device node reports its own capabilities apart from the driver's.
        const __u32 caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS)
                               ? capability.device_caps
                               : capability.capabilities;
        if (caps & V4L2_CAP_VIDEO_CAPTURE)
            name = QString::fromUtf8(reinterpret_cast<const char *>(capability.card)).trimmed();
        if (name.isEmpty() && (caps & V4L2_CAP_VIDEO_CAPTURE))
            name = path;
    }
    ::close(fd);
    return name;
}

__u32 controlId(CameraProperty property)
{
    switch (property) {
    case CameraProperty::Pan:
        return V4L2_CID_PAN_ABSOLUTE;
    case CameraProperty::Tilt:
        return V4L2_CID_TILT_ABSOLUTE;
    case CameraProperty::Zoom:
        return V4L2_CID_ZOOM_ABSOLUTE;
    case CameraProperty::Roll:
        break;
    }
    return 0;
}

// A V4L2 device's camera controls, on a descriptor of its own: controls may
// be used while the encoder streams from the device.
class V4l2CameraControls : public CameraControls
{
public:
    explicit V4l2CameraControls(const QString &node)
        : m_fd(::open(QFile::encodeName(node).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC))
    {}
    ~V4l2CameraControls() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    V4l2CameraControls(const V4l2CameraControls &) = delete;
    V4l2CameraControls &operator=(const V4l2CameraControls &) = delete;

    CameraRange range(CameraProperty property) override
    {
        const __u32 id = controlId(property);
        if (m_fd < 0 || id == 0)
            return {};
        v4l2_queryctrl query{};
        query.id = id;
        if (ioctlRetrying(m_fd, VIDIOC_QUERYCTRL, &query) < 0)
            return {errno ? errno : -1};
        if (query.flags & V4L2_CTRL_FLAG_DISABLED)
            return {};
        return {0, query.minimum, query.maximum, query.step, query.default_value, int(query.flags)};
    }

    int value(CameraProperty property) override
    {
        v4l2_control control{controlId(property), 0};
        if (m_fd < 0 || control.id == 0 || ioctlRetrying(m_fd, VIDIOC_G_CTRL, &control) < 0)
            return 0;
        return control.value;
    }

    bool setValue(CameraProperty property, int value) override
    {
        v4l2_control control{controlId(property), value};
        return m_fd >= 0 && control.id != 0 && ioctlRetrying(m_fd, VIDIOC_S_CTRL, &control) == 0;
    }

private:
    int m_fd;
};

#endif

} // namespace

SystemCaptureDevices::SystemCaptureDevices(QString deviceFolder, QString fireWireFolder)
    : m_deviceFolder(std::move(deviceFolder)), m_fireWireFolder(std::move(fireWireFolder))
{}

QList<CaptureDevice> SystemCaptureDevices::devices()
{
    QList<CaptureDevice> found;
#if defined(Q_OS_LINUX)
    const QDir folder(m_deviceFolder);
    QStringList nodes =
        folder.entryList({QStringLiteral("video*")}, QDir::System | QDir::Files | QDir::Readable);
    QCollator numeric;
    numeric.setNumericMode(true); // video2 before video10
    std::sort(nodes.begin(), nodes.end(), numeric);
    for (const QString &node : nodes) {
        const QString path = folder.filePath(node);
        const QString card = videoCaptureCardName(path);
        if (card.isEmpty())
            continue;
        found.append({card,
                      CaptureDevice::Kind::Camera,
                      {QStringLiteral("-f"), QStringLiteral("v4l2"), QStringLiteral("-i"), path},
                      path});
    }
#endif
    found += fireWireCamcorders(m_fireWireFolder);
    return found;
}

QList<CaptureDevice> SystemCaptureDevices::fireWireCamcorders(const QString &folder)
{
    QList<CaptureDevice> found;
    const QDir dir(folder);
    for (const QString &entry : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString unit = dir.filePath(entry);
        const QString guid = readSmallFile(unit + QStringLiteral("/guid"));
        if (guid.isEmpty() || !hasAvcUnit(dir, entry))
            continue;
        const QString vendor = readSmallFile(unit + QStringLiteral("/vendor_name"));
        const QString model = readSmallFile(unit + QStringLiteral("/model_name"));
        QString name = QStringList{vendor, model}.join(QLatin1Char(' ')).trimmed();
        if (name.isEmpty())
            name = guid;
        found.append({QStringLiteral("DV: ") + name,
                      CaptureDevice::Kind::DvCamcorder,
                      {QStringLiteral("-f"), QStringLiteral("iec61883"), QStringLiteral("-dvtype"),
                       QStringLiteral("dv"), QStringLiteral("-dvguid"), guid, QStringLiteral("-i"),
                       QStringLiteral("auto")},
                      QString()});
    }
    return found;
}

std::unique_ptr<CameraControls>
SystemCaptureDevices::cameraControls([[maybe_unused]] const CaptureDevice &device)
{
#if defined(Q_OS_LINUX)
    if (device.kind == CaptureDevice::Kind::Camera && !device.node.isEmpty())
        return std::make_unique<V4l2CameraControls>(device.node);
#endif
    return std::make_unique<NoCameraControls>();
}

} // namespace vantrel
