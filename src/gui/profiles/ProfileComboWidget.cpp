#include "gui/profiles/ProfileComboWidget.h"

#include "core/profiles/ProfileCatalogue.h"
#include "gui/app/Pictures.h"

#include <QSignalBlocker>
#include <QStandardItemModel>

namespace vantrel {

ProfileComboWidget::ProfileComboWidget(QWidget *parent) : QComboBox(parent)
{
    setIconSize(QSize(16, 16));
    setMaxVisibleItems(24);
    for (const CatalogueEntry &entry : profileCatalogue()) {
        if (entry.isGroup())
            addItem(Pictures::groupPicture(entry.picture), entry.captionText(), entry.number);
        else
            addItem(entry.captionText(), entry.number);
    }
    setCurrentIndex(-1); // nothing is selected until the last selection is restored
    connect(this, &QComboBox::activated, this,
            [this](int index) { Q_EMIT entryPicked(itemData(index).toInt()); });
    // The box is narrower than many captions: it shows the whole one as its
    // tip (its list opens as wide as the longest caption by itself).
    connect(this, &QComboBox::currentIndexChanged, this, [this] { setToolTip(currentText()); });
}

std::optional<int> ProfileComboWidget::selectedEntry() const
{
    if (currentIndex() < 0)
        return std::nullopt;
    return currentData().toInt();
}

void ProfileComboWidget::showUnavailable(const QMap<int, QString> &entries)
{
    auto *items = qobject_cast<QStandardItemModel *>(model());
    if (!items)
        return;
    for (int row = 0; row < count(); ++row) {
        QStandardItem *item = items->item(row);
        const auto why = entries.constFind(itemData(row).toInt());
        item->setEnabled(why == entries.constEnd());
        item->setToolTip(why == entries.constEnd() ? QString() : *why);
    }
}

void ProfileComboWidget::showSelection(std::optional<int> entry)
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(entry ? findData(*entry) : -1);
    setToolTip(currentText());
}

} // namespace vantrel
