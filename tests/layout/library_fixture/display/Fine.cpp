#include "core/Low.h"
#include "Near.h"
#include "Tolvex.h"
