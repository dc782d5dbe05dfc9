#include "core/convert/batch/OutputNaming.h"

#include "core/common/FileNames.h"

#include <QFileInfo>

namespace vantrel {

namespace {

QString baseName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

} // namespace

bool isSameFile(const QString &a, const QString &b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

OutputName outputPathFor(const QString &sourcePath, const QString &outputFolder,
                         const QString &extension, ExistingFilePolicy policy,
                         const FileExists &exists, const FileExists &claimed,
                         const FileExists &heldElsewhere)
{
    OutputName name;
    const auto clashOf = [&](const QString &path) {
        if (claimed && claimed(path))
            return NameClash::SameBatch;
        if (heldElsewhere && heldElsewhere(path))
            return NameClash::OtherRun;
        if (isSameFile(path, sourcePath))
            return NameClash::Source;
        return NameClash::None;
    };
    name.path =
        freeFileName(outputFolder, baseName(sourcePath), extension, [&](const QString &path) {
            const NameClash clash = clashOf(path);
            if (policy == ExistingFilePolicy::AddNew)
                return clash != NameClash::None || exists(path);
            if (clash != NameClash::None && name.clash == NameClash::None)
                name.clash = clash;
            return clash != NameClash::None;
        });
    return name;
}

} // namespace vantrel
