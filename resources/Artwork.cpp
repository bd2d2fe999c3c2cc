#include "resources/Artwork.h"

#include <algorithm>
#include <cmath>

#include "platform/win32/Bytes.h"

namespace resources::artwork {
namespace {
using win32::bytes::Put16;
using win32::bytes::Put32;
void PutInfoHeader(std::vector<uint8_t>& out, int width, int height, int bits) {
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  for (int i = 0; i < 6; ++i) Put32(out, 0);
}
bool Inside(const Polygon& shape, double x, double y) {
  bool in = false;
  for (size_t i = 0, j = shape.size() - 1; i < shape.size(); j = i++) {
    const Point &a = shape[i], &b = shape[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}
// `argb` laid over `below` with the share `coverage` of the pixel.
uint32_t Blend(uint32_t below, uint32_t argb, double coverage) {
  const double top = (argb >> 24) / 255.0 * coverage, under = (below >> 24) / 255.0;
  const double alpha = top + under * (1 - top);
  uint32_t out = static_cast<uint32_t>(std::lround(alpha * 255)) << 24;
  for (int shift : {0, 8, 16}) {
    double a = (argb >> shift) & 0xFF, b = (below >> shift) & 0xFF;
    double c = alpha > 0 ? (a * top + b * under * (1 - top)) / alpha : 0;
    out |= static_cast<uint32_t>(std::lround(c)) << shift;
  }
  return out;
}
}  // namespace

void Canvas::Fill(const Polygon& shape, uint32_t argb) {
  if (shape.empty()) return;
  double x0 = shape[0].x, x1 = x0, y0 = shape[0].y, y1 = y0;
  for (const Point& p : shape) {
    x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
  }
  const int colFrom = std::max(0, static_cast<int>(x0 / unit));
  const int colTo = std::min(width - 1, static_cast<int>(x1 / unit));
  const int rowFrom = std::max(0, static_cast<int>(y0 / unit));
  const int rowTo = std::min(height - 1, static_cast<int>(y1 / unit));
  const int n = samples * samples;
  for (int row = rowFrom; row <= rowTo; ++row) {
    for (int col = colFrom; col <= colTo; ++col) {
      int inside = 0;
      for (int sy = 0; sy < samples; ++sy)
        for (int sx = 0; sx < samples; ++sx)
          if (Inside(shape, (col + (sx + 0.5) / samples) * unit,
                     (row + (sy + 0.5) / samples) * unit))
            ++inside;
      if (inside == 0) continue;
      uint32_t& pixel = pixels[static_cast<size_t>(row * width + col)];
      pixel = inside == n ? argb : Blend(pixel, argb, static_cast<double>(inside) / n);
    }
  }
}

void Canvas::Rect(double x0, double y0, double x1, double y1, uint32_t argb) {
  Fill({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, argb);
}

void Canvas::Line(double x0, double y0, double x1, double y1, double width, uint32_t argb) {
  double dx = x1 - x0, dy = y1 - y0, length = std::hypot(dx, dy);
  double nx = -dy / length * width / 2, ny = dx / length * width / 2;
  Fill({{x0 + nx, y0 + ny}, {x1 + nx, y1 + ny}, {x1 - nx, y1 - ny}, {x0 - nx, y0 - ny}}, argb);
}

void Canvas::Disc(double cx, double cy, double r, uint32_t argb) {
  Polygon circle;
  for (int i = 0; i < 24; ++i)
    circle.push_back({cx + r * std::cos(i * M_PI / 12), cy + r * std::sin(i * M_PI / 12)});
  Fill(circle, argb);
}

void Canvas::Outline(const Polygon& shape, double width, uint32_t argb) {
  for (size_t i = 0, j = shape.size() - 1; i < shape.size(); j = i++) {
    Line(shape[j].x, shape[j].y, shape[i].x, shape[i].y, width, argb);
    Disc(shape[i].x, shape[i].y, width / 2, argb);
  }
}

std::vector<uint8_t> EncodeBitmap(const Canvas& canvas, uint32_t background) {
  std::vector<uint8_t> out;
  PutInfoHeader(out, canvas.width, canvas.height, 24);
  const int stride = (canvas.width * 3 + 3) / 4 * 4;
  for (int row = canvas.height - 1; row >= 0; --row) {
    for (int col = 0; col < canvas.width; ++col) {
      uint32_t p = canvas.pixels[static_cast<size_t>(row * canvas.width + col)];
      if ((p >> 24) == 0) p = background;
      out.push_back(static_cast<uint8_t>(p));
      out.push_back(static_cast<uint8_t>(p >> 8));
      out.push_back(static_cast<uint8_t>(p >> 16));
    }
    out.resize(out.size() + static_cast<size_t>(stride - canvas.width * 3), 0);
  }
  return out;
}

std::vector<uint8_t> EncodeMask(const Canvas& canvas) {
  Canvas mask(canvas.width, canvas.height, canvas.unit * canvas.width);
  for (size_t i = 0; i < canvas.pixels.size(); ++i)
    mask.pixels[i] = (canvas.pixels[i] >> 24) != 0 ? 0xFF000000 : 0xFFFFFFFF;
  return EncodeBitmap(mask, 0xFFFFFF);
}

std::vector<uint8_t> EncodeIcon(const std::vector<Canvas>& sizes) {
  std::vector<std::vector<uint8_t>> images;
  for (const Canvas& c : sizes) {
    std::vector<uint8_t> image;
    PutInfoHeader(image, c.width, c.width * 2, 32);  // the height counts the AND mask too
    for (int row = c.width - 1; row >= 0; --row)
      for (int col = 0; col < c.width; ++col)
        Put32(image, c.pixels[static_cast<size_t>(row * c.width + col)]);
    const int maskStride = (c.width + 31) / 32 * 4;
    for (int row = c.width - 1; row >= 0; --row) {
      std::vector<uint8_t> bits(static_cast<size_t>(maskStride), 0);
      for (int col = 0; col < c.width; ++col)
        if ((c.pixels[static_cast<size_t>(row * c.width + col)] >> 24) == 0)
          bits[static_cast<size_t>(col / 8)] |= static_cast<uint8_t>(0x80 >> (col % 8));
      image.insert(image.end(), bits.begin(), bits.end());
    }
    images.push_back(std::move(image));
  }
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(sizes.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    out.push_back(static_cast<uint8_t>(sizes[i].width >= 256 ? 0 : sizes[i].width));
    out.push_back(static_cast<uint8_t>(sizes[i].width >= 256 ? 0 : sizes[i].width));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<uint32_t>(images[i].size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (auto& image : images) out.insert(out.end(), image.begin(), image.end());
  return out;
}

}  // namespace resources::artwork
