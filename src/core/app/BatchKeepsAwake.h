#pragma once

#include "core/common/PlatformServices.h"
#include "core/convert/batch/BatchRun.h"

#include <QObject>

namespace vantrel {

// Keeps the computer awake while a batch is busy, from its first row to its
// end or its Cancel, so that a long batch nobody watches is not frozen by an
// idle suspend. Says so when nothing could keep it awake.
class BatchKeepsAwake : public QObject
{
    Q_OBJECT

public:
    // Null: nothing is held, and nothing said.
    explicit BatchKeepsAwake(SleepGuard *guard, QObject *parent = nullptr);
    ~BatchKeepsAwake() override;

    void follow(BatchRun &batch);
    // Empty while the computer is kept awake, or no batch runs.
    QString note() const { return m_note; }

Q_SIGNALS:
    void noteChanged(const QString &note);

private:
    void setNote(const QString &note);

    SleepGuard *m_guard;
    bool m_holding = false;
    QString m_note;
};

} // namespace vantrel
