#pragma once
// A hash table from text to list index with 256 chained buckets. The hash of a text is taken over its
// Windows-1250 upper-cased bytes: starting at 0, each byte rotates the 32-bit hash left by 2 and is
// exclusive-ored into it; the bucket is the hash modulo 256. A new entry goes to the head of its chain,
// so of two equal texts the one added later is found first.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace velmora {

class TStringHash {
public:
    static constexpr int BucketCount = 256;

    static uint32_t HashOf(std::string_view text);
    static int BucketOf(uint32_t hash) { return static_cast<int>(hash % BucketCount); }

    void Add(uint32_t hash, int32_t value);
    void Clear();
    void Reserve(int count) { FNodes.reserve(static_cast<size_t>(count)); }
    int Size() const { return static_cast<int>(FNodes.size()); }

    // Walks the chain of hash's bucket from its head and returns the first value stored under the
    // same hash for which matches(value) holds, else -1.
    template <class Match>
    int32_t Find(uint32_t hash, Match&& matches) const {
        for (int32_t n = Head(BucketOf(hash)); n >= 0; n = FNodes[n].next) {
            const Node& node = FNodes[n];
            if (node.hash == hash && matches(node.value)) return node.value;
        }
        return -1;
    }

private:
    struct Node {
        uint32_t hash;
        int32_t value;
        int32_t next;
    };
    int32_t Head(int bucket) const {
        if (FHeads) return FHeads[bucket] - 1;
        if (FSmallHeads) return static_cast<int32_t>(FSmallHeads[bucket]) - 1;
        return -1;
    }
    void SetHead(int bucket, int32_t node);

    // The chain heads hold the first node + 1, 0 for an empty chain. Most lists are the few lines of a
    // section, so heads start as bytes and widen once there are too many nodes for them.
    static constexpr int32_t kSmallLimit = 255;
    std::vector<Node> FNodes;
    std::unique_ptr<uint8_t[]> FSmallHeads;
    std::unique_ptr<int32_t[]> FHeads;
};

}  // namespace velmora
