#include "gui/sources/TracksDialog.h"

#include "core/app/TracksController.h"
#include "gui/app/AsyncDialogs.h"
#include "gui/app/Named.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace vantrel {

TracksDialog::TracksDialog(TracksController &controller, QWidget *parent)
    : QDialog(parent), m_controller(controller)
{
    setObjectName(QStringLiteral("frmTracks"));
    setWindowTitle(tr("Tracks of %1").arg(QFileInfo(controller.fileName()).fileName()));
    setModal(true);

    m_table = named(new QTableView(this), "tracksTable");
    m_table->setModel(&controller.model());
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(false);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_table->setWordWrap(false);

    m_message = named(new QLabel(this), "tracksMessage");
    m_message->setWordWrap(true);

    m_sheetRules = named(new QPushButton(tr("Use the sheet's rules"), this), "tracksSheetRules");
    m_sheetRules->setAutoDefault(false);
    m_sheetRules->setToolTip(tr("The option sheet's Sound Tracks and Subtitles choose this "
                                "file's tracks, as for the other files."));
    m_ok = named(new QPushButton(tr("OK"), this), "tracksOk");
    m_ok->setDefault(true);
    auto *cancel = named(new QPushButton(tr("Cancel"), this), "tracksCancel");
    cancel->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_sheetRules);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);

    auto *column = new QVBoxLayout(this);
    column->addWidget(m_table, 1);
    column->addWidget(m_message);
    column->addLayout(buttons);

    connect(&controller, &TracksController::stateChanged, this, &TracksDialog::showState);
    connect(&controller, &TracksController::choiceChanged, this, &TracksDialog::showState);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        if (m_controller.accept())
            accept();
    });
    connect(m_sheetRules, &QPushButton::clicked, this, [this] {
        m_controller.useSheetRules();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    showState();
}

void TracksDialog::showState()
{
    const QString message = m_controller.message();
    m_message->setText(message);
    m_message->setVisible(!message.isEmpty());
    m_ok->setEnabled(m_controller.canAccept());
    m_sheetRules->setEnabled(m_controller.state() != TracksController::State::Reading);
    fitColumns();
}

void TracksDialog::fitColumns()
{
    // Every column as wide as its contents, and the table wide enough to
    // show them all, as far as the screen allows; tall enough for a few rows.
    m_table->resizeColumnsToContents();
    int width = 2 * m_table->frameWidth() + m_table->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < m_table->model()->columnCount(); ++column)
        width += m_table->columnWidth(column);
    const int rows = std::clamp(m_table->model()->rowCount(), 4, 10);
    const int height = 2 * m_table->frameWidth() +
                       m_table->horizontalHeader()->sizeHint().height() +
                       rows * m_table->verticalHeader()->defaultSectionSize();
    if (const QScreen *screen = this->screen())
        width = std::min(width, screen->availableGeometry().width() * 9 / 10);
    m_table->setMinimumSize(width, height);
}

void TracksDialog::openFor(SourceList &list, int row, QWidget *parent)
{
    if (TracksController::unavailableReason(list, row))
        return;
    auto controller = std::make_shared<TracksController>(list, row);
    auto *dialog = new TracksDialog(*controller, parent);
    keepWhileAlive(dialog, controller);
    openOwnedDialog(dialog);
}

} // namespace vantrel
