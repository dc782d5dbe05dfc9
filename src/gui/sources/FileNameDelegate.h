#pragma once

#include <QStyledItemDelegate>

namespace vantrel {

// A path too long for its cell gives way folder first: "/home/…/trip/clip.mts",
// then "…/clip.mts"; only a name too long for the cell alone loses its middle.
QString elidedPath(const QString &path, const QFontMetrics &metrics, int width);

// Draws the file name column's paths elided as elidedPath does.
class FileNameDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

} // namespace vantrel
