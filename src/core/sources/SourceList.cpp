#include "core/sources/SourceList.h"

#include "core/sources/SourceFileRules.h"
#include "core/tools/MediaProbe.h"
#include "core/tools/ToolLocator.h"

#include <QFileInfo>

#include <algorithm>

namespace vantrel {

namespace {

struct ColumnInfo
{
    const char *header;
    QString SourceItem::*field; // none for the status, shown as its text
    Qt::Alignment alignment;
};

// Column order, captions, fields and alignment of the list.
const ColumnInfo kColumns[SourceList::ColumnCount] = {
    {QT_TR_NOOP("File Name"), &SourceItem::fileName, Qt::AlignLeft},
    {QT_TR_NOOP("Start"), &SourceItem::clipStart, Qt::AlignLeft},
    {QT_TR_NOOP("End"), &SourceItem::clipEnd, Qt::AlignHCenter},
    {QT_TR_NOOP("Size"), &SourceItem::frameSize, Qt::AlignHCenter},
    {QT_TR_NOOP("Format"), &SourceItem::videoFormat, Qt::AlignLeft},
    {QT_TR_NOOP("Status"), nullptr, Qt::AlignLeft},
    {QT_TR_NOOP("Video Time"), &SourceItem::videoTime, Qt::AlignLeft},
};

} // namespace

QString SourceList::fileNameTip(const SourceItem &item)
{
    QString tip = item.fileName;
    if (!item.problem.isEmpty())
        tip += QLatin1Char('\n') + item.problem;
    if (item.tracks)
        tip += QLatin1Char('\n') +
               tr("Tracks: chosen for this row (%1 kept)").arg(item.tracks->kept.size());
    return tip;
}

SourceList::SourceList(MediaProbe *probe, QObject *parent)
    : QAbstractTableModel(parent), m_probe(probe)
{
    Q_ASSERT(m_probe);
    connect(m_probe, &MediaProbe::probed, this, &SourceList::onProbed);
}

SourceList::~SourceList()
{
    if (!m_probe)
        return;
    for (auto it = m_probeOwners.cbegin(); it != m_probeOwners.cend(); ++it)
        m_probe->cancel(it.key());
}

int SourceList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int SourceList::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SourceList::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row &row = m_rows.at(index.row());
    const ColumnInfo &column = kColumns[index.column()];
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == SizeColumn && row.ticket != 0)
            return tr("Probing...");
        // A file that cannot be converted says so where the user looks; its
        // size, which the player could not read, is left blank.
        if (!row.item.problem.isEmpty() && row.ticket == 0 && row.item.status == RowStatus::None) {
            if (index.column() == StatusColumn)
                return tr("Cannot be read");
            if (index.column() == SizeColumn)
                return QString();
        }
        if (index.column() == StatusColumn) {
            if (row.item.status == RowStatus::Processing && row.progress)
                return QString(rowStatusText(row.item.status) +
                               QStringLiteral(" %1%").arg(*row.progress));
            return rowStatusText(row.item.status);
        }
        if (index.column() == FormatColumn)
            return videoFormatName(row.item.videoFormat);
        return row.item.*column.field;
    case Qt::ToolTipRole:
        if (index.column() == StatusColumn && !row.statusDetail.isEmpty())
            return row.statusDetail;
        if (index.column() == StatusColumn && !row.item.problem.isEmpty())
            return row.item.problem;
        if (index.column() != FileNameColumn)
            return {};
        return fileNameTip(row.item);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant SourceList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return tr(kColumns[section].header);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(kColumns[section].alignment | Qt::AlignVCenter);
    return {};
}

const SourceItem &SourceList::item(int row) const
{
    Q_ASSERT(row >= 0 && row < count());
    return m_rows.at(row).item;
}

void SourceList::addSourceFile(const QString &path)
{
    Row row;
    row.id = ++m_lastId;
    row.item.fileName = path;
    if (m_probe) {
        startProbe(row);
    } else {
        applyProbeFields({}, row.item); // nobody left to probe: the row of a failed probe
    }

    beginInsertRows(QModelIndex(), count(), count());
    m_rows.append(row);
    endInsertRows();
}

QList<SourceList::SavedRow> SourceList::savedRows() const
{
    QList<SavedRow> rows;
    rows.reserve(m_rows.size());
    for (const Row &row : m_rows)
        rows.append({row.item, row.statusDetail});
    return rows;
}

void SourceList::appendSavedRows(const QList<SavedRow> &rows)
{
    insertSavedRows(count(), rows);
}

void SourceList::insertSavedRows(int at, const QList<SavedRow> &rows)
{
    if (rows.isEmpty())
        return;
    at = std::clamp(at, 0, count());
    beginInsertRows(QModelIndex(), at, at + int(rows.size()) - 1);
    for (const SavedRow &saved : rows) {
        Row row;
        row.id = ++m_lastId;
        row.item = saved.item;
        row.statusDetail = saved.statusDetail;
        // Judged again as an added file is: it may be a folder now, or gone.
        if (m_probe) {
            if (!row.item.videoTime.isEmpty()) // a row kept before its probe ended has no clip
                row.keptClip = std::make_pair(row.item.clipStart, row.item.clipEnd);
            row.item.problem.clear();
            startProbe(row);
        }
        m_rows.insert(at++, row);
    }
    endInsertRows();
}

bool SourceList::isProbing(int row) const
{
    return row >= 0 && row < count() && m_rows.at(row).ticket != 0;
}

