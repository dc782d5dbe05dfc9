#pragma once

#include "cli/SheetArguments.h"
#include "core/convert/batch/BatchRun.h"
#include "core/settings/Settings.h"

#include <QCommandLineOption>

class QCommandLineParser;
class QTextStream;

namespace vantrel::cli {

// The options of the commands that run batches (convert, watch): the sheet's
// (--profile, --apply, --set and the rest), --output-dir, --existing,
// --threads, --jobs, --languages and --no-inhibit.
class BatchOptions
{
public:
    explicit BatchOptions(QCommandLineParser &parser);

    // The settings file's values as the options replace them (a first run
    // starts from the shipped ones, as the window program does); the file's
    // warnings are printed. The error names the option given wrong.
    Expected<Settings> settings(const QCommandLineParser &parser, QTextStream &err) const;
    // Shapes the sheet as the options say; the profile's entry number.
    Expected<int> applySheet(const QCommandLineParser &parser, OptionSheet &sheet) const;
    // Whether the computer is kept from sleeping while the batch runs.
    bool keepAwake(const QCommandLineParser &parser) const;

private:
    SheetOptions m_sheet;
    QCommandLineOption m_outputDir;
    QCommandLineOption m_existing;
    QCommandLineOption m_threads;
    QCommandLineOption m_jobs;
    QCommandLineOption m_noInhibit;
};

// Where a terminal's batch finds its tools and files. A missing source fails
// its own row: the other files still convert.
BatchEnvironment cliBatchEnvironment();
// The error of a tool a batch needs and this machine lacks; none when both are here.
std::optional<QString> missingBatchTool();

} // namespace vantrel::cli
