#pragma once

#include "core/sources/SourceList.h"

#include <QObject>
#include <QTimer>

#include <optional>

namespace vantrel {

// Keeps the source list in a file of the data folder while the program runs,
// so that a crash (of the program or the machine) loses no list: the rows
// (files, clips, probed fields, statuses and their reasons) are written,
// atomically, shortly after every change, and the file goes on a clean exit.
// A file found at start is the list of a run that did not end cleanly.
class ListKeeper : public QObject
{
    Q_OBJECT

public:
    // Changes are gathered this long before the file is written.
    static constexpr int kSaveDelayMs = 300;

    ListKeeper(SourceList &list, QString file, QObject *parent = nullptr);

    // The rows a run that did not end cleanly left; none when it left none
    // (or the file cannot be a saved list). Rows that were converting come
    // back unconverted.
    std::optional<QList<SourceList::SavedRow>> leftRows() const;
    // Puts the left rows back at the end of the list.
    void restore(const QList<SourceList::SavedRow> &rows);
    // Forgets what was left (the user did not want it back).
    void discardLeft();

    // Starts writing the list on every change.
    void keep();
    // A clean exit: the file goes and nothing more is written.
    void release();

private:
    void save();

    SourceList &m_list;
    QString m_file;
    QTimer m_pending;
    bool m_keeping = false;
};

} // namespace vantrel
