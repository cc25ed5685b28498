// toveldom: the command-line front end over the library.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "commands.h"
#include "common.h"

namespace {

using namespace tool;

struct Command {
    const char* name;
    int (*run)(int, char**, int);
    const char* const* summary;
};

const Command kCommands[] = {
    {"format", runFormat, &kFormatSummary}, {"check", runCheck, &kCheckSummary},
    {"find", runFind, &kFindSummary},       {"select", runSelect, &kSelectSummary},
    {"edit", runEdit, &kEditSummary},       {"order", runOrder, &kOrderSummary},
    {"c14n", runC14n, &kC14nSummary},       {"encodings", runEncodings, &kEncodingsSummary},
};

std::string usage() {
    std::string text = "usage: toveldom COMMAND [ARGS...]\n"
                       "       toveldom --help | --version\n"
                       "\n"
                       "Commands:\n";
    for (const Command& command : kCommands) {
        std::string name = command.name;
        text += "  " + name + std::string(12 - name.size(), ' ') + *command.summary + "\n";
    }
    text += "\n"
            "'toveldom COMMAND --help' describes a command. FILE may be '-' for standard\n"
            "input. Exit status: 0 success, 1 a document failed (not well-formed, unknown\n"
            "encoding), 2 a usage or I/O error.\n";
    return text;
}

std::string version() {
    return "toveldom " + std::to_string(TOVELDOM_VERSION_MAJOR) + "." +
           std::to_string(TOVELDOM_VERSION_MINOR) + "." + std::to_string(TOVELDOM_VERSION_PATCH) +
           "\n";
}

int dispatch(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(usage().c_str(), stderr);
        return kUsageOrIo;
    }
    std::string first = argv[1];
    if (first == "--help" || first == "-h" || first == "help") {
        // "toveldom help COMMAND" is the same as "toveldom COMMAND --help".
        if (first == "help" && argc > 2) {
            for (const Command& command : kCommands)
                if (std::strcmp(argv[2], command.name) == 0) {
                    char help[] = "--help";
                    char* args[] = {argv[0], argv[2], help};
                    return command.run(3, args, 2);
                }
            throw Failure{kUsageOrIo,
                          "unknown command '" + std::string(argv[2]) + "' (see 'toveldom --help')"};
        }
        writeStdout(usage());
        return kOk;
    }
    if (first == "--version") {
        writeStdout(version());
        return kOk;
    }
    for (const Command& command : kCommands)
        if (first == command.name) return command.run(argc, argv, 2);
    if (first.size() > 1 && first[0] == '-')
        throw Failure{kUsageOrIo, "unknown option '" + first + "' (see 'toveldom --help')"};
    throw Failure{kUsageOrIo, "unknown command '" + first + "' (see 'toveldom --help')"};
}

void report(const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "toveldom: %s\n", message.c_str());
}

} // namespace

int main(int argc, char** argv) {
    // Sort keys compare with strcoll, so the user's collation decides their order.
    std::setlocale(LC_COLLATE, "");
    // Every failure, the library's included, ends as one line on stderr and a status.
    try {
        return dispatch(argc, argv);
    } catch (const Failure& failure) {
        report(failure.message);
        return failure.status;
    } catch (const TOVELParseException& error) {
        report(describeParseError("-", error));
        return kDocumentFailure;
    } catch (const TOVELDOMException& error) {
        report(std::string(error.message()) + " (error " + std::to_string(error.get_code()) + ")");
        return kDocumentFailure;
    } catch (const std::bad_alloc&) {
        report("out of memory");
        return kUsageOrIo;
    } catch (const std::exception& error) {
        report(error.what());
        return kUsageOrIo;
    } catch (...) {
        report("unexpected failure");
        return kUsageOrIo;
    }
}
