#include "gui/app/ButtonStripWidget.h"

#include <QHBoxLayout>
#include <QMouseEvent>

namespace vantrel {

StripPictureWidget::StripPictureWidget(const QPixmap &picture, QWidget *parent) : QLabel(parent)
{
    setPixmap(picture);
    setFixedSize(picture.size() + QSize(4, 4));
    setAlignment(Qt::AlignCenter);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setBordered(false);
}

void StripPictureWidget::setBordered(bool bordered)
{
    m_bordered = bordered;
    setFrameShape(bordered ? QFrame::Box : QFrame::NoFrame);
    setLineWidth(1);
}

void StripPictureWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked();
    QLabel::mousePressEvent(event);
}

void StripPictureWidget::mouseMoveEvent(QMouseEvent *event)
{
    setBordered(true);
    Q_EMIT hovered();
    event->accept(); // the strip behind must not take the border away
}

StripCaptionWidget::StripCaptionWidget(const QString &caption, StripPictureWidget *picture,
                                       QWidget *parent)
    : QLabel(caption, parent), m_picture(picture)
{
    QFont bold = font();
    bold.setBold(true);
    bold.setPointSizeF(kCaptionPointSize);
    setFont(bold);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
}

void StripCaptionWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT m_picture->clicked();
    QLabel::mousePressEvent(event);
}

void StripCaptionWidget::mouseMoveEvent(QMouseEvent *event)
{
    m_picture->setBordered(true);
    Q_EMIT m_picture->hovered();
    event->accept(); // the strip behind must not take the border away
}

ButtonStripWidget::ButtonStripWidget(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Picture3"));
    setMouseTracking(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(3);
}

StripPictureWidget *ButtonStripWidget::addButton(Pictures::Button button, const QString &caption)
{
    auto *picture = new StripPictureWidget(Pictures::buttonPicture(button), this);
    auto *label = new StripCaptionWidget(caption, picture, this);
    auto *layout = static_cast<QHBoxLayout *>(this->layout());
    layout->addWidget(picture);
    layout->addWidget(label);
    layout->addSpacing(4);
    m_pictures.append(picture);
    m_captions.append(label);
    return picture;
}

QLabel *ButtonStripWidget::captionOf(const StripPictureWidget *picture) const
{
    const qsizetype at = m_pictures.indexOf(picture);
    return at < 0 ? nullptr : m_captions.at(at);
}

void ButtonStripWidget::addTrailing(QWidget *widget, int stretch)
{
    static_cast<QHBoxLayout *>(layout())->addWidget(widget, stretch);
}

void ButtonStripWidget::mouseMoveEvent(QMouseEvent *event)
{
    for (StripPictureWidget *picture : m_pictures)
        picture->setBordered(false);
    QFrame::mouseMoveEvent(event);
}

} // namespace vantrel
