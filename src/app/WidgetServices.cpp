#include "app/WidgetServices.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace vantrel {

void MessageBoxPrompt::error(const QString &text)
{
    QMessageBox::critical(m_parent, applicationTitle(), text);
}

void MessageBoxPrompt::information(const QString &text)
{
    QMessageBox::information(m_parent, applicationTitle(), text);
}

void DesktopServicesDesktop::openFolder(const QString &folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace vantrel
