#pragma once

#include "TestFakes.h"
#include "TestSupport.h"

#include "core/app/BatchEndActions.h"
#include "core/app/MainController.h"
#include "core/convert/batch/BatchRun.h"
#include "core/settings/Settings.h"
#include "core/tools/ToolLocator.h"

#include <QTemporaryDir>

#include <optional>

// What a batch or a main window needs in a test: the real tools, the files of
// the test's own data folder, and recording fakes for what must not happen.
struct TestSurroundings
{
    RecordingPrompt prompt;
    RecordingPowerOff power;
    RecordingDesktop desktop;
    vantrel::BatchEndActions endActions{&prompt, &power, &desktop};
    // What the end of the last batch did, as the main window would do it.
    std::optional<vantrel::BatchEndActions::Action> lastEndAction;

    vantrel::BatchEnvironment batch(const QTemporaryDir &data, vantrel::ToolControl *tools)
    {
        vantrel::BatchEnvironment env;
        env.tools = tools;
        env.encoderPath = vantrel::ToolLocator::find(vantrel::ToolLocator::kEncoder);
        env.statisticsPath = data.filePath(qs("curconvert.log"));
        env.dataFolder = data.path();
        return env;
    }

    // The data folder's settings file as it is now.
    static vantrel::Settings settings(const QTemporaryDir &data)
    {
        return vantrel::SettingsFile(data.filePath(qs("settings.dat")), data.path()).read();
    }

    // The batch's end is reported as the main window reports it.
    void reportEnds(vantrel::BatchRun &batch, const QTemporaryDir &data)
    {
        QObject::connect(&batch, &vantrel::BatchRun::finished, &batch,
                         [this, &data](const vantrel::BatchOutcome &outcome) {
                             endActions.handle(outcome, settings(data).powerOffAfterBatch,
                                               [this](vantrel::BatchEndActions::Action action) {
                                                   lastEndAction = action;
                                               });
                         });
    }

    vantrel::MainEnvironment main(const QTemporaryDir &data)
    {
        const vantrel::BatchEnvironment b = batch(data, nullptr);
        vantrel::MainEnvironment env;
        env.prompt = &prompt;
        env.powerOff = &power;
        env.desktop = &desktop;
        env.encoderPath = b.encoderPath;
        env.playerPath = vantrel::ToolLocator::find(vantrel::ToolLocator::kPlayer);
        env.statisticsPath = b.statisticsPath;
        env.settingsPath = data.filePath(qs("settings.dat"));
        env.dataFolder = b.dataFolder;
        return env;
    }
};
