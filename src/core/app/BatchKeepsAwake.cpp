#include "core/app/BatchKeepsAwake.h"

namespace vantrel {

BatchKeepsAwake::BatchKeepsAwake(SleepGuard *guard, QObject *parent)
    : QObject(parent), m_guard(guard)
{}

BatchKeepsAwake::~BatchKeepsAwake()
{
    if (m_holding)
        m_guard->release();
}

void BatchKeepsAwake::follow(BatchRun &batch)
{
    if (!m_guard)
        return;
    connect(&batch, &BatchRun::busyChanged, this,
            [this, id = &batch](bool busy) { setBusy(id, busy); });
    connect(&batch, &QObject::destroyed, this, [this, id = &batch] { setBusy(id, false); });
}

void BatchKeepsAwake::setBusy(const void *batch, bool busy)
{
    if (busy)
        m_busy.insert(batch);
    else
        m_busy.remove(batch);
    const bool wanted = !m_busy.isEmpty();
    if (wanted == m_holding)
        return;
    m_holding = wanted;
    if (!wanted) {
        m_guard->release();
        setNote(QString());
        return;
    }
    m_guard->hold(tr("Converting videos"), [this](const QString &by) {
        setNote(by.isEmpty() ? tr("The computer may sleep during this batch: neither logind "
                                  "nor the desktop could be asked to keep it awake.")
                             : QString());
    });
}

void BatchKeepsAwake::setNote(const QString &note)
{
    if (std::exchange(m_note, note) != note)
        Q_EMIT noteChanged(note);
}

} // namespace vantrel
