#pragma once

#include "core/common/PlatformServices.h"

namespace vantrel {

// Powers off through the session manager (logind on the system bus), as the
// desktop's own power-off does, so the user's session ends cleanly. The
// answer is the session manager's: a refusal (no right to power off, no
// session manager) or silence for a few seconds counts as refused.
class LogindPowerOff : public PowerOff
{
public:
    static constexpr int kAnswerTimeoutMs = 5000;

    void powerOff(Answer answer) override;
};

} // namespace vantrel
