// The player window's icon, drawn here rather than loaded: the executable
// needs no file beside it.
#pragma once

#include <cstdint>
#include <vector>

// _NET_WM_ICON's contents: for each size, its width and height, then its
// pixels row by row as 0xAARRGGBB.
std::vector<std::uint32_t> windowIcon();
