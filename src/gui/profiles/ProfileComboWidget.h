#pragma once

#include <QComboBox>

#include <optional>

namespace vantrel {

// The profile combo: the 101 catalogue entries in order, group headers with
// their picture. Every entry can be picked; a pick by the user is reported
// with its entry number.
class ProfileComboWidget : public QComboBox
{
    Q_OBJECT

public:
    explicit ProfileComboWidget(QWidget *parent = nullptr);

    std::optional<int> selectedEntry() const;
    // Shows the selection without reporting it as a pick.
    void showSelection(std::optional<int> entry);

Q_SIGNALS:
    void entryPicked(int entry);
};

} // namespace vantrel
