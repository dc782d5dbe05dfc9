#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace vantrel {

class OptionSheet;

// The option items a profile rule may set.
enum class DefaultItem
{
    VideoCodec,
    VideoSize,
    VideoBitrate,
    VideoFramerate,
    AudioCodec,
    AudioBitrate,
    SampleRate,
};
constexpr std::size_t kDefaultItemCount = 7;

struct ItemAddressText
{
    const char *category;
    const char *item;
};
ItemAddressText defaultItemAddress(DefaultItem item);

enum class ChoiceOp
{
    None,    // choices unchanged
    Replace, // cleared, then the listed choices appended in order
    Append,  // the listed choices appended; what is there stays, so repeats appear
    Empty,   // cleared, nothing appended
};

struct ChoiceRule
{
    ChoiceOp op = ChoiceOp::None;
    QStringList choices;
};

// The rule of one entry: per item an optional value and a choice-list operation.
// Whatever a rule leaves out keeps what the sheet had before.
struct ProfileDefaults
{
    std::array<std::optional<QString>, kDefaultItemCount> values;
    std::array<ChoiceRule, kDefaultItemCount> choices;

    const std::optional<QString> &value(DefaultItem item) const
    {
        return values[static_cast<std::size_t>(item)];
    }
    const ChoiceRule &choiceRule(DefaultItem item) const
    {
        return choices[static_cast<std::size_t>(item)];
    }
    bool changesNothing() const;
};

// The rule of entry `entry` (group headers included); an empty rule for entry
// 1 and for numbers outside the catalogue. Today's entries have rules of their
// own, which applyProfileDefaults applies.
ProfileDefaults profileDefaults(int entry);

// The last of the entries of old; today's formats follow it.
constexpr int kLastClassicEntry = 101;
bool isTodayEntry(int entry);

// Applies the selected entry's rule to the sheet, as a pick in the profile
// combo does. No selection changes nothing.
void applyProfileDefaults(OptionSheet &sheet, std::optional<int> selectedEntry);

} // namespace vantrel
