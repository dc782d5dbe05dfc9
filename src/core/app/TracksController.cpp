#include "core/app/TracksController.h"

#include <QFileInfo>

namespace vantrel {

std::optional<QString> TracksController::unavailableReason(const SourceList &list, int row)
{
    if (row < 0 || row >= list.count())
        return tr("No file is selected.");
    const SourceItem &item = list.item(row);
    if (isInProgress(item.status))
        return tr("\"%1\" is being converted.").arg(item.fileName);
    if (list.isProbing(row))
        return tr("\"%1\" is still being read.").arg(item.fileName);
    if (!item.problem.isEmpty())
        return item.problem;
    if (!QFileInfo(item.fileName).isFile())
        return tr("\"%1\" does not exist.").arg(item.fileName);
    return std::nullopt;
}

TracksController::TracksController(SourceList &list, int row, QString probePath, QObject *parent)
    : QObject(parent), m_list(&list), m_id(list.idOf(row)), m_fileName(list.item(row).fileName),
      m_pick(list.item(row).tracks), m_reading(std::move(probePath), QString())
{
    connect(&m_model, &QAbstractItemModel::dataChanged, this, &TracksController::choiceChanged);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &TracksController::choiceChanged);
    // The facts a batch read are complete; else the headers tell the tracks.
    if (const std::optional<SourceFacts> known = list.sourceFacts(row)) {
        m_model.setSource(*known, m_pick);
        m_state = State::Ready;
        return;
    }
    connect(&m_reading, &SourceReading::finished, this, [this] { show(m_reading.facts()); });
    ReadingNeeds headers;
    headers.headerOnly = true;
    m_reading.setBackground(false); // the user waits for it
    m_reading.start(m_fileName, headers);
}

void TracksController::show(const std::optional<SourceFacts> &facts)
{
    if (facts) {
        m_model.setSource(*facts, m_pick);
        m_state = State::Ready;
    } else {
        m_state = State::Failed;
    }
    Q_EMIT stateChanged();
}

QString TracksController::message() const
{
    switch (m_state) {
    case State::Reading:
        return tr("Reading the tracks…");
    case State::Failed:
        return tr("The tracks of \"%1\" could not be read.").arg(m_fileName);
    case State::Ready:
        if (m_model.rowCount() == 0)
            return tr("The file has no sound or subtitle to choose.");
        return m_model.refusal();
    }
    return QString();
}

bool TracksController::canAccept() const
{
    return m_state == State::Ready && m_model.refusal().isEmpty();
}

bool TracksController::accept()
{
    if (!canAccept())
        return false;
    if (const std::optional<int> row = m_list ? m_list->rowOf(m_id) : std::nullopt)
        m_list->setTracks(*row, m_model.pick());
    return true;
}

void TracksController::useSheetRules()
{
    if (const std::optional<int> row = m_list ? m_list->rowOf(m_id) : std::nullopt)
        m_list->setTracks(*row, std::nullopt);
}

} // namespace vantrel
