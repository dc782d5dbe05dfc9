#include "gui/sources/SourceListWidget.h"

#include "core/sources/SourceList.h"
#include "gui/sources/FileNameDelegate.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>

#include <algorithm>
#include <QUrl>

namespace vantrel {

namespace {

// The file name takes what the other columns, each as wide as its contents,
// leave, and never less than this.
constexpr int kNameColumnMinimum = 160;

} // namespace

SourceListWidget::SourceListWidget(SourceList &list, QWidget *parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("lvwAudioTracks"));
    setModel(&list);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DropOnly);
    setContextMenuPolicy(Qt::NoContextMenu); // the right button press opens it
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(fontMetrics().horizontalAdvance(QStringLiteral("0:00:00")));
    for (int column = 1; column < SourceList::ColumnCount; ++column)
        header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    // The status changes while a batch runs: its column is as wide as its
    // longest word from the start, so that the others do not move.
    header()->setSectionResizeMode(SourceList::StatusColumn, QHeaderView::Fixed);
    header()->resizeSection(SourceList::StatusColumn,
                            fontMetrics().horizontalAdvance(QStringLiteral("Processing 100%  ")));
    // A long path loses its folder before its name; the tip shows it whole.
    setItemDelegateForColumn(SourceList::FileNameColumn, new FileNameDelegate(this));
    connect(header(), &QHeaderView::sectionResized, this, [this](int column) {
        if (column != SourceList::FileNameColumn)
            fitNameColumn();
    });
    connect(this, &QAbstractItemView::clicked, this, [this] { Q_EMIT rowClicked(selectedRow()); });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this] { Q_EMIT rowDoubleClicked(selectedRow()); });
}

int SourceListWidget::otherColumnsWidth() const
{
    int width = 0;
    for (int column = 1; column < header()->count(); ++column)
        width += header()->sectionSize(column);
    return width;
}

void SourceListWidget::fitNameColumn()
{
    // Every column shows as long as the name keeps its least width.
    const int free = viewport()->width() - otherColumnsWidth();
    header()->resizeSection(SourceList::FileNameColumn, std::max(kNameColumnMinimum, free));
}

QSize SourceListWidget::sizeHint() const
{
    return {otherColumnsWidth() + kNameColumnMinimum + 2 * frameWidth() +
                verticalScrollBar()->sizeHint().width(),
            QTreeView::sizeHint().height()};
}

void SourceListWidget::resizeEvent(QResizeEvent *event)
{
    QTreeView::resizeEvent(event);
    fitNameColumn();
}

std::optional<int> SourceListWidget::selectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first().row();
}

void SourceListWidget::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void SourceListWidget::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void SourceListWidget::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    if (!paths.isEmpty())
        Q_EMIT filesDropped(paths);
}

void SourceListWidget::keyPressEvent(QKeyEvent *event)
{
    const std::optional<int> before = selectedRow();
    QTreeView::keyPressEvent(event);
    // Moving with the keys shows the row as a click does.
    if (selectedRow() != before)
        Q_EMIT rowClicked(selectedRow());
}

void SourceListWidget::mousePressEvent(QMouseEvent *event)
{
    QTreeView::mousePressEvent(event);
    if (event->button() == Qt::RightButton)
        Q_EMIT contextMenuWanted(event->globalPosition().toPoint());
}

} // namespace vantrel
