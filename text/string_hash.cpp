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
    if (!heads_ && node + 1 >= kSmallLimit) {
        heads_ = std::make_unique<int32_t[]>(BucketCount);
        if (smallHeads_) std::copy_n(smallHeads_.get(), BucketCount, heads_.get());
        smallHeads_.reset();
    }
    if (heads_) {
        heads_[bucket] = node + 1;
        return;
    }
    if (!smallHeads_) smallHeads_ = std::make_unique<uint8_t[]>(BucketCount);  // all chains empty
    smallHeads_[bucket] = static_cast<uint8_t>(node + 1);
}

void TStringHash::Add(uint32_t hash, int32_t value) {
    int bucket = BucketOf(hash);
    nodes_.push_back(Node{hash, value, Head(bucket)});
    SetHead(bucket, static_cast<int32_t>(nodes_.size() - 1));
}

void TStringHash::Clear() {
    nodes_.clear();
    heads_.reset();
    if (smallHeads_) std::fill_n(smallHeads_.get(), BucketCount, uint8_t{0});
}

}  // namespace velmora
