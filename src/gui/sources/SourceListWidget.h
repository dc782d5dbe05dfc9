#pragma once

#include <QTreeView>

#include <optional>

namespace vantrel {

class SourceList;

// The list of source files as the user sees it: seven columns, one selected
// row, files dropped from the desktop, a context menu on the right button.
// It reports what the user does; the main window acts on it.
class SourceListWidget : public QTreeView
{
    Q_OBJECT

public:
    explicit SourceListWidget(SourceList &list, QWidget *parent = nullptr);

    std::optional<int> selectedRow() const;
    // Wide enough for every column with the file name at its least width.
    QSize sizeHint() const override;

Q_SIGNALS:
    void rowClicked(std::optional<int> row);
    void rowDoubleClicked(std::optional<int> row);
    void filesDropped(const QStringList &paths);
    void contextMenuWanted(const QPoint &globalPosition);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int otherColumnsWidth() const;
    void fitNameColumn();
};

} // namespace vantrel
