#include "core/convert/batch/SourceReadings.h"

#include "core/common/TimeText.h"
#include "core/sources/SourceList.h"

namespace vantrel {

SourceReadings::SourceReadings(SourceList &list, QString probePath, QString encoderPath,
                               QObject *parent)
    : QObject(parent), m_list(list), m_probePath(std::move(probePath)),
      m_encoderPath(std::move(encoderPath))
{}

SourceReadings::~SourceReadings()
{
    cancelAll();
}

std::optional<SourceFacts> SourceReadings::known(quint64 id, const ReadingNeeds &needs) const
{
    const std::optional<int> row = m_list.rowOf(id);
    if (!row)
        return std::nullopt;
    std::optional<SourceFacts> facts = m_list.sourceFacts(*row);
    return facts && needs.metBy(*facts) ? facts : std::nullopt;
}

void SourceReadings::read(quint64 id, const ReadingNeeds &needs, Urgency urgency)
{
    if (m_readings.contains(id))
        return;
    const std::optional<int> row = m_list.rowOf(id);
    if (!row) {
        // A row removed meanwhile has nothing to read; whoever waits hears so.
        QMetaObject::invokeMethod(
            this, [this, id] { Q_EMIT ended(id, std::nullopt); }, Qt::QueuedConnection);
        return;
    }
    const SourceItem &item = m_list.item(*row);
    // The length the list knows tells where the file's last seconds are.
    std::optional<double> expected;
    if (const std::optional<int> seconds = secondsOfTimeText(item.videoTime);
        seconds && *seconds > 0 && !m_list.isProbing(*row))
        expected = *seconds;
    auto reading = std::make_shared<SourceReading>(m_probePath, m_encoderPath);
    reading->setBackground(urgency == Urgency::Ahead);
    m_readings.insert(id, reading);
    connect(reading.get(), &SourceReading::finished, this, [this, id] {
        const std::shared_ptr<SourceReading> done = m_readings.take(id);
        if (!done)
            return;
        const std::optional<SourceFacts> facts = done->facts();
        if (const std::optional<int> at = m_list.rowOf(id); at && facts)
            m_list.keepFacts(*at, *facts);
        // The reading goes once this handler has returned.
        QMetaObject::invokeMethod(
            this, [done] {}, Qt::QueuedConnection);
        Q_EMIT ended(id, facts);
    });
    reading->start(item.fileName, needs, expected, m_list.sourceFacts(*row));
}

void SourceReadings::cancel(quint64 id)
{
    if (const std::shared_ptr<SourceReading> reading = m_readings.take(id))
        reading->stop();
}

void SourceReadings::cancelAll()
{
    for (const std::shared_ptr<SourceReading> &reading : std::as_const(m_readings))
        reading->stop();
    m_readings.clear();
}

} // namespace vantrel
