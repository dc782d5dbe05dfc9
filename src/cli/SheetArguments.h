#pragma once

#include "core/common/Expected.h"

#include <QCommandLineOption>
#include <QStringList>

#include <optional>

class QCommandLineParser;

namespace vantrel {
class OptionSheet;
}

namespace vantrel::cli {

// An entry number given on the command line to `option` (named in the
// refusal): a whole number from 1 to the last entry.
Expected<int> parseEntryNumber(const QString &option, const QString &text);

// Picks the entries one after the other, as a user does in the profile combo.
Expected<bool> applyPicks(OptionSheet &sheet, const QStringList &entries, const QString &option);

// Sets "ITEM=VALUE" pairs; ITEM is an item caption that is unique in the sheet
// and that the user may edit.
Expected<bool> applySets(OptionSheet &sheet, const QStringList &assignments);

// The options --profile N, --apply M and --set "ITEM=VALUE" that shape the
// option sheet, shared by the commands that convert, with --fit-size and
// --loudness, --sound-tracks and --subtitles, which set their items, and
// --languages, the preferred languages for the tracks' rules.
class SheetOptions
{
public:
    explicit SheetOptions(QCommandLineParser &parser);

    // Applies every M in order, then N, then the sets (--fit-size and
    // --loudness last); returns N.
    Expected<int> apply(const QCommandLineParser &parser, OptionSheet &sheet) const;
    // The languages given, as codes; none when not given.
    Expected<std::optional<QStringList>> languages(const QCommandLineParser &parser) const;

private:
    QCommandLineOption m_profile;
    QCommandLineOption m_apply;
    QCommandLineOption m_set;
    QCommandLineOption m_fitSize;
    QCommandLineOption m_loudness;
    QCommandLineOption m_soundTracks;
    QCommandLineOption m_subtitles;
    QCommandLineOption m_languages;
};

} // namespace vantrel::cli
