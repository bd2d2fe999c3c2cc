// The drawing of the add-in's pictures: an RGBA canvas with filled polygons in a grid of its
// own units (16 across an icon, so one drawing serves every size), and the encoders that store the
// result as Windows resources store them (a device-independent bitmap; an icon file with one image
// per size).
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
  // A square picture, 16 grid units across, so one drawing serves every icon size.
  explicit Canvas(int size) : Canvas(size, size, 16) {}
  // A picture of any shape with `unitsAcross` grid units across its width. With `samples`
  // above 1 each pixel is sampled samples x samples times, so edges blend smoothly.
  Canvas(int width, int height, double unitsAcross, int samples = 1)
      : width(width),
        height(height),
        unit(unitsAcross / width),
        samples(samples),
        pixels(static_cast<size_t>(width * height), 0) {}
  int width, height;
  double unit;  // grid units per pixel
  int samples;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, rows from the top
  // Fills the polygon given in grid units.
  void Fill(const Polygon& shape, uint32_t argb);
  void Rect(double x0, double y0, double x1, double y1, uint32_t argb);
  // A line of the given width in grid units.
  void Line(double x0, double y0, double x1, double y1, double width, uint32_t argb);
  void Disc(double cx, double cy, double r, uint32_t argb);
  // The edges of a closed polygon, with round corners.
  void Outline(const Polygon& shape, double width, uint32_t argb);
};

// A bottom-up 24-bit DIB; transparent pixels take `background`.
std::vector<uint8_t> EncodeBitmap(const Canvas& canvas, uint32_t background);
// The mask twin of a bitmap: black where the picture is opaque, white where it is transparent.
std::vector<uint8_t> EncodeMask(const Canvas& canvas);
// An icon file holding one 32-bit image (with its AND mask) per canvas.
std::vector<uint8_t> EncodeIcon(const std::vector<Canvas>& sizes);

}  // namespace resources::artwork
