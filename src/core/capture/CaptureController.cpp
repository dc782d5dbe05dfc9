#include "core/capture/CaptureController.h"

#include "core/capture/CaptureEngine.h"
#include "core/capture/CaptureProgress.h"
#include "core/common/FileNames.h"
#include "core/common/PlatformServices.h"

#include <QFileInfo>

namespace vantrel {

namespace {

// "name_New.avi", "name_New_New.avi", ... until one is free.
QString freeName(const QString &file)
{
    const QFileInfo info(file);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    return freeFileName(info.path(), info.completeBaseName(), suffix, isNameTaken);
}

} // namespace

CaptureController::CaptureController(CaptureEngine &engine, Prompt *prompt, QString initialFile,
                                     QObject *parent)
    : QObject(parent), m_engine(engine), m_prompt(prompt), m_file(std::move(initialFile))
{
    m_timer.setInterval(kStatisticsIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &CaptureController::refreshStatistics);
    m_timer.start();
    connect(&m_engine, &CaptureEngine::failed, this, [this](const QString &message) {
        if (m_prompt)
            m_prompt->error(message);
    });
    // A recording that ended by itself leaves the buttons as Stop would.
    connect(&m_engine, &CaptureEngine::capturingChanged, this, [this](bool capturing) {
        if (!capturing)
            setRecordingButtons(false);
    });
    connect(&m_engine, &CaptureEngine::idle, this, [this] {
        if (m_exiting)
            Q_EMIT closeRequested();
    });
}

void CaptureController::load()
{
    m_deviceNames.clear();
    for (int i = 0; i < m_engine.deviceCount(); ++i)
        m_deviceNames << m_engine.deviceName(i);
    if (hasDevices()) {
        chooseDevice(0);
    } else {
        m_startEnabled = m_stopEnabled = m_previewEnabled = false;
        for (CameraSlider &slider : m_sliders)
            slider.enabled = false; // no camera to move
        Q_EMIT buttonsChanged();
        Q_EMIT slidersChanged();
    }
}

QString CaptureController::noDeviceText() const
{
    if (hasDevices())
        return QString();
    return tr("No camera or DV camcorder was found. Connect one and open this window again.");
}

void CaptureController::chooseDevice(int index)
{
    if (index < 0 || index >= m_deviceNames.size())
        return;
    m_device = index;
    m_engine.setConnected(false);
    m_engine.setDeviceIndex(index);
    m_engine.setConnected(true);
    for (int i = 0; i < kCameraPropertyCount; ++i) {
        const auto property = CameraProperty(i);
        const CameraRange range = m_engine.cameraRange(property);
        CameraSlider &slider = m_sliders.at(std::size_t(i));
        slider.enabled = range.available();
        // A slider the device cannot steer keeps its range and value.
        if (range.available())
            slider = {true, range.minimum, range.maximum, m_engine.cameraValue(property)};
    }
    Q_EMIT slidersChanged();
}

void CaptureController::moveSlider(CameraProperty property, int value)
{
    CameraSlider &slider = m_sliders.at(std::size_t(property));
    slider.value = value;
    if (slider.enabled)
        m_engine.setCameraValue(property, value); // a refusal changes nothing to report
}

void CaptureController::fileChosen(const QString &file)
{
    if (!file.isEmpty())
        m_file = m_agreedToReplace = file;
}

void CaptureController::startCapture()
{
    if (!hasDevices())
        return;
    if (m_engine.isCapturing()) {
        stopCapture();
        return;
    }
    // A recording never silently replaces an earlier one: a second Start on
    // the same name records beside it.
    if (m_file != m_agreedToReplace && QFileInfo(m_file).isFile()) {
        m_file = freeName(m_file);
        Q_EMIT captureFileChanged(m_file);
    }
    m_agreedToReplace.clear();
    m_engine.setCaptureFile(m_file);
    m_engine.setPreview(true);
    if (m_engine.startCapture())
        setRecordingButtons(true);
}

void CaptureController::stopCapture()
{
    m_engine.stopCapture();
    setRecordingButtons(false);
}

void CaptureController::preview()
{
    if (!hasDevices())
        return;
    if (m_engine.isCapturing())
        stopCapture();
    else
        m_engine.setPreview(true);
}

void CaptureController::exit()
{
    if (m_exiting)
        return;
    m_exiting = true;
    m_engine.stopCapture();
    m_engine.shutDown(); // idle, and with it closeRequested, follows
}

void CaptureController::refreshStatistics()
{
    if (!m_engine.isCapturing())
        return;
    m_statistics = captureStatisticsText(m_engine.statistics());
    Q_EMIT statisticsChanged(m_statistics);
}

void CaptureController::setRecordingButtons(bool recording)
{
    if (!hasDevices())
        return;
    m_startEnabled = !recording;
    m_previewEnabled = !recording;
    Q_EMIT buttonsChanged();
}

} // namespace vantrel
