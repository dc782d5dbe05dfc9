#pragma once

#include "core/common/Expected.h"
#include "core/records/ConversionOptions.h"
#include "core/records/SourceItem.h"

#include <QObject>
#include <QStringList>

#include <optional>
#include <vector>

namespace vantrel {

// The option sheet: the one live store of the batch's options and the
// information items of the last clicked source row. Items are found by
// (category caption, item caption).
class OptionSheet : public QObject
{
    Q_OBJECT

public:
    enum class ItemKind
    {
        Text,
        Choice,
        TypedChoice // a choice, or a value the user types (a size, a loudness)
    };

    struct Item
    {
        QString caption;
        ItemKind kind = ItemKind::Text;
        QString value;
        QStringList choices; // in the order added; repeats kept
        bool readOnly = false;
    };

    struct Category
    {
        QString caption;
        std::vector<Item> items;
    };

    struct ItemAddress
    {
        QString category;
        QString item;
    };

    explicit OptionSheet(QObject *parent = nullptr);

    // Removes everything and adds the categories and items in their initial
    // state (values and choice lists as built).
    void build();

    const std::vector<Category> &categories() const { return m_categories; }
    const Item *item(const QString &category, const QString &item) const;

    // The item's value; empty for an item that does not exist.
    QString value(const QString &category, const QString &item) const;
    // These return false, changing nothing, when the item does not exist.
    bool setValue(const QString &category, const QString &item, const QString &value);
    bool clearChoices(const QString &category, const QString &item);
    bool appendChoice(const QString &category, const QString &item, const QString &choice);
    // Whether the user may change an item (an item that does not apply to
    // the selected profile is shown read-only).
    bool setReadOnly(const QString &category, const QString &item, bool readOnly);
    // Puts an item back as built: value, choices and whether it can be changed.
    bool resetItem(const QString &category, const QString &item);

    // The address of the item with that caption, when exactly one item has it.
    std::optional<ItemAddress> findItem(const QString &itemCaption) const;

    // What the item stores for `text` the user gave it: a typed value in
    // the sheet's own words ("10MB" becomes "10 MB", "-16" the choice
    // "-16 LUFS (phones, podcasts)"), or why it is no value of that item;
    // other items' texts as they are.
    Expected<QString> acceptedValue(const QString &category, const QString &item,
                                    const QString &text) const;

    // Shows a clicked source row in the information items; null changes nothing.
    void showSourceRow(const SourceItem *row);

    ConversionOptions conversionOptions() const;

Q_SIGNALS:
    void rebuilt();
    void itemChanged(const QString &category, const QString &item);

private:
    Item *findMutable(const QString &category, const QString &item);

    std::vector<Category> m_categories;
};

} // namespace vantrel
