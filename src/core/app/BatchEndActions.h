#pragma once

#include "core/common/PlatformServices.h"
#include "core/convert/batch/BatchRun.h"

#include <QObject>

#include <functional>

namespace vantrel {

// What the main window does when a batch has ended: after a completed batch
// the computer powers off when the settings ask for it and the session
// manager accepts; otherwise the user is told how the batch ended and, after
// a completed one, the output folder opens in the file browser (or, where
// none opens, the user is told where the files are).
class BatchEndActions : public QObject
{
    Q_OBJECT

public:
    enum class Action
    {
        Reported,   // the user was told (and the folder opened)
        PoweringOff // the session manager is powering the computer off
    };
    using Done = std::function<void(Action action)>;

    // Any of them may be null: that step is left out.
    BatchEndActions(Prompt *prompt, PowerOff *powerOff, Desktop *desktop,
                    QObject *parent = nullptr);

    // `powerOffAfterBatch` as the settings say when the batch ends. `done`
    // learns what was done; with a power-off that waits for the session
    // manager's answer.
    void handle(const BatchOutcome &outcome, bool powerOffAfterBatch, Done done = {});

    // "Conversion completed!", and when rows failed how many and where to
    // read why.
    static QString completedMessage(const BatchOutcome &outcome);

private:
    void report(const BatchOutcome &outcome);

    Prompt *m_prompt;
    PowerOff *m_powerOff;
    Desktop *m_desktop;
};

} // namespace vantrel
