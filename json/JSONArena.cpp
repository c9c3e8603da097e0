#include "json/JSONArena.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace {
// Chunks start small so that a tiny answer costs little, and grow so that a
// large document needs only a handful of them.
constexpr size_t kSmallestChunk = 1024;
constexpr size_t kLargestChunk = size_t(4) << 20;
}

JSONArena::JSONArena(size_t expectedBytes)
    : m_nextChunkSize(std::clamp(expectedBytes, kSmallestChunk, kLargestChunk))
{
}

JSONArena::~JSONArena()
{
    for (void* chunk : m_chunks)
        std::free(chunk);
}

void* JSONArena::allocateSlow(size_t bytes)
{
    // A request larger than half a chunk gets a block of its own, so the
    // space left in the current chunk still serves the small ones after it.
    if (m_next && bytes >= m_nextChunkSize / 2) {
        void* block = std::malloc(bytes);
        if (!block)
            throw std::bad_alloc();
        m_chunks.push_back(block);
        return block;
    }
    size_t chunkSize = std::max(bytes, m_nextChunkSize);
    void* chunk = std::malloc(chunkSize);
    if (!chunk)
        throw std::bad_alloc();
    m_chunks.push_back(chunk);
    m_nextChunkSize = std::min(m_nextChunkSize * 2, kLargestChunk);
    m_next = static_cast<char*>(chunk) + bytes;
    m_limit = static_cast<char*>(chunk) + chunkSize;
    return chunk;
}

void JSONArena::retain(const std::shared_ptr<const JSONArena>& other)
{
    if (!other || other.get() == this)
        return;
    // Containers are usually built from values of one or two stores; a short look back avoids duplicates cheaply.
    size_t lookBack = std::min<size_t>(m_retained.size(), 4);
    for (size_t i = m_retained.size() - lookBack; i < m_retained.size(); ++i) {
        if (m_retained[i] == other)
            return;
    }
    m_retained.push_back(other);
}
