#pragma once

#include "gui/app/Pictures.h"

#include <QFrame>
#include <QLabel>
#include <QList>

namespace vantrel {

// The strip's captions are bold and a little larger than the window's text.
constexpr double kCaptionPointSize = 9.0;

// One picture of the button strip: it reacts to the mouse, its caption does not.
class StripPictureWidget : public QLabel
{
    Q_OBJECT

public:
    StripPictureWidget(const QPixmap &picture, QWidget *parent = nullptr);
    void setBordered(bool bordered);
    bool isBordered() const { return m_bordered; }

Q_SIGNALS:
    void clicked();
    void hovered();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    bool m_bordered = false;
};

// The strip of image buttons. Moving over a picture gives it a thin border;
// moving over the strip's own background takes every border away, and
// nothing else does.
class ButtonStripWidget : public QFrame
{
    Q_OBJECT

public:
    explicit ButtonStripWidget(QWidget *parent = nullptr);

    StripPictureWidget *addButton(Pictures::Button button, const QString &caption);
    // Widgets after the buttons, such as the profile label and combo.
    void addTrailing(QWidget *widget, int stretch = 0);
    const QList<StripPictureWidget *> &pictures() const { return m_pictures; }

protected:
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QList<StripPictureWidget *> m_pictures;
};

} // namespace vantrel
