#pragma once

#include "TestSupport.h"

#include "core/preview/PositionTimer.h"
#include "core/preview/PreviewController.h"
#include "core/preview/PreviewPlayer.h"
#include "core/tools/ToolControl.h"

#include <memory>

// A player that records what would reach the tool: "start <arguments>" for a
// start (the program left out), "Q", "space", "left", "right" for the
// commands quit, pause, seek back and seek forward, named after their keys.
struct RecordingPlayer : vantrel::PreviewPlayer
{
    void start(const vantrel::CommandLine &command) override
    {
        QStringList args = command.arguments();
        args.removeFirst();
        events << qs("start ") + args.join(u' ');
    }
    void pause() override { events << qs("space"); }
    void seekBack() override { events << qs("left"); }
    void seekForward() override { events << qs("right"); }
    void quit() override { events << qs("Q"); }
    // The events since the last call.
    QStringList take() { return std::exchange(events, {}); }

    QStringList events;
};

// A position timer the test ticks by hand; a tick only counts while enabled.
struct HandTimer : vantrel::PositionTimer
{
    void setEnabled(bool on) override { enabled = on; }
    bool isEnabled() const override { return enabled; }
    void onTick(std::function<void()> h) override { handler = std::move(h); }
    void tick()
    {
        if (enabled && handler)
            handler();
    }

    bool enabled = false;
    std::function<void()> handler;
};

// A preview controller over the two fakes, drawing into window 4242.
struct FakePreview
{
    FakePreview()
    {
        auto recording = std::make_unique<RecordingPlayer>();
        auto hand = std::make_unique<HandTimer>();
        player = recording.get();
        timer = hand.get();
        controller = std::make_unique<vantrel::PreviewController>(
            qs("/opt/mplayer"), std::move(recording), std::move(hand));
        controller->setVideoSurface([] { return quint64(4242); });
    }
    // Ticks the timer `count` times.
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            timer->tick();
    }

    RecordingPlayer *player = nullptr;
    HandTimer *timer = nullptr;
    std::unique_ptr<vantrel::PreviewController> controller;
};
