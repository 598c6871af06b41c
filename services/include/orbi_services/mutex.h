// PLVMutex: the lock service. A plain, non-recursive mutual-exclusion lock.
#ifndef ORBI_SERVICES_MUTEX_H_
#define ORBI_SERVICES_MUTEX_H_

#include <mutex>

#include "orbi_services/thread_annotations.h"

class ORBI_CAPABILITY("mutex") PLVMutex {
 public:
  PLVMutex();
  ~PLVMutex();
  PLVMutex(const PLVMutex&) = delete;
  PLVMutex& operator=(const PLVMutex&) = delete;

  // lock blocks until the calling thread holds the lock. REQUIRES: the calling
  // thread does not hold it already.
  void lock() ORBI_ACQUIRE();
  // unlock releases the lock. REQUIRES: the calling thread holds it.
  void unlock() ORBI_RELEASE();

 private:
  std::mutex mutex_;
};

#endif  // ORBI_SERVICES_MUTEX_H_
