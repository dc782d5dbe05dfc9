#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

namespace vantrel {

// Tells when a file seen in a watched folder holds still: its size and
// modification time the same at every look for a settle time, and not
// empty. A file that changes starts its wait again; one that goes is
// forgotten. Times are given, so that the rule is the same under any clock.
class SettleTracker
{
public:
    explicit SettleTracker(qint64 settleMs) : m_settleMs(settleMs) {}

    // What a look at `path` found, at `nowMs`.
    void seen(const QString &path, qint64 size, const QDateTime &modified, qint64 nowMs);
    void gone(const QString &path) { m_files.remove(path); }
    // The files that have held still for the settle time at `nowMs`, each
    // told once (until it changes again).
    QStringList settled(qint64 nowMs);
    // The paths seen and not gone, told or not.
    QStringList waiting() const { return m_files.keys(); }
    // How many files still wait to be told.
    int untold() const;

private:
    struct Look
    {
        qint64 size = -1;
        QDateTime modified;
        qint64 sinceMs = 0; // when it was first seen as it is
        bool told = false;
    };
    qint64 m_settleMs;
    QHash<QString, Look> m_files;
};

} // namespace vantrel
