#include "core/preview/PositionTimer.h"

namespace vantrel {

QtPositionTimer::QtPositionTimer()
{
    m_timer.setInterval(kIntervalMs);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (m_handler)
            m_handler();
    });
}

void QtPositionTimer::setEnabled(bool enabled)
{
    if (enabled == m_timer.isActive())
        return;
    if (enabled)
        m_timer.start();
    else
        m_timer.stop();
}

void QtPositionTimer::onTick(std::function<void()> handler)
{
    m_handler = std::move(handler);
}

} // namespace vantrel
