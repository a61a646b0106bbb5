#include "Serialio/NativeHandleMutex.h"

namespace Serialio {

NativeHandleMutex& NativeHandleMutex::getInstance() {
    static NativeHandleMutex instance;  // created once, thread-safely
    return instance;
}

void NativeHandleMutex::lock() {
    mutex_.lock();
    locked_ = true;
}

void NativeHandleMutex::unlock() {
    locked_ = false;
    mutex_.unlock();
}

bool NativeHandleMutex::try_lock() {
    if (!mutex_.try_lock()) return false;
    locked_ = true;
    return true;
}

}  // namespace Serialio
