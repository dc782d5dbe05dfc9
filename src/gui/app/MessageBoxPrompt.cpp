#include "gui/app/MessageBoxPrompt.h"

#include "core/common/Logging.h"
#include "gui/app/AsyncDialogs.h"

#include <QMessageBox>

namespace vantrel {

void MessageBoxPrompt::show(Kind kind, const QString &text, Then then)
{
    static constexpr QMessageBox::Icon kIcons[] = {QMessageBox::Critical, QMessageBox::Warning,
                                                   QMessageBox::Information};
    // What the user was told belongs in the log of what ran.
    qCInfo(lcApp).noquote() << "message:" << text;
    auto *box =
        new QMessageBox(kIcons[int(kind)], applicationTitle(), text, QMessageBox::Ok, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Modal to the whole program while no window owns it.
    box->setWindowModality(m_parent ? Qt::WindowModal : Qt::ApplicationModal);
    if (then)
        QObject::connect(box, &QMessageBox::finished, box, [then = std::move(then)] { then(); });
    box->open();
}

void MessageBoxPrompt::ask(const QString &text, Answer answer)
{
    askYesNo(m_parent, applicationTitle(), text, std::move(answer));
}

} // namespace vantrel
