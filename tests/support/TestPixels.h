#pragma once
#include <windows.h>

#include <functional>
#include <vector>

// The pixels, row by row from the top, that paint leaves in a fresh
// width x height 32-bit bitmap selected into the device context it is given.
std::vector<COLORREF> PaintedPixels(int width, int height, const std::function<void(HDC)>& paint);
