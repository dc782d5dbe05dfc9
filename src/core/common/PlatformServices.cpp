#include "core/common/PlatformServices.h"

#include <QCoreApplication>

namespace vantrel {

QString folderNotShownMessage(const QString &folder)
{
    return QCoreApplication::translate("Desktop", "No file browser opened. The files are in:\n%1")
        .arg(folder);
}

void showFolder(Desktop *desktop, Prompt *prompt, const QString &folder)
{
    if (!desktop)
        return;
    desktop->openFolder(folder, [prompt, folder](bool opened) {
        if (!opened && prompt)
            prompt->information(folderNotShownMessage(folder));
    });
}

} // namespace vantrel
