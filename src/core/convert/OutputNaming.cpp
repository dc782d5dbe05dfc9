#include "core/convert/OutputNaming.h"

#include "core/settings/AppPaths.h"

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

QString outputPathFor(const QString &sourcePath, const QString &outputFolder,
                      const QString &extension, ExistingFilePolicy policy, const FileExists &exists)
{
    QString path = AppPaths::join(outputFolder, baseName(sourcePath) + extension);
    if (policy == ExistingFilePolicy::Overwrite)
        return path;
    while (exists(path))
        path = AppPaths::join(outputFolder, baseName(path) + QStringLiteral("_New") + extension);
    return path;
}

} // namespace vantrel
