#include "orbi_services/mutex.h"

PLVMutex::PLVMutex() = default;
PLVMutex::~PLVMutex() = default;

void PLVMutex::lock() { mutex_.lock(); }
void PLVMutex::unlock() { mutex_.unlock(); }
