#include "resources/Pictures.h"

#include <cmath>
#include <functional>
#include <utility>

#include "platform/win32/Resources.h"
#include "resources/Artwork.h"

namespace resources {
namespace {
using artwork::Canvas;
using Glyph = void (*)(Canvas&);

constexpr uint32_t kInk = 0xFF303840, kPaper = 0xFFFFFFFF, kLines = 0xFF8A94A8, kBlue = 0xFF2461C8,
                   kGreen = 0xFF23A045, kRed = 0xFFD03030, kGold = 0xFFF2C230, kFolder = 0xFFE6B450,
                   kGrey = 0xFF9098A0;

void Page(Canvas& c) {
  c.Fill({{3, 1}, {10, 1}, {13, 4}, {13, 15}, {3, 15}}, kInk);
  c.Fill({{4, 2}, {9.5, 2}, {12, 4.5}, {12, 14}, {4, 14}}, kPaper);
  for (double y : {6.0, 8.0, 10.0}) c.Rect(5, y, 11, y + 0.9, kLines);
}
void TwoPages(Canvas& c) {
  c.Rect(1, 0.5, 10, 11, kInk);
  c.Rect(2, 1.5, 9, 10, kPaper);
  c.Fill({{5, 4}, {12, 4}, {15, 7}, {15, 15.5}, {5, 15.5}}, kInk);
  c.Fill({{6, 5}, {11.5, 5}, {14, 7.5}, {14, 14.5}, {6, 14.5}}, kPaper);
  for (double y : {9.0, 11.0}) c.Rect(7, y, 13, y + 0.9, kLines);
}
void Envelope(Canvas& c) {
  c.Rect(1, 4, 15, 13, kInk);
  c.Rect(2, 5, 14, 12, kPaper);
  c.Line(2, 5, 8, 9.5, 1, kInk);
  c.Line(14, 5, 8, 9.5, 1, kInk);
}
void Folder(Canvas& c) {
  c.Fill({{1, 4}, {6, 4}, {7, 5.5}, {15, 5.5}, {15, 14}, {1, 14}}, kInk);
  c.Fill({{2, 5}, {5.5, 5}, {6.5, 6.5}, {14, 6.5}, {14, 13}, {2, 13}}, kFolder);
}
void ArrowLeft(Canvas& c, double y, uint32_t color) {
  c.Fill(
      {{0.5, y}, {5, y - 4}, {5, y - 1.5}, {10, y - 1.5}, {10, y + 1.5}, {5, y + 1.5}, {5, y + 4}},
      color);
}
void Reply(Canvas& c) {
  ArrowLeft(c, 11.5, kBlue);
}
void ReplyAll(Canvas& c) {
  ArrowLeft(c, 8, kBlue);
  ArrowLeft(c, 12.5, kBlue);
}
void Forward(Canvas& c) {
  c.Fill({{15.5, 11.5}, {11, 7.5}, {11, 10}, {6, 10}, {6, 13}, {11, 13}, {11, 15.5}}, kGreen);
}
void Person(Canvas& c) {
  c.Disc(12, 9.5, 2, kBlue);
  c.Fill({{8.5, 16}, {9, 13}, {12, 12}, {15, 13}, {15.5, 16}}, kBlue);
}
void Star(Canvas& c) {
  artwork::Polygon star;
  for (int i = 0; i < 10; ++i) {
    double r = i % 2 ? 2.2 : 5, a = -M_PI / 2 + i * M_PI / 5;
    star.push_back({11 + r * std::cos(a), 10.5 + r * std::sin(a)});
  }
  c.Fill(star, kGold);
}
void Disk(Canvas& c) {
  c.Rect(8, 8, 16, 16, kInk);
  c.Rect(9, 9, 15, 12, kPaper);
  c.Rect(10, 13, 14, 16, kGrey);
}
void Plus(Canvas& c) {
  c.Rect(11, 8, 13.5, 16, kGreen);
  c.Rect(8.25, 10.75, 16, 13.25, kGreen);
}
void Pencil(Canvas& c) {
  c.Line(8, 15.5, 15, 8.5, 2.4, kGold), c.Fill({{6.8, 16}, {7.2, 13.6}, {9.2, 15.6}}, kInk);
}
void Key(Canvas& c) {
  c.Disc(5, 11, 3.2, kGold);
  c.Disc(5, 11, 1.2, kPaper);
  c.Rect(7.5, 10, 15.5, 12, kGold);
  c.Rect(12.5, 12, 14, 14.5, kGold);
}
void Gear(Canvas& c) {
  artwork::Polygon gear;
  for (int i = 0; i < 16; ++i) {
    double r = (i / 2) % 2 ? 5.5 : 7.2, a = i * M_PI / 8;
    gear.push_back({8 + r * std::cos(a), 8 + r * std::sin(a)});
  }
  c.Fill(gear, kGrey);
  c.Disc(8, 8, 2.2, kPaper);
}
void Bug(Canvas& c) {
  for (double y : {6.0, 9.0, 12.0}) c.Line(2, y, 14, y, 1, kInk);
  c.Disc(8, 9.5, 4.5, kRed);
  c.Disc(8, 3.8, 2.2, kInk);
}
void Check(Canvas& c) {
  c.Line(7, 11.5, 10, 14.5, 2.2, kGreen), c.Line(10, 14.5, 15.5, 7, 2.2, kGreen);
}
void Cross(Canvas& c) {
  c.Line(8, 8, 15, 15, 2.2, kRed), c.Line(15, 8, 8, 15, 2.2, kRed);
}
void ArrowIn(Canvas& c) {
  c.Fill({{8, 16}, {13, 11}, {10, 11}, {10, 6}, {6, 6}, {6, 11}, {3, 11}}, kBlue);
}
void ArrowOut(Canvas& c) {
  c.Fill({{8, 5}, {13, 10}, {10, 10}, {10, 15.5}, {6, 15.5}, {6, 10}, {3, 10}}, kGreen);
}
void Monogram(Canvas& c) {
  c.Disc(8, 8, 7.5, kBlue);
  c.Rect(4, 3.5, 12, 5.5, kPaper);
  c.Rect(7, 3.5, 9, 12.5, kPaper);
  c.Fill({{5, 11}, {8, 14}, {11, 11}, {10, 10}, {8, 12}, {6, 10}}, kGold);
}

// The templates-folder name dialog's picture, in pixels: an open envelope with its letter
// drawn half out, and a curved arrow that comes round to it as an answer does.
void OpenEnvelope(Canvas& c) {
  constexpr uint32_t kFace = 0xFFD4D0C8, kInside = 0xFFD2BE8E, kFlap = 0xFFE9D9AE,
                     kPocket = 0xFFF4E8C6, kFold = 0xFFC9B587, kArrowEdge = 0xFF173F86;
  c.Rect(0, 0, 160, 120, kFace);
  const artwork::Polygon back = {{14, 58}, {114, 58}, {114, 112}, {14, 112}};
  c.Fill(back, kInside);
  const artwork::Polygon flap = {{14, 58}, {64, 16}, {114, 58}};
  c.Fill(flap, kFlap);
  c.Outline(flap, 2, kInk);
  const artwork::Polygon letter = {{28, 24}, {100, 24}, {100, 96}, {28, 96}};
  c.Fill(letter, kPaper);
  c.Outline(letter, 1.5, kGrey);
  for (double y : {34.0, 42.0, 50.0, 58.0}) c.Rect(36, y, y == 58 ? 72 : 92, y + 3, kLines);
  const artwork::Polygon pocket = {{14, 58}, {64, 90}, {114, 58}, {114, 112}, {14, 112}};
  c.Fill(pocket, kPocket);
  c.Line(14, 112, 64, 94, 1.2, kFold);
  c.Line(114, 112, 64, 94, 1.2, kFold);
  c.Outline(pocket, 2, kInk);

  // The arrow: a thick arc round (118, 60) from below the envelope's right edge, over the top,
  // ending in a head that points back down into the envelope.
  constexpr double cx = 118, cy = 60, r = 28, half = 5.5, wing = 7, head = 16;
  constexpr double from = 100 * M_PI / 180, to = -125 * M_PI / 180;
  auto at = [&](double angle, double radius) {
    return artwork::Point{cx + radius * std::cos(angle), cy + radius * std::sin(angle)};
  };
  artwork::Polygon arrow;
  constexpr int kSteps = 48;
  for (int i = 0; i <= kSteps; ++i) arrow.push_back(at(from + (to - from) * i / kSteps, r + half));
  const artwork::Point end = at(to, r);
  const double tx = std::sin(to), ty = -std::cos(to);  // the way the arc runs at its end
  arrow.push_back(at(to, r + half + wing));
  arrow.push_back({end.x + tx * head, end.y + ty * head});
  arrow.push_back(at(to, r - half - wing));
  for (int i = kSteps; i >= 0; --i) arrow.push_back(at(from + (to - from) * i / kSteps, r - half));
  c.Outline(arrow, 2.5, kArrowEdge);
  c.Fill(arrow, kBlue);
}

struct Picture {
  const char* name;
  std::vector<Glyph> glyphs;
};

const std::vector<Picture>& Bitmaps() {
  static const std::vector<Picture> bitmaps = {
      {"CMDTANVELO", {Page, Reply}},
      {"CMDREPLYALLWITH", {Page, ReplyAll}},
      {"CMDFORWARDWITH", {Page, Forward}},
      {"CMDTEMPLATE", {Page}},
      {"CMDPREADDRESSEDTEMPLATE", {Page, Person}},
      {"CMDNEWFROMTEMPLATE", {Envelope, Star}},
      {"CMDSAVETEMPLATE", {Page, Disk}},
      {"CMDCREATETEMPLATE", {Page, Plus}},
      {"CMDTEMPLATEEDIT", {Page, Pencil}},
  };
  return bitmaps;
}

const std::vector<Picture>& Icons() {
  static const std::vector<Picture> icons = {
      {"ICO_TANVELO", {Page, Reply}},
      {"ICO_REPLY_ALL_WITH", {Page, ReplyAll}},
      {"ICO_FORWARD_WITH", {Page, Forward}},
      {"ICO_TEMPLATE_FOLDER", {Folder}},
      {"ICO_PREADDRESSED_TEMPLATE", {Page, Person}},
      {"ICO_NEW_FROM_TEMPLATE", {Envelope, Star}},
      {"ICO_SAVE_AS_TEMPLATE", {Page, Disk}},
      {"ICO_NEW_TEMPLATE", {Page, Plus}},
      {"ICO_TEMPLATE_EDIT", {Page, Pencil}},
      {"ICO_OPEN_DUPLICATE", {TwoPages}},
      {"ICO_HOTKEY", {Key}},
      {"ICO_IMPORT", {Folder, ArrowIn}},
      {"ICO_EXPORT", {Folder, ArrowOut}},
      {"ICO_DEFAULT_CLEAR", {Page, Cross}},
      {"ICO_DEFAULT_SET", {Page, Check}},
      {"ICO_OPTIONS", {Gear}},
      {"ICO_BUG_REPORT", {Bug}},
      {"MAIN_ICON", {Monogram}},
  };
  return icons;
}

Canvas Draw(const Picture& picture, int size) {
  Canvas canvas(size);
  for (Glyph glyph : picture.glyphs) glyph(canvas);
  return canvas;
}

std::vector<std::string> Names(const std::vector<Picture>& pictures) {
  std::vector<std::string> names;
  for (auto& p : pictures) names.push_back(p.name);
  return names;
}
}  // namespace

const std::vector<std::string>& CommandBitmapNames() {
  static const std::vector<std::string> names = Names(Bitmaps());
  return names;
}

const std::vector<std::string>& IconNames() {
  static const std::vector<std::string> names = Names(Icons());
  return names;
}

void LoadModulePictures(uint32_t module) {
  // Drawn once per process: the smooth edges cost some milliseconds.
  static const std::vector<uint8_t> dialogPicture = [] {
    Canvas canvas(160, 120, 160, 4);
    OpenEnvelope(canvas);
    return artwork::EncodeBitmap(canvas, 0);
  }();
  win32::resources::AddData(module, "BITMAP", kReplyFolderPicture, dialogPicture);
  // Office's own light grey, so the bitmap looks right even where the mask is not applied.
  constexpr uint32_t kButtonFace = 0xFFC0C0C0;
  for (const Picture& p : Bitmaps()) {
    Canvas canvas = Draw(p, 16);
    win32::resources::AddData(module, "BITMAP", p.name, artwork::EncodeBitmap(canvas, kButtonFace));
    win32::resources::AddData(module, "BITMAP", std::string(p.name) + "MASK",
                              artwork::EncodeMask(canvas));
  }
  for (const Picture& p : Icons())
    win32::resources::AddData(module, "ICON", p.name,
                              artwork::EncodeIcon({Draw(p, 16), Draw(p, 32)}));
}

}  // namespace resources
