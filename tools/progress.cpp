#include "progress.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tool {

namespace {

struct Entry {
    int id;
    dev_t device;
    ino_t inode;
    int64_t size;
    int64_t done; // never goes back, though the descriptor closes before the scope ends
    std::string name;
};

// The library opens the file itself and keeps no counter a caller could read, but the
// kernel does: the offset of the library's descriptor, found by the file's identity.
int64_t offsetOf(dev_t device, ino_t inode) {
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return 0;
    int64_t best = 0;
    while (dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        struct stat st;
        if (::fstatat(::dirfd(dir), entry->d_name, &st, 0) != 0) continue;
        if (st.st_dev != device || st.st_ino != inode) continue;
        std::string info = std::string("/proc/self/fdinfo/") + entry->d_name;
        if (FILE* in = std::fopen(info.c_str(), "r")) {
            long long pos = 0;
            if (std::fscanf(in, "pos: %lld", &pos) == 1) best = std::max<int64_t>(best, pos);
            std::fclose(in);
        }
    }
    ::closedir(dir);
    return best;
}

class Monitor {
public:
    int add(Entry entry) {
        std::unique_lock<std::mutex> lock(mutex_);
        entry.id = nextId_++;
        entries_.push_back(entry);
        if (!running_) {
            // A thread told to stop may still be finishing its last look.
            std::thread old = std::move(thread_);
            running_ = true;
            ++generation_;
            thread_ = std::thread(&Monitor::watch, this, generation_);
            lock.unlock();
            if (old.joinable()) old.join();
        }
        return entry.id;
    }

    void remove(int id) {
        std::unique_lock<std::mutex> lock(mutex_);
        entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                      [id](const Entry& e) { return e.id == id; }),
                       entries_.end());
        if (!entries_.empty()) return;
        clearLine();
        running_ = false;
        std::thread done = std::move(thread_);
        wake_.notify_all();
        lock.unlock();
        if (done.joinable()) done.join();
    }

    void withCleared(void (*write)(const std::string&), const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        clearLine();
        write(text);
    }

private:
    void watch(unsigned generation) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (running_ && generation == generation_) {
            int64_t done = 0, size = 0;
            for (Entry& entry : entries_) {
                entry.done = std::max(entry.done, offsetOf(entry.device, entry.inode));
                done += std::min(entry.done, entry.size);
                size += entry.size;
            }
            if (size > 0) show(done * 100 / size);
            wake_.wait_for(lock, std::chrono::milliseconds(200));
        }
    }

    void show(int64_t percent) {
        if (shown_ && percent == lastPercent_ && entries_.size() == lastCount_) return;
        std::string label = entries_.size() == 1 ? entries_.front().name
                                                 : std::to_string(entries_.size()) + " files";
        std::fprintf(stderr, "\rtoveldom: parsing %s: %lld%%\033[K", label.c_str(),
                     static_cast<long long>(percent));
        std::fflush(stderr);
        shown_ = true;
        lastPercent_ = percent;
        lastCount_ = entries_.size();
    }

    void clearLine() {
        if (!shown_) return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        shown_ = false;
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Entry> entries_;
    std::thread thread_;
    bool running_ = false;
    bool shown_ = false;
    unsigned generation_ = 0;
    int nextId_ = 0;
    int64_t lastPercent_ = -1;
    size_t lastCount_ = 0;
};

// Never destroyed: a scope may still end while static objects are torn down at exit.
Monitor& monitor() {
    static Monitor* instance = new Monitor();
    return *instance;
}

} // namespace

bool ProgressScope::wanted(const struct stat& st) {
    return S_ISREG(st.st_mode) && st.st_size > kProgressThreshold && ::isatty(STDERR_FILENO);
}

ProgressScope::ProgressScope(const std::string& name, const struct stat& st) {
    if (wanted(st))
        id_ = monitor().add(Entry{0, st.st_dev, st.st_ino, int64_t(st.st_size), 0, name});
}

ProgressScope::~ProgressScope() {
    if (id_ >= 0) monitor().remove(id_);
}

void withProgressCleared(void (*write)(const std::string&), const std::string& text) {
    monitor().withCleared(write, text);
}

} // namespace tool
