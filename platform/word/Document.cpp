#include "platform/word/Document.h"

#include <cctype>
#include <cstring>
#include <cwctype>

#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

namespace word {

namespace {

bool IsSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f';
}

std::wstring Lower(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) c = static_cast<wchar_t>(std::towlower(c));
  return out;
}

bool FitsAnsi(wchar_t c) {
  wchar_t one[1] = {c};
  return win32::FromAnsi(win32::ToAnsi(std::wstring_view(one, 1))) == std::wstring_view(one, 1);
}

std::wstring Utf8(std::string_view bytes) {
  return win32::MultiByteToWide(win32::CP_UTF8, bytes);
}

}  // namespace

// --- Content ----------------------------------------------------------------------------------

void Content::AddText(std::wstring_view text) {
  if (text.empty()) return;
  if (paragraphs.empty()) paragraphs.emplace_back();
  auto& p = paragraphs.back();
  if (!p.empty() && p.back().picture < 0)
    p.back().text += text;
  else
    p.push_back(Inline{std::wstring(text), -1});
}

void Content::AddPicture(Picture picture) {
  if (paragraphs.empty()) paragraphs.emplace_back();
  pictures.push_back(std::move(picture));
  paragraphs.back().push_back(Inline{L"", static_cast<int32_t>(pictures.size() - 1)});
}

void Content::NewParagraph() {
  paragraphs.emplace_back();
}

std::wstring Content::Text() const {
  std::wstring out;
  for (size_t i = 0; i < paragraphs.size(); ++i) {
    if (i) out += L"\r\n";
    for (const auto& in : paragraphs[i]) out += in.text;
  }
  return out;
}

FileAccess SandboxFiles() {
  FileAccess f;
  f.read = [](const std::wstring& path) { return win32::files::ReadAll(win32::ToAnsi(path)); };
  f.write = [](const std::wstring& path, const std::string& bytes) {
    win32::HANDLE h = win32::CreateFileA(win32::ToAnsi(path).c_str(), win32::GENERIC_WRITE, 0,
                                         nullptr, win32::CREATE_ALWAYS, 0, 0);
    if (h == win32::INVALID_HANDLE_VALUE) return false;
    uint32_t written = 0;
    bool ok =
        win32::WriteFile(h, bytes.data(), static_cast<uint32_t>(bytes.size()), &written, nullptr);
    win32::CloseHandle(h);
    return ok;
  };
  f.makeFolder = [](const std::wstring& path) {
    std::string a = win32::ToAnsi(path);
    uint32_t attributes = win32::GetFileAttributesA(a.c_str());
    if (attributes != win32::INVALID_FILE_ATTRIBUTES)
      return (attributes & win32::FILE_ATTRIBUTE_DIRECTORY) != 0;
    return win32::CreateDirectoryA(a.c_str(), nullptr);
  };
  return f;
}

std::wstring PictureExtension(const std::string& b) {
  if (b.size() >= 8 && b.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) return L"png";
  if (b.size() >= 3 && static_cast<uint8_t>(b[0]) == 0xFF && static_cast<uint8_t>(b[1]) == 0xD8)
    return L"jpg";
  if (b.size() >= 6 && (b.compare(0, 6, "GIF87a") == 0 || b.compare(0, 6, "GIF89a") == 0))
    return L"gif";
  return L"bin";
}

// --- HTML -------------------------------------------------------------------------------------

namespace {

std::wstring DecodeEntities(std::wstring_view text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'&') {
      out += text[i];
      continue;
    }
    size_t semi = text.find(L';', i);
    if (semi == std::wstring_view::npos || semi - i > 10) {
      out += text[i];
      continue;
    }
    std::wstring name(text.substr(i + 1, semi - i - 1));
    wchar_t c = 0;
    if (!name.empty() && name[0] == L'#') {
      bool hex = name.size() > 1 && (name[1] == L'x' || name[1] == L'X');
      std::wstring digits = name.substr(hex ? 2 : 1);
      if (!digits.empty() && digits.size() <= 7) {
        try {
          c = static_cast<wchar_t>(std::stoul(digits, nullptr, hex ? 16 : 10));
        } catch (...) {
          c = 0;
        }
      }
    } else {
      std::wstring n = Lower(name);
      if (n == L"amp")
        c = L'&';
      else if (n == L"lt")
        c = L'<';
      else if (n == L"gt")
        c = L'>';
      else if (n == L"quot")
        c = L'"';
      else if (n == L"apos")
        c = L'\'';
      else if (n == L"nbsp")
        c = 0xA0;
    }
    if (c == 0) {
      out += text[i];
      continue;
    }
    out += c;
    i = semi;
  }
  return out;
}

