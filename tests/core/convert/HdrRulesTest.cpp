#include "TestSupport.h"

#include "core/convert/rules/HdrRules.h"

using namespace vantrel;

namespace {

SourceFacts hdrFilm(const char *transfer, std::optional<int> dolbyVision, bool metadata)
{
    StreamFacts p;
    p.kind = StreamFacts::Kind::Video;
    p.codec = qs("hevc");
    p.width = 3840;
    p.height = 2160;
    p.colourPrimaries = qs("bt2020");
    p.colourMatrix = qs("bt2020nc");
    p.colourTransfer = qs(transfer);
    p.dolbyVisionProfile = dolbyVision;
    if (metadata) {
        // As a disc's HDR10 tells it: P3 primaries, D65, 1000 and 0.005 cd/m².
        p.masteringDisplay = StreamFacts::MasteringDisplay{0.68, 0.32,   0.265, 0.69,  0.15,
                                                           0.06, 0.3127, 0.329, 0.005, 1000};
        p.contentLight = StreamFacts::ContentLight{1000, 400};
    }
    SourceFacts f;
    f.streams = {p};
    return f;
}

} // namespace

// What each entry writes of an HDR picture: kept in 10 bits with exactly the
// metadata the source tells, or tone-mapped; Dolby Vision by its profile.
TEST(HdrRules, KeptExactlyOrToneMapped)
{
    const struct
    {
        const char *name;
        SourceFacts facts;
        const char *codec;
        const char *hdr;
        const char *pixelFormat; // empty: tone-mapped to standard range
        const char *params;      // how the encoder's parameters end; empty: none
        const char *note;
    } cases[] = {
        {"HDR10 in H.265", hdrFilm("smpte2084", {}, true), "H.265", "Keep (10-bit)", "yuv420p10le",
         "colorprim=bt2020:transfer=smpte2084:colormatrix=bt2020nc:hdr10=1:hdr10-opt=1:"
         "repeat-headers=1:master-display=G(13250,34500)B(7500,3000)R(34000,16000)"
         "WP(15635,16450)L(10000000,50):max-cll=1000,400",
         "HDR10 kept (10-bit)."},
        {"HDR10 in AV1", hdrFilm("smpte2084", {}, true), "AV1", "Keep (10-bit)", "yuv420p10le",
         "mastering-display=G(0.2650,0.6900)B(0.1500,0.0600)R(0.6800,0.3200)WP(0.3127,0.3290)"
         "L(1000.0000,0.0050):content-light=1000,400",
         "HDR10 kept (10-bit)."},
        {"HDR10 in VP9", hdrFilm("smpte2084", {}, true), "VP9", "Keep (10-bit)", "yuv420p10le", "",
         "carries no mastering display"},
        {"PQ without metadata", hdrFilm("smpte2084", {}, false), "H.265", "Keep (10-bit)",
         "yuv420p10le", "colorprim=bt2020:transfer=smpte2084:colormatrix=bt2020nc",
         "so none were written"},
        {"HLG invents nothing", hdrFilm("arib-std-b67", {}, true), "AV1", "Keep (10-bit)",
         "yuv420p10le", "", "HLG kept (10-bit)."},
        {"standard range asked", hdrFilm("smpte2084", {}, true), "H.265", "Standard range (8-bit)",
         "", "", "tone-mapped"},
        {"H.264 writes 8 bits", hdrFilm("smpte2084", {}, true), "H.264", "Keep (10-bit)", "", "",
         "tone-mapped"},
        {"Dolby Vision 8 keeps its base", hdrFilm("smpte2084", 8, true), "H.265", "Keep (10-bit)",
         "yuv420p10le", "max-cll=1000,400", "The Dolby Vision layer was left out; its HDR10 base"},
        {"Dolby Vision 5 has no base", hdrFilm("smpte2084", 5, false), "AV1", "Keep (10-bit)", "",
         "", "Dolby Vision profile 5"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ConversionOptions texts;
        texts.videoCodec = qs(c.codec);
        texts.hdr = qs(c.hdr);
        ConversionJob job;
        job.options = texts;
        const RunAdaptation a = hdrPicture(c.facts, job);
        EXPECT_EQ(a.pixelFormat, qs(c.pixelFormat));
        if (*c.params)
            EXPECT_TRUE(a.encoderParams.value(1).endsWith(qs(c.params)))
                << a.encoderParams.value(1).toStdString();
        else
            EXPECT_TRUE(a.encoderParams.isEmpty());
        EXPECT_EQ(a.filtersBefore.join(u',').contains(qs("tonemap")), !*c.pixelFormat);
        EXPECT_TRUE(a.notes.join(u' ').contains(qs(c.note))) << a.notes.join(u'|').toStdString();
    }
}
