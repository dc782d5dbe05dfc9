#pragma once
// ...and gamma uses alpha: a cycle.
#include "core/alpha/A.h"
