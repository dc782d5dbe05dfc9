#include "gui/app/AsyncDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace vantrel {

namespace {

QFileDialog *fileDialog(QWidget *parent, const QString &caption, const QString &start)
{
    auto *dialog = new QFileDialog(parent, caption, start);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    return dialog;
}

// `done` once, with the files chosen or none.
void answerFiles(QFileDialog *dialog, FilesAnswer done)
{
    QObject::connect(
        dialog, &QDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
            done(result == QDialog::Accepted ? dialog->selectedFiles() : QStringList());
        });
    dialog->open();
}

} // namespace

void chooseFolder(QWidget *parent, const QString &caption, const QString &start, FolderAnswer done)
{
    QFileDialog *dialog = fileDialog(parent, caption, start);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    answerFiles(dialog, [done = std::move(done)](const QStringList &files) {
        done(files.isEmpty() ? QString() : QDir::toNativeSeparators(files.constFirst()));
    });
}

void chooseSaveFile(QWidget *parent, const QString &caption, const QString &start,
                    const QString &filter, FolderAnswer done)
{
    QFileDialog *dialog = fileDialog(parent, caption, start);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilter(filter);
    answerFiles(dialog,
                [done = std::move(done)](const QStringList &files) { done(files.value(0)); });
}

void chooseOpenFiles(QWidget *parent, const QString &caption, const QStringList &filters,
                     FilesAnswer done)
{
    QFileDialog *dialog = fileDialog(parent, caption, QString());
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setOption(QFileDialog::DontResolveSymlinks);
    dialog->setNameFilters(filters);
    if (!filters.isEmpty())
        dialog->selectNameFilter(filters.constFirst());
    answerFiles(dialog, std::move(done));
}

void askYesNo(QWidget *parent, const QString &title, const QString &text, YesNoAnswer done)
{
    auto *box = new QMessageBox(QMessageBox::Question, title, text,
                                QMessageBox::Yes | QMessageBox::No, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    QObject::connect(box, &QMessageBox::finished, box, [box, done = std::move(done)] {
        done(box->clickedButton() == box->button(QMessageBox::Yes));
    });
    box->open();
}

void openOwnedDialog(QDialog *dialog)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void keepWhileAlive(QObject *owner, std::shared_ptr<void> parts)
{
    // `destroyed` comes after the child widgets went; the parts go with the
    // connection, right after it.
    QObject::connect(owner, &QObject::destroyed, [parts = std::move(parts)] {});
}

} // namespace vantrel
