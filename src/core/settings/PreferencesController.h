#pragma once

#include "core/common/Expected.h"
#include "core/settings/Settings.h"

#include <QCoreApplication>
#include <QString>

namespace vantrel {

// The preferences window without the window: reads the settings it opens
// with and writes those it edits (output folder, existing-file policy,
// power-off, thread count, rows at once, preferred languages) when the user
// confirms.
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
    // The refusal of preferred languages as typed (items not yet cleaned):
    // an item that is no ISO 639 code, or more than the most kept; an empty
    // text when they can be saved. None at all stand for the desktop's language.
    static QString checkLanguages(const QStringList &typed);

    // Refuses a thread count above 8 or an unusable language without
    // writing anything; otherwise writes the values and returns them as
    // stored (folder trimmed, thread count as the standard text of its
    // number, languages as codes without repeats). A settings file that
    // cannot be written keeps its old values and is not reported: the next
    // reader sees the old values or the defaults.
    Expected<Settings> save(const Settings &values) const;

private:
    SettingsFile m_file;
};

} // namespace vantrel
