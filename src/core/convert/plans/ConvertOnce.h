#pragma once

#include "core/convert/plans/PassPlan.h"

namespace vantrel {

// A row that asks for nothing more: its command once.
class ConvertOnce : public PassPlan
{
public:
    PassStep begin(const EncoderCommand &command) override;
    PassStep next(const PassOutcome &) override { return PassStep::done(); }
    EncoderCommand leaves() const override { return m_command; }
    QList<EncoderPass> outline(Outline &at) const override;
    QStringList notes() const override { return {}; }

private:
    static EncoderPass pass(const EncoderCommand &command);

    EncoderCommand m_command;
};

} // namespace vantrel
