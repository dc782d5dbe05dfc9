#pragma once

#include <QString>
#include <QStringList>

namespace vantrel {

// Cuts a tool's output into lines as it arrives in pieces: a line ends at
// LF or CR (a status line the tool rewrites in place counts once per
// rewrite, and CR LF gives an empty line between). The unfinished tail
// waits for the next piece; a tail longer than any line the tool writes is
// cut to its last `longestLine` characters rather than kept growing.
class LineAssembler
{
public:
    explicit LineAssembler(qsizetype longestLine = 4096) : m_longestLine(longestLine) {}

    // Lines that `marks` begin start a line of their own wherever the tool
    // put them (a tool that prints its marked lines without a line end).
    void setLineMarks(const QStringList &marks) { m_marks = marks; }
    // Empty lines are left out.
    void setSkipsEmptyLines(bool skips) { m_skipsEmpty = skips; }

    // The lines that `text` completes, in order.
    QStringList add(const QString &text);
    // The unfinished tail, which is forgotten.
    QString takeRest();

private:
    qsizetype m_longestLine;
    QStringList m_marks;
    bool m_skipsEmpty = false;
    QString m_partial;
};

} // namespace vantrel
