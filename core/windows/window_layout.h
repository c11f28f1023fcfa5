// The layout rules of the creation keys "x", "y", "w", "h" and "align": positions and sizes
// may be plain pixels or relative to the parent's extent (kLayoutCenter, kLayoutMax).
#pragma once

#include <cstdint>

constexpr int32_t kLayoutCenter = 80000;  // a position of kLayoutCenter + d: centred, offset by d
constexpr int32_t kLayoutMax = 160000;    // a position near it: from the far edge; a size: a fill
constexpr int32_t kLayoutSpecial = 40000;    // positions above it are relative
constexpr int32_t kLayoutFarEdge = 106666;   // positions above it count from the far edge

// Resolves one axis in place. alignBits are the axis's two "align" bits (1 centre on the
// position, 2 end at it); extent is the parent's width or height, used only with a parent.
void ResolveLayoutAxis(int32_t& position, int32_t& size, int32_t extent, uint32_t alignBits,
                       bool alignGiven, bool hasParent);

// The position rule alone: far edge, centred, or negative counted back from the far edge.
int32_t ResolveLayoutPosition(int32_t position, int32_t size, int32_t extent, bool alignGiven);
