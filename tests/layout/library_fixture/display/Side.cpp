#include "../sound/Mixer.h"
