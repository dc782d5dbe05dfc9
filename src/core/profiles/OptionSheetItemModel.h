#pragma once

#include <QAbstractItemModel>
#include <QStringList>

namespace vantrel {

class OptionSheet;

// A tree over the option sheet for item views: the categories as top-level
// rows, their items as children, in the sheet's order. Column 0 holds the
// caption, column 1 the value exactly as the sheet holds it (also a value
// that is not among the item's choices). The model keeps no copy of the
// sheet: it reads it on every call and follows its signals.
class OptionSheetItemModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    enum Column
    {
        CaptionColumn = 0,
        ValueColumn = 1,
    };
    static constexpr int kColumnCount = 2;

    enum Role
    {
        // QStringList: an item's choices in the order added, repeats kept.
        ChoicesRole = Qt::UserRole + 1,
        // bool: the item also takes a value the user types (a size, a loudness).
        TypedRole,
    };

    explicit OptionSheetItemModel(OptionSheet &sheet, QObject *parent = nullptr);

    // The index of an item's cell; invalid when the sheet has no such item.
    QModelIndex itemIndex(const QString &category, const QString &item,
                          int column = ValueColumn) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // On the value column of an editable item: the user's edit, passed on to
    // the sheet (a typed value in the sheet's words; one the item cannot
    // take is refused and the value stays). Everything else is refused.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

Q_SIGNALS:
    // A typed text the item cannot take, and why ("Fit To Size: ...").
    void valueRefused(const QModelIndex &index, const QString &reason);

private:
    void onItemChanged(const QString &category, const QString &item);
    void onRebuilt();

    OptionSheet &m_sheet;
};

} // namespace vantrel
