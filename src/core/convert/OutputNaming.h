#pragma once

#include "core/settings/Settings.h"

#include <QString>

#include <functional>

namespace vantrel {

using FileExists = std::function<bool(const QString &path)>;

// The output path of a source: the output folder, the source's file name up
// to its first "." ("my.holiday.avi" gives "my"), and the profile's extension.
// With AddNew a taken name gets "_New" before the extension until it is free
// (clip.mp4, clip_New.mp4, clip_New_New.mp4); Overwrite keeps the first name.
// A name without "." is used whole.
QString outputPathFor(const QString &sourcePath, const QString &outputFolder,
                      const QString &extension, ExistingFilePolicy policy,
                      const FileExists &exists);

} // namespace vantrel
