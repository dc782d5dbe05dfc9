#include "TestSupport.h"

#include "core/profiles/ProfileCatalogue.h"

#include <set>

using namespace vantrel;

TEST(ProfileCatalogue, HoldsTheEntriesInListOrder)
{
    const auto &entries = profileCatalogue();
    ASSERT_EQ(entries.size(), 111u);
    const std::set<int> headers = {1,  6,  12, 16, 19, 25, 28, 32, 36, 41, 48,  53, 60,
                                   64, 68, 70, 75, 77, 79, 82, 85, 87, 95, 102, 109};
    int profiles = 0;
    std::set<int> pictures;
    for (int n = 1; n <= 111; ++n) {
        const CatalogueEntry &e = entries[std::size_t(n - 1)];
        EXPECT_EQ(e.number, n);
        EXPECT_EQ(e.isGroup(), headers.count(n) == 1) << n;
        if (e.isGroup()) {
            EXPECT_GE(e.picture, 1);
            EXPECT_LE(e.picture, 46);
            pictures.insert(e.picture);
            EXPECT_FALSE(outputExtension(n).has_value()) << n;
        } else {
            ++profiles;
            EXPECT_EQ(e.picture, 0);
            // The extension is the pattern at the end of the caption.
            const std::optional<QString> ext = outputExtension(n);
            ASSERT_TRUE(ext.has_value()) << n;
            EXPECT_TRUE(e.captionText().endsWith(qs("(*") + *ext + qs(")"))) << n;
        }
    }
    EXPECT_EQ(profiles, 86);
    EXPECT_EQ(pictures.size(), 24u);
}

TEST(ProfileCatalogue, EntriesAreKnownByNumberNotCaption)
{
    EXPECT_EQ(catalogueEntry(1)->captionText(), qs("Apple iPad"));
    EXPECT_EQ(catalogueEntry(1)->picture, 44);
    EXPECT_EQ(catalogueEntry(13)->captionText(), qs("Apple iPhone MPEG-4 Movie(*.mp4)"));
    EXPECT_EQ(catalogueEntry(101)->captionText(), qs("M4A Audio(*.m4a)"));
    EXPECT_EQ(catalogueEntry(3)->captionText(), catalogueEntry(9)->captionText());
    EXPECT_EQ(catalogueEntry(4)->captionText(), catalogueEntry(10)->captionText());
    EXPECT_EQ(catalogueEntry(74)->captionText(), qs("Nokia N-series MPEG-4 Movie(*.mp4)"));
    EXPECT_EQ(catalogueEntry(78)->captionText(), qs("Nokia N-Series MPEG-4 Movie(*.mp4)"));
    EXPECT_EQ(catalogueEntry(50)->captionText(), qs("Creative Zen Vison Movie(*.avi)"));
    EXPECT_EQ(catalogueEntry(53)->picture, 31);
    EXPECT_EQ(catalogueEntry(79)->picture, 31);
    EXPECT_EQ(catalogueEntry(0), nullptr);
    EXPECT_EQ(catalogueEntry(112), nullptr);
}

TEST(ProfileCatalogue, OutputExtensionIsFourCharactersFromTheFirstDot)
{
    EXPECT_EQ(outputExtension(2), qs(".mp4"));
    EXPECT_EQ(outputExtension(29), qs(".mp4")); // "(480p)(*.mp4)"
    EXPECT_EQ(outputExtension(72), qs(".3g2"));
    EXPECT_EQ(outputExtension(84), qs(".swf"));
    EXPECT_EQ(outputExtension(100), qs(".wma"));
    EXPECT_EQ(outputExtension(105), qs(".webm")); // to the pattern's ")"
    EXPECT_EQ(outputExtension(107), qs(".mkv"));  // "(no re-encoding)(*.mkv)"
    EXPECT_EQ(outputExtension(110), qs(".opus"));
    EXPECT_EQ(outputExtensionOfCaption(qs("a.b.cdef")), qs(".b.c"));
    EXPECT_EQ(outputExtensionOfCaption(qs("x(*.ab")), qs(".ab"));
    EXPECT_FALSE(outputExtensionOfCaption(qs("Apple iPad")).has_value());
    EXPECT_FALSE(outputExtension(0).has_value());
}
