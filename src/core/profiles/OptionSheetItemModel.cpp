#include "core/profiles/OptionSheetItemModel.h"

#include "core/profiles/OptionSheet.h"

namespace vantrel {

namespace {

// Internal ids: 0 marks a category row; an item row carries its category's
// row + 1. Rows, not pointers, so no index ever points into a rebuilt sheet.
constexpr quintptr kCategoryId = 0;

} // namespace

OptionSheetItemModel::OptionSheetItemModel(OptionSheet &sheet, QObject *parent)
    : QAbstractItemModel(parent), m_sheet(sheet)
{
    connect(&m_sheet, &OptionSheet::rebuilt, this, &OptionSheetItemModel::onRebuilt);
    connect(&m_sheet, &OptionSheet::itemChanged, this, &OptionSheetItemModel::onItemChanged);
}

QModelIndex OptionSheetItemModel::itemIndex(const QString &category, const QString &item,
                                            int column) const
{
    const auto &categories = m_sheet.categories();
    for (std::size_t c = 0; c < categories.size(); ++c) {
        if (categories[c].caption != category)
            continue;
        const auto &items = categories[c].items;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i].caption == item)
                return index(int(i), column, index(int(c), CaptionColumn));
        }
    }
    return {};
}

QModelIndex OptionSheetItemModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    if (!parent.isValid())
        return createIndex(row, column, kCategoryId);
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex OptionSheetItemModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == kCategoryId)
        return {};
    return createIndex(int(child.internalId() - 1), CaptionColumn, kCategoryId);
}

int OptionSheetItemModel::rowCount(const QModelIndex &parent) const
{
    const auto &categories = m_sheet.categories();
    if (!parent.isValid())
        return int(categories.size());
    // Only a category's caption cell has children.
    if (parent.internalId() != kCategoryId || parent.column() != CaptionColumn)
        return 0;
    return int(categories[std::size_t(parent.row())].items.size());
}

int OptionSheetItemModel::columnCount(const QModelIndex &) const
{
    return kColumnCount;
}

QVariant OptionSheetItemModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const auto &categories = m_sheet.categories();
    if (index.internalId() == kCategoryId) {
        if (role == Qt::DisplayRole && index.column() == CaptionColumn)
            return categories[std::size_t(index.row())].caption;
        return {};
    }
    const auto &category = categories[std::size_t(index.internalId() - 1)];
    const OptionSheet::Item &item = category.items[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == CaptionColumn ? item.caption : item.value;
    case Qt::EditRole:
        return index.column() == ValueColumn ? QVariant(item.value) : QVariant();
    case ChoicesRole:
        return item.choices;
    case TypedRole:
        return item.kind == OptionSheet::ItemKind::TypedChoice;
    default:
        return {};
    }
}

QVariant OptionSheetItemModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == CaptionColumn)
        return QStringLiteral("Option");
    if (section == ValueColumn)
        return QStringLiteral("Value");
    return {};
}

Qt::ItemFlags OptionSheetItemModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.internalId() == kCategoryId)
        return result;
    result |= Qt::ItemNeverHasChildren;
    const auto &category = m_sheet.categories()[std::size_t(index.internalId() - 1)];
    const OptionSheet::Item &item = category.items[std::size_t(index.row())];
    // The user picks from a choice list (or types a value where the item
    // takes one); text items are information.
    if (index.column() == ValueColumn && item.kind != OptionSheet::ItemKind::Text && !item.readOnly)
        result |= Qt::ItemIsEditable;
    return result;
}

bool OptionSheetItemModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const auto &category = m_sheet.categories()[std::size_t(index.internalId() - 1)];
    const QString item = category.items[std::size_t(index.row())].caption;
    const Expected<QString> accepted =
        m_sheet.acceptedValue(category.caption, item, value.toString());
    if (!accepted) {
        Q_EMIT valueRefused(index, item + QStringLiteral(": ") + accepted.error());
        return false;
    }
    // The sheet signals the change; onItemChanged turns that into dataChanged.
    return m_sheet.setValue(category.caption, item, *accepted);
}

void OptionSheetItemModel::onItemChanged(const QString &category, const QString &item)
{
    // Only the value and the choices change after a build; the caption stays.
    const QModelIndex cell = itemIndex(category, item, ValueColumn);
    if (cell.isValid())
        Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole, ChoicesRole, TypedRole});
}

void OptionSheetItemModel::onRebuilt()
{
    // The sheet announces a build only once it is done; indexes hold rows, not
    // pointers, so resetting afterwards reads nothing stale.
    beginResetModel();
    endResetModel();
}

} // namespace vantrel
