// Per-method shapes and per-level search effort of the encoder.
#pragma once

#include "lzh_encoder.h"

namespace lzh {

struct MethodShape {
    unsigned windowSize;  // matches reach at most windowSize - 1 bytes back
    unsigned np;  // position alphabet: window bits + 1
    unsigned pbit;  // width of the position table's count field
};

inline bool ShapeOf(EncodeMethod method, MethodShape& shape)
{
    switch (method) {
    case EncodeMethod::Lh5:
        shape = {8192, 14, 4};
        return true;
    case EncodeMethod::Lh6:
        shape = {32768, 16, 5};
        return true;
    case EncodeMethod::Lh7:
        shape = {65536, 17, 5};
        return true;
    }
    return false;
}

// Search effort, as in zlib's table: once a match of `good` bytes is in hand the lazy look one
// byte further searches a quarter as far; matches of `lazy` bytes or more are taken without
// looking further (0 = greedy parsing); a match of `nice` bytes ends the search; `chain` bounds
// the candidates examined per position. passes > 0 selects near-optimal parsing with that
// many pricing passes per block instead of lazy matching.
struct LevelParams {
    unsigned good, lazy, nice, chain, passes;
};

inline LevelParams LevelOf(int level)
{
    static constexpr LevelParams kLevels[10] = {
        {0, 0, 0, 0, 0},  // unused: 0 means "default"
        {4, 0, 16, 4, 0},  // 1: greedy, shallow
        {4, 0, 32, 8, 0},  // 2
        {4, 0, 64, 32, 0},  // 3
        {4, 4, 16, 16, 0},  // 4: lazy from here on
        {8, 16, 32, 32, 0},  // 5
        {8, 16, 128, 16, 0},  // 6: the default of -lh5-
        {8, 32, 128, 256, 0},  // 7
        {0, 0, 24, 8, 1},  // 8: near-optimal parsing
        {0, 0, 32, 10, 1},  // 9
    };
    if (level < 1)
        level = 1;
    if (level > 9)
        level = 9;
    return kLevels[level];
}

// -lh5- is the everyday method and stays fast; whoever asks for the larger windows asks for
// smaller archives, so those get the near-optimal parser.
inline int DefaultLevel(EncodeMethod method)
{
    return method == EncodeMethod::Lh5 ? 6 : 9;
}

}  // namespace lzh
