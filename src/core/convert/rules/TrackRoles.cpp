#include "core/convert/rules/TrackRoles.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <utility>
#include <vector>

namespace vantrel {

namespace {

// Titles that name a track's role when its disposition does not, as disc
// rippers and recorders write them (whole words, any case).
struct TitleRule
{
    TrackRole role;
    const char *pattern;
};

const TitleRule kTitleRules[] = {
    {TrackRole::Commentary, "comment(ary|aire|ar)?|director'?s? (cut )?notes"},
    {TrackRole::Descriptive,
     "audio ?description|described|descriptive|visually impaired|audiodeskription"},
    {TrackRole::HearingImpaired, "sdh|cc|closed captions?|hearing impaired|hoh"},
    {TrackRole::Karaoke, "karaoke|sing ?along"},
};

// How each role is said: as a flag in a list, as a track's name, and in
// a sentence of the row's tip.
struct RoleText
{
    TrackRole role;
    const char *flag;
    const char *title;
    const char *phrase;
};

constexpr RoleText kRoleTexts[] = {
    {TrackRole::Main, "", "", ""},
    {TrackRole::Commentary, "commentary", QT_TRANSLATE_NOOP("TrackRoles", "Commentary"),
     QT_TRANSLATE_NOOP("TrackRoles", "a commentary")},
    {TrackRole::Descriptive, "descriptive", QT_TRANSLATE_NOOP("TrackRoles", "Audio Description"),
     QT_TRANSLATE_NOOP("TrackRoles", "a description for the blind")},
    {TrackRole::HearingImpaired, "hearing-impaired", QT_TRANSLATE_NOOP("TrackRoles", "SDH"),
     QT_TRANSLATE_NOOP("TrackRoles", "for the hearing-impaired")},
    {TrackRole::Karaoke, "karaoke", QT_TRANSLATE_NOOP("TrackRoles", "Karaoke"),
     QT_TRANSLATE_NOOP("TrackRoles", "a karaoke track")},
};

const RoleText &textOf(TrackRole role)
{
    for (const RoleText &text : kRoleTexts) {
        if (text.role == role)
            return text;
    }
    return kRoleTexts[0];
}

QString translated(const char *text)
{
    return *text ? QCoreApplication::translate("TrackRoles", text) : QString();
}

} // namespace

QString trackRoleTitle(TrackRole role)
{
    return translated(textOf(role).title);
}

QString trackRolePhrase(TrackRole role)
{
    return translated(textOf(role).phrase);
}

TrackRole trackRole(const StreamFacts &stream)
{
    const StreamFacts::Disposition &d = stream.disposition;
    if (d.comment)
        return TrackRole::Commentary;
    if (d.visualImpaired)
        return TrackRole::Descriptive;
    if (d.hearingImpaired)
        return TrackRole::HearingImpaired;
    if (d.karaoke)
        return TrackRole::Karaoke;
    static const std::vector<std::pair<TrackRole, QRegularExpression>> titles = [] {
        std::vector<std::pair<TrackRole, QRegularExpression>> made;
        for (const TitleRule &rule : kTitleRules)
            made.emplace_back(
                rule.role,
                QRegularExpression(QStringLiteral("\\b(%1)\\b").arg(QLatin1String(rule.pattern)),
                                   QRegularExpression::CaseInsensitiveOption));
        return made;
    }();
    for (const auto &[role, words] : titles) {
        if (words.match(stream.title).hasMatch())
            return role;
    }
    return TrackRole::Main;
}

bool isMainTrack(const StreamFacts &stream)
{
    return trackRole(stream) == TrackRole::Main;
}

QStringList trackFlags(const StreamFacts &stream)
{
    const StreamFacts::Disposition &d = stream.disposition;
    QStringList flags;
    const std::pair<bool, const char *> told[] = {{d.isDefault, "default"},
                                                  {d.forced, "forced"},
                                                  {d.original, "original"},
                                                  {d.dub, "dub"},
                                                  {stream.coverPicture, "cover"}};
    for (const auto &[on, word] : told) {
        if (on)
            flags << QLatin1String(word);
    }
    if (stream.kind == StreamFacts::Kind::Audio || stream.kind == StreamFacts::Kind::Subtitle) {
        if (const TrackRole role = trackRole(stream); role != TrackRole::Main)
            flags << QLatin1String(textOf(role).flag);
    }
    return flags;
}

} // namespace vantrel
