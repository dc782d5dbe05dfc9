#pragma once

#include "core/sources/SourceList.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

namespace vantrel {

class OptionSheet;

// What a list was to be converted with, kept beside its rows: the selected
// profile and the values of the option sheet the user may change.
struct ListChoices
{
    struct SheetValue
    {
        QString category;
        QString item;
        QString value;
    };
    std::optional<int> profile;
    QList<SheetValue> sheet;
};

// The choices as the sheet and the selection stand now: every value the
// user may change (the profile's rule gives back the rest).
ListChoices currentChoices(const OptionSheet &sheet, std::optional<int> profile);
// Sets the kept values the selected profile left changeable; the profile
// itself is for the caller to select first.
void restoreSheetValues(OptionSheet &sheet, const QList<ListChoices::SheetValue> &values);
// The choices as JSON, {"profile": n, "sheet": [{category, item, value}]},
// and back; what is malformed reads as nothing.
QJsonObject choicesToJson(const ListChoices &choices);
ListChoices choicesFromJson(const QJsonObject &object);

// Keeps the source list in a file of the data folder while the program runs,
// so that a crash (of the program or the machine) loses no list: the rows
// (files, clips, probed fields, statuses and their reasons, the tracks a row
// chose for itself), with the profile
// and the option sheet once told to keep them, are written, atomically,
// shortly after a change of what the file holds (a row's progress is not
// held), and the file goes on a clean exit.
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
    // The profile and sheet the left list was to be converted with; none
    // when the file keeps none.
    std::optional<ListChoices> leftChoices() const;

    // From now on the profile `selected` names and the sheet's values are
    // kept too; a change of the sheet is a change of what is kept.
    void keepChoices(OptionSheet &sheet, std::function<std::optional<int>()> selected);
    // Something kept may have changed (the profile): written after the
    // delay when what the file holds differs.
    void changed();

    // Starts writing the list on every change.
    void keep();
    // A clean exit: the file goes and nothing more is written.
    void release();

private:
    void save();
    QByteArray listContent(const QList<SourceList::SavedRow> &rows) const;
    QJsonDocument readLeft() const;

    SourceList &m_list;
    QPointer<OptionSheet> m_sheet;
    std::function<std::optional<int>()> m_selected;
    QString m_file;
    QTimer m_pending;
    QByteArray m_written; // what the file holds; empty when there is none
    bool m_keeping = false;
};

} // namespace vantrel
