#pragma once

#include <QStringList>

class QTextStream;

namespace vantrel::cli {

// vantrel-cli watch: converts every file that lands in a folder, once it is
// whole, with one profile, until SIGINT or SIGTERM; prints
// status<TAB>source<TAB>output per converted file.
int runWatch(const QStringList &args, QTextStream &out, QTextStream &err);

} // namespace vantrel::cli
