#include "gui/app/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace vantrel {

ElidedLabel::ElidedLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {0, QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect room = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, room.width());
    style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
    updateTip();
}

void ElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    updateTip();
}

void ElidedLabel::updateTip()
{
    const bool cut = fontMetrics().horizontalAdvance(text()) > contentsRect().width();
    const QString tip = cut ? text() : QString();
    if (toolTip() != tip)
        setToolTip(tip);
}

} // namespace vantrel
