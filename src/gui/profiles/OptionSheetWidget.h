#pragma once

#include <QTreeView>

namespace vantrel {

class OptionSheet;
class OptionSheetItemModel;

// The option sheet as a property grid: categories in bold, expanded, their
// items below with caption and value. Read-only items show a greyed value;
// a choice item is edited through a drop-down list of its choices, opened by
// a click, F2 or Enter. Choosing an entry writes it to the sheet at once;
// Escape or a click elsewhere leaves the value as it was. The widget only
// shows and edits the sheet; everything else reads the sheet itself.
class OptionSheetWidget : public QTreeView
{
    Q_OBJECT

public:
    explicit OptionSheetWidget(OptionSheet &sheet, QWidget *parent = nullptr);

    using QTreeView::edit;

    OptionSheetItemModel *sheetModel() const { return m_model; }

protected:
    // Every edit goes to the value cell of the row, whichever cell was hit.
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showAllCategories();

    OptionSheetItemModel *m_model;
};

} // namespace vantrel
