#pragma once

#include "core/tools/SourceFacts.h"
#include "core/tools/SourceReading.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace vantrel {

class SourceList;

// The batch's readings of its rows' sources: each row's facts are read once
// and kept with the row in the list, where the next batch finds them (read
// again only when the file has changed); a row's reading may start ahead
// of its turn, while the row before it converts, so that its encode starts
// at once. Rows are known by their ids.
class SourceReadings : public QObject
{
    Q_OBJECT

public:
    SourceReadings(SourceList &list, QString probePath, QString encoderPath,
                   QObject *parent = nullptr);
    ~SourceReadings() override;

    // The facts of row `id` as its row keeps them, when they meet `needs`;
    // none when they must be read first.
    std::optional<SourceFacts> known(quint64 id, const ReadingNeeds &needs) const;
    // Reads row `id`'s source as `needs` asks (a reading under way for it
    // goes on); `ended` follows, never inside this call. A reading ahead of
    // the row's turn runs at a lower priority than one its row waits for.
    enum class Urgency
    {
        Ahead,
        Waited
    };
    void read(quint64 id, const ReadingNeeds &needs, Urgency urgency);
    bool isReading(quint64 id) const { return m_readings.contains(id); }
    // Gives up the reading of row `id`; no `ended` comes for it.
    void cancel(quint64 id);
    void cancelAll();

Q_SIGNALS:
    // The reading of row `id` ended: the list keeps what it learnt; `facts`
    // none when the source could not be read.
    void ended(quint64 id, const std::optional<SourceFacts> &facts);

private:
    SourceList &m_list;
    QString m_probePath;
    QString m_encoderPath;
    QHash<quint64, std::shared_ptr<SourceReading>> m_readings;
};

} // namespace vantrel
