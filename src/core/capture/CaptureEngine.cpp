#include "core/capture/CaptureEngine.h"

#include "core/capture/CaptureCommand.h"
#include "core/common/Logging.h"
#include "core/tools/Process.h"
#include "core/tools/ToolControl.h"
#include "core/tools/ToolLocator.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace vantrel {

namespace {

// The encoder's last line that is not progress: its error, if it gave one.
QString lastErrorLine(const QString &output)
{
    const QStringList lines = output.split(u'\n', Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QString text = line->trimmed();
        const qsizetype equals = text.indexOf(u'=');
        const bool progress = equals > 0 && !text.left(equals).contains(u' ');
        if (!text.isEmpty() && !progress)
            return text;
    }
    return QString();
}

} // namespace

CaptureEngine::CaptureEngine(QString encoderPath, CaptureDevices &devices, QObject *parent)
    : QObject(parent), m_encoderPath(std::move(encoderPath)), m_devices(devices),
      m_deviceList(devices.devices())
{}

CaptureEngine::~CaptureEngine()
{
    if (m_process)
        m_process->disconnect(this);
}

QString CaptureEngine::deviceName(int index) const
{
    return m_deviceList.value(index).name;
}

void CaptureEngine::setDeviceIndex(int index)
{
    if (m_connected)
        return; // the device changes only while disconnected
    m_deviceIndex = index;
}

void CaptureEngine::setConnected(bool connected)
{
    if (connected && (m_deviceIndex < 0 || m_deviceIndex >= m_deviceList.size()))
        connected = false;
    if (connected == m_connected)
        return;
    m_connected = connected;
    m_controls.reset();
    if (connected) {
        m_controls = m_devices.cameraControls(m_deviceList.at(m_deviceIndex));
    } else {
        setCapturing(false);
    }
    scheduleReconcile();
}

CameraRange CaptureEngine::cameraRange(CameraProperty property)
{
    return m_controls ? m_controls->range(property) : CameraRange{};
}

int CaptureEngine::cameraValue(CameraProperty property)
{
    return m_controls ? m_controls->value(property) : 0;
}

bool CaptureEngine::setCameraValue(CameraProperty property, int value)
{
    return m_controls && m_controls->setValue(property, value);
}

void CaptureEngine::setPreview(bool preview)
{
    m_preview = preview;
    scheduleReconcile();
}

QString CaptureEngine::unwritableReason(const QString &file) const
{
    if (file.trimmed().isEmpty())
        return tr("Choose a file to record into.");
    const QFileInfo info(file);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return tr("Cannot record into %1: the folder %2 does not exist.")
            .arg(QDir::toNativeSeparators(info.absoluteFilePath()),
                 QDir::toNativeSeparators(folder.absoluteFilePath()));
    if (info.isDir())
        return tr("Cannot record into %1: it is a folder.")
            .arg(QDir::toNativeSeparators(info.absoluteFilePath()));
    if (info.exists() ? !info.isWritable() : !folder.isWritable())
        return tr("Cannot record into %1: it may not be written.")
            .arg(QDir::toNativeSeparators(info.absoluteFilePath()));
    return QString();
}

bool CaptureEngine::startCapture()
{
    if (!m_connected) {
        Q_EMIT failed(tr("No capture device is connected."));
        return false;
    }
    const QString reason = unwritableReason(m_captureFile);
    if (!reason.isEmpty()) {
        Q_EMIT failed(reason);
        return false;
    }
    m_statistics = {};
    ++m_recordingNumber; // a new recording, even if one is still running
    setCapturing(true);
    scheduleReconcile();
    return true;
}

void CaptureEngine::stopCapture()
{
    setCapturing(false);
    scheduleReconcile();
}

bool CaptureEngine::isBusy() const
{
    return m_process != nullptr;
}

void CaptureEngine::shutDown()
{
    m_preview = false;
    setConnected(false);
    if (isBusy())
        reconcile(); // the encoder is told to end now; idle follows its end
    else
        Q_EMIT idle();
}

void CaptureEngine::setCapturing(bool capturing)
{
    if (capturing == m_capturing)
        return;
    m_capturing = capturing;
    Q_EMIT capturingChanged(capturing);
}

