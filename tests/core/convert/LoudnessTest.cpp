#include "TestSupport.h"

#include "core/convert/LoudnessPlan.h"

#include <limits>
#include <optional>

using namespace vantrel;

namespace {

// The end of a measuring pass's messages as FFmpeg 5.1 writes them.
QString summaryAfterStatus(const char *integrated, const char *peak, const char *range,
                           const char *threshold, const char *offset)
{
    return qs("size=N/A time=00:00:03.52 bitrate=N/A speed=41.2x    \r"
              "size=N/A time=00:00:04.01 bitrate=N/A speed=  44x    \n"
              "video:0kB audio:1500kB subtitle:0kB other streams:0kB global headers:0kB muxing "
              "overhead: unknown\n[Parsed_loudnorm_0 @ 0x55a7a9d4ba00] \n{\n"
              "\t\"input_i\" : \"%1\",\n\t\"input_tp\" : \"%2\",\n\t\"input_lra\" : \"%3\",\n"
              "\t\"input_thresh\" : \"%4\",\n\t\"output_i\" : \"-16.00\",\n"
              "\t\"output_tp\" : \"-11.88\",\n\t\"output_lra\" : \"0.10\",\n"
              "\t\"output_thresh\" : \"-26.00\",\n\t\"normalization_type\" : \"dynamic\",\n"
              "\t\"target_offset\" : \"%5\"\n}\n")
        .arg(qs(integrated), qs(peak), qs(range), qs(threshold), qs(offset));
}

} // namespace

TEST(Loudness, MeasuresAreReadFromTheEncodersLastSummary)
{
    const double inf = std::numeric_limits<double>::infinity();
    const QString sine = summaryAfterStatus("-21.82", "-17.68", "0.00", "-31.82", "0.05");
    const struct
    {
        const char *what;
        QString messages;
        std::optional<LoudnessMeasure> measure;
    } cases[] = {
        {"a tone", sine, LoudnessMeasure{-21.82, -17.68, 0, -31.82, 0.05}},
        {"silence", summaryAfterStatus("-inf", "-inf", "0.00", "-70.00", "inf"),
         LoudnessMeasure{-inf, -inf, 0, -70, inf}},
        {"the last of two", summaryAfterStatus("-5.10", "0.40", "3.20", "-15.10", "-0.20") + sine,
         LoudnessMeasure{-21.82, -17.68, 0, -31.82, 0.05}},
        {"cut off", sine.left(sine.indexOf(qs("target_offset"))), std::nullopt},
        {"no sound", qs("Output file #0 does not contain any stream\n"), std::nullopt},
        {"a word for a number", summaryAfterStatus("loud", "-1", "0", "-30", "0"), std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<LoudnessMeasure> parsed = parseLoudnessMeasure(c.messages);
        ASSERT_EQ(parsed.has_value(), c.measure.has_value());
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->integrated, c.measure->integrated);
        EXPECT_EQ(parsed->truePeak, c.measure->truePeak);
        EXPECT_EQ(parsed->range, c.measure->range);
        EXPECT_EQ(parsed->threshold, c.measure->threshold);
        EXPECT_EQ(parsed->offset, c.measure->offset);
    }
}
