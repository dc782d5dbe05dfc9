#pragma once

#include "core/common/PlatformServices.h"
#include "core/convert/batch/BatchRun.h"

#include <QObject>
#include <QSet>

namespace vantrel {

// Keeps the computer awake while a batch it follows is busy, from its first row to its
// end or its Cancel, so that a long batch nobody watches is not frozen by an
// idle suspend. Says so when nothing could keep it awake.
class BatchKeepsAwake : public QObject
{
    Q_OBJECT

public:
    // Null: nothing is held, and nothing said.
    explicit BatchKeepsAwake(SleepGuard *guard, QObject *parent = nullptr);
    ~BatchKeepsAwake() override;

    // Follows one more batch: the computer is kept awake while any is busy.
    void follow(BatchRun &batch);
    // Empty while the computer is kept awake, or no batch runs.
    QString note() const { return m_note; }

Q_SIGNALS:
    void noteChanged(const QString &note);

private:
    void setNote(const QString &note);
    void setBusy(const void *batch, bool busy);

    SleepGuard *m_guard;
    QSet<const void *> m_busy; // the followed batches that are busy
    bool m_holding = false;
    QString m_note;
};

} // namespace vantrel
