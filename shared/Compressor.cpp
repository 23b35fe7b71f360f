// The members of the compressor's classes that the engine library defines.
#include "PelgraSDK/Compressor.h"

namespace {

// Only the low five bits of a bit number count.
std::uint32_t bitMask(char bit) {
    return std::uint32_t{1} << (static_cast<unsigned>(bit) & 31U);
}

// The same mask cut to a byte: none at all for bits 8 to 31.
unsigned char byteMask(char bit) {
    return static_cast<unsigned char>(bitMask(bit));
}

} // namespace

bool CCompressor::CBitStream::TestBit(unsigned short value, char bit) {
    return (std::uint32_t{value} & bitMask(bit)) != 0;
}

void CCompressor::CBitStream::SetBit(unsigned char* byte, char bit) {
    *byte = static_cast<unsigned char>(*byte | byteMask(bit));
}

void CCompressor::CBitStream::ClearBit(unsigned char* byte, char bit) {
    *byte = static_cast<unsigned char>(*byte & ~byteMask(bit));
}

// Members are built in declaration order and torn down in reverse: the statistics first,
// the queue last.
CCompressor::CHuffmanCoder::CHuffmanCoder() = default;
CCompressor::CHuffmanCoder::~CHuffmanCoder() = default;

CCompressor& CCompressor::operator=(const CCompressor& other) = default;
CCompressor::CBitStream& CCompressor::CBitStream::operator=(const CBitStream& other) = default;
CCompressor::CStats& CCompressor::CStats::operator=(const CStats& other) = default;
CCompressor::CPriorityQueue&
CCompressor::CPriorityQueue::operator=(const CPriorityQueue& other) = default;
CCompressor::CHuffmanCoder&
CCompressor::CHuffmanCoder::operator=(const CHuffmanCoder& other) = default;
CCompressor::StatsStruct& CCompressor::StatsStruct::operator=(const StatsStruct& other) = default;
CCompressor::TreeStruct& CCompressor::TreeStruct::operator=(const TreeStruct& other) = default;
CCompressor::PriorityQueueStruct&
CCompressor::PriorityQueueStruct::operator=(const PriorityQueueStruct& other) = default;
CCompressor::TreeBaseNodeListStruct&
CCompressor::TreeBaseNodeListStruct::operator=(const TreeBaseNodeListStruct& other) = default;
CCompressor::BinCodeStruct&
CCompressor::BinCodeStruct::operator=(const BinCodeStruct& other) = default;
