#pragma once

#include <QImage>
#include <QWidget>

namespace vantrel {

// Shows the capture device's live picture on black, scaled to fit with its
// proportions kept; black while there is none.
class LivePictureWidget : public QWidget
{
    Q_OBJECT

public:
    explicit LivePictureWidget(QWidget *parent = nullptr);

    void showPicture(const QByteArray &rgb, QSize size);
    void clear();
    const QImage &picture() const { return m_picture; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_picture;
};

} // namespace vantrel
