// The utility library's compressor, a Huffman coder with its helpers.
//
// Members marked PELGRA_ENGINE_API are defined in the engine library, the others in
// PelgraSDK. The records without members here have members of their own in the utility
// library; only their copy assignments belong to the engine library, which copies every
// member as plain data.
#ifndef PELGRA_SDK_COMPRESSOR_H
#define PELGRA_SDK_COMPRESSOR_H

#include "PelgraEngineExport.h"
#include "PelgraSDK/PelgraSDKExport.h"

#include <cstdint>

class CCompressor {
public:
    class CBitStream {
    public:
        PELGRA_ENGINE_API CBitStream& operator=(const CBitStream& other);

    private:
        // Bit numbers count from 0 at the least significant bit and only their low five
        // bits count, so 32 means 0 and -1 means 31.

        // Whether the numbered bit of value is set; false for bits 16 to 31.
        PELGRA_ENGINE_API bool TestBit(unsigned short value, char bit);
        // Set or clear the numbered bit of *byte; bits 8 to 31 leave it unchanged.
        PELGRA_ENGINE_API void SetBit(unsigned char* byte, char bit);
        PELGRA_ENGINE_API void ClearBit(unsigned char* byte, char bit);
    };

    struct StatsStruct {
        PELGRA_ENGINE_API StatsStruct& operator=(const StatsStruct& other);
    };

    struct TreeStruct {
        PELGRA_ENGINE_API TreeStruct& operator=(const TreeStruct& other);
    };

    struct PriorityQueueStruct {
        PELGRA_ENGINE_API PriorityQueueStruct& operator=(const PriorityQueueStruct& other);
    };

    struct TreeBaseNodeListStruct {
        PELGRA_ENGINE_API TreeBaseNodeListStruct& operator=(const TreeBaseNodeListStruct& other);
    };

    struct BinCodeStruct {
        PELGRA_ENGINE_API BinCodeStruct& operator=(const BinCodeStruct& other);
    };

    // How often each byte value occurs in the input.
    class CStats {
    public:
        PELGRA_SDK_API CStats();
        // A copy would share the table, so none is made by construction.
        CStats(const CStats& other) = delete;
        PELGRA_SDK_API ~CStats();
        // A plain copy: the target shares the source's table and loses its own.
        PELGRA_ENGINE_API CStats& operator=(const CStats& other);

    private:
        std::uint32_t* m_counts;
    };

    // The nodes waiting to be joined into the code tree, lightest first.
    class CPriorityQueue {
    public:
        PELGRA_SDK_API CPriorityQueue();
        // A copy would share the nodes, so none is made by construction.
        CPriorityQueue(const CPriorityQueue& other) = delete;
        PELGRA_SDK_API ~CPriorityQueue();
        // A plain copy: the target shares the source's nodes and loses its own.
        PELGRA_ENGINE_API CPriorityQueue& operator=(const CPriorityQueue& other);

    private:
        std::uint32_t* m_weights;
    };

    class CHuffmanCoder {
    public:
        // Constructs the statistics, then the queue.
        PELGRA_ENGINE_API CHuffmanCoder();
        // Destroys the queue, then the statistics.
        PELGRA_ENGINE_API ~CHuffmanCoder();
        // Copies both members plainly, so the two coders then share their members'
        // resources: only one of them may be destroyed.
        PELGRA_ENGINE_API CHuffmanCoder& operator=(const CHuffmanCoder& other);

    private:
        CStats m_stats;
        CPriorityQueue m_queue;
    };

    PELGRA_ENGINE_API CCompressor& operator=(const CCompressor& other);
};

#endif
