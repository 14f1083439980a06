#pragma once
// Work handed from one thread to another, at most `capacity` items waiting: the producer waits
// when the consumer falls behind, so memory stays bounded whatever the number of items.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace karvell {

template <typename T> class BoundedQueue {
public:
    explicit BoundedQueue(size_t capacity) : m_capacity(capacity) {}

    // Waits for room; the item is dropped when the queue is closed.
    void Push(T item) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_items.size() < m_capacity || m_closed; });
        if (m_closed) return;
        m_items.push_back(std::move(item));
        m_changed.notify_all();
    }
    bool HasRoom() {
        std::lock_guard lock(m_mutex);
        return m_items.size() < m_capacity;
    }
    // The next item; empty once the queue is closed and drained.
    std::optional<T> Pop() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_items.empty() || m_closed; });
        if (m_items.empty()) return std::nullopt;
        T item = std::move(m_items.front());
        m_items.pop_front();
        m_changed.notify_all();
        return item;
    }
    // No more items: Push drops them, Pop answers what is left, then nothing.
    void Close() {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_changed.notify_all();
    }

private:
    const size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<T> m_items;
    bool m_closed = false;
};

} // namespace karvell
