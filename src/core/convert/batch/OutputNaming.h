#pragma once

#include "core/settings/Settings.h"

#include <QString>

#include <functional>

namespace vantrel {

using FileExists = std::function<bool(const QString &path)>;

// Why an output did not get the first name its rule gives.
enum class NameClash
{
    None,
    Source,    // that name is the source file itself
    SameBatch, // the batch wrote (or is writing) that name already
    OtherRun   // another running batch, here or on another machine, holds that name
};

struct OutputName
{
    QString path;
    NameClash clash = NameClash::None; // "overwrite" only: why the name moved on
};

// The output path of a source: the output folder, the source's file name up
// to its first "." ("my.holiday.avi" gives "my"), and the profile's extension.
// With AddNew a taken name gets "_New" before the extension until it is free
// (clip.mp4, clip_New.mp4, clip_New_New.mp4). Overwrite keeps the first name,
// replacing a file that was there before the batch, but never the source
// itself (links and ".." included) nor a name `claimed` by the batch or
// `heldElsewhere` by another: those take the "_New" chain too (with AddNew
// as well). Names fit the file system's limit.
OutputName outputPathFor(const QString &sourcePath, const QString &outputFolder,
                         const QString &extension, ExistingFilePolicy policy,
                         const FileExists &exists, const FileExists &claimed = {},
                         const FileExists &heldElsewhere = {});

// Whether two paths name the same file, through links and "..".
bool isSameFile(const QString &a, const QString &b);

} // namespace vantrel
