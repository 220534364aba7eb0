// The saved layout of a frame's control bars: one record per bar (id, visibility, side,
// row, floating position), encoded as a small versioned binary value for the profile.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct BarStateEntry {
    enum class Side : uint8_t { None, Top, Bottom, Left, Right, Floating };
    uint32_t id = 0;
    bool visible = true;
    Side side = Side::None;
    uint8_t row = 0;      // order within its dock bar
    int32_t x = 0, y = 0; // top-left of the floating frame, screen coordinates
    bool operator==(const BarStateEntry&) const = default;
};

std::vector<BYTE> EncodeBarState(std::span<const BarStateEntry> entries);
// Empty when the value is not exactly one complete layout of this version.
std::optional<std::vector<BarStateEntry>> DecodeBarState(std::span<const BYTE> data);
// True when a floating frame at this screen rectangle could still be grabbed: its caption
// strip lies on some monitor's work area far enough to drag it.
bool IsFloatRectReachable(const RECT& frame);
