#include "text/string_hash.h"

#include <algorithm>

#include "text/ansi_upper_case.h"

namespace velmora {

uint32_t TStringHash::HashOf(std::string_view text) {
    const auto& upper = AnsiUpperTable();
    uint32_t h = 0;
    for (char c : text) h = ((h << 2) | (h >> 30)) ^ upper[static_cast<uint8_t>(c)];
    return h;
}

void TStringHash::SetHead(int bucket, int32_t node) {
    if (!FHeads && node + 1 >= kSmallLimit) {
        FHeads = std::make_unique<int32_t[]>(BucketCount);
        if (FSmallHeads) std::copy_n(FSmallHeads.get(), BucketCount, FHeads.get());
        FSmallHeads.reset();
    }
    if (FHeads) {
        FHeads[bucket] = node + 1;
        return;
    }
    if (!FSmallHeads) FSmallHeads = std::make_unique<uint8_t[]>(BucketCount);  // all chains empty
    FSmallHeads[bucket] = static_cast<uint8_t>(node + 1);
}

void TStringHash::Add(uint32_t hash, int32_t value) {
    int bucket = BucketOf(hash);
    FNodes.push_back(Node{hash, value, Head(bucket)});
    SetHead(bucket, static_cast<int32_t>(FNodes.size() - 1));
}

void TStringHash::Clear() {
    FNodes.clear();
    FHeads.reset();
    if (FSmallHeads) std::fill_n(FSmallHeads.get(), BucketCount, uint8_t{0});
}

}  // namespace velmora
