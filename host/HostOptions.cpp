#include "host/HostOptions.h"

#include <exception>
#include <vector>

namespace {

enum SharedLongOnly { kBank = 256, kPlugin, kVersion };

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int usageFailure(const char* name, const UsageError& error) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", name, error.what(), name);
    return kExitUsage;
}

}  // namespace

int parseHostOptions(int argc, char** argv, const char* ownShortOptions, std::span<const option> ownLongOptions,
                     HostOptions& shared, const std::function<void(int code, const char* value)>& own) {
    // ':' first: a missing value comes back as ':' rather than as '?'.
    const std::string shortOptions = std::string(":p:h") + ownShortOptions;
    std::vector<option> longOptions = {
        {"program", required_argument, nullptr, 'p'},
        {"bank", required_argument, nullptr, kBank},
        {"plugin", required_argument, nullptr, kPlugin},
        {"help", no_argument, nullptr, 'h'},
        // Like --help, it stands alone: no output file or other option needed.
        {"version", no_argument, nullptr, kVersion},
    };
    longOptions.insert(longOptions.end(), ownLongOptions.begin(), ownLongOptions.end());
    longOptions.push_back({nullptr, 0, nullptr, 0});

    opterr = 0;
    optind = 1;
    int code;
    while ((code = getopt_long(argc, argv, shortOptions.c_str(), longOptions.data(), nullptr)) != -1) {
        switch (code) {
            case 'p':
                shared.program = optarg;
                break;
            case kBank:
                shared.bank = optarg;
                break;
            case kPlugin:
                shared.plugin = optarg;
                break;
            case 'h':
                shared.help = true;
                break;
            case kVersion:
                shared.version = true;
                break;
            case ':':
                throw UsageError(std::string("option ") + argv[optind - 1] + " needs a value");
            case '?':
                throw UsageError(std::string("unknown option ") + argv[optind - 1]);
            default:
                own(code, optarg);
        }
    }
    return optind;
}

int runHost(const char* name, const char* usage, const std::function<const HostOptions&()>& parse,
            const std::function<int()>& run) {
    try {
        const HostOptions& shared = parse();
        if (shared.help) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (shared.version) {
            std::printf("%s %s\n", name, QUENOR_VERSION);
            return 0;
        }
    } catch (const UsageError& error) {
        return usageFailure(name, error);
    }
    try {
        return run();
    } catch (const UsageError& error) {
        return usageFailure(name, error);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", name, error.what());
        return kExitFailure;
    }
}
