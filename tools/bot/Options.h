// The command line of our drivers: "--name value" pairs, each name known; --help (or anything
// else) prints the usage.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <string>

// `usage` is printed after "usage: <program> ". False when the program is to stop: exit 0
// after --help, 2 after a mistake, as `code` says.
inline bool ParseOptions(int argc, char** argv, const char* usage,
                         const std::map<std::string, std::function<bool(const char*)>>& options,
                         int& code) {
    for (int i = 1; i < argc; i += 2) {
        const std::string name = argv[i];
        const auto found = options.find(name);
        const bool help = name == "--help" || name == "-h";
        if (help || found == options.end() || i + 1 >= argc || !found->second(argv[i + 1])) {
            if (!help) {
                std::fprintf(stderr, "%s: %s %s\n", argv[0],
                             found == options.end() ? "unknown option" : "needs a valid value:",
                             name.c_str());
            }
            std::fprintf(help ? stdout : stderr, "usage: %s %s\n", argv[0], usage);
            code = help ? 0 : 2;
            return false;
        }
    }
    return true;
}
