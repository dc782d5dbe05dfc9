#include "core/capture/CaptureCommand.h"

#include <QFileInfo>

namespace vantrel {

namespace {

// Before the input: quiet except for errors, progress as key=value lines on
// standard error, and an output that is there already is replaced (the user
// named it in a save dialog that asked).
const QString kStart =
    QStringLiteral(" -hide_banner -nostats -loglevel error -progress pipe:2 -y ");

// How each kind of device is stored in the AVI: a DV stream as it comes
// (picture and sound), a camera's or the test source's picture as MJPEG.
QString recordingOptions(CaptureDevice::Kind kind)
{
    switch (kind) {
    case CaptureDevice::Kind::DvCamcorder:
        return QStringLiteral(" -map 0 -c:v copy -c:a pcm_s16le -f avi ");
    case CaptureDevice::Kind::Camera:
    case CaptureDevice::Kind::TestSource:
        break;
    }
    return QStringLiteral(" -map 0:v -c:v mjpeg -q:v 3 -f avi ");
}

// The live picture: scaled into the fixed size with black bars, fewer frames
// (a filter drops them, so the recording's dropped count stays its own).
QString livePictureOptions()
{
    const int w = kLivePictureSize.width();
    const int h = kLivePictureSize.height();
    return QStringLiteral(" -map 0:v -vf fps=%1,scale=%2:%3:force_original_aspect_ratio=decrease,"
                          "pad=%2:%3:(ow-iw)/2:(oh-ih)/2 -pix_fmt rgb24 -f rawvideo pipe:1")
        .arg(kLivePictureRate)
        .arg(w)
        .arg(h);
}

} // namespace

CommandLine captureCommand(const CaptureRequest &request)
{
    CommandLine command;
    command.appendPath(request.encoderPath);
    command.appendLiteral(kStart);
    for (qsizetype i = 0; i < request.device.inputArguments.size(); ++i) {
        if (i > 0)
            command.appendLiteral(QStringLiteral(" "));
        command.appendValue(request.device.inputArguments.at(i));
    }
    if (!request.outputFile.isEmpty()) {
        command.appendLiteral(recordingOptions(request.device.kind));
        // Absolute: a name that starts with "-" or holds ":" stays a file name.
        command.appendPath(QFileInfo(request.outputFile).absoluteFilePath());
    }
    command.appendLiteral(livePictureOptions());
    return command;
}

CaptureDevice testSourceDevice()
{
    return {QStringLiteral("Test picture"),
            CaptureDevice::Kind::TestSource,
            {QStringLiteral("-re"), QStringLiteral("-f"), QStringLiteral("lavfi"),
             QStringLiteral("-i"), QStringLiteral("testsrc=size=640x480:rate=25")},
            QString()};
}

} // namespace vantrel
