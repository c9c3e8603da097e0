#pragma once

#include <cstddef>
#include <memory>
#include <vector>

// Backing store of JSON values: a bump allocator for the nodes, element lists
// and characters of one document, plus the stores of values built elsewhere
// that a container made from them refers to. Frozen once handed out, so a
// document may be passed between threads; the last value referring to it
// frees everything in one go.
class JSONArena {
public:
    explicit JSONArena(size_t expectedBytes = 0);
    ~JSONArena();
    JSONArena(const JSONArena&) = delete;
    JSONArena& operator=(const JSONArena&) = delete;

    // Uninitialised memory aligned for any node; valid as long as the arena.
    void* allocate(size_t bytes)
    {
        bytes = (bytes + kAlignment - 1) & ~(kAlignment - 1);
        if (bytes > static_cast<size_t>(m_limit - m_next))
            return allocateSlow(bytes);
        void* result = m_next;
        m_next += bytes;
        return result;
    }

    // Keeps another store alive as long as this one, because nodes here point into it.
    void retain(const std::shared_ptr<const JSONArena>&);

private:
    static constexpr size_t kAlignment = 8;
    void* allocateSlow(size_t bytes);

    char* m_next = nullptr;
    char* m_limit = nullptr;
    size_t m_nextChunkSize;
    std::vector<void*> m_chunks;
    std::vector<std::shared_ptr<const JSONArena>> m_retained;
};
