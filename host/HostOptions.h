// What every program that hosts the plug-in shares on its command line: the
// options --program, --bank, --plugin, --help and --version, the getopt loop
// that reads them beside a program's own, and how a command line that cannot
// be followed reaches the user (one line, a hint to --help, exit status 2).
#pragma once

#include <getopt.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "host/UsageError.h"

struct HostOptions {
    std::optional<std::string> program;  // a number or a name
    std::string bank;                    // a saved 160-byte bank to load
    std::string plugin;                  // empty: quenor-m4.so beside this program
    bool help = false;
    bool version = false;
};

// A program's own long-only options take codes from here up, clear of the shared ones.
constexpr int kFirstOwnOption = 512;

// Reads the options of argv: the shared ones into `shared`, each of the
// program's own (its short letters in getopt's syntax, its long options) through
// `own`, with getopt's code and the value, if any. Throws a UsageError for an
// unknown option or a missing value; returns the index of the first argument
// that is not an option.
int parseHostOptions(int argc, char** argv, const char* ownShortOptions, std::span<const option> ownLongOptions,
                     HostOptions& shared, const std::function<void(int code, const char* value)>& own);

// The main of a hosting program: parses, prints `usage` for --help or
// "NAME VERSION" for --version, runs, and turns what escapes into an exit
// status: 2 for a UsageError, 1 for any other failure, each reported on one
// line after "NAME: ".
int runHost(const char* name, const char* usage, const std::function<const HostOptions&()>& parse,
            const std::function<int()>& run);

// The same for a parser returning options that derive from HostOptions.
template <class Options, class Parse, class Run>
int runHost(const char* name, const char* usage, int argc, char** argv, Parse parse, Run run) {
    Options options;
    return runHost(
        name, usage,
        [&]() -> const HostOptions& {
            options = parse(argc, argv);
            return options;
        },
        [&] { return run(options); });
}
