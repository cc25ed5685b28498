#include <toveldom/mutex.h>

namespace LUMA_7_4_0 {

CTOVELMutex::CTOVELMutex() {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

CTOVELMutex::~CTOVELMutex() { pthread_mutex_destroy(&mutex); }
void CTOVELMutex::lock() { pthread_mutex_lock(&mutex); }
void CTOVELMutex::unlock() { pthread_mutex_unlock(&mutex); }

CTOVELGuard::CTOVELGuard(CTOVELMutex& m) : lockCount(0), mutex(&m) { acquire(); }

CTOVELGuard::~CTOVELGuard() {
    while (lockCount > 0) release();
}

void CTOVELGuard::acquire() {
    mutex->lock();
    ++lockCount;
}

void CTOVELGuard::release() {
    mutex->unlock();
    --lockCount;
}

} // namespace LUMA_7_4_0
