#pragma once

#include "gui/app/AboutDialog.h"

#include <QDialog>

namespace vantrel {

// "Check for Updates": the versions of the program and of the tools it
// drives, each asked without waiting, with yt-dlp's age and, when it is too
// old for today's pages, how to get a current one. Nothing is downloaded.
class UpdateCheckDialog : public QDialog
{
    Q_OBJECT

public:
    // The tools asked, as the About window asks them.
    using Tools = AboutDialog::Tools;

    explicit UpdateCheckDialog(const Tools &tools, QWidget *parent = nullptr);
};

} // namespace vantrel
