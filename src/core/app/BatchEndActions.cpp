#include "core/app/BatchEndActions.h"

#include <QPointer>

namespace vantrel {

BatchEndActions::BatchEndActions(Prompt *prompt, PowerOff *powerOff, Desktop *desktop,
                                 QObject *parent)
    : QObject(parent), m_prompt(prompt), m_powerOff(powerOff), m_desktop(desktop)
{}

void BatchEndActions::handle(const BatchOutcome &outcome, bool powerOffAfterBatch, Done done)
{
    if (outcome.ending != BatchEnding::Completed || !powerOffAfterBatch || !m_powerOff) {
        report(outcome);
        if (done)
            done(Action::Reported);
        return;
    }
    // A refused power-off ends like any completed batch.
    m_powerOff->powerOff(
        [self = QPointer<BatchEndActions>(this), outcome, done = std::move(done)](bool accepted) {
            if (!self)
                return;
            if (!accepted)
                self->report(outcome);
            if (done)
                done(accepted ? Action::PoweringOff : Action::Reported);
        });
}

QString BatchEndActions::completedMessage(const BatchOutcome &outcome)
{
    QString message = batchEndMessage(outcome);
    if (outcome.failedRows > 0) {
        message += QLatin1Char('\n') + tr("%1 of %2 files failed. Point at \"Fail\" in the Status "
                                          "column to see why.")
                                           .arg(outcome.failedRows)
                                           .arg(outcome.rows);
    }
    return message;
}

void BatchEndActions::report(const BatchOutcome &outcome)
{
    if (outcome.ending != BatchEnding::Completed) {
        // A Cancel the user asked for is no error; a missing source is.
        if (m_prompt && outcome.ending == BatchEnding::Cancelled)
            m_prompt->information(batchEndMessage(outcome));
        else if (m_prompt)
            m_prompt->error(batchEndMessage(outcome));
        return;
    }
    // One message: how the batch went and, where no file browser took the
    // folder, where the files are.
    const auto tell = [self = QPointer<BatchEndActions>(this), outcome](bool opened) {
        if (!self || !self->m_prompt)
            return;
        QString message = completedMessage(outcome);
        if (!opened)
            message += QStringLiteral("\n") + folderNotShownMessage(outcome.outputFolder);
        if (outcome.failedRows > 0) // not a success, whatever the words say
            self->m_prompt->warning(message);
        else
            self->m_prompt->information(message);
    };
    if (m_desktop)
        m_desktop->openFolder(outcome.outputFolder, tell);
    else
        tell(true);
}

} // namespace vantrel
