#include "core/sources/ListKeeper.h"

#include "core/common/Logging.h"
#include "core/profiles/OptionSheet.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace vantrel {

namespace {

// A list file larger than this is no list of ours.
constexpr qint64 kMaxListBytes = 64 * 1024 * 1024;

struct Field
{
    const char *key;
    QString SourceItem::*member;
};

// The record's texts, by the keys of the list file.
constexpr Field kFields[] = {
    {"file", &SourceItem::fileName},      {"start", &SourceItem::clipStart},
    {"end", &SourceItem::clipEnd},        {"size", &SourceItem::frameSize},
    {"format", &SourceItem::videoFormat}, {"length", &SourceItem::videoTime},
    {"problem", &SourceItem::problem},
};

struct StatusName
{
    RowStatus status;
    const char *name;
};

constexpr StatusName kStatuses[] = {
    {RowStatus::None, ""},
    {RowStatus::Processing, "processing"},
    {RowStatus::Ok, "ok"},
    {RowStatus::Fail, "fail"},
    {RowStatus::Cancel, "cancel"},
    {RowStatus::Waiting, "waiting"},
    {RowStatus::Checking, "checking"},
};

// A row's own tracks: {"kept": [1, 3], "default": 1}, the default absent
// when the row keeps no sound.
QJsonObject tracksToJson(const TrackPick &pick)
{
    QJsonArray kept;
    for (const int index : pick.kept)
        kept.append(index);
    QJsonObject object{{QStringLiteral("kept"), kept}};
    if (pick.defaultSound)
        object.insert(QStringLiteral("default"), *pick.defaultSound);
    return object;
}

// A stream index as the file keeps it; none for any other value.
std::optional<int> streamIndex(const QJsonValue &value)
{
    constexpr double kMaxStreams = 65535;
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number < 0 || number > kMaxStreams || number != int(number))
        return std::nullopt;
    return int(number);
}

// The tracks a file keeps for a row; none when there are none or they are
// not what this program writes (the sheet's rules then choose).
std::optional<TrackPick> tracksFromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue kept = object.value(QStringLiteral("kept"));
    if (!kept.isArray())
        return std::nullopt;
    TrackPick pick;
    for (const QJsonValue &item : kept.toArray()) {
        const std::optional<int> index = streamIndex(item);
        if (!index || pick.kept.contains(*index))
            return std::nullopt;
        pick.kept.append(*index);
    }
    const QJsonValue defaultSound = object.value(QStringLiteral("default"));
    if (!defaultSound.isUndefined()) {
        pick.defaultSound = streamIndex(defaultSound);
        if (!pick.defaultSound || !pick.kept.contains(*pick.defaultSound))
            return std::nullopt;
    }
    return pick;
}

QJsonObject toJson(const SourceList::SavedRow &row)
{
    QJsonObject object;
    for (const Field &field : kFields)
        object.insert(QLatin1String(field.key), row.item.*field.member);
    for (const StatusName &status : kStatuses) {
        if (status.status == row.item.status)
            object.insert(QStringLiteral("status"), QLatin1String(status.name));
    }
    object.insert(QStringLiteral("reason"), row.statusDetail);
    if (row.item.tracks)
        object.insert(QStringLiteral("tracks"), tracksToJson(*row.item.tracks));
    return object;
}

SourceList::SavedRow fromJson(const QJsonObject &object)
{
    SourceList::SavedRow row;
    for (const Field &field : kFields)
        row.item.*field.member = object.value(QLatin1String(field.key)).toString();
    const QString status = object.value(QStringLiteral("status")).toString();
    for (const StatusName &name : kStatuses) {
        if (status == QLatin1String(name.name))
            row.item.status = name.status;
    }
    row.statusDetail = object.value(QStringLiteral("reason")).toString();
    row.item.tracks = tracksFromJson(object.value(QStringLiteral("tracks")));
    // A row that was converting or waiting for its turn when the program
    // went was not converted.
    if (isInProgress(row.item.status)) {
        row.item.status = RowStatus::None;
        row.statusDetail.clear();
    }
    return row;
}

} // namespace

ListKeeper::ListKeeper(SourceList &list, QString file, QObject *parent)
    : QObject(parent), m_list(list), m_file(std::move(file))
{
    m_pending.setSingleShot(true);
    m_pending.setInterval(kSaveDelayMs);
    connect(&m_pending, &QTimer::timeout, this, &ListKeeper::save);
    connect(&m_list, &QAbstractItemModel::rowsInserted, this, &ListKeeper::changed);
    connect(&m_list, &QAbstractItemModel::rowsRemoved, this, &ListKeeper::changed);
    connect(&m_list, &QAbstractItemModel::modelReset, this, &ListKeeper::changed);
    connect(&m_list, &QAbstractItemModel::dataChanged, this, &ListKeeper::changed);
}

void ListKeeper::changed()
{
    // The first change starts the wait and later ones join it: a list that
    // changes all the time is still written, once per delay at most.
    if (m_keeping && !m_pending.isActive())
        m_pending.start();
}

