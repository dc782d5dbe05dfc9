#pragma once

#include "core/app/TrackPickModel.h"
#include "core/sources/SourceList.h"
#include "core/tools/SourceReading.h"
#include "core/tools/ToolLocator.h"

#include <QObject>
#include <QPointer>

#include <optional>

namespace vantrel {

// The "Tracks…" dialog without the dialog: reads the tracks of a row's
// source (the facts its row keeps, else the headers, in the background),
// shows them in a TrackPickModel and gives the row the choice the user
// takes, or gives the choice back to the sheet's rules. The row is followed
// by its id: one removed meanwhile takes nothing.
class TracksController : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        Reading,
        Ready,
        Failed
    };

    // Why the tracks of `row` cannot be chosen now (it is being converted,
    // its file is missing or cannot be read); none when they can.
    static std::optional<QString> unavailableReason(const SourceList &list, int row);

    // Starts reading the source of `row` unless its row keeps its facts;
    // `stateChanged` follows the end of a reading, never before this returns.
    TracksController(SourceList &list, int row, QString probePath = ToolLocator::mediaInfo(),
                     QObject *parent = nullptr);

    State state() const { return m_state; }
    // What the dialog says above its buttons: the reading under way, why it
    // failed, or why the choice cannot be taken; empty when it can.
    QString message() const;
    bool canAccept() const;
    TrackPickModel &model() { return m_model; }
    QString fileName() const { return m_fileName; }

    // Gives the row the tracks as chosen; false when the choice cannot be
    // taken (nothing changes then).
    bool accept();
    // The row's tracks are chosen by the sheet's rules again.
    void useSheetRules();

Q_SIGNALS:
    void stateChanged();
    // The choice changed, so whether it can be taken may have.
    void choiceChanged();

private:
    void show(const std::optional<SourceFacts> &facts);

    QPointer<SourceList> m_list;
    SourceList::RowId m_id;
    QString m_fileName;
    std::optional<TrackPick> m_pick; // the row's choice when the dialog opened
    SourceReading m_reading;
    TrackPickModel m_model;
    State m_state = State::Reading;
};

} // namespace vantrel
