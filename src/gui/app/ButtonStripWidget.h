#pragma once

#include "gui/app/Pictures.h"

#include <QFrame>
#include <QLabel>
#include <QList>

namespace vantrel {

// The strip's captions are bold and a little larger than the window's text.
constexpr double kCaptionPointSize = 9.0;

// One picture of the button strip, with its caption beside it: both react to
// the mouse, the caption as its picture does.
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

// A caption of the strip: part of its button, a click and a hover on it are
// the picture's.
class StripCaptionWidget : public QLabel
{
    Q_OBJECT

public:
    StripCaptionWidget(const QString &caption, StripPictureWidget *picture,
                       QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    StripPictureWidget *m_picture;
};

// The strip of image buttons. Moving over a picture or its caption gives the
// picture a thin border; moving over the strip's own background takes every
// border away, and nothing else does.
class ButtonStripWidget : public QFrame
{
    Q_OBJECT

public:
    explicit ButtonStripWidget(QWidget *parent = nullptr);

    StripPictureWidget *addButton(Pictures::Button button, const QString &caption);
    // The caption beside a picture of this strip.
    QLabel *captionOf(const StripPictureWidget *picture) const;
    // Widgets after the buttons, such as the profile label and combo.
    void addTrailing(QWidget *widget, int stretch = 0);
    const QList<StripPictureWidget *> &pictures() const { return m_pictures; }

protected:
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QList<StripPictureWidget *> m_pictures;
    QList<QLabel *> m_captions; // beside the pictures, in the same order
};

} // namespace vantrel
