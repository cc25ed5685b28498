#include "commands.h"
#include "common.h"
#include "progress.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace tool {

const char* const kCheckSummary = "report whether documents are well-formed";

namespace {

const char kHelp[] =
    "usage: toveldom check [-q] [-j N] [--encoding NAME] [--externals] FILE...\n"
    "\n"
    "Loads each FILE ('-' is standard input) and prints one line for each that is not\n"
    "well-formed:\n"
    "\n"
    "  FILE:LINE:COLUMN: MESSAGE (error N)\n"
    "\n"
    "with the parser's own message and error number; lines and columns count from 1.\n"
    "With more than one FILE a last line counts the files of each outcome.\n"
    "\n"
    "  -q, --quiet      print nothing; the exit status tells\n"
    "  -j, --jobs N     check N files at once (default: one per processor); the lines\n"
    "                   still come in the order of the FILEs\n"
    "  --encoding NAME  read every FILE in encoding NAME, whatever it declares\n"
    "  --externals      read external entities as 'toveldom format --help' describes\n"
    "\n"
    "Exit status: 0 all well-formed, 1 some file is not, 2 usage error or a file that\n"
    "cannot be read.\n";

struct Outcome {
    int status = kOk;
    std::string out; // the error line of a document that is not well-formed
    std::string err; // why a file could not be read
};

Outcome checkOne(const std::string& path, const LoadOptions& load) {
    Outcome outcome;
    try {
        loadUnchecked(path, load);
    } catch (const TOVELParseException& error) {
        outcome.status = kDocumentFailure;
        outcome.out = describeParseError(path, error) + "\n";
    } catch (const Failure& failure) {
        outcome.status = failure.status;
        outcome.err = "toveldom: " + failure.message + "\n";
    } catch (const TOVELDOMException& error) {
        outcome.status = kDocumentFailure;
        outcome.err = "toveldom: " + displayName(path) + ": " + error.message() + "\n";
    } catch (const std::bad_alloc&) {
        outcome.status = kUsageOrIo;
        outcome.err = "toveldom: " + displayName(path) + ": out of memory\n";
    }
    return outcome;
}

void writeStderr(const std::string& text) { std::fputs(text.c_str(), stderr); }

unsigned jobCount(const CommandLine& line, size_t files) {
    unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    if (line.has("jobs")) {
        const std::string n = line.last("jobs");
        if (n.empty() || n.size() > 4 || n.find_first_not_of("0123456789") != n.npos ||
            std::stoul(n) == 0)
            usageError("check", "-j N needs a number of jobs from 1 to 9999");
        jobs = unsigned(std::stoul(n));
    }
    return unsigned(std::min<size_t>(jobs, files));
}

} // namespace

int runCheck(int argc, char** argv, int first) {
    std::vector<OptionSpec> known = {{"quiet", 'q', Value::None}, {"jobs", 'j', Value::Required}};
    addLoadOptionSpecs(known, false);
    CommandLine line = parseCommandLine("check", known, argc, argv, first);
    if (helpRequested(line, kHelp)) return kOk;
    const std::vector<std::string>& files = line.operands;
    if (files.empty()) usageError("check", "expects at least one FILE");
    if (std::count(files.begin(), files.end(), "-") > 1)
        usageError("check", "standard input ('-') can be read only once");
    const bool quiet = line.has("quiet");
    const LoadOptions load = loadOptions(line, false);
    const unsigned jobs = jobCount(line, files.size());

    // Workers take files in argument order; this thread prints each outcome as soon as
    // every one before it is in, so the lines read as with one job.
    std::vector<Outcome> outcomes(files.size());
    std::vector<char> ready(files.size(), 0);
    std::mutex mutex;
    std::condition_variable arrived;
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next++) < files.size();) {
            Outcome outcome = checkOne(files[i], load);
            std::lock_guard<std::mutex> lock(mutex);
            outcomes[i] = std::move(outcome);
            ready[i] = 1;
            arrived.notify_one();
        }
    };
    struct Workers : std::vector<std::thread> {
        ~Workers() { // also when printing fails half way
            for (std::thread& worker : *this) worker.join();
        }
    } workers;
    if (jobs == 1)
        work();
    else
        for (unsigned j = 0; j < jobs; ++j) workers.emplace_back(work);

    int status = kOk;
    size_t failed = 0, unread = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        Outcome outcome;
        {
            std::unique_lock<std::mutex> lock(mutex);
            arrived.wait(lock, [&] { return ready[i] != 0; });
            outcome = std::move(outcomes[i]);
        }
        status = std::max(status, outcome.status);
        if (outcome.status == kDocumentFailure) ++failed;
        if (outcome.status == kUsageOrIo) ++unread;
        if (quiet) continue;
        if (!outcome.out.empty()) writeStdout(outcome.out);
        if (!outcome.err.empty()) {
            std::fflush(stdout);
            withProgressCleared(writeStderr, outcome.err);
        }
    }
    if (!quiet && files.size() > 1) {
        std::string summary = std::to_string(files.size()) +
                              " files: " + std::to_string(files.size() - failed - unread) +
                              " well-formed, " + std::to_string(failed) + " not well-formed";
        if (unread) summary += ", " + std::to_string(unread) + " not read";
        writeStdout(summary + "\n");
    }
    return status;
}

} // namespace tool
