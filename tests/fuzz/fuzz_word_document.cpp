// The Word substitute's documents: what each of its writers (HTML, RTF, text) writes, its
// reader gives back: the paragraphs, empty ones among them, runs of blanks, tabs and the
// pictures' bytes (text holds no pictures, RTF only PNG and JPEG; HTML reads a kept blank as
// a blank). The document comes from the input three ways: an input beginning with '<' is read
// as a word processor's HTML (the seeds are such files), one beginning with '{' as RTF, any
// other as the choices of a generator of paragraphs of text, blank runs, tabs and pictures.
#include <map>
#include <vector>

#include "FuzzSupport.h"
#include "platform/word/Document.h"

namespace {

using word::Content;
using word::Picture;

constexpr wchar_t kPictureSlot = 0xFDD0;  // a picture's place in a paragraph as compared

// Characters a paragraph's text cannot hold: line breaks end it, the noncharacters the RTF
// reader marks pictures with are no text, and HTML names no surrogate or noncharacter.
bool Holdable(wchar_t c) {
  return c != L'\r' && c != L'\n' && c != 0 && !(c >= 0xFDD0 && c <= 0xFDEF) &&
         !(c >= 0xD800 && c <= 0xDFFF) && (c & 0xFFFE) != 0xFFFE && c <= 0x10FFFF;
}

std::string PictureBytes(FuzzedDataProvider& data) {
  static const std::string kHeads[] = {std::string("\x89PNG\r\n\x1a\n", 8),
                                       std::string("\xFF\xD8\xFF", 3), "GIF89a", "BM"};
  std::string bytes = kHeads[data.ConsumeIntegralInRange<size_t>(0, 3)];
  if (bytes[0] == '\x89' && data.ConsumeBool()) {
    // An IHDR with any width and height.
    bytes += std::string("\0\0\0\x0dIHDR", 8);
    bytes += data.ConsumeBytesAsString(8);
  }
  return bytes + data.ConsumeRandomLengthString(48);
}

Content Generate(FuzzedDataProvider& data) {
  Content c;
  size_t paragraphs = data.ConsumeIntegralInRange<size_t>(0, 12);
  for (size_t p = 0; p < paragraphs; ++p) {
    c.NewParagraph();
    size_t pieces = data.ConsumeIntegralInRange<size_t>(0, 8);
    for (size_t k = 0; k < pieces && data.remaining_bytes(); ++k) {
      switch (data.ConsumeIntegralInRange<int>(0, 4)) {
        case 0: {
          std::wstring text;
          for (wchar_t ch : fuzz::Text(data, 40))
            if (Holdable(ch)) text += ch;
          c.AddText(text);
          break;
        }
        case 1:
          c.AddText(std::wstring(data.ConsumeIntegralInRange<size_t>(1, 8), L' '));
          break;
        case 2:
          c.AddText(std::wstring(data.ConsumeIntegralInRange<size_t>(1, 3), L'\t'));
          break;
        case 3:
          c.AddText(std::wstring(data.ConsumeIntegralInRange<size_t>(1, 3), L'\u00A0'));
          break;
        default:
          c.AddPicture(Picture{L"p", PictureBytes(data), L""});
      }
    }
  }
  return c;
}

// A document read from any input, made one the writers can be held to: characters no
// paragraph holds as '?', linked pictures embedded with bytes of their own.
void MakeWritable(Content& c) {
  for (auto& p : c.paragraphs)
    for (auto& in : p)
      for (auto& ch : in.text)
        if (!Holdable(ch)) ch = L'?';
  for (size_t k = 0; k < c.pictures.size(); ++k) {
    c.pictures[k].link.clear();
    c.pictures[k].bytes = std::string("\x89PNG\r\n\x1a\n", 8) + std::to_string(k);
  }
}

struct Flat {
  std::vector<std::wstring> paragraphs;
  std::vector<std::string> pictures;
  bool operator==(const Flat&) const = default;
};

// The paragraphs as one text each, a picture as its slot; `keep` says which pictures the road
// carries, `blank` what a kept blank reads as.
template <class Keep>
Flat Flatten(const Content& c, Keep keep, bool pictures, wchar_t nbsp) {
  Flat f;
  for (const auto& p : c.paragraphs) {
    std::wstring text;
    for (const auto& in : p) {
      if (in.picture < 0) {
        for (wchar_t ch : in.text) text += ch == 0xA0 ? nbsp : ch;
        continue;
      }
      const Picture& pic = c.pictures[static_cast<size_t>(in.picture)];
      if (!pictures || !keep(pic)) continue;
      text += kPictureSlot;
      f.pictures.push_back(pic.bytes);
    }
    f.paragraphs.push_back(text);
  }
  return f;
}

std::string Show(const std::wstring& text) {
  std::string out;
  for (wchar_t ch : text) {
    char code[16];
    std::snprintf(code, sizeof code, "<%X>", static_cast<unsigned>(ch));
    out += ch >= 0x20 && ch < 0x7F ? std::string(1, static_cast<char>(ch)) : code;
  }
  return out;
}

void Report(const char* road, const Flat& want, const Flat& got) {
  std::fprintf(stderr, "%s road: %zu paragraphs and %zu pictures written, %zu and %zu read\n", road,
               want.paragraphs.size(), want.pictures.size(), got.paragraphs.size(),
               got.pictures.size());
  for (size_t k = 0; k < std::max(want.paragraphs.size(), got.paragraphs.size()); ++k) {
    std::wstring w = k < want.paragraphs.size() ? want.paragraphs[k] : L"<none>";
    std::wstring g = k < got.paragraphs.size() ? got.paragraphs[k] : L"<none>";
    if (w != g) std::fprintf(stderr, "  %zu: [%s] / [%s]\n", k, Show(w).c_str(), Show(g).c_str());
  }
}

void RoundTrips(const Content& c) {
  auto all = [](const Picture&) { return true; };
  auto inRtf = [](const Picture& p) {
    std::wstring ext = word::PictureExtension(p.bytes);
    return ext == L"png" || ext == L"jpg";
  };

  // HTML, its pictures beside it.
  std::map<std::wstring, std::string> files;
  word::FileAccess access;
  access.read = [&](const std::wstring& path) -> std::optional<std::string> {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  };
  access.write = [&](const std::wstring& path, const std::string& bytes) {
    files[path] = bytes;
    return true;
  };
  access.makeFolder = [](const std::wstring&) { return true; };
  const std::wstring folder = L"C:\\Out", base = L"My d\u00E9j\u00E0";
  std::string html = word::WriteHtml(c, folder, base, access);
  Content fromHtml = word::ReadHtml(word::DecodeHtmlBytes(html), folder);
  for (auto& pic : fromHtml.pictures) {
    auto bytes = access.read(pic.link);
    if (!bytes) std::fprintf(stderr, "no picture at %s\n", Show(pic.link).c_str());
    FUZZ_CHECK(bytes.has_value());
    pic.bytes = *bytes;
    pic.link.clear();
  }
  Flat want = Flatten(c, all, true, L' '), got = Flatten(fromHtml, all, true, L' ');
  if (!(want == got)) Report("HTML", want, got);
  FUZZ_CHECK(want == got);

  Content fromRtf = word::ReadRtf(word::WriteRtf(c));
  want = Flatten(c, inRtf, true, L'\u00A0'), got = Flatten(fromRtf, all, true, L'\u00A0');
  if (!(want == got)) Report("RTF", want, got);
  FUZZ_CHECK(want == got);

  Content fromText = word::ReadText(word::WriteText(c));
  want = Flatten(c, all, false, L'\u00A0'), got = Flatten(fromText, all, false, L'\u00A0');
  if (!(want == got)) Report("text", want, got);
  FUZZ_CHECK(want == got);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(bytes), size);
  Content c;
  if (!input.empty() && input[0] == '<') {
    c = word::ReadHtml(word::DecodeHtmlBytes(input), L"C:\\In");
    MakeWritable(c);
  } else if (!input.empty() && input[0] == '{') {
    c = word::ReadRtf(input);
    MakeWritable(c);
  } else {
    FuzzedDataProvider data(bytes, size);
    c = Generate(data);
  }
  RoundTrips(c);
  return 0;
}
