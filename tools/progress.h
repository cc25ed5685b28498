// The share of a large input parsed so far, on one line of a terminal's standard error.
#ifndef TOVELDOM_TOOLS_PROGRESS_H
#define TOVELDOM_TOOLS_PROGRESS_H

#include <cstdint>
#include <string>

#include <sys/stat.h>

namespace tool {

// Inputs smaller than this load fast enough that a progress line would only flicker.
constexpr int64_t kProgressThreshold = int64_t(64) << 20;

// Shows, while it lives, how far the library has read the file st describes (the library
// reads a file a chunk at a time and parses each chunk before reading the next, so bytes
// read are bytes parsed), labelled name. Does nothing unless wanted(st). Several may live at
// once (parallel loads): the line then shows their total. The line is cleared when the last
// one ends.
class ProgressScope {
public:
    // A regular file over kProgressThreshold bytes, while standard error is a terminal.
    static bool wanted(const struct stat& st);
    ProgressScope(const std::string& name, const struct stat& st);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    int id_ = -1;
};

// Runs write with the progress line cleared, so that a message never lands in the middle
// of it; the line comes back at the next update.
void withProgressCleared(void (*write)(const std::string&), const std::string& text);

} // namespace tool

#endif
