#pragma once

#include <QStringList>

class QTextStream;

namespace vantrel::cli {

// vantrel-cli convert: probes the files into rows, selects the profile as the
// main window would, and runs the batch engine; prints one line per row.
// Runs the event loop until the batch is over and no encoder is left.
int runConvert(const QStringList &args, QTextStream &out, QTextStream &err);

} // namespace vantrel::cli
