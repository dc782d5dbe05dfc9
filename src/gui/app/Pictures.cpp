#include "gui/app/Pictures.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace vantrel {

namespace {

// What a group's picture shows.
enum class Shape
{
    Tablet,      // a slate with a home button
    MusicPlayer, // a pocket player with a click wheel
    Phone,       // a touch phone
    TvBox,       // a set-top box under a screen
    Robot,       // the phone platform's robot head
    Handheld,    // a wide handheld console
    Console,     // a console with a pad
    Note,        // a music note
    KeyPhone,    // a phone with a keypad
    Film,        // a strip of film
    Flash,       // an "f" on a red tile
    Disc,        // a small disc player
    Screen,      // a wide screen showing a play sign: video today
    Wave,        // a sound wave: audio today
};

struct GroupPicture
{
    int number;
    Shape shape;
    QRgb colour;
};

// The numbers the catalogue's groups use, with a picture that suits each.
constexpr GroupPicture kGroupPictures[] = {
    {44, Shape::Tablet, 0xff6e7b8b},      // Apple iPad
    {1, Shape::MusicPlayer, 0xffb0b8c4},  // Apple iPod
    {10, Shape::Phone, 0xff30343a},       // Apple iPhone
    {2, Shape::TvBox, 0xff444444},        // Apple TV
    {9, Shape::Robot, 0xff7cb342},        // Google Android
    {15, Shape::Handheld, 0xff202020},    // Sony PSP
    {38, Shape::Console, 0xff1a1a1a},     // Sony PS3
    {17, Shape::MusicPlayer, 0xffd84315}, // Sony Walkman
    {22, Shape::MusicPlayer, 0xff6d4c41}, // Microsoft Zune
    {3, Shape::Tablet, 0xff37474f},       // Archos
    {21, Shape::MusicPlayer, 0xff1565c0}, // Creative Zen
    {31, Shape::KeyPhone, 0xff5e35b1},    // iRiver, Windows Mobile
    {16, Shape::MusicPlayer, 0xffc62828}, // Sandisk Sansa
    {20, Shape::Console, 0xff2e7d32},     // Microsoft Xbox 360
    {18, Shape::Console, 0xfff5f5f5},     // Nintendo Wii
    {12, Shape::KeyPhone, 0xff546e7a},    // Mobile Phone
    {11, Shape::KeyPhone, 0xff212121},    // BlackBerry
    {30, Shape::KeyPhone, 0xff1e88e5},    // Nokia
    {5, Shape::Flash, 0xffd32f2f},        // Flash Video
    {8, Shape::Disc, 0xff00838f},         // Toshiba Gigabeat
    {41, Shape::Film, 0xff424242},        // Common Used Video Formats
    {6, Shape::Note, 0xff00897b},         // Common Used Audio Formats
    {45, Shape::Screen, 0xff1e88e5},      // Today's Video Formats
    {46, Shape::Wave, 0xff8e24aa},        // Today's Audio Formats
};

void drawShape(QPainter &p, Shape shape, const QColor &colour)
{
    const QColor light = colour.lighter(170);
    p.setPen(QPen(colour.darker(160), 1));
    switch (shape) {
    case Shape::Tablet:
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 2, 2);
        p.setBrush(light);
        p.drawRect(QRectF(4.5, 3.5, 7, 8));
        p.drawEllipse(QPointF(8, 13), 0.8, 0.8);
        break;
    case Shape::MusicPlayer:
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(3.5, 0.5, 9, 15), 2, 2);
        p.setBrush(light);
        p.drawRect(QRectF(5, 2, 6, 4.5));
        p.drawEllipse(QPointF(8, 11), 2.6, 2.6);
        break;
    case Shape::Phone:
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(4, 0.5, 8, 15), 2, 2);
        p.setBrush(QColor(0x90caf9));
        p.drawRect(QRectF(5, 2.5, 6, 9.5));
        p.setBrush(light);
        p.drawEllipse(QPointF(8, 13.7), 0.9, 0.9);
        break;
    case Shape::TvBox:
        p.setBrush(QColor(0x90caf9));
        p.drawRect(QRectF(1.5, 1.5, 13, 8));
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(3.5, 11.5, 9, 3), 1, 1);
        break;
    case Shape::Robot:
        p.setBrush(colour);
        p.drawChord(QRectF(3, 2, 10, 10), 0, 180 * 16);
        p.drawRect(QRectF(3, 7.5, 10, 7));
        p.setPen(QPen(colour.darker(160), 1.2));
        p.drawLine(QPointF(5, 2.5), QPointF(4, 0.5));
        p.drawLine(QPointF(11, 2.5), QPointF(12, 0.5));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(6, 5.3), 0.9, 0.9);
        p.drawEllipse(QPointF(10, 5.3), 0.9, 0.9);
        break;
    case Shape::Handheld:
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(0.5, 4.5, 15, 7), 3.5, 3.5);
        p.setBrush(QColor(0x90caf9));
        p.drawRect(QRectF(4.5, 5.5, 7, 5));
        p.setBrush(light);
        p.drawEllipse(QPointF(2.5, 8), 0.9, 0.9);
        p.drawEllipse(QPointF(13.5, 8), 0.9, 0.9);
        break;
    case Shape::Console:
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(1.5, 5.5, 13, 7), 3, 3);
        p.setPen(QPen(light, 1.4));
        p.drawLine(QPointF(3.5, 9), QPointF(6.5, 9));
        p.drawLine(QPointF(5, 7.5), QPointF(5, 10.5));
        p.setPen(Qt::NoPen);
        p.setBrush(light);
        p.drawEllipse(QPointF(10.5, 8), 0.9, 0.9);
        p.drawEllipse(QPointF(12.2, 9.8), 0.9, 0.9);
        break;
    case Shape::Note:
        p.setBrush(colour);
        p.drawEllipse(QPointF(4.5, 12.5), 2.5, 2);
        p.drawEllipse(QPointF(11.5, 10.5), 2.5, 2);
        p.drawRect(QRectF(6.2, 2, 1.3, 10.5));
        p.drawRect(QRectF(13.2, 1, 1.3, 9.5));
        p.drawPolygon(
            QPolygonF({QPointF(6.2, 2), QPointF(14.5, 0.5), QPointF(14.5, 3), QPointF(6.2, 4.5)}));
        break;
    case Shape::KeyPhone:
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(4, 0.5, 8, 15), 1.5, 1.5);
        p.setBrush(QColor(0xc5e1a5));
        p.drawRect(QRectF(5, 2, 6, 5));
        p.setPen(Qt::NoPen);
        p.setBrush(light);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                p.drawRect(QRectF(5.2 + col * 2.1, 8.5 + row * 2.2, 1.4, 1.4));
        break;
    case Shape::Screen:
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(0.5, 2.5, 15, 10), 1.5, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({QPointF(6.5, 5), QPointF(11, 7.5), QPointF(6.5, 10)}));
        p.setBrush(colour.darker(140));
        p.drawRect(QRectF(5, 13, 6, 1.5));
        break;
    case Shape::Wave: {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap));
        const qreal heights[] = {3, 7, 11, 6, 13, 8, 4};
        for (int i = 0; i < 7; ++i) {
            const qreal x = 2 + i * 2;
            p.drawLine(QPointF(x, 8 - heights[i] / 2), QPointF(x, 8 + heights[i] / 2));
        }
        break;
    }
    case Shape::Film:
        p.setBrush(colour);
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        for (int i = 0; i < 4; ++i) {
            p.drawRect(QRectF(2.5 + i * 3.2, 3.3, 1.6, 1.4));
            p.drawRect(QRectF(2.5 + i * 3.2, 11.3, 1.6, 1.4));
        }
        p.setBrush(QColor(0x90caf9));
        p.drawRect(QRectF(3, 5.5, 4.5, 5));
        p.drawRect(QRectF(8.5, 5.5, 4.5, 5));
        break;
    case Shape::Flash: {
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
        QFont font;
        font.setPixelSize(13);
        font.setBold(true);
        font.setItalic(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("f"));
        break;
    }
    case Shape::Disc:
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(2.5, 0.5, 11, 15), 2, 2);
        p.setBrush(light);
        p.drawEllipse(QPointF(8, 10), 3.5, 3.5);
        p.setBrush(colour);
        p.drawEllipse(QPointF(8, 10), 1, 1);
        p.setBrush(QColor(0x90caf9));
        p.drawRect(QRectF(4.5, 2, 7, 3.5));
        break;
    }
}

