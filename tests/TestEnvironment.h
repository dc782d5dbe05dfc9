#pragma once

#include "TestFakes.h"
#include "TestSupport.h"

#include "core/app/MainController.h"
#include "core/convert/BatchRun.h"
#include "core/tools/ToolLocator.h"

#include <QTemporaryDir>

// What a batch or a main window needs in a test: the real tools, the files of
// the test's own data folder, and recording fakes for what must not happen.
struct TestSurroundings
{
    RecordingPrompt prompt;
    RecordingPowerOff power;
    RecordingDesktop desktop;

    vantrel::BatchEnvironment batch(const QTemporaryDir &data, vantrel::ToolControl *tools)
    {
        vantrel::BatchEnvironment env;
        env.prompt = &prompt;
        env.powerOff = &power;
        env.desktop = &desktop;
        env.tools = tools;
        env.encoderPath = vantrel::ToolLocator::find(vantrel::ToolLocator::kEncoder);
        env.mediaInfoPath = vantrel::ToolLocator::find(vantrel::ToolLocator::kMediaInfo);
        env.statisticsPath = data.filePath(qs("curconvert.log"));
        env.settingsPath = data.filePath(qs("settings.dat"));
        env.dataFolder = data.path();
        return env;
    }

    vantrel::MainEnvironment main(const QTemporaryDir &data)
    {
        const vantrel::BatchEnvironment b = batch(data, nullptr);
        vantrel::MainEnvironment env;
        env.prompt = b.prompt;
        env.powerOff = b.powerOff;
        env.desktop = b.desktop;
        env.encoderPath = b.encoderPath;
        env.playerPath = vantrel::ToolLocator::find(vantrel::ToolLocator::kPlayer);
        env.mediaInfoPath = b.mediaInfoPath;
        env.statisticsPath = b.statisticsPath;
        env.settingsPath = b.settingsPath;
        env.dataFolder = b.dataFolder;
        return env;
    }
};