void ListKeeper::keepChoices(OptionSheet &sheet, std::function<std::optional<int>()> selected)
{
    m_sheet = &sheet;
    m_selected = std::move(selected);
    connect(&sheet, &OptionSheet::itemChanged, this, &ListKeeper::changed);
    connect(&sheet, &OptionSheet::rebuilt, this, &ListKeeper::changed);
}

ListChoices currentChoices(const OptionSheet &sheet, std::optional<int> profile)
{
    ListChoices choices;
    choices.profile = profile;
    for (const OptionSheet::Category &category : sheet.categories()) {
        for (const OptionSheet::Item &item : category.items) {
            if (!item.readOnly)
                choices.sheet.append({category.caption, item.caption, item.value});
        }
    }
    return choices;
}

void restoreSheetValues(OptionSheet &sheet, const QList<ListChoices::SheetValue> &values)
{
    for (const ListChoices::SheetValue &kept : values) {
        const OptionSheet::Item *item = sheet.item(kept.category, kept.item);
        if (item && !item->readOnly)
            sheet.setValue(kept.category, kept.item, kept.value);
    }
}

QJsonObject choicesToJson(const ListChoices &choices)
{
    QJsonObject object;
    if (choices.profile)
        object.insert(QStringLiteral("profile"), *choices.profile);
    QJsonArray sheet;
    for (const ListChoices::SheetValue &value : choices.sheet)
        sheet.append(QJsonObject{{QStringLiteral("category"), value.category},
                                 {QStringLiteral("item"), value.item},
                                 {QStringLiteral("value"), value.value}});
    object.insert(QStringLiteral("sheet"), sheet);
    return object;
}

ListChoices choicesFromJson(const QJsonObject &object)
{
    ListChoices choices;
    const QJsonValue profile = object.value(QStringLiteral("profile"));
    if (profile.isDouble())
        choices.profile = profile.toInt();
    for (const QJsonValue &value : object.value(QStringLiteral("sheet")).toArray()) {
        const QJsonObject item = value.toObject();
        choices.sheet.append({item.value(QStringLiteral("category")).toString(),
                              item.value(QStringLiteral("item")).toString(),
                              item.value(QStringLiteral("value")).toString()});
    }
    return choices;
}

QJsonDocument ListKeeper::readLeft() const
{
    QFile file(m_file);
    if (!QFileInfo(m_file).isFile() || file.size() > kMaxListBytes ||
        !file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll());
}

std::optional<ListChoices> ListKeeper::leftChoices() const
{
    // A file of the rows alone (an array) keeps no choices.
    const QJsonObject kept = readLeft().object();
    if (!kept.contains(QStringLiteral("profile")) && !kept.contains(QStringLiteral("sheet")))
        return std::nullopt;
    return choicesFromJson(kept);
}

std::optional<QList<SourceList::SavedRow>> ListKeeper::leftRows() const
{
    const QJsonDocument document = readLeft();
    const QJsonArray kept = document.isArray()
                                ? document.array()
                                : document.object().value(QStringLiteral("rows")).toArray();
    QList<SourceList::SavedRow> rows;
    for (const QJsonValue &value : kept) {
        const SourceList::SavedRow row = fromJson(value.toObject());
        if (!row.item.fileName.isEmpty())
            rows.append(row);
    }
    if (rows.isEmpty())
        return std::nullopt;
    return rows;
}

void ListKeeper::restore(const QList<SourceList::SavedRow> &rows)
{
    qCInfo(lcApp) << "list restored:" << rows.size() << "rows";
    m_list.appendSavedRows(rows);
}

void ListKeeper::discardLeft()
{
    QFile::remove(m_file);
}

void ListKeeper::keep()
{
    m_keeping = true;
    save();
}

void ListKeeper::release()
{
    m_keeping = false;
    m_pending.stop();
    QFile::remove(m_file);
    m_written.clear();
}

void ListKeeper::save()
{
    if (!m_keeping)
        return;
    const QList<SourceList::SavedRow> rows = m_list.savedRows();
    if (rows.isEmpty()) {
        QFile::remove(m_file); // nothing to lose: no question at the next start
        m_written.clear();
        return;
    }
    const QByteArray content = listContent(rows);
    // A row's progress is not kept: a batch that only moves on writes nothing.
    if (content == m_written)
        return;
    QSaveFile file(m_file);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit())
        m_written = content;
}

QByteArray ListKeeper::listContent(const QList<SourceList::SavedRow> &rows) const
{
    QJsonArray array;
    for (const SourceList::SavedRow &row : rows)
        array.append(toJson(row));
    QJsonObject kept{{QStringLiteral("rows"), array}};
    if (m_sheet) {
        const QJsonObject choices =
            choicesToJson(currentChoices(*m_sheet, m_selected ? m_selected() : std::nullopt));
        for (auto it = choices.begin(); it != choices.end(); ++it)
            kept.insert(it.key(), it.value());
    }
    return QJsonDocument(kept).toJson(QJsonDocument::Compact);
}

} // namespace vantrel
