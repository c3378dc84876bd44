#pragma once
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

// Working objects kept from one frame to the next and lent to whichever thread builds or
// writes a frame: the encoder worker does every frame of a recording on its one thread, so
// it gets back the same object, already grown to size, frame after frame.
//
// Not thread_local: the Windows runtime frees a thread's storage before it runs the
// destructors of its thread_local objects, which then read freed memory when the thread ends.
// One lock per frame costs nothing next to the frame.
template <class T>
class CScratchPool {
public:
    class CLease {
    public:
        CLease(CScratchPool& owner, std::unique_ptr<T> object) : pool(owner), item(std::move(object)) {}
        CLease(const CLease&) = delete;
        CLease& operator=(const CLease&) = delete;
        ~CLease() { pool.GiveBack(std::move(item)); }
        T& operator*() const { return *item; }
        T* operator->() const { return item.get(); }

    private:
        CScratchPool& pool;
        std::unique_ptr<T> item;
    };

    CLease Borrow()
    {
        {
            std::lock_guard<std::mutex> hold(mutex);
            if (!idle.empty()) {
                std::unique_ptr<T> object = std::move(idle.back());
                idle.pop_back();
                return CLease(*this, std::move(object));
            }
        }
        return CLease(*this, std::unique_ptr<T>(new T()));
    }

private:
    // Enough for a recording's worker and one more thread (a test, a tool); a third thread's
    // object is freed when it is done.
    static constexpr size_t kKeep = 2;

    void GiveBack(std::unique_ptr<T> object)
    {
        std::lock_guard<std::mutex> hold(mutex);
        if (idle.size() < kKeep)
            idle.push_back(std::move(object));
        else
            object.reset();
    }

    std::mutex mutex;
    std::vector<std::unique_ptr<T>> idle;
};
