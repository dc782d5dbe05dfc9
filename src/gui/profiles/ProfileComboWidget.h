#pragma once

#include <QComboBox>
#include <QMap>

#include <optional>

namespace vantrel {

// The profile combo: the catalogue entries in order, group headers with
// their picture. Every entry can be picked but those this computer's encoder
// cannot convert, which show greyed with why in their tip; a pick by the
// user is reported with its entry number.
class ProfileComboWidget : public QComboBox
{
    Q_OBJECT

public:
    explicit ProfileComboWidget(QWidget *parent = nullptr);

    std::optional<int> selectedEntry() const;
    // Shows the selection without reporting it as a pick.
    void showSelection(std::optional<int> entry);
    // Greys out the entries that cannot be converted here, with why.
    void showUnavailable(const QMap<int, QString> &entries);

Q_SIGNALS:
    void entryPicked(int entry);
};

} // namespace vantrel
