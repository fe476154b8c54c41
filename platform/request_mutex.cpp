// The request lock: a plain mutex that knows its owner, so that taking it twice is caught.
#include "platform/request_mutex.h"

#include <cassert>
#include <cstdio>

namespace zplatform {

void RequestMutex::lock() {
    if (heldByCurrentThread()) {
        assert(!"request lock taken twice by one thread");
        std::fprintf(stderr, "request lock: taken again by the thread that holds it; "
                             "continuing under the outer hold\n");
        ++holds_;
        nestedHolds_.fetch_add(1);
        return;
    }
    mutex_.lock();
    owner_.store(std::this_thread::get_id());
    holds_ = 1;
}

void RequestMutex::unlock() {
    if (!heldByCurrentThread()) {
        std::fprintf(stderr, "request lock: released by a thread that does not hold it\n");
        return;
    }
    if (--holds_ > 0) return;
    owner_.store(std::thread::id{});
    mutex_.unlock();
}

} // namespace zplatform
