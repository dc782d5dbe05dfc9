#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QDialog;
class QObject;
class QWidget;

namespace vantrel {

// The system's dialogs, asked without waiting: each opens modal to `parent`
// and returns at once; `done` gets the answer when the user closes it (an
// empty one when cancelled). Nothing re-enters the event loop.

using FolderAnswer = std::function<void(const QString &folder)>;
using FilesAnswer = std::function<void(const QStringList &files)>;
using YesNoAnswer = std::function<void(bool yes)>;

void chooseFolder(QWidget *parent, const QString &caption, const QString &start, FolderAnswer done);
void chooseSaveFile(QWidget *parent, const QString &caption, const QString &start,
                    const QString &filter, FolderAnswer done);
void chooseOpenFiles(QWidget *parent, const QString &caption, const QStringList &filters,
                     FilesAnswer done);
void askYesNo(QWidget *parent, const QString &title, const QString &text, YesNoAnswer done);

// Opens a window of the program modal to its parent, without waiting; it
// deletes itself when closed.
void openOwnedDialog(QDialog *dialog);

// Keeps `parts` (what a window runs on: its controller, its engine) until
// `owner` has gone with all its child widgets.
void keepWhileAlive(QObject *owner, std::shared_ptr<void> parts);

} // namespace vantrel