std::wstring UrlDecode(std::wstring_view text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'%' && i + 2 < text.size() && std::iswxdigit(text[i + 1]) &&
        std::iswxdigit(text[i + 2])) {
      out += static_cast<wchar_t>(std::stoi(std::wstring(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The value of one attribute of a tag's text ("img src=... width=..."), entities decoded.
std::optional<std::wstring> Attribute(std::wstring_view tag, std::wstring_view name) {
  std::wstring lower = Lower(tag);
  size_t pos = 0;
  while ((pos = lower.find(name, pos)) != std::wstring::npos) {
    bool startOk = pos > 0 && IsSpace(lower[pos - 1]);
    size_t p = pos + name.size();
    while (p < lower.size() && IsSpace(lower[p])) ++p;
    if (!startOk || p >= lower.size() || lower[p] != L'=') {
      pos += name.size();
      continue;
    }
    ++p;
    while (p < lower.size() && IsSpace(lower[p])) ++p;
    if (p >= tag.size()) return std::wstring();
    wchar_t quote = tag[p];
    size_t end;
    if (quote == L'"' || quote == L'\'') {
      ++p;
      end = tag.find(quote, p);
      if (end == std::wstring_view::npos) end = tag.size();
    } else {
      end = p;
      while (end < tag.size() && !IsSpace(tag[end]) && tag[end] != L'>') ++end;
    }
    return DecodeEntities(tag.substr(p, end - p));
  }
  return std::nullopt;
}

bool IsAbsolute(const std::wstring& path) {
  return (path.size() >= 2 && path[1] == L':') ||
         (path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') &&
          (path[1] == L'\\' || path[1] == L'/'));
}

std::wstring PictureLink(std::wstring src, const std::wstring& baseFolder) {
  if (Lower(src).rfind(L"file:", 0) == 0) {
    src = src.substr(5);
    while (src.size() > 2 && src[0] == L'/' && src[1] == L'/') src = src.substr(2);
    if (src.size() > 2 && src[0] == L'/' && src[2] == L':') src = src.substr(1);
  }
  src = UrlDecode(src);
  for (auto& c : src)
    if (c == L'/') c = L'\\';
  if (src.rfind(L".\\", 0) == 0) src = src.substr(2);
  if (IsAbsolute(src) || baseFolder.empty()) return src;
  return baseFolder + L"\\" + src;
}

}  // namespace

Content ReadHtml(std::wstring_view html, const std::wstring& baseFolder) {
  Content c;
  std::wstring lower = Lower(html);
  size_t start = 0, end = html.size();
  size_t body = lower.find(L"<body");
  if (body != std::wstring::npos) {
    size_t close = lower.find(L'>', body);
    start = close == std::wstring::npos ? html.size() : close + 1;
    size_t bodyEnd = lower.find(L"</body", start);
    if (bodyEnd != std::wstring::npos) end = bodyEnd;
  }
  std::wstring pending;  // text of the current paragraph, whitespace collapsed
  bool open = false;     // the current paragraph holds something
  auto flushText = [&] {
    if (!pending.empty()) {
      c.AddText(DecodeEntities(pending));
      open = true;
    }
    pending.clear();
  };
  auto breakParagraph = [&] {
    flushText();
    if (open) {
      // Trailing blanks of a paragraph are not shown.
      auto& p = c.paragraphs.back();
      if (!p.empty() && p.back().picture < 0) {
        auto& t = p.back().text;
        while (!t.empty() && t.back() == L' ') t.pop_back();
      }
      c.NewParagraph();
      open = false;
    }
  };
  size_t i = start;
  while (i < end) {
    wchar_t ch = html[i];
    if (ch == L'<') {
      if (lower.compare(i, 4, L"<!--") == 0) {
        size_t close = lower.find(L"-->", i);
        i = close == std::wstring::npos ? end : close + 3;
        continue;
      }
      size_t close = html.find(L'>', i);
      if (close == std::wstring_view::npos || close > end) close = end;
      std::wstring_view tag = html.substr(i + 1, close - i - 1);
      std::wstring name;
      size_t n = 0;
      if (n < tag.size() && tag[n] == L'/') name += L'/', ++n;
      while (n < tag.size() && (std::iswalnum(tag[n])))
        name += static_cast<wchar_t>(std::towlower(tag[n])), ++n;
      i = close + 1;
      std::wstring bare = name.size() && name[0] == L'/' ? name.substr(1) : name;
      if (name == L"style" || name == L"script" || name == L"head" || name == L"title") {
        size_t skip = lower.find(L"</" + name, i);
        if (skip != std::wstring::npos) {
          size_t gt = lower.find(L'>', skip);
          i = gt == std::wstring::npos ? end : gt + 1;
        }
        continue;
      }
      if (name == L"img") {
        flushText();
        auto src = Attribute(tag, L"src");
        if (src && !src->empty() && Lower(*src).rfind(L"cid:", 0) != 0) {
          Picture p;
          p.link = PictureLink(*src, baseFolder);
          size_t cut = p.link.find_last_of(L"\\/");
          p.name = cut == std::wstring::npos ? p.link : p.link.substr(cut + 1);
          c.AddPicture(std::move(p));
          open = true;
        }
        continue;
      }
      if (bare == L"p" || bare == L"div" || bare == L"br" || bare == L"tr" || bare == L"li" ||
          bare == L"table" || (bare.size() == 2 && bare[0] == L'h' && std::iswdigit(bare[1]))) {
        if (bare == L"br") {
          flushText();
          if (!open) c.AddText(L"");
          open = true;
        }
        breakParagraph();
      }
      continue;
    }
    if (IsSpace(ch)) {
      bool atStart = pending.empty() && (!open || (c.paragraphs.back().empty()));
      if (!atStart && (pending.empty() ? true : pending.back() != L' ')) {
        if (pending.empty()) {
          // A blank after text already added, unless that text ends in one.
          auto& p = c.paragraphs.back();
          if (!(p.size() && p.back().picture < 0 && !p.back().text.empty() &&
                p.back().text.back() == L' '))
            pending += L' ';
        } else {
          pending += L' ';
        }
      }
      ++i;
      continue;
    }
    pending += ch;
    ++i;
  }
  breakParagraph();
  while (!c.paragraphs.empty() && c.paragraphs.back().empty()) c.paragraphs.pop_back();
  for (auto& p : c.paragraphs)
    for (auto& in : p)
      for (auto& ch : in.text)
        if (ch == 0xA0) ch = L' ';
  return c;
}

std::wstring DecodeHtmlBytes(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return Utf8(bytes.substr(3));
  std::string head(bytes.substr(0, 2048));
  for (auto& ch : head) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (head.find("charset=utf-8") != std::string::npos ||
      head.find("charset=\"utf-8\"") != std::string::npos)
    return Utf8(bytes);
  return win32::FromAnsi(bytes);
}

namespace {

std::string EscapeHtml(std::wstring_view text) {
  std::string out;
  for (wchar_t ch : text) {
    switch (ch) {
      case L'&':
        out += "&amp;";
        break;
      case L'<':
        out += "&lt;";
        break;
      case L'>':
        out += "&gt;";
        break;
      case L'"':
        out += "&quot;";
        break;
      default:
        if (ch < 0x80)
          out += static_cast<char>(ch);
        else
          out += "&#" + std::to_string(static_cast<uint32_t>(ch)) + ";";
    }
  }
  return out;
}

// A file name in a link: blanks as "%20", other characters as the HTML's code page has them.
std::string UrlPart(const std::wstring& text) {
  std::string out;
  for (wchar_t ch : text) {
    if (ch == L' ')
      out += "%20";
    else if (ch < 0x80)
      out += static_cast<char>(ch);
    else if (FitsAnsi(ch))
      out += win32::ToAnsi(std::wstring(1, ch));
    else
      out += EscapeHtml(std::wstring(1, ch));
  }
  return out;
}

}  // namespace

std::string WriteHtml(const Content& content, const std::wstring& folder,
                      const std::wstring& baseName, const FileAccess& files) {
  std::string out =
      "<html>\r\n<head>\r\n<meta http-equiv=Content-Type content=\"text/html; "
      "charset=windows-1252\">\r\n</head>\r\n<body>\r\n";
  std::wstring sideName = baseName + L"_files";
  bool sideMade = false;
  int32_t number = 0;
  for (const auto& paragraph : content.paragraphs) {
    out += "<p>";
    for (const auto& in : paragraph) {
      if (in.picture < 0) {
        out += EscapeHtml(in.text);
        continue;
      }
      const Picture& pic = content.pictures[static_cast<size_t>(in.picture)];
      if (!pic.Embedded()) continue;  // a broken link shows nothing
      if (!sideMade) {
        if (!files.makeFolder(folder + L"\\" + sideName)) throw std::runtime_error("folder");
        sideMade = true;
      }
      wchar_t name[32];
      std::swprintf(name, 32, L"image%03d.%ls", ++number, PictureExtension(pic.bytes).c_str());
      if (!files.write(folder + L"\\" + sideName + L"\\" + name, pic.bytes))
        throw std::runtime_error("picture");
      out += "<img src=\"" + UrlPart(sideName) + "/" + UrlPart(name) + "\">";
    }
    out += "</p>\r\n";
  }
  out += "</body>\r\n</html>\r\n";
  return out;
}

// --- RTF --------------------------------------------------------------------------------------

namespace {

class RtfReader {
 public:
  explicit RtfReader(std::string_view rtf) : s_(rtf) {}

  Content Read() {
    Group root;
    stack_.push_back(root);
    while (i_ < s_.size()) {
      char ch = s_[i_];
      if (ch == '{') {
        Group child = stack_.back();
        child.skip = child.skip || child.pict;
        child.pict = false;
        child.starred = false;
        child.hex.clear();
        child.blip.clear();
        child.firstWord = true;
        stack_.push_back(std::move(child));
        ++i_;
      } else if (ch == '}') {
        EndGroup();
        ++i_;
      } else if (ch == '\\') {
        ControlWord();
      } else if (ch == '\r' || ch == '\n') {
        if (fromHtml_ && !Cur().skip && !Cur().htmlrtf) Text(L"\n");
        ++i_;
      } else {
        if (Cur().pict)
          Cur().hex += ch;
        else
          Text(std::wstring(1, win32::FromAnsi(std::string_view(&s_[i_], 1))[0]));
        ++i_;
      }
      if (stack_.empty()) break;
    }
    if (fromHtml_) return ReadHtml(html_, L"");
    return std::move(content_);
  }

 private:
  struct Group {
    bool skip = false;
    bool pict = false;
    bool htmlrtf = false;
    bool firstWord = false;
    bool starred = false;
    int uc = 1;
    std::string hex;
    std::wstring blip;
  };

  Group& Cur() { return stack_.back(); }

  void Text(const std::wstring& text) {
    Group& g = Cur();
    if (g.skip || g.pict) return;
    if (fromHtml_) {
      if (!g.htmlrtf) html_ += text;
      return;
    }
    content_.AddText(text);
  }

  void EndGroup() {
    Group g = stack_.back();
    stack_.pop_back();
    if (g.pict && !g.skip && (g.blip == L"png" || g.blip == L"jpg")) {
      std::string bytes;
      int half = -1;
      for (char ch : g.hex) {
        int v = std::isdigit(static_cast<unsigned char>(ch)) ? ch - '0'
                : (ch >= 'a' && ch <= 'f')                   ? ch - 'a' + 10
                : (ch >= 'A' && ch <= 'F')                   ? ch - 'A' + 10
                                                             : -1;
        if (v < 0) continue;
        if (half < 0) {
          half = v;
        } else {
          bytes += static_cast<char>(half * 16 + v);
          half = -1;
        }
      }
      if (!stack_.empty() && !stack_.back().skip) {
        Picture p;
        p.bytes = std::move(bytes);
        p.name = L"image." + g.blip;
        content_.AddPicture(std::move(p));
      }
    }
  }

  void ControlWord() {
    ++i_;  // the backslash
    if (i_ >= s_.size()) return;
    char ch = s_[i_];
    if (!std::isalpha(static_cast<unsigned char>(ch))) {
      ++i_;
      switch (ch) {
        case '\\':
        case '{':
        case '}':
          Text(std::wstring(1, static_cast<wchar_t>(ch)));
          break;
        case '~':
          Text(L"\u00A0");
          break;
        case '_':
          Text(L"-");
          break;
        case '*':
          Cur().starred = true;
          break;
        case '\'': {
          if (i_ + 2 <= s_.size() && std::isxdigit(static_cast<unsigned char>(s_[i_])) &&
              std::isxdigit(static_cast<unsigned char>(s_[i_ + 1]))) {
            std::string hex(s_.substr(i_, 2));
            i_ += 2;
            char byte = static_cast<char>(std::stoi(hex, nullptr, 16));
            if (skipChars_ > 0) {
              --skipChars_;
            } else {
              Text(win32::FromAnsi(std::string_view(&byte, 1)));
            }
          }
          break;
        }
        case '\r':
        case '\n':
          Paragraph();
          break;
        default:
          break;
      }
      return;
    }
    std::string word;
    while (i_ < s_.size() && std::isalpha(static_cast<unsigned char>(s_[i_]))) word += s_[i_++];
    std::string number;
    bool hasNumber = false;
    if (i_ < s_.size() && (s_[i_] == '-' || std::isdigit(static_cast<unsigned char>(s_[i_])))) {
      hasNumber = true;
      number += s_[i_++];
      while (i_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_]))) number += s_[i_++];
    }
    if (i_ < s_.size() && s_[i_] == ' ') ++i_;
    long value = 0;
    if (hasNumber && number != "-") {
      // A parameter is a 16- or 32-bit number; longer digit runs are cut, not trusted.
      value = std::stol(number.substr(0, number[0] == '-' ? 10 : 9));
    }
    Group& g = Cur();
    bool first = g.firstWord;
    g.firstWord = false;
    if (first && g.starred) {
      // An optional destination: kept only when known.
      if (word == "htmltag" && fromHtml_) {
        g.htmlrtf = false;
      } else if (word != "shppict") {
        g.skip = true;
      }
      return;
    }
    if (word == "fonttbl" || word == "colortbl" || word == "stylesheet" || word == "info" ||
        word == "header" || word == "footer" || word == "nonshppict" || word == "listtable" ||
        word == "listoverridetable" || word == "rsidtbl" || word == "xmlnstbl" ||
        word == "generator" || word == "themedata" || word == "latentstyles" ||
        word == "datastore" || word == "fldinst" || word == "pntext" || word == "footnote") {
      g.skip = true;
    } else if (word == "fromhtml") {
      fromHtml_ = true;
    } else if (word == "htmlrtf") {
      g.htmlrtf = !hasNumber || value != 0;
    } else if (word == "pict") {
      g.pict = true;
    } else if (word == "pngblip") {
      g.blip = L"png";
    } else if (word == "jpegblip") {
      g.blip = L"jpg";
    } else if (word == "bin" && hasNumber) {
      size_t n = static_cast<size_t>(std::max<long>(0, value));
      if (g.pict) {
        static const char kHex[] = "0123456789abcdef";
        for (size_t k = 0; k < n && i_ + k < s_.size(); ++k) {
          auto b = static_cast<uint8_t>(s_[i_ + k]);
          g.hex += kHex[b >> 4];
          g.hex += kHex[b & 15];
        }
      }
      i_ += n;
    } else if (word == "par" || word == "line" || word == "sect" || word == "page" ||
               word == "row") {
      Paragraph();
    } else if (word == "tab" || word == "cell") {
      Text(L"\t");
    } else if (word == "uc") {
      g.uc = static_cast<int>(value);
    } else if (word == "u" && hasNumber) {
      long code = value < 0 ? value + 65536 : value;
      Text(std::wstring(1, static_cast<wchar_t>(code)));
      SkipFallback(g.uc);
    } else if (word == "emdash") {
      Text(L"\u2014");
    } else if (word == "endash") {
      Text(L"\u2013");
    } else if (word == "bullet") {
      Text(L"\u2022");
    } else if (word == "lquote") {
      Text(L"\u2018");
    } else if (word == "rquote") {
      Text(L"\u2019");
    } else if (word == "ldblquote") {
      Text(L"\u201C");
    } else if (word == "rdblquote") {
      Text(L"\u201D");
    }
  }

  // The characters that stand for a \u character in readers without Unicode.
  void SkipFallback(int count) {
    for (int k = 0; k < count && i_ < s_.size(); ++k) {
      if (s_[i_] == '\\' && i_ + 1 < s_.size() && s_[i_ + 1] == '\'') {
        i_ += 4;
      } else if (s_[i_] == '{' || s_[i_] == '}' || s_[i_] == '\\') {
        break;
      } else {
        ++i_;
      }
    }
  }

  void Paragraph() {
    Group& g = Cur();
    if (g.skip || g.pict) return;
    if (fromHtml_) {
      if (!g.htmlrtf) html_ += L"\n";
      return;
    }
    if (content_.paragraphs.empty()) content_.NewParagraph();
    content_.NewParagraph();
  }

  std::string_view s_;
  size_t i_ = 0;
  int skipChars_ = 0;
  bool fromHtml_ = false;
  std::wstring html_;
  std::vector<Group> stack_;
  Content content_;
};

std::pair<int, int> PictureSize(const std::string& b) {
  if (PictureExtension(b) == L"png" && b.size() >= 24) {
    auto be = [&](size_t at) {
      return (static_cast<uint8_t>(b[at]) << 24) | (static_cast<uint8_t>(b[at + 1]) << 16) |
             (static_cast<uint8_t>(b[at + 2]) << 8) | static_cast<uint8_t>(b[at + 3]);
    };
    return {be(16), be(20)};
  }
  if (PictureExtension(b) == L"jpg") {
    size_t i = 2;
    while (i + 9 < b.size() && static_cast<uint8_t>(b[i]) == 0xFF) {
      auto marker = static_cast<uint8_t>(b[i + 1]);
      size_t len = (static_cast<uint8_t>(b[i + 2]) << 8) | static_cast<uint8_t>(b[i + 3]);
      if (marker >= 0xC0 && marker <= 0xC3) {
        int h = (static_cast<uint8_t>(b[i + 5]) << 8) | static_cast<uint8_t>(b[i + 6]);
        int w = (static_cast<uint8_t>(b[i + 7]) << 8) | static_cast<uint8_t>(b[i + 8]);
        return {w, h};
      }
      i += 2 + len;
    }
  }
  return {32, 32};
}

std::string RtfEscape(std::wstring_view text) {
  std::string out;
  for (wchar_t ch : text) {
    if (ch == L'\\' || ch == L'{' || ch == L'}') {
      out += '\\';
      out += static_cast<char>(ch);
    } else if (ch == L'\t') {
      out += "\\tab ";
    } else if (ch == L'\r' || ch == L'\n') {
      out += "\\line ";
    } else if (ch < 0x80) {
      out += static_cast<char>(ch);
    } else {
      auto code = static_cast<uint32_t>(ch);
      if (code > 0xFFFF) {
        // Outside the basic plane: as its two UTF-16 halves.
        code -= 0x10000;
        for (uint32_t unit : {0xD800 + (code >> 10), 0xDC00 + (code & 0x3FF)})
          out += "\\u" + std::to_string(static_cast<int16_t>(unit)) + "?";
      } else {
        out += "\\u" + std::to_string(static_cast<int16_t>(code)) + "?";
      }
    }
  }
  return out;
}

}  // namespace

