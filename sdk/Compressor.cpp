// Construction and destruction of the compressor's statistics and priority queue. Each
// owns a heap table, as the real ones own their working memory.
#include "PelgraSDK/Compressor.h"

namespace {
constexpr int kByteValues = 256;
// A Huffman tree over every byte value has at most this many nodes.
constexpr int kTreeNodes = 2 * kByteValues - 1;
} // namespace

CCompressor::CStats::CStats() : m_counts(new std::uint32_t[kByteValues]()) {}

CCompressor::CStats::~CStats() {
    delete[] m_counts;
}

CCompressor::CPriorityQueue::CPriorityQueue() : m_weights(new std::uint32_t[kTreeNodes]()) {}

CCompressor::CPriorityQueue::~CPriorityQueue() {
    delete[] m_weights;
}
