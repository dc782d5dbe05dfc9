#pragma once

#include <QString>

namespace vantrel {

// Removes what programs of this kind that were killed on this machine left
// in `folder`: hidden temporary outputs and downloads, statistics files
// (the passes' too) and name claims whose process no longer runs. A running program's files are
// never touched, and neither is anything of another machine (whether its
// program still runs cannot be known from here; its own next run sweeps it),
// except a claim's marker that names nobody a minute after it was made.
// Returns how many files went.
int sweepLeftovers(const QString &folder);

} // namespace vantrel
