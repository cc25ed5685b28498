// CTOVELMutex and CTOVELGuard: the one lock of the library, guarding the encoding cache.
#ifndef TOVELDOM_MUTEX_H
#define TOVELDOM_MUTEX_H

#include <cstdint>
#include <pthread.h>

#include <toveldom/export.h>

namespace LUMA_7_4_0 {

// Recursive: the owning thread may lock again, as with the critical sections the design
// was written for.
class TOVELDOM_API CTOVELMutex {
public:
    CTOVELMutex();
    virtual ~CTOVELMutex();
    virtual void lock();
    virtual void unlock();

    CTOVELMutex(const CTOVELMutex&) = delete;
    CTOVELMutex& operator=(const CTOVELMutex&) = delete;

private:
    pthread_mutex_t mutex;
};

// Locks once on construction; acquire/release lock and unlock again; the destructor
// unlocks as many times as the guard still holds the lock.
class TOVELDOM_API CTOVELGuard {
public:
    explicit CTOVELGuard(CTOVELMutex& mutex);
    virtual ~CTOVELGuard();
    void acquire();
    void release();
    int32_t getLockCount() const { return lockCount; }

    CTOVELGuard(const CTOVELGuard&) = delete;
    CTOVELGuard& operator=(const CTOVELGuard&) = delete;

private:
    int32_t lockCount;
    CTOVELMutex* mutex;
};

} // namespace LUMA_7_4_0

#endif
