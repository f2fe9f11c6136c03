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

void TStringHash::Add(uint32_t hash, int32_t value) {
    if (!heads_) {
        heads_ = std::make_unique<int32_t[]>(BucketCount);
        std::fill_n(heads_.get(), BucketCount, -1);
    }
    int bucket = BucketOf(hash);
    nodes_.push_back(Node{hash, value, heads_[bucket]});
    heads_[bucket] = static_cast<int32_t>(nodes_.size() - 1);
}

void TStringHash::Clear() {
    nodes_.clear();
    if (heads_) std::fill_n(heads_.get(), BucketCount, -1);
}

}  // namespace velmora