CaptureEngine::Run CaptureEngine::wantedRun() const
{
    if (!m_connected)
        return Run::None;
    if (m_capturing)
        return Run::Recording;
    return m_preview ? Run::Preview : Run::None;
}

void CaptureEngine::scheduleReconcile()
{
    // The changes of one handler (preview on, then start) make one step, so
    // that no encoder starts only to be ended at once.
    if (!m_reconcilePending) {
        m_reconcilePending = true;
        QTimer::singleShot(0, this, &CaptureEngine::reconcile);
    }
}

void CaptureEngine::reconcile()
{
    m_reconcilePending = false;
    const Run wanted = wantedRun();
    if (m_process) {
        const bool right = m_running == wanted &&
                           (wanted != Run::Recording || m_runningNumber == m_recordingNumber);
        if (right || m_ending)
            return; // what runs is right, or it is ending and the next follows
        m_ending = true;
        if (m_running == Run::Recording) {
            // The encoder's stop key: it finishes the file and ends.
            ToolControl::encoderStop(kFinishGraceMs).apply(*m_process);
        } else {
            m_process->stop(); // a preview has no file to finish
        }
        return;
    }
    if (wanted != Run::None)
        startRun(wanted);
}

void CaptureEngine::startRun(Run run)
{
    CaptureRequest request{m_encoderPath, m_deviceList.at(m_deviceIndex), QString()};
    if (run == Run::Recording)
        request.outputFile = m_recordingFile = m_captureFile;
    m_runningNumber = m_recordingNumber;
    m_running = run;
    m_ending = false;
    m_progressLine.clear();
    m_pictureBytes.clear();
    m_process = std::make_unique<Process>();
    m_process->setDataOutput(true);
    m_process->setOutputLimit(64 * 1024);
    connect(m_process.get(), &Process::dataReceived, this, &CaptureEngine::takePicture);
    if (run == Run::Recording) {
        m_statistics = {};
        connect(m_process.get(), &Process::outputReceived, this, [this](const QString &text) {
            readCaptureProgress(text, m_progressLine, m_statistics);
        });
    }
    // Queued: a tool that cannot start reports it inside start().
    connect(m_process.get(), &Process::finished, this, &CaptureEngine::onRunFinished,
            Qt::QueuedConnection);
    m_process->start(captureCommand(request));
}

void CaptureEngine::onRunFinished()
{
    if (!m_process)
        return;
    std::unique_ptr<Process> ended = std::move(m_process);
    const Run run = std::exchange(m_running, Run::None);
    const bool asked = std::exchange(m_ending, false);
    const ProcessResult result = ended->result().value_or(ProcessResult{});
    const QString error = lastErrorLine(ended->output());
    ended->disconnect(this);
    ended.release()->deleteLater(); // this call came from its own signal

    if (!result.started()) {
        m_preview = false;
        setCapturing(false);
        Q_EMIT failed(ToolLocator::missingToolMessage(ToolLocator::kEncoder));
    } else if (!asked) {
        // The device or the encoder gave up by itself: say why, and do not
        // start again on a device that fails.
        m_preview = false;
        setCapturing(false);
        const QString what =
            run == Run::Recording ? tr("The recording stopped.") : tr("The live picture stopped.");
        Q_EMIT failed(error.isEmpty() ? what : what + QLatin1Char('\n') + error);
    } else if (run == Run::Recording && !result.succeeded()) {
        Q_EMIT failed(
            tr("The recording may not be complete (the encoder %1).").arg(endingText(result)) +
            (error.isEmpty() ? QString() : QLatin1Char('\n') + error));
    }
    qCInfo(lcTools).noquote() << "capture run ended:" << endingText(result);
    if (run == Run::Recording)
        Q_EMIT recordingFinished(m_recordingFile);
    reconcile();
    if (!m_process)
        Q_EMIT idle();
}

void CaptureEngine::takePicture(const QByteArray &data)
{
    m_pictureBytes += data;
    const qsizetype frames = m_pictureBytes.size() / kLivePictureBytes;
    if (frames == 0)
        return;
    // Only the newest whole picture is shown; older ones would only lag.
    const QByteArray newest =
        m_pictureBytes.mid((frames - 1) * kLivePictureBytes, kLivePictureBytes);
    m_pictureBytes.remove(0, frames * kLivePictureBytes);
    Q_EMIT livePicture(newest, kLivePictureSize);
}

} // namespace vantrel
