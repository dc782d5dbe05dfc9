#include "gui/sources/SourceListWidget.h"

#include "core/sources/SourceList.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>

#include <algorithm>
#include <QUrl>

namespace vantrel {

namespace {

// Column widths in pixels at 96 dots per inch, left to right. The file
// name's is what it starts with; it then takes what the others leave.
constexpr int kColumnWidths[] = {535, 139, 125, 129, 111, 169, 122};
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
    for (int column = 0; column < int(std::size(kColumnWidths)); ++column)
        header()->resizeSection(column, kColumnWidths[column]);
    // A long path loses its middle, not its name; the tip shows it whole.
    setTextElideMode(Qt::ElideMiddle);
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
