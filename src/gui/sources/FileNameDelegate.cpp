#include "gui/sources/FileNameDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>

namespace vantrel {

QString elidedPath(const QString &path, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString name = path.mid(slash + 1);
    const QString folder = path.left(slash + 1);
    const int nameWidth = metrics.horizontalAdvance(name);
    const QString ellipsis = QStringLiteral("\u2026/");
    if (slash < 0 || nameWidth + metrics.horizontalAdvance(ellipsis) > width)
        return metrics.elidedText(name, Qt::ElideMiddle, width);
    // The folder's middle goes first; its last slash stays before the name.
    const QString shortFolder =
        metrics.elidedText(folder.chopped(1), Qt::ElideMiddle,
                           width - nameWidth - metrics.horizontalAdvance(QLatin1Char('/')));
    if (shortFolder == QStringLiteral("\u2026") || shortFolder.isEmpty())
        return ellipsis + name;
    return shortFolder + QLatin1Char('/') + name;
}

void FileNameDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QStyle *style = option->widget ? option->widget->style() : QApplication::style();
    // The room the style leaves for the text: the cell less its margins.
    const int margin =
        style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option->widget) + 1;
    option->text = elidedPath(option->text, option->fontMetrics, option->rect.width() - 2 * margin);
    option->textElideMode = Qt::ElideNone;
}

} // namespace vantrel