void SourceList::setStatus(int row, RowStatus status, const QString &detail)
{
    if (row < 0 || row >= count())
        return;
    m_rows[row].item.status = status;
    m_rows[row].statusDetail = detail;
    m_rows[row].progress.reset();
    emitRowChanged(row, StatusColumn, StatusColumn);
}

void SourceList::setProgress(int row, int percent)
{
    if (row < 0 || row >= count() || m_rows[row].progress == percent)
        return;
    m_rows[row].progress = percent;
    emitRowChanged(row, StatusColumn, StatusColumn);
}

QString SourceList::statusDetail(int row) const
{
    return row >= 0 && row < count() ? m_rows.at(row).statusDetail : QString();
}

void SourceList::setClip(int row, const QString &start, const QString &end)
{
    if (row < 0 || row >= count())
        return;
    m_rows[row].item.clipStart = start;
    m_rows[row].item.clipEnd = end;
    emitRowChanged(row, StartColumn, EndColumn);
}

void SourceList::setTracks(int row, const std::optional<TrackPick> &tracks)
{
    if (row < 0 || row >= count() || m_rows[row].item.tracks == tracks)
        return;
    m_rows[row].item.tracks = tracks;
    emitRowChanged(row, FileNameColumn, FileNameColumn);
}

void SourceList::removeRow(int row)
{
    if (row < 0 || row >= count())
        return;
    const bool wasProbing = pendingProbes() > 0;
    beginRemoveRows(QModelIndex(), row, row);
    forgetProbe(m_rows[row]);
    m_rows.remove(row);
    endRemoveRows();
    if (wasProbing && pendingProbes() == 0)
        Q_EMIT allProbed();
}

void SourceList::clear()
{
    const bool wasProbing = pendingProbes() > 0;
    beginResetModel();
    for (Row &row : m_rows)
        forgetProbe(row);
    m_rows.clear();
    endResetModel();
    if (wasProbing)
        Q_EMIT allProbed();
}

std::optional<SourceFacts> SourceList::sourceFacts(int row) const
{
    const Row &kept = m_rows.at(row);
    if (!kept.facts)
        return std::nullopt;
    const QFileInfo file(kept.item.fileName);
    if (file.size() != kept.factsFileSize || file.lastModified() != kept.factsFileTime)
        return std::nullopt;
    return kept.facts;
}

void SourceList::keepFacts(int row, const SourceFacts &facts)
{
    Row &kept = m_rows[row];
    const QFileInfo file(kept.item.fileName);
    kept.facts = facts;
    kept.factsFileSize = file.size();
    kept.factsFileTime = file.lastModified();
}

void SourceList::onProbed(quint64 ticket, const ProbeResult &result)
{
    // Tickets of removed rows, and of other users of the same probe, are not here.
    const auto owner = m_probeOwners.constFind(ticket);
    if (owner == m_probeOwners.constEnd())
        return;
    const std::optional<int> found = rowOf(owner.value());
    m_probeOwners.erase(owner);
    if (!found)
        return;
    const int row = *found;
    m_rows[row].ticket = 0;
    if (result.facts)
        keepFacts(row, *result.facts);
    applyProbeFields(result.fields, m_rows[row].item);
    m_rows[row].item.problem = probeProblem(result);
    if (const auto kept = std::exchange(m_rows[row].keptClip, std::nullopt);
        kept && m_rows[row].item.problem.isEmpty()) {
        m_rows[row].item.clipStart = kept->first;
        m_rows[row].item.clipEnd = kept->second;
    }
    emitRowChanged(row, FileNameColumn, ColumnCount - 1);
    Q_EMIT rowProbed(row);
    if (pendingProbes() == 0)
        Q_EMIT allProbed();
}

QString SourceList::probeProblem(const ProbeResult &result)
{
    if (!QFileInfo::exists(result.path))
        return tr("\"%1\" does not exist.").arg(result.path);
    if (const std::optional<QString> unreadable = unreadableReason(result.path))
        return *unreadable;
    switch (result.outcome) {
    case ProbeResult::Outcome::ToolMissing:
        return ToolLocator::missingToolMessage(ToolLocator::kPlayer);
    case ProbeResult::Outcome::TimedOut:
        return tr("The player took too long to read \"%1\".").arg(result.path);
    case ProbeResult::Outcome::Probed:
        break;
    }
    if (!result.fields.playerCouldRead())
        return tr("\"%1\" is not a video or sound file the player can read.").arg(result.path);
    return QString();
}

std::optional<int> SourceList::rowOf(RowId id) const
{
    for (int i = 0; i < count(); ++i) {
        if (m_rows.at(i).id == id)
            return i;
    }
    return std::nullopt;
}

QList<SourceList::RowId> SourceList::ids() const
{
    QList<RowId> ids;
    ids.reserve(m_rows.size());
    for (const Row &row : m_rows)
        ids << row.id;
    return ids;
}

void SourceList::startProbe(Row &row)
{
    row.ticket = m_probe->probe(row.item.fileName);
    m_probeOwners.insert(row.ticket, row.id);
}

void SourceList::forgetProbe(Row &row)
{
    if (row.ticket == 0)
        return;
    m_probeOwners.remove(row.ticket);
    if (m_probe)
        m_probe->cancel(row.ticket);
    row.ticket = 0;
}

void SourceList::emitRowChanged(int row, int firstColumn, int lastColumn)
{
    Q_EMIT dataChanged(index(row, firstColumn), index(row, lastColumn));
}

} // namespace vantrel
