#include "gui/profiles/OptionSheetWidget.h"

#include "core/profiles/OptionSheetItemModel.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <functional>
#include <utility>

namespace vantrel {

namespace {

// A drop-down that reports when its list closes without a choice. Choosing an
// entry closes the list and then emits activated() in the same call; any other
// close (Escape, a click beside the list) only closes it. The report is
// therefore posted, so that a choice has been handled before it is looked at.
// The view hears of the end of an edit once: `finished` guards both ends.
class ChoiceEditor : public QComboBox
{
public:
    using QComboBox::QComboBox;

    std::function<void()> onListClosedWithoutChoice;
    // Enter in the typing: the editor takes the key, so that it never
    // reaches the view, which would open the item again.
    std::function<void()> onEnter;
    bool finished = false;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == lineEdit() && event->type() == QEvent::KeyPress && onEnter) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                onEnter();
                return true;
            }
        }
        return QComboBox::eventFilter(watched, event);
    }

    void hidePopup() override
    {
        QComboBox::hidePopup();
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (finished || !onListClosedWithoutChoice)
                    return;
                finished = true;
                onListClosedWithoutChoice();
            },
            Qt::QueuedConnection);
    }
};

class OptionSheetDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        // Nothing to choose from: no editor (a profile may empty a list).
        if (index.data(OptionSheetItemModel::ChoicesRole).toStringList().isEmpty())
            return nullptr;
        auto *combo = new ChoiceEditor(parent);
        combo->setFrame(false);
        combo->setMaxVisibleItems(16);
        // A value outside the list stands as the placeholder; it is a value,
        // not a hint, so it is drawn like one (lighter marks read-only items here).
        QPalette palette = combo->palette();
        palette.setColor(QPalette::PlaceholderText, palette.color(QPalette::Text));
        combo->setPalette(palette);
        // The delegate's signals are not const; the editor is the view's to close.
        auto *self = const_cast<OptionSheetDelegate *>(this);
        connect(combo, &QComboBox::activated, self, [self, combo] {
            if (combo->finished)
                return;
            combo->finished = true;
            Q_EMIT self->commitData(combo);
            Q_EMIT self->closeEditor(combo, QAbstractItemDelegate::NoHint);
        });
        if (index.data(OptionSheetItemModel::TypedRole).toBool()) {
            // A value may be typed: Enter takes it, the list stays shut
            // until asked for (it would take the keys), and closing it
            // leaves the typing open. A value the item refuses keeps the
            // editor open with what was typed (the refusal is told beside
            // it); no completion puts words in the user's mouth.
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setCompleter(nullptr);
            combo->lineEdit()->installEventFilter(combo);
            const QPersistentModelIndex cell(index);
            combo->onEnter = [self, combo, cell] {
                if (combo->finished || !cell.isValid())
                    return;
                auto *model = const_cast<QAbstractItemModel *>(cell.model());
                if (!model->setData(cell, combo->currentText(), Qt::EditRole))
                    return;
                combo->finished = true;
                Q_EMIT self->closeEditor(combo, QAbstractItemDelegate::NoHint);
            };
            return combo;
        }
        // Posted work may find the editor already let go by the view (another
        // item clicked, a reset): the view runs the editor's posted events while
        // it lets go. Such work is only done for an editor the view still holds.
        const QPointer<const QAbstractItemView> view =
            qobject_cast<const QAbstractItemView *>(option.widget);
        const QPersistentModelIndex cell(index);
        const auto heldByView = [view, cell, combo] {
            return !view || view->indexWidget(cell) == combo;
        };
        combo->onListClosedWithoutChoice = [self, combo, heldByView] {
            if (heldByView())
                Q_EMIT self->closeEditor(combo, QAbstractItemDelegate::RevertModelCache);
        };
        // The list opens once the view has placed and shown the editor.
        QMetaObject::invokeMethod(
            combo,
            [combo, heldByView] {
                if (!combo->finished && heldByView())
                    combo->showPopup();
            },
            Qt::QueuedConnection);
        return combo;
    }

    // Also runs while the editor is open, when a profile pick changes the item.
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *combo = static_cast<QComboBox *>(editor);
        const QStringList choices = index.data(OptionSheetItemModel::ChoicesRole).toStringList();
        const QString value = index.data(Qt::EditRole).toString();
        QStringList shown;
        for (int i = 0; i < combo->count(); ++i)
            shown << combo->itemText(i);
        if (shown != choices) {
            combo->clear();
            combo->addItems(choices); // in order; a repeated choice is listed again
            // The open list is as wide as its longest entry, whatever the
            // column's width ("-14 LUFS (music streaming)" is read whole).
            int widest = 0;
            for (const QString &choice : choices)
                widest = std::max(widest, combo->fontMetrics().horizontalAdvance(choice));
            const QStyle *style = combo->style();
            combo->view()->setMinimumWidth(widest +
                                           2 * style->pixelMetric(QStyle::PM_FocusFrameHMargin) +
                                           style->pixelMetric(QStyle::PM_ScrollBarExtent) + 16);
        }
        // A value outside the list selects nothing and is shown as the
        // placeholder, or as the typed text where one may be typed.
        combo->setPlaceholderText(value);
        combo->setCurrentIndex(int(choices.indexOf(value)));
        if (combo->isEditable())
            combo->setEditText(value);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        auto *combo = static_cast<QComboBox *>(editor);
        // The model refuses a typed text that is no value of the item.
        if (combo->currentIndex() >= 0 || (combo->isEditable() && !combo->currentText().isEmpty()))
            model->setData(index, combo->currentText(), Qt::EditRole);
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!index.parent().isValid()) {
            option->font.setBold(true);
            option->fontMetrics = QFontMetrics(option->font);
            option->backgroundBrush = option->palette.button();
        } else if (index.column() == OptionSheetItemModel::ValueColumn &&
                   !(index.flags() & Qt::ItemIsEditable)) {
            // Lighter and slanted, yet as readable as any text (over 4.5 : 1):
            // the disabled grey of the style could not be read.
            const QColor text = option->palette.color(QPalette::Text);
            const QColor base = option->palette.color(QPalette::Base);
            constexpr double kTowardsBase = 0.35;
            option->palette.setColor(
                QPalette::Text,
                QColor::fromRgbF(text.redF() + (base.redF() - text.redF()) * kTowardsBase,
                                 text.greenF() + (base.greenF() - text.greenF()) * kTowardsBase,
                                 text.blueF() + (base.blueF() - text.blueF()) * kTowardsBase));
            option->font.setItalic(true);
            option->fontMetrics = QFontMetrics(option->font);
        }
    }
};

} // namespace

