#include "gui/app/HelpWindow.h"

#include "core/common/PlatformServices.h"

#include <QShortcut>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

// The help pages live in a resource of the UI library; a static library's
// resources are registered only when something refers to them.
static void registerHelpResource()
{
    Q_INIT_RESOURCE(help);
}

namespace vantrel {

const QUrl HelpWindow::kHome(QStringLiteral("qrc:/help/index.html"));

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    registerHelpResource();
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(applicationTitle() + tr(" Help"));
    setWindowModality(Qt::NonModal);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenExternalLinks(true);
    m_browser->document()->setDocumentMargin(12);
    m_browser->setSource(kHome);

    // Escape closes it, as it closes the program's dialogs.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_browser);
    resize(760, 620);
}

HelpWindow *HelpWindow::showFor(QWidget *owner)
{
    HelpWindow *window =
        owner ? owner->findChild<HelpWindow *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) {
        window = new HelpWindow(owner);
        if (!owner)
            window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace vantrel
