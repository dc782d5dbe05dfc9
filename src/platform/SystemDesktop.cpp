#include "platform/SystemDesktop.h"

#include <QDesktopServices>
#include <QUrl>

namespace vantrel {

void SystemDesktop::openFolder(const QString &folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace vantrel
