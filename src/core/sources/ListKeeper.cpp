#include "core/sources/ListKeeper.h"

#include "core/common/Logging.h"

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
    {RowStatus::None, ""},     {RowStatus::Processing, "processing"}, {RowStatus::Ok, "ok"},
    {RowStatus::Fail, "fail"}, {RowStatus::Cancel, "cancel"},
};

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
    // A row that was converting when the program went was not converted.
    if (row.item.status == RowStatus::Processing) {
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
    // The first change starts the wait and later ones join it: a list whose
    // progress moves all the time is still written.
    const auto changed = [this] {
        if (m_keeping && !m_pending.isActive())
            m_pending.start();
    };
    connect(&m_list, &QAbstractItemModel::rowsInserted, this, changed);
    connect(&m_list, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(&m_list, &QAbstractItemModel::modelReset, this, changed);
    connect(&m_list, &QAbstractItemModel::dataChanged, this, changed);
}

std::optional<QList<SourceList::SavedRow>> ListKeeper::leftRows() const
{
    QFile file(m_file);
    if (!QFileInfo(m_file).isFile() || file.size() > kMaxListBytes ||
        !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    QList<SourceList::SavedRow> rows;
    for (const QJsonValue &value : document.array()) {
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
}

void ListKeeper::save()
{
    if (!m_keeping)
        return;
    const QList<SourceList::SavedRow> rows = m_list.savedRows();
    if (rows.isEmpty()) {
        QFile::remove(m_file); // nothing to lose: no question at the next start
        return;
    }
    QJsonArray array;
    for (const SourceList::SavedRow &row : rows)
        array.append(toJson(row));
    QSaveFile file(m_file);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(array).toJson(QJsonDocument::Compact));
        file.commit();
    }
}

} // namespace vantrel
