#include "core/Low.h"
