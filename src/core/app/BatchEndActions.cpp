#include "core/app/BatchEndActions.h"

namespace vantrel {

BatchEndActions::BatchEndActions(Prompt *prompt, PowerOff *powerOff, Desktop *desktop)
    : m_prompt(prompt), m_powerOff(powerOff), m_desktop(desktop)
{}

BatchEndActions::Action BatchEndActions::handle(const BatchOutcome &outcome,
                                                bool powerOffAfterBatch)
{
    const bool completed = outcome.ending == BatchEnding::Completed;
    if (completed && powerOffAfterBatch && m_powerOff && m_powerOff->powerOff())
        return Action::PoweringOff;
    if (m_prompt) {
        if (completed)
            m_prompt->information(batchEndMessage(outcome));
        else
            m_prompt->error(batchEndMessage(outcome));
    }
    if (completed && m_desktop)
        m_desktop->openFolder(outcome.outputFolder);
    return Action::Reported;
}

} // namespace vantrel
