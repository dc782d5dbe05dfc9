#pragma once
// ...and beta uses alpha: a cycle.
#include "../alpha/A.h"
