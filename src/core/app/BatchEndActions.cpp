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
    const bool completed = outcome.ending == BatchEnding::Completed;
    // The folder opens once the message has been read.
    Prompt::Then openFolder;
    if (completed && m_desktop)
        openFolder = [desktop = m_desktop, prompt = m_prompt, folder = outcome.outputFolder] {
            showFolder(desktop, prompt, folder);
        };
    if (!m_prompt) {
        if (openFolder)
            openFolder();
        return;
    }
    if (!completed)
        m_prompt->error(batchEndMessage(outcome));
    else if (outcome.failedRows > 0) // not a success, whatever the words say
        m_prompt->warning(completedMessage(outcome), std::move(openFolder));
    else
        m_prompt->information(completedMessage(outcome), std::move(openFolder));
}

} // namespace vantrel
