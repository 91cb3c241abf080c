#include <cstdlib>

#include "startup/Startup.h"

int main() { std::exit(keldo::RunProgram()); }
