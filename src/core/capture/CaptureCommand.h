#pragma once

#include "core/capture/CaptureDevice.h"
#include "core/tools/CommandLine.h"

#include <QSize>

namespace vantrel {

// The live picture the encoder sends beside the recording: RGB, 3 bytes a
// pixel, this size (the device's picture scaled into it, black bars around),
// this many frames a second.
constexpr QSize kLivePictureSize(320, 240);
constexpr int kLivePictureRate = 15;
constexpr qsizetype kLivePictureBytes = qsizetype(320) * 240 * 3;

// One encoder run on a capture device: it records into `outputFile` (an AVI;
// none for a preview) and always writes the live picture to its standard
// output and its progress as key=value lines to its standard error.
struct CaptureRequest
{
    QString encoderPath;
    CaptureDevice device;
    QString outputFile;
};

CommandLine captureCommand(const CaptureRequest &request);

} // namespace vantrel
