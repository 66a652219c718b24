// f * log2(f) for every count a block can have, shared by the two ways of cutting blocks (the
// lazy parser's splitter and the near-optimal parser's planner): the entropy of counts f_k with
// total t is t log2 t - sum f_k log2 f_k.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "lzh_enc_block.h"

namespace lzh {

// kMaxBlockSymbols + 1 entries, made on first use.
inline const float* FLogTable()
{
    static const std::vector<float> table = [] {
        std::vector<float> t(std::size_t{kMaxBlockSymbols} + 1);
        for (std::uint32_t k = 1; k < t.size(); ++k)
            t[k] = static_cast<float>(k * std::log2(static_cast<double>(k)));
        return t;
    }();
    return table.data();
}

}  // namespace lzh
