#include "gui/profiles/ProfileComboWidget.h"

#include "core/profiles/ProfileCatalogue.h"
#include "gui/app/Pictures.h"

#include <QAbstractItemView>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>

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
    // tip, and its list opens wide enough for the longest.
    connect(this, &QComboBox::currentIndexChanged, this, [this] { setToolTip(currentText()); });
    view()->setMinimumWidth(popupWidth());
}

int ProfileComboWidget::popupWidth() const
{
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, fontMetrics().horizontalAdvance(itemText(i)));
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return widest + iconSize().width() + scrollBar + 24; // icon, frame and item margins
}

std::optional<int> ProfileComboWidget::selectedEntry() const
{
    if (currentIndex() < 0)
        return std::nullopt;
    return currentData().toInt();
}

void ProfileComboWidget::showSelection(std::optional<int> entry)
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(entry ? findData(*entry) : -1);
    setToolTip(currentText());
}

} // namespace vantrel
