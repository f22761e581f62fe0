#pragma once

// A reporter of our own is taken as it is made: the library no longer reads --benchmark_color
// for it, so the flag is read here, as the library reads it (auto: colour on a terminal only).
#include <benchmark/benchmark.h>

#include <string_view>

#include <unistd.h>

namespace skymra::bench {

inline benchmark::ConsoleReporter::OutputOptions consoleOptions(int argc, char** argv) {
    constexpr std::string_view flag = "--benchmark_color";
    std::string_view colour = "auto";
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == flag) colour = "true";
        if (arg.size() > flag.size() && arg.substr(0, flag.size()) == flag &&
            arg[flag.size()] == '=')
            colour = arg.substr(flag.size() + 1);
    }
    bool on = isatty(STDOUT_FILENO) != 0;
    for (const std::string_view yes : {"true", "yes", "1", "on", "t", "y"})
        if (colour == yes) on = true;
    for (const std::string_view no : {"false", "no", "0", "off", "f", "n"})
        if (colour == no) on = false;
    return on ? benchmark::ConsoleReporter::OO_ColorTabular
              : benchmark::ConsoleReporter::OO_Tabular;
}

}  // namespace skymra::bench
