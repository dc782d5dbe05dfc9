#pragma once

#include <QMetaType>
#include <QString>

namespace vantrel {

// How a batch ended.
enum class BatchEnding
{
    Completed, // every row was tried
    Cancelled, // the user cancelled
    Stopped    // a row's source file was missing
};

struct BatchOutcome
{
    BatchEnding ending = BatchEnding::Completed;
    QString outputFolder;  // where the rows' outputs went
    QString missingSource; // Stopped: the source file that was not there
    int rows = 0;          // Completed: the rows of the batch
    int failedRows = 0;    // Completed: those that ended "Fail"
};

// What the user is told when a batch has ended: "Conversion completed!",
// "Conversion Canceled by the user!" or "Invalid input file name. " + the file.
QString batchEndMessage(const BatchOutcome &outcome);

} // namespace vantrel

Q_DECLARE_METATYPE(vantrel::BatchOutcome)
