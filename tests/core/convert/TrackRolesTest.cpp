#include "TestSupport.h"

#include "core/convert/rules/TrackRoles.h"

using namespace vantrel;

// A track's role, by its disposition where the container sets one and by its
// title where it does not; main tracks are the film itself.
TEST(TrackRoles, ByDispositionThenByTitle)
{
    using D = StreamFacts::Disposition;
    const struct
    {
        const char *title;
        D disposition;
        TrackRole role;
        const char *flags;
    } cases[] = {
        {"", {}, TrackRole::Main, ""},
        {"English 5.1", D{true}, TrackRole::Main, "default"},
        {"", D{false, false, true}, TrackRole::Commentary, "commentary"},
        {"Director's Commentary", {}, TrackRole::Commentary, "commentary"},
        {"Kommentar", {}, TrackRole::Main, ""}, // a word the table does not know
        {"Audio Description", {}, TrackRole::Descriptive, "descriptive"},
        {"", D{false, false, false, false, true}, TrackRole::Descriptive, "descriptive"},
        {"English SDH", {}, TrackRole::HearingImpaired, "hearing-impaired"},
        {"Forced", D{false, true}, TrackRole::Main, "forced"},
        {"Karaoke", {}, TrackRole::Karaoke, "karaoke"},
        {"Accented", {}, TrackRole::Main, ""}, // "cc" only as a word
        {"", D{false, false, false, false, false, true, true}, TrackRole::Main, "original,dub"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.title);
        StreamFacts stream;
        stream.kind = StreamFacts::Kind::Audio;
        stream.title = qs(c.title);
        stream.disposition = c.disposition;
        EXPECT_EQ(trackRole(stream), c.role);
        EXPECT_EQ(trackFlags(stream).join(u','), qs(c.flags));
    }
}
