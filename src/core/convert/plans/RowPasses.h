#pragma once

#include "core/convert/plans/PassPlan.h"

#include <memory>
#include <vector>

namespace vantrel {

// The whole of a row's work: its plans one after another, the last of
// which writes the output (the size fitted, or one conversion). A row that
// asks for nothing more is one pass of its command as built, as before.
class RowPasses
{
public:
    RowPasses(const PassContext &context, const EncoderCommand &command);
    ~RowPasses();
    RowPasses(const RowPasses &) = delete;
    RowPasses &operator=(const RowPasses &) = delete;

    PassStep begin();
    PassStep next(const PassOutcome &outcome);
    // Every pass as it would run, for `command --as-run`.
    QList<EncoderPass> outline() const;
    QStringList notes() const;
    // More than one conversion: a stopped row keeps nothing of what it wrote.
    bool severalPasses() const { return m_plans.size() > 1 || !m_single; }

private:
    PassStep advance(PassStep step);

    EncoderCommand m_command;
    std::vector<std::unique_ptr<PassPlan>> m_plans;
    std::size_t m_current = 0;
    bool m_single = true; // the last plan converts once
};

} // namespace vantrel
