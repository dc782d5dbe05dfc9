#pragma once

#include <QLatin1String>

namespace vantrel {

// A new widget with the object name that the skin and the tests select it by.
template <typename Widget> Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace vantrel
