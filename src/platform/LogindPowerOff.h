#pragma once

#include "core/common/PlatformServices.h"

namespace vantrel {

// Powers off through the session manager (logind on the system bus), as the
// desktop's own power-off does, so the user's session ends cleanly.
class LogindPowerOff : public PowerOff
{
public:
    bool powerOff() override;
};

} // namespace vantrel
