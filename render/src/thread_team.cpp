#include "thread_team.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace kxr {
namespace {

class Helpers {
public:
    ~Helpers() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    // Only the holder of `held` calls the rest.
    std::mutex held;

    int grow(int wanted) {
        try {
            while (static_cast<int>(threads_.size()) < wanted) {
                const int index = static_cast<int>(threads_.size());
                uint64_t seen;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    seen = generation_;
                }
                threads_.emplace_back([this, index, seen] { serve(index, seen); });
            }
        } catch (const std::system_error&) {
            // As many as the system gives.
        } catch (const std::bad_alloc&) {
        }
        return std::min(wanted, static_cast<int>(threads_.size()));
    }

    void start(int participants, KeptHelpers::Job job, void* context) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job_ = job;
            context_ = context;
            participants_ = participants;
            finished_ = 0;
            ++generation_;
        }
        wake_.notify_all();
    }

    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return finished_ == participants_; });
    }

private:
    void serve(int index, uint64_t seen) {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
            if (index >= participants_) continue;
            const KeptHelpers::Job job = job_;
            void* const context = context_;
            lock.unlock();
            job(context, index + 1);
            lock.lock();
            if (++finished_ == participants_) done_.notify_one();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::vector<std::thread> threads_;
    uint64_t generation_ = 0;
    int participants_ = 0;
    int finished_ = 0;
    bool stopping_ = false;
    KeptHelpers::Job job_ = nullptr;
    void* context_ = nullptr;
};

Helpers& keptHelpers() {
    static Helpers kept;
    return kept;
}

}  // namespace

KeptHelpers::Lease::Lease(int wanted) {
    if (wanted < 1 || !keptHelpers().held.try_lock()) return;
    helpers_ = keptHelpers().grow(wanted);
}

KeptHelpers::Lease::~Lease() {
    if (helpers_ < 0) return;
    if (started_) wait();
    keptHelpers().held.unlock();
}

void KeptHelpers::Lease::start(Job job, void* context) {
    if (helpers_ <= 0) return;
    keptHelpers().start(helpers_, job, context);
    started_ = true;
}

void KeptHelpers::Lease::wait() {
    if (!started_) return;
    keptHelpers().wait();
    started_ = false;
}

}  // namespace kxr