QPixmap blank(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QIcon Pictures::groupPicture(int number)
{
    QPixmap pixmap = blank(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    for (const GroupPicture &picture : kGroupPictures) {
        if (picture.number == number) {
            drawShape(p, picture.shape, QColor::fromRgba(picture.colour));
            return QIcon(pixmap);
        }
    }
    p.setPen(Qt::gray);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    return QIcon(pixmap);
}

QPixmap Pictures::buttonPicture(Button button)
{
    QPixmap pixmap = blank(32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen outline(QColor(0x37474f), 1.5);
    switch (button) {
    case Button::AddFiles:
    case Button::RemoveFile: {
        // A film frame with a plus or a minus.
        p.setPen(outline);
        p.setBrush(QColor(0xe3f2fd));
        p.drawRoundedRect(QRectF(3, 5, 22, 18), 2, 2);
        p.setBrush(QColor(0x90caf9));
        p.drawRect(QRectF(6, 8, 16, 12));
        const QColor sign = button == Button::AddFiles ? QColor(0x2e7d32) : QColor(0xc62828);
        p.setPen(Qt::NoPen);
        p.setBrush(sign);
        p.drawEllipse(QPointF(24, 23), 7, 7);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(20, 22, 8, 2.2));
        if (button == Button::AddFiles)
            p.drawRect(QRectF(22.9, 19, 2.2, 8));
        break;
    }
    case Button::ClearAll:
        p.setPen(outline);
        p.setBrush(QColor(0xeceff1));
        p.drawRect(QRectF(8, 9, 16, 19));
        p.drawRect(QRectF(5, 6, 22, 3));
        p.drawRect(QRectF(13, 3, 6, 3));
        p.drawLine(QPointF(12, 12), QPointF(12, 25));
        p.drawLine(QPointF(16, 12), QPointF(16, 25));
        p.drawLine(QPointF(20, 12), QPointF(20, 25));
        break;
    case Button::Convert: {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xef6c00));
        p.drawEllipse(QRectF(2, 2, 28, 28));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({QPointF(12, 9), QPointF(23, 16), QPointF(12, 23)}));
        break;
    }
    case Button::Settings: {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x546e7a));
        p.translate(16, 16);
        for (int i = 0; i < 8; ++i) {
            p.drawRect(QRectF(-2.5, -14, 5, 6));
            p.rotate(45);
        }
        p.drawEllipse(QPointF(0, 0), 10, 10);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(0, 0), 4, 4);
        break;
    }
    case Button::Help: {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1e88e5));
        p.drawEllipse(QRectF(2, 2, 28, 28));
        QFont font;
        font.setPixelSize(22);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(2, 2, 28, 28), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case Button::Exit:
        p.setPen(QPen(QColor(0xc62828), 3.5, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(5, 6, 22, 22), 120 * 16, 300 * 16);
        p.drawLine(QPointF(16, 3), QPointF(16, 15));
        break;
    }
    return pixmap;
}

