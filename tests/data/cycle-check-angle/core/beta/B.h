#pragma once
// ...and beta uses alpha: a cycle.
#include <core/alpha/A.h>