Content ReadRtf(std::string_view rtf) {
  Content c = RtfReader(rtf).Read();
  // Surrogate halves written for characters outside the basic plane come back whole.
  for (auto& p : c.paragraphs)
    for (auto& in : p) {
      std::wstring& t = in.text;
      std::wstring out;
      for (size_t k = 0; k < t.size(); ++k) {
        if (t[k] >= 0xD800 && t[k] < 0xDC00 && k + 1 < t.size() && t[k + 1] >= 0xDC00 &&
            t[k + 1] < 0xE000) {
          out += static_cast<wchar_t>(0x10000 + ((t[k] - 0xD800) << 10) + (t[k + 1] - 0xDC00));
          ++k;
        } else {
          out += t[k];
        }
      }
      t = out;
    }
  while (!c.paragraphs.empty() && c.paragraphs.back().empty()) c.paragraphs.pop_back();
  return c;
}

std::string WriteRtf(const Content& content) {
  std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0 Times New Roman;}}\r\n";
  for (const auto& paragraph : content.paragraphs) {
    for (const auto& in : paragraph) {
      if (in.picture < 0) {
        out += RtfEscape(in.text);
        continue;
      }
      const Picture& pic = content.pictures[static_cast<size_t>(in.picture)];
      std::wstring ext = PictureExtension(pic.bytes);
      if (!pic.Embedded() || (ext != L"png" && ext != L"jpg")) continue;
      auto [w, h] = PictureSize(pic.bytes);
      out += "{\\pict" + std::string(ext == L"png" ? "\\pngblip" : "\\jpegblip") + "\\picw" +
             std::to_string(w) + "\\pich" + std::to_string(h) + "\\picwgoal" +
             std::to_string(w * 15) + "\\pichgoal" + std::to_string(h * 15) + "\r\n";
      static const char kHex[] = "0123456789abcdef";
      for (size_t k = 0; k < pic.bytes.size(); ++k) {
        auto b = static_cast<uint8_t>(pic.bytes[k]);
        out += kHex[b >> 4];
        out += kHex[b & 15];
        if (k % 64 == 63) out += "\r\n";
      }
      out += "}";
    }
    out += "\\par\r\n";
  }
  out += "}";
  return out;
}

