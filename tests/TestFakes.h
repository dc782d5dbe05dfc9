#pragma once

#include "core/capture/CaptureDevice.h"
#include "core/common/PlatformServices.h"

#include <QStringList>

// Stand-ins for what tests must not really do: show message boxes, power the
// machine off, open a file browser. Each records what it was asked.

struct RecordingPrompt : vantrel::Prompt
{
    // Read at once: what follows the reading follows at once.
    void show(Kind kind, const QString &text, Then then) override
    {
        (kind == Kind::Error ? errors : kind == Kind::Warning ? warnings : notices) << text;
        if (then)
            then();
    }
    // Answered at once, with `answer`.
    void ask(const QString &text, Answer reply) override
    {
        questions << text;
        reply(answer);
    }
    QStringList errors;
    QStringList warnings;
    QStringList notices;
    QStringList questions;
    bool answer = true;
};

struct RecordingPowerOff : vantrel::PowerOff
{
    void powerOff(Answer answer) override
    {
        ++calls;
        answer(accept);
    }
    int calls = 0;
    bool accept = true; // a refused power-off lets the batch report instead
};

struct RecordingDesktop : vantrel::Desktop
{
    void openFolder(const QString &folder, Opened done) override
    {
        opened << folder;
        if (done)
            done(opens);
    }
    QStringList opened;
    bool opens = true; // false: no file browser answers
};

// What the desktop was told of a batch: its progress on the task bar, and
// the notifications ("summary|body", "!" before a warning's).
struct RecordingNotifier : vantrel::DesktopNotifier
{
    void showProgress(std::optional<double> done) override { progress << done; }
    void notify(const QString &summary, const QString &body, bool warning) override
    {
        notes << (warning ? QStringLiteral("!") : QString()) + summary + u'|' + body;
    }
    QList<std::optional<double>> progress;
    QStringList notes;
};

// The encoder's test picture as the only capture device, without camera
// controls: a camera for machines that have none.
struct TestSourceOnly : vantrel::CaptureDevices
{
    QList<vantrel::CaptureDevice> devices() override { return {vantrel::testSourceDevice()}; }
    std::unique_ptr<vantrel::CameraControls> cameraControls(const vantrel::CaptureDevice &) override
    {
        return std::make_unique<vantrel::NoCameraControls>();
    }
};
