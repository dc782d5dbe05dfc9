#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace vantrel {

// The user guide, compiled into the program, in a window of its own. It does
// not block the window that opened it.
class HelpWindow : public QWidget
{
    Q_OBJECT

public:
    static const QUrl kHome; // qrc:/help/index.html

    explicit HelpWindow(QWidget *parent = nullptr);

    QTextBrowser *browser() const { return m_browser; }

    // Shows the help window of `owner`, making one on first use, and brings
    // it to the front.
    static HelpWindow *showFor(QWidget *owner);

private:
    QTextBrowser *m_browser;
};

} // namespace vantrel
