#pragma once

#include "core/common/PlatformServices.h"

namespace vantrel {

// Opens folders in the desktop's file browser through xdg-open, which every
// desktop answers. The answer is xdg-open's: it ends well when the browser
// took the folder, fails when no browser answers or none is installed; one
// still running after a few seconds is a browser that opened in its place.
class SystemDesktop : public Desktop
{
public:
    static constexpr int kAnswerMs = 5000;

    void openFolder(const QString &folder, Opened opened) override;
};

} // namespace vantrel
