// Work split into numbered parts that depend on nothing but themselves: the
// parts are made on several threads and taken, in their order, on the
// calling thread.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

namespace karnea {

// How many threads work uses when the user names no number: the machine's
// processors.
inline int DefaultJobs() {
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// Starts `work` on a thread of its own and gives back what waits for its
// end.
using ThreadStart = std::function<std::function<void()>(std::function<void()> work)>;

// A thread of the standard library.
inline std::function<void()> StartThread(std::function<void()> work) {
    auto thread = std::make_shared<std::thread>(std::move(work));
    return [thread] { thread->join(); };
}

// Makes parts 0 … count−1 with `make(i)` on up to `jobs` threads (on the
// calling thread alone when `jobs` is 1) and hands each to `take(i, part)`
// on the calling thread, in order, as soon as it and every part before it
// are made. At most twice `jobs` parts are made and not yet taken, so what
// the parts hold stays bounded however many there are. `take` returning
// false stops the work: no part is begun after it, and the parts being made
// are waited for and dropped. `make` must share nothing mutable with the
// other parts or with `take`; an exception it throws ends the work and is
// thrown again here. True when every part was taken. The threads are
// started by `start`, which throws when it cannot start one.
template <class Make, class Take>
bool MakeInOrder(std::size_t count, int jobs, Make&& make, Take&& take,
                 const ThreadStart& start = StartThread) {
    using Part = decltype(make(std::size_t{0}));
    const std::size_t threads = std::min(count, static_cast<std::size_t>(std::max(jobs, 1)));
    if (threads <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            if (!take(i, make(i))) {
                return false;
            }
        }
        return true;
    }

    const std::size_t window = 2 * threads;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<Part>> made(window);
    std::size_t next = 0;   // the next part to begin
    std::size_t taken = 0;  // parts handed to `take`
    bool stop = false;
    std::exception_ptr failure;

    const auto work = [&] {
        std::unique_lock lock(mutex);
        while (true) {
            changed.wait(lock, [&] { return stop || next >= count || next < taken + window; });
            if (stop || next >= count) {
                return;
            }
            const std::size_t i = next++;
            lock.unlock();
            std::optional<Part> part;
            std::exception_ptr thrown;
            try {
                part.emplace(make(i));
            } catch (const std::bad_alloc&) {
                // Memory ran out where locks of other code may be held:
                // nothing may wait for this thread, the program ends now
                // (see os::EndWhenMemoryRunsOut).
                std::terminate();
            } catch (...) {
                thrown = std::current_exception();
            }
            lock.lock();
            if (thrown) {
                failure = failure ? failure : thrown;
                stop = true;
            } else {
                made[i % window] = std::move(part);
            }
            changed.notify_all();
        }
    };
    bool whole = true;
    bool started = false;
    {
        // The threads are told to stop and waited for however the taking ends,
        // by an exception of `take` too.
        struct Workers {
            std::mutex& mutex;
            std::condition_variable& changed;
            bool& stop;
            std::vector<std::function<void()>> joins;
            ~Workers() {
                {
                    const std::lock_guard lock(mutex);
                    stop = true;
                }
                changed.notify_all();
                for (const std::function<void()>& join : joins) {
                    join();
                }
            }
        } workers{mutex, changed, stop, {}};
        // A thread the system will not start leaves the work to the others.
        for (std::size_t t = 0; t < threads; ++t) {
            try {
                workers.joins.push_back(start(work));
            } catch (...) {
                break;
            }
        }
        started = !workers.joins.empty();

        for (std::size_t i = 0; started && i < count; ++i) {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return failure || made[i % window].has_value(); });
            if (failure) {
                whole = false;
                break;
            }
            Part part = std::move(*made[i % window]);
            made[i % window].reset();
            taken = i + 1;
            changed.notify_all();
            lock.unlock();
            if (!take(i, std::move(part))) {
                whole = false;
                break;
            }
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    // None would start: the work is done here.
    return started ? whole : MakeInOrder(count, 1, make, take);
}

}  // namespace karnea
