#include "core/convert/plans/PassPlan.h"

namespace vantrel {

PassStep PassStep::run(EncoderPass pass)
{
    PassStep step;
    step.kind = Kind::Run;
    step.pass = std::move(pass);
    return step;
}

PassStep PassStep::done()
{
    return PassStep();
}

PassStep PassStep::fail(QString reason)
{
    PassStep step;
    step.kind = Kind::Fail;
    step.reason = std::move(reason);
    return step;
}

} // namespace vantrel
