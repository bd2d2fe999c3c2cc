// The drawing of the add-in's pictures: a small RGBA canvas with filled polygons in a 16-unit
// grid (so one drawing serves every size), and the encoders that store the result as Windows
// resources store them (a device-independent bitmap; an icon file with one image per size).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace resources::artwork {

struct Point {
  double x, y;
};
using Polygon = std::vector<Point>;

struct Canvas {
  explicit Canvas(int size) : size(size), pixels(static_cast<size_t>(size * size), 0) {}
  int size;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, rows from the top
  // Fills the polygon given in grid units (0..16 across the canvas).
  void Fill(const Polygon& shape, uint32_t argb);
  void Rect(double x0, double y0, double x1, double y1, uint32_t argb);
  // A line of the given width in grid units.
  void Line(double x0, double y0, double x1, double y1, double width, uint32_t argb);
  void Disc(double cx, double cy, double r, uint32_t argb);
};

// A bottom-up 24-bit DIB; transparent pixels take `background`.
std::vector<uint8_t> EncodeBitmap(const Canvas& canvas, uint32_t background);
// The mask twin of a bitmap: black where the picture is opaque, white where it is transparent.
std::vector<uint8_t> EncodeMask(const Canvas& canvas);
// An icon file holding one 32-bit image (with its AND mask) per canvas.
std::vector<uint8_t> EncodeIcon(const std::vector<Canvas>& sizes);

}  // namespace resources::artwork
