#include "core/tools/StopPolicy.h"

#include "core/tools/Process.h"

#include <QPointer>
#include <QTimer>

namespace vantrel {

void StopPolicy::apply(Process &process) const
{
    if (!process.isRunning())
        return;
    process.write(request);
    QTimer::singleShot(graceMs, &process,
                       [tool = QPointer<Process>(&process), run = process.processId()] {
                           if (tool && tool->processId() == run)
                               tool->stop(); // it did not finish in time
                       });
}

} // namespace vantrel
