#include "platform/platform.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LUMA_7_4_0 {
namespace platform {

void debugMessage(const char* message) {
    if (std::getenv("TOVELDOM_DEBUG")) {
        std::fputs(message, stderr);
        std::fflush(stderr);
    }
}

static inline int lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

int stricmp(const char* a, const char* b) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
    for (;; ++p, ++q) {
        int d = lower(*p) - lower(*q);
        if (d != 0 || *p == 0) return d;
    }
}

int strnicmp(const char* a, const char* b, size_t n) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
    for (; n > 0; --n, ++p, ++q) {
        int d = lower(*p) - lower(*q);
        if (d != 0 || *p == 0) return d;
    }
    return 0;
}

static std::string folded(const char* s) {
    std::string out(s);
    for (char& c : out) c = char(lower(static_cast<unsigned char>(c)));
    return out;
}

int stricoll(const char* a, const char* b) {
    return std::strcoll(folded(a).c_str(), folded(b).c_str());
}

static std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string executableDirectory() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return std::string();
    return directoryOf(std::string(buffer, size_t(n)));
}

// The object this code was loaded as; the executable's own has an empty name, and a fully
// static executable has no loader to ask.
static bool linkedIntoExecutable(Dl_info& info) {
    void* extra = nullptr;
    if (!dladdr1(reinterpret_cast<void*>(&libraryDirectory), &info, &extra, RTLD_DL_LINKMAP))
        return true;
    const link_map* map = static_cast<const link_map*>(extra);
    return !map || !map->l_name || map->l_name[0] == '\0';
}

std::string libraryDirectory() {
    Dl_info info{};
    // The loader reports the executable under its argv[0], which a command found through
    // PATH gives without a directory.
    if (linkedIntoExecutable(info)) return executableDirectory();
    if (!info.dli_fname) return std::string();
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved)) return directoryOf(resolved);
    return directoryOf(info.dli_fname);
}

std::string dataDirectory() {
#if defined(TOVELDOM_DATA_FROM_LIB) && defined(TOVELDOM_DATA_FROM_BIN)
    Dl_info info{};
    const bool inExecutable = linkedIntoExecutable(info);
    std::string base = libraryDirectory();
    if (base.empty()) return base;
    return base + (inExecutable ? TOVELDOM_DATA_FROM_BIN : TOVELDOM_DATA_FROM_LIB) + "/";
#else
    return std::string();
#endif
}

bool isReadable(const char* path) {
    struct stat st;
    return access(path, R_OK) == 0 && stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

int openForReading(const char* path) {
    int fd;
    do fd = ::open(path, O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    return fd;
}

int openForWriting(const char* path) {
    int fd;
    do fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    while (fd < 0 && errno == EINTR);
    return fd;
}

long readSome(int fd, void* buffer, size_t size) {
    ssize_t n;
    do n = ::read(fd, buffer, size);
    while (n < 0 && errno == EINTR);
    return long(n);
}

bool writeAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool closeFile(int fd) { return ::close(fd) == 0; }

namespace {
uint64_t systemRandom() {
    uint64_t bits = 0;
    if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) != long(sizeof bits)) // no entropy yet
        bits = uint64_t(std::chrono::high_resolution_clock::now().time_since_epoch().count()) ^
               uint64_t(reinterpret_cast<uintptr_t>(&bits)) ^ uint64_t(::getpid()) << 32;
    return bits;
}
} // namespace

unsigned long hashSalt() {
    static const uint64_t seed = systemRandom();
    static std::atomic<uint64_t> counter{0};
    // splitmix64: a bijection of seed plus a step, so no two calls collide.
    uint64_t z = seed + (counter.fetch_add(1, std::memory_order_relaxed) + 1) * 0x9E3779B97F4A7C15u;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    z ^= z >> 31;
    return z ? static_cast<unsigned long>(z) : 1;
}

} // namespace platform
} // namespace LUMA_7_4_0
