// Axis-aligned boxes kept four to a block, each bound of the four side by side, so that one comparison
// of lanes tests four boxes against a box; and above the blocks, four to a block again, the box around
// each block's boxes, so that a block none of whose boxes can meet is passed over whole. The step walks
// its lists of level triangles this way: they come cell by cell, so a block's boxes lie close together,
// and most blocks lie away from the small box asked about.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

#include "core/BitExact.h"

class PhysBoxList {
public:
    size_t Size() const { return mSize; }
    void Clear() {
        mBlocks.clear();
        mAround.clear();
        mSize = 0;
    }
    // A box appended; a list made this way has no boxes around its blocks and is walked block by block
    // (it suits a list walked about as often as it is made).
    void Add(const Float4& low, const Float4& high) {
        const size_t lane = mSize % 4;
        if (lane == 0) mBlocks.push_back(EmptyBlock());
        Block& block = mBlocks.back();
        for (int axis = 0; axis < 3; ++axis) {
            block.low[axis][lane] = low[axis];
            block.high[axis][lane] = high[axis];
        }
        ++mSize;
    }
    // The list made afresh from `count` boxes: boxOf(k) gives box k (members `low` and `high`, Float4,
    // x, y, z in the first three lanes).
    template <class BoxOf>
    void Assign(size_t count, BoxOf&& boxOf) {
        mSize = count;
        mBlocks.assign((count + 3) / 4, EmptyBlock());
        mAround.assign((mBlocks.size() + 3) / 4, EmptyBlock());
        for (size_t k = 0; k < count; ++k) {
            const auto& box = boxOf(k);
            Block& block = mBlocks[k / 4];
            for (int axis = 0; axis < 3; ++axis) {
                block.low[axis][k % 4] = box.low[axis];
                block.high[axis][k % 4] = box.high[axis];
            }
        }
        // The box around a block's boxes leaves out NaN bounds (the empty lanes' too): a box with one
        // meets nothing anyway.
        const Float4 infinity = Splat(std::numeric_limits<float>::infinity());
        for (size_t b = 0; b < mBlocks.size(); ++b) {
            Block& around = mAround[b / 4];
            for (int axis = 0; axis < 3; ++axis) {
                const Float4 low = Load(mBlocks[b].low[axis]), high = Load(mBlocks[b].high[axis]);
                const Float4 lows = SelectLanes(low == low, low, infinity);
                const Float4 highs = SelectLanes(high == high, high, -infinity);
                around.low[axis][b % 4] = std::min(std::min(lows[0], lows[1]), std::min(lows[2], lows[3]));
                around.high[axis][b % 4] = std::max(std::max(highs[0], highs[1]), std::max(highs[2], highs[3]));
            }
        }
    }
    // Calls visit(k) for every box k, in order, that meets [low, high]: boxes meet where, on every axis,
    // each one's low is at most the other's high (so a NaN meets nothing).
    template <class Visit>
    void ForEachMeeting(const Float4& low, const Float4& high, Visit&& visit) const {
        const Float4 bounds[6] = {Splat(low[0]),  Splat(low[1]),  Splat(low[2]),
                                  Splat(high[0]), Splat(high[1]), Splat(high[2])};
        if (mAround.empty()) {
            for (size_t b = 0; b < mBlocks.size(); ++b)
                for (unsigned lanes = Meeting(mBlocks[b], bounds); lanes != 0; lanes &= lanes - 1)
                    visit(b * 4 + static_cast<size_t>(std::countr_zero(lanes)));
            return;
        }
        for (size_t a = 0; a < mAround.size(); ++a)
            for (unsigned blocks = Meeting(mAround[a], bounds); blocks != 0; blocks &= blocks - 1) {
                const size_t b = a * 4 + static_cast<size_t>(std::countr_zero(blocks));
                for (unsigned lanes = Meeting(mBlocks[b], bounds); lanes != 0; lanes &= lanes - 1)
                    visit(b * 4 + static_cast<size_t>(std::countr_zero(lanes)));
            }
    }

private:
    struct Block {
        alignas(16) float low[3][4];  // per axis, the four boxes' bounds
        alignas(16) float high[3][4];
    };
    static constexpr float kNone = std::numeric_limits<float>::quiet_NaN();  // an empty lane: meets nothing
    static Float4 Splat(float value) { return Float4{value, value, value, value}; }
    static Float4 Load(const float (&lanes)[4]) {
        Float4 value;
        std::memcpy(&value, lanes, sizeof(value));
        return value;
    }
    static Block EmptyBlock() {
        Block block;
        for (int axis = 0; axis < 3; ++axis)
            for (int lane = 0; lane < 4; ++lane) block.low[axis][lane] = block.high[axis][lane] = kNone;
        return block;
    }
    // Bit i set where box i of the block meets the box whose bounds are splat: low x, y, z, high x, y, z.
    static unsigned Meeting(const Block& block, const Float4 (&bounds)[6]) {
        return LaneBits((Load(block.low[0]) <= bounds[3]) & (bounds[0] <= Load(block.high[0])) &
                        (Load(block.low[1]) <= bounds[4]) & (bounds[1] <= Load(block.high[1])) &
                        (Load(block.low[2]) <= bounds[5]) & (bounds[2] <= Load(block.high[2])));
    }

    std::vector<Block> mBlocks;
    std::vector<Block> mAround;  // lane j of entry a: the box around the boxes of block 4a + j
    size_t mSize = 0;
};
