#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTableView;

namespace vantrel {

class SourceList;
class TracksController;

// "Tracks…": the sounds and subtitles of a row's source in a table, to keep
// or drop, and the sound that plays first. OK gives the row that choice,
// "Use the sheet's rules" gives the choice back to the option sheet. While
// the source is read, the window says so and fills itself when it ends.
class TracksDialog : public QDialog
{
    Q_OBJECT

public:
    TracksDialog(TracksController &controller, QWidget *parent = nullptr);

    // Opens the window for `row` of `list`, modal to `parent`, without
    // waiting; it goes when closed.
    static void openFor(SourceList &list, int row, QWidget *parent);

    QTableView *table() const { return m_table; }

private:
    void showState();
    void fitColumns();

    TracksController &m_controller;
    QLabel *m_message = nullptr;
    QTableView *m_table = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_sheetRules = nullptr;
};

} // namespace vantrel
