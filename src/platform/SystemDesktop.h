#pragma once

#include "core/common/PlatformServices.h"

namespace vantrel {

// Opens folders in the desktop's file browser.
class SystemDesktop : public Desktop
{
public:
    void openFolder(const QString &folder) override;
};

} // namespace vantrel
