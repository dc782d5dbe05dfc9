#include "core/convert/plans/ConvertOnce.h"

#include <QCoreApplication>

namespace vantrel {

PassStep ConvertOnce::begin(const EncoderCommand &command)
{
    m_command = command;
    return PassStep::run(pass(command));
}

QList<EncoderPass> ConvertOnce::outline(Outline &at) const
{
    EncoderPass converts = pass(at.command);
    converts.decidedBy = at.rule;
    return {converts};
}

EncoderPass ConvertOnce::pass(const EncoderCommand &command)
{
    EncoderPass converts;
    converts.title = QCoreApplication::translate("PassPlan", "converts");
    converts.command = command;
    return converts;
}

} // namespace vantrel