OptionSheetWidget::OptionSheetWidget(OptionSheet &sheet, QWidget *parent)
    : QTreeView(parent), m_model(new OptionSheetItemModel(sheet, this))
{
    setItemDelegate(new OptionSheetDelegate(this));
    setModel(m_model);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setAlternatingRowColors(true);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    // A click opens the list at once; double clicks stay with the categories.
    setEditTriggers(EditKeyPressed);
    connect(this, &QTreeView::clicked, this,
            [this](const QModelIndex &index) { edit(index, AllEditTriggers, nullptr); });
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(true);
    connect(m_model, &QAbstractItemModel::modelReset, this, &OptionSheetWidget::showAllCategories);
    // A typed value the item cannot take is said where it was typed, once
    // the Enter key that committed it is up (a key hides a tip).
    connect(m_model, &OptionSheetItemModel::valueRefused, this,
            [this](const QModelIndex &index, const QString &reason) {
                const QPersistentModelIndex cell(index);
                QTimer::singleShot(300, this, [this, cell, reason] {
                    const QRect rect = visualRect(cell);
                    QToolTip::showText(viewport()->mapToGlobal(rect.bottomLeft()), reason,
                                       viewport(), rect, 8000);
                });
            });
    showAllCategories();
}

bool OptionSheetWidget::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    const QModelIndex cell = index.siblingAtColumn(OptionSheetItemModel::ValueColumn);
    return QTreeView::edit(cell.isValid() ? cell : index, trigger, event);
}

void OptionSheetWidget::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && state() != EditingState && edit(currentIndex(), EditKeyPressed, event))
        return;
    QTreeView::keyPressEvent(event);
}

void OptionSheetWidget::showAllCategories()
{
    for (int row = 0; row < m_model->rowCount(); ++row)
        setFirstColumnSpanned(row, {}, true);
    expandAll();
    resizeColumnToContents(OptionSheetItemModel::CaptionColumn);
}

} // namespace vantrel
