// SPDX-License-Identifier: GPL-3.0-or-later
// A picture read back from a window or a canvas, apart from any window
// system, so that the matcher builds wherever pictures come from.
#pragma once

#include <cstddef>
#include <vector>

// Pixels in the picture's own coordinates. Those that could not be read (a
// window's pixels off the screen) are marked unknown.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned long> rgb; // 0xRRGGBB, row-major from the top-left
    std::vector<char> known;

    bool operator==(const Picture &other) const
    {
        return width == other.width && height == other.height && rgb == other.rgb && known == other.known;
    }
    unsigned long at(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
    bool is_known(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < width && y < height && known[static_cast<size_t>(y) * width + x] != 0;
    }
};
