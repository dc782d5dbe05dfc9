#include "core/watch/SettleTracker.h"

#include <algorithm>

namespace vantrel {

void SettleTracker::seen(const QString &path, qint64 size, const QDateTime &modified, qint64 nowMs)
{
    Look &look = m_files[path];
    if (look.size == size && look.modified == modified)
        return;
    look = Look{size, modified, nowMs, false};
}

QStringList SettleTracker::settled(qint64 nowMs)
{
    QStringList still;
    for (auto it = m_files.begin(); it != m_files.end(); ++it) {
        Look &look = it.value();
        // An empty file is one a copier has only opened.
        if (look.told || look.size <= 0 || nowMs - look.sinceMs < m_settleMs)
            continue;
        look.told = true;
        still << it.key();
    }
    still.sort();
    return still;
}

int SettleTracker::untold() const
{
    return int(std::count_if(m_files.cbegin(), m_files.cend(),
                             [](const Look &look) { return !look.told; }));
}

} // namespace vantrel
