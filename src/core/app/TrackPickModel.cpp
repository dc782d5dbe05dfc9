#include "core/app/TrackPickModel.h"

#include "core/convert/rules/TrackRoles.h"

#include <algorithm>

namespace vantrel {

namespace {

// Captions of the columns, in their order.
const char *const kHeaders[TrackPickModel::ColumnCount] = {
    QT_TR_NOOP("Keep"),  QT_TR_NOOP("Default"),  QT_TR_NOOP("Kind"),  QT_TR_NOOP("Language"),
    QT_TR_NOOP("Codec"), QT_TR_NOOP("Channels"), QT_TR_NOOP("Title"), QT_TR_NOOP("Flags"),
};

bool isChosenHere(const StreamFacts &stream)
{
    return stream.kind == StreamFacts::Kind::Audio || stream.kind == StreamFacts::Kind::Subtitle;
}

} // namespace

TrackPickModel::TrackPickModel(QObject *parent) : QAbstractTableModel(parent) {}

void TrackPickModel::setSource(const SourceFacts &facts, const std::optional<TrackPick> &pick)
{
    beginResetModel();
    m_tracks.clear();
    m_default.reset();
    for (const StreamFacts &stream : facts.streams) {
        if (!isChosenHere(stream))
            continue;
        Track track{stream, pick ? pick->kept.contains(stream.index) : true};
        m_tracks.append(track);
    }
    if (pick && pick->defaultSound) {
        const auto found = std::find_if(m_tracks.cbegin(), m_tracks.cend(), [&](const Track &t) {
            return t.stream.index == *pick->defaultSound && t.kept &&
                   t.stream.kind == StreamFacts::Kind::Audio;
        });
        if (found != m_tracks.cend())
            m_default = found->stream.index;
    } else if (!pick) {
        const auto marked = std::find_if(m_tracks.cbegin(), m_tracks.cend(), [](const Track &t) {
            return t.stream.kind == StreamFacts::Kind::Audio && t.stream.disposition.isDefault;
        });
        if (marked != m_tracks.cend())
            m_default = marked->stream.index;
    }
    if (!m_default) {
        if (const std::optional<int> first = firstKeptSound())
            m_default = m_tracks.at(*first).stream.index;
    }
    endResetModel();
}

int TrackPickModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_tracks.size());
}

int TrackPickModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

bool TrackPickModel::isSound(int row) const
{
    return m_tracks.at(row).stream.kind == StreamFacts::Kind::Audio;
}

QVariant TrackPickModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Track &track = m_tracks.at(index.row());
    const StreamFacts &s = track.stream;
    if (role == Qt::CheckStateRole) {
        if (index.column() == KeepColumn)
            return track.kept ? Qt::Checked : Qt::Unchecked;
        if (index.column() == DefaultColumn && isSound(index.row()))
            return m_default == s.index ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case KindColumn:
        return isSound(index.row()) ? tr("Sound") : tr("Subtitle");
    case LanguageColumn:
        return s.language;
    case CodecColumn:
        return s.codec;
    case ChannelsColumn:
        return isSound(index.row()) && s.channels > 0 ? tr("%1 ch").arg(s.channels) : QString();
    case TitleColumn:
        return s.title;
    case FlagsColumn:
        return trackFlags(s).join(QStringLiteral(", "));
    default:
        return {};
    }
}

Qt::ItemFlags TrackPickModel::flags(const QModelIndex &index) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == KeepColumn || (index.column() == DefaultColumn && isSound(index.row())))
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool TrackPickModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !(flags(index) & Qt::ItemIsUserCheckable))
        return false;
    const bool checked = value.toInt() == Qt::Checked;
    if (index.column() == KeepColumn) {
        setKept(index.row(), checked);
        return true;
    }
    // A default is changed by choosing another: it cannot be unticked.
    if (!checked)
        return false;
    setDefault(index.row());
    return true;
}

QVariant TrackPickModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ColumnCount)
        return tr(kHeaders[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void TrackPickModel::setKept(int row, bool kept)
{
    if (row < 0 || row >= m_tracks.size() || m_tracks.at(row).kept == kept)
        return;
    m_tracks[row].kept = kept;
    rowChanged(row);
    if (!isSound(row))
        return;
    const int index = m_tracks.at(row).stream.index;
    if (!kept && m_default == index) {
        const std::optional<int> next = firstKeptSound();
        changeDefault(next ? std::optional<int>(m_tracks.at(*next).stream.index) : std::nullopt);
    } else if (kept && !m_default) {
        changeDefault(index);
    }
}

void TrackPickModel::setDefault(int row)
{
    if (row < 0 || row >= m_tracks.size() || !isSound(row))
        return;
    setKept(row, true);
    changeDefault(m_tracks.at(row).stream.index);
}

void TrackPickModel::changeDefault(std::optional<int> streamIndex)
{
    if (m_default == streamIndex)
        return;
    m_default = streamIndex;
    for (int row = 0; row < m_tracks.size(); ++row) {
        if (isSound(row))
            Q_EMIT dataChanged(index(row, DefaultColumn), index(row, DefaultColumn),
                               {Qt::CheckStateRole});
    }
}

void TrackPickModel::rowChanged(int row)
{
    Q_EMIT dataChanged(index(row, KeepColumn), index(row, KeepColumn), {Qt::CheckStateRole});
}

std::optional<int> TrackPickModel::firstKeptSound() const
{
    for (int row = 0; row < m_tracks.size(); ++row) {
        if (isSound(row) && m_tracks.at(row).kept)
            return row;
    }
    return std::nullopt;
}

TrackPick TrackPickModel::pick() const
{
    TrackPick pick;
    for (const Track &track : m_tracks) {
        if (track.kept)
            pick.kept.append(track.stream.index);
    }
    pick.defaultSound = m_default;
    return pick;
}

QString TrackPickModel::refusal() const
{
    const bool hasSounds = std::any_of(m_tracks.cbegin(), m_tracks.cend(), [](const Track &t) {
        return t.stream.kind == StreamFacts::Kind::Audio;
    });
    if (hasSounds && !firstKeptSound())
        return tr("Keep at least one sound, or set Disable Audio in the option sheet.");
    return QString();
}

} // namespace vantrel
