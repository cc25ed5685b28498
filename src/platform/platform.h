// The few operating-system facilities the library uses, behind one small interface.
#ifndef TOVELDOM_SRC_PLATFORM_H
#define TOVELDOM_SRC_PLATFORM_H

#include <cstddef>
#include <string>

namespace LUMA_7_4_0 {
namespace platform {

// Writes message to stderr when the environment variable TOVELDOM_DEBUG is set.
void debugMessage(const char* message);

// ASCII-only case-insensitive comparisons (letters folded to lower case), negative, zero or
// positive like strcmp; the locale never changes their result.
int stricmp(const char* a, const char* b);
int strnicmp(const char* a, const char* b, size_t n);
// Collation in the current locale after folding ASCII letters to lower case.
int stricoll(const char* a, const char* b);

// Directory (with a trailing '/') of the running executable and of this library; empty
// when unknown. A library linked into the executable (the static archive) is in the
// executable's directory.
std::string executableDirectory();
std::string libraryDirectory();
// The installed data directory (with a trailing '/'), found relative to the library, or to
// the executable when the library is part of it; empty when unknown.
std::string dataDirectory();

// Plain POSIX file access; -1 / false on failure with errno set.
bool isReadable(const char* path);
int openForReading(const char* path);
int openForWriting(const char* path);                 // create or truncate, owner read/write
long readSome(int fd, void* buffer, size_t size);     // retries EINTR
bool writeAll(int fd, const void* data, size_t size); // false on error or short write
bool closeFile(int fd);

// A distinct hash salt on every call, never zero, unpredictable from outside the process:
// random bits read once from the system, stepped and mixed per call.
unsigned long hashSalt();

} // namespace platform
} // namespace LUMA_7_4_0

#endif
