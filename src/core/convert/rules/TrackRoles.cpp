#include "core/convert/rules/TrackRoles.h"

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

const char *roleWord(TrackRole role)
{
    switch (role) {
    case TrackRole::Main:
        return "";
    case TrackRole::Commentary:
        return "commentary";
    case TrackRole::Descriptive:
        return "descriptive";
    case TrackRole::HearingImpaired:
        return "hearing-impaired";
    case TrackRole::Karaoke:
        return "karaoke";
    }
    return "";
}

} // namespace

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
            flags << QLatin1String(roleWord(role));
    }
    return flags;
}

} // namespace vantrel
