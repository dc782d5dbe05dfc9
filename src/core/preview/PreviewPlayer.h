#pragma once

#include "core/tools/CommandLine.h"
#include "core/tools/ToolControl.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

namespace vantrel {

class Process;

// Starts the player and tells the running one what to do. Tests use a fake
// that records what would happen.
class PreviewPlayer
{
public:
    virtual ~PreviewPlayer() = default;
    // Starts a player with `command`; nothing waits for it.
    virtual void start(const CommandLine &command) = 0;
    // Commands to the player started last; nothing when it does not run.
    virtual void pause() = 0; // or resume
    virtual void seekBack() = 0;
    virtual void seekForward() = 0;
    // Tells every running player to quit; one still there after a grace
    // time is ended.
    virtual void quit() = 0;

    // Called whenever the last running player has ended: nothing draws into
    // the video surface any more.
    void setAllEndedHandler(std::function<void()> handler) { m_allEnded = std::move(handler); }

protected:
    void notifyAllEnded() const
    {
        if (m_allEnded)
            m_allEnded();
    }

private:
    std::function<void()> m_allEnded;
};

// The real player: each start runs the tool as a Process of its own,
// registered with the ToolControl as the current player and kept until it
// ends. A player that is told to quit may still run for a moment (at most
// kQuitGraceMs) while a new one starts.
//
// None of them outlives this object for long: its destructor tells the ones
// still running to quit and kills what has not ended after a short grace.
class ProcessPreviewPlayer : public QObject, public PreviewPlayer
{
    Q_OBJECT

public:
    static constexpr int kQuitGraceMs = ToolControl::kPlayerGraceMs;

    explicit ProcessPreviewPlayer(ToolControl &tools, QObject *parent = nullptr);
    ~ProcessPreviewPlayer() override;

    void start(const CommandLine &command) override;
    void pause() override;
    void seekBack() override;
    void seekForward() override;
    void quit() override;

    // The players of this object that have not ended, oldest first.
    QList<Process *> running() const;

private:
    ToolControl &m_tools;
    QList<QPointer<Process>> m_players;
};

} // namespace vantrel
