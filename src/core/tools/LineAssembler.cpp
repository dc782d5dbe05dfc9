#include "core/tools/LineAssembler.h"

#include <utility>

namespace vantrel {

QStringList LineAssembler::add(const QString &text)
{
    QString pending = m_partial + text;
    for (const QString &mark : std::as_const(m_marks)) {
        for (qsizetype at = pending.indexOf(mark, 1); at > 0; at = pending.indexOf(mark, at + 2)) {
            if (pending.at(at - 1) != u'\n' && pending.at(at - 1) != u'\r')
                pending.insert(at++, u'\n');
        }
    }
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < pending.size(); ++i) {
        if (pending.at(i) != u'\n' && pending.at(i) != u'\r')
            continue;
        if (i > start || !m_skipsEmpty)
            lines << pending.mid(start, i - start);
        start = i + 1;
    }
    m_partial = pending.mid(start).right(m_longestLine);
    return lines;
}

QString LineAssembler::takeRest()
{
    return std::exchange(m_partial, QString());
}

} // namespace vantrel
