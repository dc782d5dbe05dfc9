#include "TestSupport.h"

#include "core/common/NameClaim.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

using namespace vantrel;

// A claim's marker names its owner; one that cannot be written (a full disk,
// a quota: here a file size limit of nothing) is not left behind to name
// nobody for ever, and the claim holds nothing, as where no marker can be made.
TEST(NameClaim, AMarkerThatCannotBeWrittenIsNotLeft)
{
    const QTemporaryDir folder;
    const QString path = folder.filePath(qs("clip.mp4"));
    const QString marker = NameClaim::markerPathFor(path);
    {
        const std::unique_ptr<NameClaim> claim = NameClaim::take(path);
        ASSERT_TRUE(claim);
        EXPECT_FALSE(readFile(marker).isEmpty());
        EXPECT_FALSE(NameClaim::take(path)); // held
    }
    EXPECT_FALSE(QFile::exists(marker));

    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit nothing = before;
    nothing.rlim_cur = 0;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &nothing), 0);
    const std::unique_ptr<NameClaim> unwritten = NameClaim::take(path);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previousSignal);
    EXPECT_TRUE(unwritten);
    EXPECT_FALSE(QFile::exists(marker));
    EXPECT_TRUE(NameClaim::take(path)); // nobody's marker stands in the way
}
