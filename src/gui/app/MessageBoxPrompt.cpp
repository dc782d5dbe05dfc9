#include "gui/app/MessageBoxPrompt.h"

#include <QMessageBox>

namespace vantrel {

void MessageBoxPrompt::error(const QString &text)
{
    QMessageBox::critical(m_parent, applicationTitle(), text);
}

void MessageBoxPrompt::information(const QString &text)
{
    QMessageBox::information(m_parent, applicationTitle(), text);
}

} // namespace vantrel
