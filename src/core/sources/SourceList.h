#pragma once

#include "core/records/SourceItem.h"
#include "core/tools/SourceFacts.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QPointer>
#include <QVector>

#include <optional>

namespace vantrel {

class MediaProbe;
struct ProbeResult;

// The files to convert, one SourceItem per row, in the order they were added.
// Adding a file appends its row at once and probes the file in the background
// (through the MediaProbe, which the list does not own); the row is filled when
// its probe ends, whatever order the probes end in.
class SourceList : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        FileNameColumn,
        StartColumn,
        EndColumn,
        SizeColumn,
        FormatColumn,
        StatusColumn,
        VideoTimeColumn,
        ColumnCount
    };

    explicit SourceList(MediaProbe *probe, QObject *parent = nullptr);
    // Cancels the probes still pending for the list's rows.
    ~SourceList() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Each row keeps its id while it lives, whatever rows come and go
    // around it; ids are never reused.
    using RowId = quint64;

    int count() const { return static_cast<int>(m_rows.size()); }
    // `row` is 0-based and must exist.
    const SourceItem &item(int row) const;
    RowId idOf(int row) const { return m_rows.at(row).id; }
    // The row that has `id` now; none when it was removed.
    std::optional<int> rowOf(RowId id) const;
    // The rows' ids, top to bottom.
    QList<RowId> ids() const;

    // Appends a row whose FileName is `path` exactly as given and queues its probe.
    void addSourceFile(const QString &path);

    // A row as it can be kept outside the list: its record and the reason
    // of its status.
    struct SavedRow
    {
        SourceItem item;
        QString statusDetail;
    };
    // The rows that are filled (rows still being probed are kept as their file).
    QList<SavedRow> savedRows() const;
    // Appends rows as they were kept, with their statuses and clips; each is
    // probed again as an added file is, since the file may have changed.
    void appendSavedRows(const QList<SavedRow> &rows);
    // The same, before the row `at` (0 puts them on top).
    void insertSavedRows(int at, const QList<SavedRow> &rows);
    bool isProbing(int row) const;

    // What the source's one reading learnt, kept with its row: none when it
    // was not read, or when the file has changed since (its size or its
    // modification time), so that it is read again.
    std::optional<SourceFacts> sourceFacts(int row) const;
    void keepFacts(int row, const SourceFacts &facts);
    int pendingProbes() const { return static_cast<int>(m_probeOwners.size()); }

    // The status, and what explains it (why a row failed); the detail shows
    // as the Status cell's tool tip.
    void setStatus(int row, RowStatus status, const QString &detail = QString());
    QString statusDetail(int row) const;
    // How far a row that is being converted has come; its Status cell shows
    // it ("Processing 42%") until its status changes.
    void setProgress(int row, int percent);
    void setClip(int row, const QString &start, const QString &end);
    // The row's own choice of tracks; none gives the choice back to the
    // sheet's rules. Its file name's tip tells of a choice.
    void setTracks(int row, const std::optional<TrackPick> &tracks);
    // Removing rows forgets their probes: results that come later are dropped.
    void removeRow(int row);
    void clear();

Q_SIGNALS:
    // The probe of `row` has ended and the row is filled.
    void rowProbed(int row);
    // No probe is pending any more: the last one ended, or the rows still
    // being probed were removed.
    void allProbed();

private:
    struct Row
    {
        quint64 id = 0;
        quint64 ticket = 0; // the pending probe; 0 when none
        SourceItem item;
        QString statusDetail;
        std::optional<int> progress;
        // A kept row's clip (start, end), which its probe must not undo.
        std::optional<std::pair<QString, QString>> keptClip;
        // Its source's facts, and the file they were read of.
        std::optional<SourceFacts> facts;
        qint64 factsFileSize = -1;
        QDateTime factsFileTime;
    };

    void onProbed(quint64 ticket, const ProbeResult &result);
    // The file name's tip: the whole path, why the file cannot be
    // converted, and whether the row chose its own tracks.
    static QString fileNameTip(const SourceItem &item);
    // Why the probed file cannot be converted, or an empty text.
    static QString probeProblem(const ProbeResult &result);
    void startProbe(Row &row); // the list has a probe
    void forgetProbe(Row &row);
    void emitRowChanged(int row, int firstColumn, int lastColumn);

    QPointer<MediaProbe> m_probe;
    QVector<Row> m_rows;
    QHash<quint64, quint64> m_probeOwners; // ticket -> row id
    quint64 m_lastId = 0;
};

} // namespace vantrel
