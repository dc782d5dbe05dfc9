#include "gui/capture/LivePictureWidget.h"

#include "core/capture/CaptureCommand.h"

#include <QPainter>

namespace vantrel {

LivePictureWidget::LivePictureWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(kLivePictureSize);
}

QSize LivePictureWidget::sizeHint() const
{
    return kLivePictureSize;
}

void LivePictureWidget::showPicture(const QByteArray &rgb, QSize size)
{
    if (rgb.size() < qsizetype(size.width()) * size.height() * 3)
        return;
    // A deep copy: the bytes belong to the signal that brought them.
    m_picture = QImage(reinterpret_cast<const uchar *>(rgb.constData()), size.width(),
                       size.height(), size.width() * 3, QImage::Format_RGB888)
                    .copy();
    update();
}

void LivePictureWidget::clear()
{
    m_picture = QImage();
    update();
}

void LivePictureWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_picture.isNull())
        return;
    QSize fitted = m_picture.size().scaled(size(), Qt::KeepAspectRatio);
    QRect target(QPoint(), fitted);
    target.moveCenter(rect().center());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_picture);
}

} // namespace vantrel
