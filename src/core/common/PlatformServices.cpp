#include "core/common/PlatformServices.h"

#include <QCoreApplication>

namespace vantrel {

void showFolder(Desktop *desktop, Prompt *prompt, const QString &folder)
{
    if (!desktop)
        return;
    desktop->openFolder(folder, [prompt, folder](bool opened) {
        if (!opened && prompt)
            prompt->information(QCoreApplication::translate(
                                    "Desktop", "No file browser opened. The files are in:\n%1")
                                    .arg(folder));
    });
}

} // namespace vantrel