// --- Text -------------------------------------------------------------------------------------

Content ReadText(std::string_view bytes) {
  std::wstring text;
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    text = Utf8(bytes.substr(3));
  } else if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF &&
             static_cast<uint8_t>(bytes[1]) == 0xFE) {
    for (size_t k = 2; k + 1 < bytes.size(); k += 2)
      text += static_cast<wchar_t>(static_cast<uint8_t>(bytes[k]) |
                                   (static_cast<uint8_t>(bytes[k + 1]) << 8));
  } else {
    text = win32::FromAnsi(bytes);
  }
  Content c;
  c.NewParagraph();
  for (size_t k = 0; k < text.size(); ++k) {
    if (text[k] == L'\r' || text[k] == L'\n') {
      if (text[k] == L'\r' && k + 1 < text.size() && text[k + 1] == L'\n') ++k;
      c.NewParagraph();
    } else {
      c.AddText(std::wstring_view(&text[k], 1));
    }
  }
  while (!c.paragraphs.empty() && c.paragraphs.back().empty()) c.paragraphs.pop_back();
  return c;
}

std::string WriteText(const Content& content) {
  std::wstring text = content.Text();
  bool ansi = true;
  for (wchar_t ch : text)
    if (ch >= 0x80 && !FitsAnsi(ch)) {
      ansi = false;
      break;
    }
  if (ansi) return win32::ToAnsi(text);
  return "\xEF\xBB\xBF" + win32::WideToMultiByte(win32::CP_UTF8, text);
}

}  // namespace word
