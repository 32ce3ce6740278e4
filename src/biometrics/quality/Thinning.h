#pragma once

#include <cstdint>
#include <vector>

namespace qal::quality {

// Thins a binary map (1 = ridge) to lines one pixel wide, by Zhang and Suen's two
// sub-iterations repeated until neither removes a pixel. The map is width x height with a
// frame of 0 one pixel wide around it (rows of width + 2 bytes).
void thin(std::vector<std::uint8_t> &map, int width, int height);

} // namespace qal::quality
