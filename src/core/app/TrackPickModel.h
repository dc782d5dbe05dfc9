#pragma once

#include "core/records/TrackPick.h"
#include "core/tools/SourceFacts.h"

#include <QAbstractTableModel>
#include <QVector>

#include <optional>

namespace vantrel {

// A source's sounds and subtitles as the "Tracks…" dialog shows them, one
// row each (the picture, cover pictures and attachments are not chosen
// here): whether the track is kept, which kept sound plays first, and what
// tells the tracks apart. Keep and Default are check boxes; Default is one
// at a time, and always a kept sound while any sound is kept.
class TrackPickModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        KeepColumn,
        DefaultColumn,
        KindColumn,
        LanguageColumn,
        CodecColumn,
        ChannelsColumn,
        TitleColumn,
        FlagsColumn,
        ColumnCount
    };

    explicit TrackPickModel(QObject *parent = nullptr);

    // Shows the tracks of `facts`, as `pick` chose them; without a pick,
    // every track kept and the source's default sound (else its first) first.
    void setSource(const SourceFacts &facts, const std::optional<TrackPick> &pick);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Keeps or drops the track of `row`; dropping the default sound makes
    // the first kept sound the default, keeping a sound when none is the
    // default makes it the default.
    void setKept(int row, bool kept);
    // Makes the sound of `row` the default, and keeps it.
    void setDefault(int row);

    // The tracks as chosen now, by stream index in the source's order.
    TrackPick pick() const;
    // Why the choice cannot be taken (a source with sounds keeps none); an
    // empty text when it can.
    QString refusal() const;

private:
    struct Track
    {
        StreamFacts stream;
        bool kept = true;
    };

    bool isSound(int row) const;
    std::optional<int> firstKeptSound() const;
    void changeDefault(std::optional<int> streamIndex);
    void rowChanged(int row);

    QVector<Track> m_tracks;
    std::optional<int> m_default; // the stream index of the default sound
};

} // namespace vantrel
