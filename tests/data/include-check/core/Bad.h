// A core header as the include check must refuse it.
#pragma once

#include "core/common/Expected.h"
#include "gui/app/MainWindow.h"

#include <QString>
#include <QWidget>
