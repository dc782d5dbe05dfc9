#pragma once

#include <QTimer>

#include <functional>

namespace vantrel {

// The preview's position timer: while enabled it calls its tick handler once
// a second. Tests drive a hand-ticked one.
class PositionTimer
{
public:
    virtual ~PositionTimer() = default;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    virtual void onTick(std::function<void()> handler) = 0;
};

// The real timer: a QTimer of 1000 ms.
class QtPositionTimer : public PositionTimer
{
public:
    static constexpr int kIntervalMs = 1000;

    QtPositionTimer();
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_timer.isActive(); }
    void onTick(std::function<void()> handler) override;

private:
    QTimer m_timer;
    std::function<void()> m_handler;
};

} // namespace vantrel
