#pragma once

#include "core/common/Expected.h"
#include "core/settings/Settings.h"

#include <QCoreApplication>
#include <QString>

namespace vantrel {

// The preferences window without the window: reads the settings it opens
// with and writes the four it edits (output folder, existing-file policy,
// power-off, thread count) when the user confirms.
class PreferencesController
{
    Q_DECLARE_TR_FUNCTIONS(PreferencesController)

public:
    // `defaultFolder` is shown when no output folder is stored.
    PreferencesController(QString settingsFile, QString defaultFolder);

    // The values the window opens with. The thread text is the stored text as
    // it is (empty when missing), so the user sees what the file holds.
    Settings load() const;

    // The refusal message for `values`, or an empty text when they can be saved.
    QString check(const Settings &values) const;

    // Refuses a thread count above 8 without writing anything; otherwise
    // writes the four values and returns them as stored (folder trimmed,
    // thread count as the standard text of its number). A settings file that
    // cannot be written keeps its old values and is not reported: the next
    // reader sees the old values or the defaults.
    Expected<Settings> save(const Settings &values) const;

private:
    SettingsFile m_file;
};

} // namespace vantrel
