#pragma once

#include "TestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QColor>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QWidget>

#include <cmath>
#include <functional>

// Whether a window's texts can be read: each visible caption, label, option
// text and cell of a list or tree is held against what is behind it on the
// window's picture.
// The measure is the contrast ratio the web's accessibility rules use,
// between the box's commonest colour (the background) and the colour that
// stands out most from it (the text's core pixels).

namespace readability {

inline double luminance(const QColor &c)
{
    const auto channel = [](double v) {
        v /= 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

inline double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of the text in `box` of `picture`: the background is the
// commonest colour; the text's colour the most contrasting one that at
// least a few pixels share (a stray pixel is no text).
inline double textContrast(const QImage &picture, const QRect &box)
{
    QHash<QRgb, int> counts;
    const QRect area = box.intersected(picture.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[picture.pixel(x, y) & 0xf8f8f8]; // near colours count as one
    }
    QRgb background = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    }
    double best = 1.0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() >= 3)
            best = std::max(best, contrast(QColor(background), QColor(it.key())));
    }
    return best;
}

struct Text
{
    QString where; // object name (or class) and text
    double contrast = 0;
};

// Where a widget draws its text, in its own coordinates; empty for none.
inline QRect textBox(QWidget *widget)
{
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text().trimmed().isEmpty() ? QRect() : label->contentsRect();
    if (auto *group = qobject_cast<QGroupBox *>(widget)) {
        if (group->title().isEmpty())
            return QRect();
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        option.lineWidth = 1;
        return group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                              QStyle::SC_GroupBoxLabel, group);
    }
    if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        if (button->text().trimmed().isEmpty())
            return QRect();
        const bool check = qobject_cast<QCheckBox *>(button) != nullptr;
        const bool radio = qobject_cast<QRadioButton *>(button) != nullptr;
        if (!check && !radio)
            return button->rect();
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        return button->style()->subElementRect(
            radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, button);
    }
    return QRect();
}

// The texts of the cells an item view (a list, a tree, the option sheet)
// shows, read-only ones included, each held against its cell.
inline void addCellTexts(QAbstractItemView *view, QWidget *window, const QImage &shown,
                         QList<Text> &found)
{
    const QAbstractItemModel *model = view->model();
    if (!model || qobject_cast<QHeaderView *>(view))
        return;
    const qreal scale = shown.devicePixelRatio();
    const std::function<void(const QModelIndex &)> walk = [&](const QModelIndex &parent) {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            for (int column = 0; column < model->columnCount(parent); ++column) {
                const QModelIndex index = model->index(row, column, parent);
                const QString text = index.data().toString();
                const QRect cell = view->visualRect(index).intersected(view->viewport()->rect());
                if (text.trimmed().isEmpty() || cell.width() < 4 || cell.height() < 4)
                    continue;
                const QRect onWindow(view->viewport()->mapTo(window, cell.topLeft()) * scale,
                                     cell.size() * scale);
                found.append(
                    {view->objectName() + QStringLiteral(" cell \"") + text.left(40) + u'"',
                     textContrast(shown, onWindow)});
            }
            walk(model->index(row, 0, parent));
        }
    };
    walk(QModelIndex());
}

// Every text `window` shows, with its contrast on the window's picture.
inline QList<Text> texts(QWidget *window, QImage *picture = nullptr)
{
    const QImage shown = window->grab().toImage();
    if (picture)
        *picture = shown;
    const qreal scale = shown.devicePixelRatio();
    QList<Text> found;
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (!widget->isVisibleTo(window) || !widget->isEnabled() || widget->window() != window)
            continue;
        if (auto *view = qobject_cast<QAbstractItemView *>(widget))
            addCellTexts(view, window, shown, found);
        const QRect box = textBox(widget);
        if (box.width() < 4 || box.height() < 4)
            continue;
        const QRect onWindow(widget->mapTo(window, box.topLeft()) * scale, box.size() * scale);
        QString text = widget->property("text").toString();
        if (auto *group = qobject_cast<QGroupBox *>(widget))
            text = group->title();
        const QString name = widget->objectName().isEmpty()
                                 ? QString::fromLatin1(widget->metaObject()->className())
                                 : widget->objectName();
        found.append(
            {name + QStringLiteral(" \"") + text.left(40) + u'"', textContrast(shown, onWindow)});
    }
    return found;
}

// The texts below the minimum ratio (4.5 : 1 for ordinary text), as lines
// for a failure message; empty when all can be read.
inline QStringList unreadable(QWidget *window, double minimum = 4.5, QImage *picture = nullptr)
{
    QStringList lines;
    for (const Text &text : texts(window, picture)) {
        if (text.contrast < minimum)
            lines << text.where + QStringLiteral(": %1 : 1").arg(text.contrast, 0, 'f', 2);
    }
    return lines;
}

} // namespace readability