QPixmap Pictures::emblem(int size)
{
    QPixmap pixmap = blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    // A film strip turning into an arrow: a file going in, a file coming out.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x37474f));
    p.drawRoundedRect(QRectF(4, 14, 34, 36), 3, 3);
    p.setBrush(Qt::white);
    for (int i = 0; i < 5; ++i) {
        p.drawRect(QRectF(7 + i * 6.4, 17, 3.2, 3));
        p.drawRect(QRectF(7 + i * 6.4, 44, 3.2, 3));
    }
    p.setBrush(QColor(0x90caf9));
    p.drawRect(QRectF(8, 23, 26, 18));
    p.setBrush(QColor(0xef6c00));
    p.drawPolygon(QPolygonF({QPointF(34, 24), QPointF(46, 24), QPointF(46, 14), QPointF(62, 32),
                             QPointF(46, 50), QPointF(46, 40), QPointF(34, 40)}));
    return pixmap;
}

QPixmap Pictures::loadingPlaceholder(const QSize &size)
{
    QPixmap pixmap(size);
    pixmap.fill(QColor(0x26, 0x32, 0x38));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A ring of dots, the last ones fading: something is on its way.
    const QPointF centre(size.width() / 2.0, size.height() / 2.0 - 6);
    const double radius = std::min(size.width(), size.height()) / 6.0;
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 8; ++i) {
        const double angle = i * M_PI / 4;
        p.setBrush(QColor(0x90, 0xca, 0xf9, 60 + i * 24));
        p.drawEllipse(centre + QPointF(std::cos(angle), std::sin(angle)) * radius, 3.5, 3.5);
    }
    p.setPen(QColor(0xe8, 0xee, 0xf4));
    p.drawText(QRectF(0, centre.y() + radius + 6, size.width(), 18), Qt::AlignCenter,
               QCoreApplication::translate("Pictures", "Loading..."));
    return pixmap;
}

QPixmap Pictures::noPicturePlaceholder(const QSize &size)
{
    QPixmap pixmap(size);
    pixmap.fill(QColor(0x26, 0x32, 0x38));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A framed landscape, struck through: there is no picture.
    const QRectF frame(size.width() * 0.3, size.height() * 0.2, size.width() * 0.4,
                       size.height() * 0.4);
    p.setPen(QPen(QColor(0x90, 0xa4, 0xae), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(frame);
    p.drawLine(frame.bottomLeft(), frame.topRight());
    p.setPen(QColor(0xe8, 0xee, 0xf4));
    p.drawText(QRectF(0, frame.bottom() + 6, size.width(), 18), Qt::AlignCenter,
               QCoreApplication::translate("Pictures", "No picture"));
    return pixmap;
}

} // namespace vantrel
