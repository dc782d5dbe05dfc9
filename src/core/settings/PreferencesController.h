#pragma once

#include "core/common/Expected.h"
#include "core/settings/Settings.h"

#include <QString>

namespace vantrel {

// What to do when an output file of the same name exists.
enum class ExistingFilePolicy
{
    AddNew,   // add "_New" before the extension until the name is free
    Overwrite // use the name even if the file exists
};

// The four conversion settings as the preferences window shows them: texts as
// typed, choices as chosen.
struct PreferenceValues
{
    QString folder;
    ExistingFilePolicy existingFile = ExistingFilePolicy::AddNew;
    bool autoShut = false;
    QString threadText;

    bool operator==(const PreferenceValues &other) const
    {
        return folder == other.folder && existingFile == other.existingFile &&
               autoShut == other.autoShut && threadText == other.threadText;
    }
    bool operator!=(const PreferenceValues &other) const { return !(*this == other); }
};

// The preferences window without the window: reads the values it opens with
// from the settings file and writes them back when the user confirms.
class PreferencesController
{
public:
    static const QString kThreadError; // "Thread error!"
    static constexpr double kMaxThreads = 8.0;

    // `defaultFolder` is shown when no output folder is stored.
    PreferencesController(QString settingsFile, QString defaultFolder);

    // The values the window opens with. The thread text is the stored text as
    // it is (empty when missing), so the user sees what the file holds.
    PreferenceValues load() const;

    // The refusal message for `values`, or an empty text when they can be saved.
    QString check(const PreferenceValues &values) const;

    // Refuses a thread count above 8 without writing anything; otherwise
    // writes the four keys and returns the values as stored (folder trimmed,
    // thread count as the standard text of its number). A settings file that
    // cannot be written keeps its old values and is not reported: the next
    // reader sees the old values or the defaults.
    Expected<PreferenceValues> save(const PreferenceValues &values) const;

    const Settings &settings() const { return m_settings; }

private:
    Settings m_settings;
};

} // namespace vantrel
