#include "platform/word/LibreOffice.h"

#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "platform/win32/CodePage.h"

namespace word {

namespace fs = std::filesystem;

namespace {

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

std::wstring Wide(const std::string& text) {
  return win32::MultiByteToWide(win32::CP_UTF8, text);
}

}  // namespace

std::wstring LastWords(const std::string& file) {
  // On one line; the last ones tell why it stopped.
  std::ifstream in(file, std::ios::binary);
  std::string text, line;
  while (std::getline(in, line)) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    if (line.empty()) continue;
    if (!text.empty()) text += " / ";
    text += line;
  }
  constexpr size_t kSaidLimit = 600;
  if (text.size() > kSaidLimit) {
    size_t from = text.size() - kSaidLimit;
    while (from < text.size() && (static_cast<unsigned char>(text[from]) & 0xC0) == 0x80) ++from;
    text = "..." + text.substr(from);
  }
  return Wide(text);
}

std::string FileUrl(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "file://";
  for (char ch : fs::absolute(path).string()) {
    auto b = static_cast<unsigned char>(ch);
    if (std::isalnum(b) || b == '/' || b == '-' || b == '.' || b == '_' || b == '~') {
      out += ch;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

LibreOffice::LibreOffice(std::string soffice, std::string profileFolder, int timeoutSeconds,
                         int killAfterSeconds)
    : soffice_(std::move(soffice)),
      folder_(std::move(profileFolder)),
      timeout_(timeoutSeconds),
      killAfter_(killAfterSeconds) {}

std::optional<std::string> LibreOffice::Find() {
  const char* path = std::getenv("PATH");
  if (!path) return std::nullopt;
  std::stringstream dirs(path);
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (dir.empty()) continue;
    fs::path candidate = fs::path(dir) / "soffice";
    std::error_code ec;
    if (fs::exists(candidate, ec)) return candidate.string();
  }
  return std::nullopt;
}

std::optional<std::string> LibreOffice::Convert(const std::string& input, const std::string& filter,
                                                const std::string& extension,
                                                const std::string& outFolder) {
  return Run(input, filter, extension, outFolder, Wide(fs::path(input).filename().string()));
}

LibreOffice::Ending LibreOffice::Start(const std::string& input, const std::string& filter,
                                       const std::string& outFolder) {
  Ending end;
  // The profile and home of this start alone, gone with it whatever happens: a profile that
  // survives would carry one document's state (or a hang's leftovers) into the next.
  std::string pattern = (fs::path(folder_) / "run-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    end.failed = L"the word processor has no room for its profile";
    return end;
  }
  struct Removed {
    fs::path path;
    ~Removed() {
      std::error_code e;
      fs::remove_all(path, e);
    }
  } own{pattern};
  std::error_code ec;
  std::string home = (own.path / "home").string();
  fs::create_directories(home, ec);
  std::string ext = fs::path(input).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](char c) { return std::tolower(c); });
  // HTML opens in the web editor by default, whose document takes a web page's paragraph
  // spacing into the Word file; the word processor's own HTML filter reads it as its text.
  std::string inFilter = ext == ".htm" || ext == ".html" ? " --infilter='HTML (StarWriter)'" : "";
  fs::path said = own.path / "said";
  // soffice's launcher ignores the polite signal: the kill after it is what ends a hang.
  std::string command = "HOME=" + Quote(home) + " timeout -k " + std::to_string(killAfter_) + " " +
                        std::to_string(timeout_) + " " + Quote(soffice_) + " " +
                        Quote("-env:UserInstallation=" + FileUrl((own.path / "profile").string())) +
                        " --headless --norestore" + inFilter + " --convert-to " + Quote(filter) +
                        " --outdir " + Quote(outFolder) + " " + Quote(input) + " </dev/null >" +
                        Quote(said.string()) + " 2>&1";
  int status = std::system(command.c_str());
  if (status == -1) {
    end.failed = L"the word processor could not be started";
    return end;
  }
  end.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  end.said = LastWords(said.string());
  return end;
}

std::optional<std::string> LibreOffice::Run(const std::string& input, const std::string& filter,
                                            const std::string& extension,
                                            const std::string& outFolder,
                                            const std::wstring& shown) {
  problem_.clear();
  std::error_code ec;
  fs::create_directories(folder_, ec);
  fs::create_directories(outFolder, ec);
  fs::path written = fs::path(outFolder) / (fs::path(input).stem().string() + "." + extension);
  // A file of an earlier conversion there is no answer of this one.
  fs::remove(written, ec);
  const std::wstring file = shown.empty() ? L"the document" : shown;
  Ending end = Start(input, filter, outFolder);
  // soffice ends with 0 without a document when a start goes wrong before the conversion (as
  // when it cannot read the file), and with 81 when it asks to be started again: one more
  // start, with a fresh profile, tells a passing trouble from a document it cannot read.
  if (end.failed.empty() && (end.code == 0 || end.code == 81) && !fs::exists(written, ec))
    end = Start(input, filter, outFolder);
  if (!end.failed.empty()) {
    problem_ = end.failed;
    return std::nullopt;
  }
  int code = end.code;
  if (code == 124 || code == 128 + 9) {
    problem_ = L"the word processor did not finish " + file + L" within " +
               std::to_wstring(timeout_) + L" seconds";
  } else if (code > 128) {
    problem_ = L"the word processor ended abnormally on " + file + L" (signal " +
               std::to_wstring(code - 128) + L")";
  } else if (code != 0) {
    problem_ =
        L"the word processor failed on " + file + L" (exit status " + std::to_wstring(code) + L")";
  } else if (!fs::exists(written, ec)) {
    problem_ = L"the word processor could not read " + file + L" (exit status 0)";
  }
  if (problem_.empty()) return written.string();
  if (!end.said.empty()) problem_ += L"; it said: " + end.said;
  return std::nullopt;
}

std::optional<std::string> LibreOffice::ToHtml(const std::string& document,
                                               const std::string& outFolder) {
  // `document` is Word's private copy: the caller names the user's file.
  return Run(document, "html", "html", outFolder, L"");
}

bool LibreOffice::ToDoc(const std::string& source, const std::string& document) {
  std::string pattern = (fs::temp_directory_path() / "tanvelo-lo-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    problem_ = L"no folder for the word processor's output";
    return false;
  }
  struct Removed {
    fs::path path;
    ~Removed() {
      std::error_code e;
      fs::remove_all(path, e);
    }
  } out{pattern};
  auto written = Run(source, "doc:MS Word 97", "doc", out.path.string(), L"");
  if (!written) return false;
  std::error_code ec;
  fs::copy_file(*written, document, fs::copy_options::overwrite_existing, ec);
  if (ec) problem_ = L"the converted document could not be kept";
  return !ec;
}

}  // namespace word

// --- HTML between Word and the word processor ------------------------------------------------

namespace word {

namespace {

constexpr wchar_t kSixPerEmSpace = 0x2006;  // the word processor's mark of a kept blank
constexpr size_t npos = std::wstring_view::npos;

wchar_t LowerAscii(wchar_t c) {
  return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
}

std::wstring Lowered(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) c = LowerAscii(c);
  return out;
}

bool StartsWithNoCase(std::wstring_view text, size_t at, std::wstring_view prefix) {
  if (text.size() - at < prefix.size() || at > text.size()) return false;
  for (size_t k = 0; k < prefix.size(); ++k)
    if (LowerAscii(text[at + k]) != prefix[k]) return false;
  return true;
}

void AppendAscii(std::string& out, std::wstring_view text) {
  for (wchar_t ch : text) {
    if (ch < 0x80)
      out += static_cast<char>(ch);
    else
      out += "&#" + std::to_string(static_cast<uint32_t>(ch)) + ";";
  }
}

// The '>' that closes the tag opening at `open`; one inside a quoted value is the value's.
size_t TagClose(std::wstring_view html, size_t open) {
  wchar_t quote = 0;
  for (size_t i = open + 1; i < html.size(); ++i) {
    wchar_t c = html[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if ((c == L'"' || c == L'\'') && html[i - 1] == L'=') {
      quote = c;
    } else if (c == L'>') {
      return i;
    }
  }
  return npos;
}

// "p", "/p", "img" of "<p class=x>", "</p>", "<img/>".
std::wstring TagName(std::wstring_view tag) {
  std::wstring name;
  size_t n = 1;
  if (n < tag.size() && tag[n] == L'/') name += L'/', ++n;
  while (n < tag.size() && std::iswalnum(tag[n])) name += LowerAscii(tag[n++]);
  return name;
}

// The tag or comment opening at `i` (its text and name); npos when it is never closed.
size_t TagAt(std::wstring_view html, size_t i, std::wstring_view& tag, std::wstring& name) {
  size_t close = html.compare(i, 4, L"<!--") == 0 ? html.find(L"-->", i) : TagClose(html, i);
  if (close == npos) return npos;
  if (html[close] == L'-') close += 2;
  tag = html.substr(i, close - i + 1);
  name = TagName(tag);
  return close;
}

bool IsSpaceChar(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

// Where the value of attribute `name` stands in the tag, quotes included.
std::optional<std::pair<size_t, size_t>> AttributeSpan(std::wstring_view tag,
                                                       std::wstring_view name) {
  std::wstring lower = Lowered(tag);
  for (size_t pos = lower.find(name); pos != npos; pos = lower.find(name, pos + 1)) {
    if (pos == 0 || !IsSpaceChar(lower[pos - 1])) continue;
    size_t p = pos + name.size();
    while (p < tag.size() && IsSpaceChar(tag[p])) ++p;
    if (p >= tag.size() || tag[p] != L'=') continue;
    ++p;
    while (p < tag.size() && IsSpaceChar(tag[p])) ++p;
    size_t end = p;
    if (p < tag.size() && (tag[p] == L'"' || tag[p] == L'\'')) {
      end = tag.find(tag[p], p + 1);
      end = end == npos ? tag.size() - 1 : end + 1;
    } else {
      while (end < tag.size() && !IsSpaceChar(tag[end]) && tag[end] != L'>' &&
             !(tag[end] == L'/' && end + 1 < tag.size() && tag[end + 1] == L'>'))
        ++end;
    }
    return std::make_pair(p, end);
  }
  return std::nullopt;
}

std::wstring Unquoted(std::wstring_view value) {
  if (value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0])
    return std::wstring(value.substr(1, value.size() - 2));
  return std::wstring(value);
}

std::wstring DecodeEntities(std::wstring_view text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (auto ref = text[i] == L'&' ? NumericReference(text.substr(i)) : std::nullopt) {
      out += ref->first;
      i += ref->second - 1;
      continue;
    }
    size_t semi = text[i] == L'&' ? text.find(L';', i) : npos;
    if (semi == npos || semi - i > 10) {
      out += text[i];
      continue;
    }
    std::wstring name(text.substr(i + 1, semi - i - 1));
    wchar_t c = 0;
    if (name == L"amp")
      c = L'&';
    else if (name == L"lt")
      c = L'<';
    else if (name == L"gt")
      c = L'>';
    else if (name == L"quot")
      c = L'"';
    else if (name == L"apos")
      c = L'\'';
    if (!c) {
      out += text[i];
      continue;
    }
    out += c;
    i = semi;
  }
  return out;
}

// "%XX" escapes as bytes.
std::string PercentDecoded(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool IsWebLink(const std::wstring& src) {
  std::wstring lower = Lowered(src);
  return lower.rfind(L"data:", 0) == 0 ||
         (lower.find(L"://") != npos && lower.rfind(L"file:", 0) != 0);
}

// A file name in a link: blanks as "%20", the rest as the ANSI code page has it.
std::string LinkPart(const std::wstring& text) {
  std::string out;
  for (wchar_t ch : text) {
    if (ch == L' ')
      out += "%20";
    else if (win32::FitsAnsi(ch))
      out += win32::ToAnsi(std::wstring(1, ch));
    else
      AppendAscii(out, std::wstring(1, ch));
  }
  return out;
}

std::string Base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t v = static_cast<uint8_t>(bytes[i]) << 16 | static_cast<uint8_t>(bytes[i + 1]) << 8 |
                 static_cast<uint8_t>(bytes[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out += kDigits[(v >> s) & 63];
  }
  if (i < bytes.size()) {
    uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

// The word processor's whitespace between two pieces of text, as blanks (' ') and tabs ('\t').
// It keeps a run of blanks by writing each as a six-per-em space with line-break room between
// them; else a line break it wrapped at stands for a blank, and tabs after one indent the
// source.
std::wstring ConverterWhitespace(std::wstring_view run, bool afterTag, bool beforeTag) {
  std::wstring seq;
  if (run.find(kSixPerEmSpace) != npos) {
    for (wchar_t c : run)
      if (c == kSixPerEmSpace || c == L'\t') seq += c == L'\t' ? L'\t' : L' ';
    return seq;
  }
  bool indent = false;
  for (wchar_t c : run) {
    if (c == L'\r') continue;
    if (c == L'\n') {
      if (!afterTag && !beforeTag) seq += L' ';
      indent = true;
    } else if (c == L'\t' && indent) {
      continue;
    } else {
      indent = false;
      seq += c;
    }
  }
  return seq;
}

// Tags that begin or end a block, or a line: whitespace beside them is the source's layout.
bool IsBlockTag(std::wstring name) {
  if (!name.empty() && name[0] == L'/') name.erase(0, 1);
  static const wchar_t* const kBlocks[] = {
      L"p",        L"div",     L"li",    L"ul",    L"ol",   L"dl",         L"dt",  L"dd",
      L"table",    L"thead",   L"tbody", L"tfoot", L"tr",   L"td",         L"th",  L"col",
      L"colgroup", L"caption", L"h1",    L"h2",    L"h3",   L"h4",         L"h5",  L"h6",
      L"br",       L"hr",      L"body",  L"html",  L"head", L"blockquote", L"pre", L"center",
      L"address",  L"title",   L"meta",  L"style", L"link", L"script"};
  for (const wchar_t* block : kBlocks)
    if (name == block) return true;
  return false;
}

// The bottom margin a paragraph's style gives, or `otherwise` when it gives none.
bool SpacedBelow(std::wstring_view style, bool otherwise) {
  std::wstring lower = Lowered(style);
  size_t at = lower.find(L"margin-bottom");
  if (at == npos) return otherwise;
  at = lower.find(L':', at);
  return at != npos && std::wcstod(lower.c_str() + at + 1, nullptr) != 0;
}

// After an empty paragraph, or one ending in a line break, the word processor writes a line
// break more, as a browser shows no last one; and one more again below a paragraph spaced
// below. That last one is no line of the document: `paragraph` (what was written since the
// paragraph's start) loses it.
void DropSpacingBreak(std::string& out, size_t paragraph) {
  auto isBreak = [&](size_t open, size_t close) {
    return close - open >= 3 && out.compare(open, 3, "<br") == 0 &&
           (close - open == 3 || !std::isalnum(static_cast<unsigned char>(out[open + 3])));
  };
  auto skipBack = [&](size_t end) {  // past blanks and closing tags, backwards
    while (end > paragraph) {
      char c = out[end - 1];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        --end;
      } else if (c == '>') {
        size_t open = out.rfind('<', end - 1);
        if (open == std::string::npos || open < paragraph || out.compare(open, 2, "</") != 0) break;
        end = open;
      } else {
        break;
      }
    }
    return end;
  };
  size_t end = out.size();
  while (end > paragraph && std::isspace(static_cast<unsigned char>(out[end - 1]))) --end;
  if (end == paragraph || out[end - 1] != '>') return;
  size_t last = out.rfind('<', end - 1);
  if (last == std::string::npos || last < paragraph || !isBreak(last, end - 1)) return;
  size_t before = skipBack(last);
  if (before == paragraph || out[before - 1] != '>') return;
  size_t open = out.rfind('<', before - 1);
  if (open == std::string::npos || open < paragraph || !isBreak(open, before - 1)) return;
  out.erase(last, end - last);
}

// HTML's named characters but those of its markup (&amp; &lt; &gt; &quot;, kept as they are),
// as the word processor writes them; a reader of references alone knows them by number.
const std::map<std::wstring, uint32_t>& NamedCharacters() {
  static const std::map<std::wstring, uint32_t> kNames = {
      {L"nbsp", 160},    {L"iexcl", 161},   {L"cent", 162},     {L"pound", 163},
      {L"curren", 164},  {L"yen", 165},     {L"brvbar", 166},   {L"sect", 167},
      {L"uml", 168},     {L"copy", 169},    {L"ordf", 170},     {L"laquo", 171},
      {L"not", 172},     {L"shy", 173},     {L"reg", 174},      {L"macr", 175},
      {L"deg", 176},     {L"plusmn", 177},  {L"sup2", 178},     {L"sup3", 179},
      {L"acute", 180},   {L"micro", 181},   {L"para", 182},     {L"middot", 183},
      {L"cedil", 184},   {L"sup1", 185},    {L"ordm", 186},     {L"raquo", 187},
      {L"frac14", 188},  {L"frac12", 189},  {L"frac34", 190},   {L"iquest", 191},
      {L"Agrave", 192},  {L"Aacute", 193},  {L"Acirc", 194},    {L"Atilde", 195},
      {L"Auml", 196},    {L"Aring", 197},   {L"AElig", 198},    {L"Ccedil", 199},
      {L"Egrave", 200},  {L"Eacute", 201},  {L"Ecirc", 202},    {L"Euml", 203},
      {L"Igrave", 204},  {L"Iacute", 205},  {L"Icirc", 206},    {L"Iuml", 207},
      {L"ETH", 208},     {L"Ntilde", 209},  {L"Ograve", 210},   {L"Oacute", 211},
      {L"Ocirc", 212},   {L"Otilde", 213},  {L"Ouml", 214},     {L"times", 215},
      {L"Oslash", 216},  {L"Ugrave", 217},  {L"Uacute", 218},   {L"Ucirc", 219},
      {L"Uuml", 220},    {L"Yacute", 221},  {L"THORN", 222},    {L"szlig", 223},
      {L"agrave", 224},  {L"aacute", 225},  {L"acirc", 226},    {L"atilde", 227},
      {L"auml", 228},    {L"aring", 229},   {L"aelig", 230},    {L"ccedil", 231},
      {L"egrave", 232},  {L"eacute", 233},  {L"ecirc", 234},    {L"euml", 235},
      {L"igrave", 236},  {L"iacute", 237},  {L"icirc", 238},    {L"iuml", 239},
      {L"eth", 240},     {L"ntilde", 241},  {L"ograve", 242},   {L"oacute", 243},
      {L"ocirc", 244},   {L"otilde", 245},  {L"ouml", 246},     {L"divide", 247},
      {L"oslash", 248},  {L"ugrave", 249},  {L"uacute", 250},   {L"ucirc", 251},
      {L"uuml", 252},    {L"yacute", 253},  {L"thorn", 254},    {L"yuml", 255},
      {L"Alpha", 913},   {L"Beta", 914},    {L"Gamma", 915},    {L"Delta", 916},
      {L"Epsilon", 917}, {L"Zeta", 918},    {L"Eta", 919},      {L"Theta", 920},
      {L"Iota", 921},    {L"Kappa", 922},   {L"Lambda", 923},   {L"Mu", 924},
      {L"Nu", 925},      {L"Xi", 926},      {L"Omicron", 927},  {L"Pi", 928},
      {L"Rho", 929},     {L"Sigma", 931},   {L"Tau", 932},      {L"Upsilon", 933},
      {L"Phi", 934},     {L"Chi", 935},     {L"Psi", 936},      {L"Omega", 937},
      {L"alpha", 945},   {L"beta", 946},    {L"gamma", 947},    {L"delta", 948},
      {L"epsilon", 949}, {L"zeta", 950},    {L"eta", 951},      {L"theta", 952},
      {L"iota", 953},    {L"kappa", 954},   {L"lambda", 955},   {L"mu", 956},
      {L"nu", 957},      {L"xi", 958},      {L"omicron", 959},  {L"pi", 960},
      {L"rho", 961},     {L"sigmaf", 962},  {L"sigma", 963},    {L"tau", 964},
      {L"upsilon", 965}, {L"phi", 966},     {L"chi", 967},      {L"psi", 968},
      {L"omega", 969},   {L"fnof", 402},    {L"thetasym", 977}, {L"upsih", 978},
      {L"piv", 982},     {L"bull", 8226},   {L"hellip", 8230},  {L"prime", 8242},
      {L"Prime", 8243},  {L"oline", 8254},  {L"frasl", 8260},   {L"weierp", 8472},
      {L"image", 8465},  {L"real", 8476},   {L"trade", 8482},   {L"alefsym", 8501},
      {L"larr", 8592},   {L"uarr", 8593},   {L"rarr", 8594},    {L"darr", 8595},
      {L"harr", 8596},   {L"crarr", 8629},  {L"lArr", 8656},    {L"uArr", 8657},
      {L"rArr", 8658},   {L"dArr", 8659},   {L"hArr", 8660},    {L"forall", 8704},
      {L"part", 8706},   {L"exist", 8707},  {L"empty", 8709},   {L"nabla", 8711},
      {L"isin", 8712},   {L"notin", 8713},  {L"ni", 8715},      {L"prod", 8719},
      {L"sum", 8721},    {L"minus", 8722},  {L"lowast", 8727},  {L"radic", 8730},
      {L"prop", 8733},   {L"infin", 8734},  {L"ang", 8736},     {L"and", 8743},
      {L"or", 8744},     {L"cap", 8745},    {L"cup", 8746},     {L"int", 8747},
      {L"there4", 8756}, {L"sim", 8764},    {L"cong", 8773},    {L"asymp", 8776},
      {L"ne", 8800},     {L"equiv", 8801},  {L"le", 8804},      {L"ge", 8805},
      {L"sub", 8834},    {L"sup", 8835},    {L"nsub", 8836},    {L"sube", 8838},
      {L"supe", 8839},   {L"oplus", 8853},  {L"otimes", 8855},  {L"perp", 8869},
      {L"sdot", 8901},   {L"lceil", 8968},  {L"rceil", 8969},   {L"lfloor", 8970},
      {L"rfloor", 8971}, {L"lang", 9001},   {L"rang", 9002},    {L"loz", 9674},
      {L"spades", 9824}, {L"clubs", 9827},  {L"hearts", 9829},  {L"diams", 9830},
      {L"OElig", 338},   {L"oelig", 339},   {L"Scaron", 352},   {L"scaron", 353},
      {L"Yuml", 376},    {L"circ", 710},    {L"tilde", 732},    {L"ensp", 8194},
      {L"emsp", 8195},   {L"thinsp", 8201}, {L"zwnj", 8204},    {L"zwj", 8205},
      {L"lrm", 8206},    {L"rlm", 8207},    {L"ndash", 8211},   {L"mdash", 8212},
      {L"lsquo", 8216},  {L"rsquo", 8217},  {L"sbquo", 8218},   {L"ldquo", 8220},
      {L"rdquo", 8221},  {L"bdquo", 8222},  {L"dagger", 8224},  {L"Dagger", 8225},
      {L"permil", 8240}, {L"lsaquo", 8249}, {L"rsaquo", 8250},  {L"euro", 8364},
  };
  return kNames;
}

// A character as a reference by number: none of Unicode (a surrogate, a non-character) is the
// replacement character, as a reader takes it.
std::string Reference(uint32_t code) {
  bool noncharacter = (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE;
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || noncharacter)
    code = 0xFFFD;
  return "&#" + std::to_string(code) + ";";
}

// The whitespace the word processor writes beside a picture (and the tags of text around it, a
// link's among them): a line break before it and one after it, with the indentation that
// follows each, are its layout; its other line breaks are blanks it wrapped a line at.
std::wstring_view PictureLayoutOut(std::wstring_view run, bool afterPicture, bool beforePicture) {
  if (afterPicture) {
    size_t nl = run.find(L'\n');
    if (nl != npos && run.find_first_not_of(L"\r", 0) == nl) {
      run.remove_prefix(nl + 1);
      while (!run.empty() && (run.front() == L' ' || run.front() == L'\t')) run.remove_prefix(1);
    }
  }
  if (beforePicture) {
    size_t nl = run.find_last_of(L'\n');
    if (nl != npos && run.find_first_not_of(L" \t", nl + 1) == npos) {
      run.remove_suffix(run.size() - nl);
      if (!run.empty() && run.back() == L'\r') run.remove_suffix(1);
    }
  }
  return run;
}

// Tags of text the word processor wraps a picture in (a link, a colour).
bool IsTextTag(std::wstring name) {
  if (!name.empty() && name[0] == L'/') name.erase(0, 1);
  for (const wchar_t* tag : {L"a", L"font", L"span", L"b", L"i", L"u", L"s", L"strike", L"em",
                             L"strong", L"sup", L"sub"})
    if (name == tag) return true;
  return false;
}

// Whether the tag at `at` opens a run of tags of text that holds a picture first of all.
bool OpensPicture(std::wstring_view html, size_t at) {
  while (at < html.size() && html[at] == L'<') {
    size_t close = TagClose(html, at);
    if (close == npos) return false;
    std::wstring name = TagName(html.substr(at, close - at + 1));
    if (name == L"img") return true;
    if (name.empty() || name[0] == L'/' || !IsTextTag(name)) return false;
    at = close + 1;
    while (at < html.size() && IsSpaceChar(html[at])) ++at;
  }
  return false;
}

// Whether the tag that ends just before `end` closes a picture, or tags of text around one.
bool ClosesPicture(std::wstring_view html, size_t end) {
  while (end > 0 && html[end - 1] == L'>') {
    size_t open = html.rfind(L'<', end - 1);
    if (open == npos) return false;
    std::wstring name = TagName(html.substr(open, end - open));
    if (name == L"img") return true;
    if (name.size() < 2 || name[0] != L'/' || !IsTextTag(name)) return false;
    end = open;
    while (end > 0 && IsSpaceChar(html[end - 1])) --end;
  }
  return false;
}

}  // namespace

std::string HtmlFromConverter(std::wstring_view html, const std::filesystem::path& htmlFolder,
                              const std::wstring& folder, const std::wstring& baseName,
                              const FileAccess& files) {
  std::string out;
  const std::wstring side = baseName + L"_files";
  bool sideMade = false;
  int number = 0;
  std::map<std::string, std::string> links;  // the word processor's file -> our link
  auto picture = [&](std::wstring_view tag) {
    auto span = AttributeSpan(tag, L"src");
    std::wstring src =
        span ? DecodeEntities(Unquoted(tag.substr(span->first, span->second - span->first))) : L"";
    if (!span || src.empty() || IsWebLink(src)) return AppendAscii(out, tag);
    std::string file = PercentDecoded(win32::WideToMultiByte(win32::CP_UTF8, src));
    auto known = links.find(file);
    if (known == links.end()) {
      std::ifstream in(htmlFolder / file, std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), {});
      if (!in) throw std::runtime_error("the picture " + file + " is missing");
      std::wstring ext = Lowered(
          win32::MultiByteToWide(win32::CP_UTF8, std::filesystem::path(file).extension().string()));
      if (ext.size() < 2) ext = L"." + PictureExtension(bytes);
      if (!sideMade && !files.makeFolder(folder + L"\\" + side))
        throw std::runtime_error("no folder for the pictures");
      sideMade = true;
      wchar_t name[32];
      std::swprintf(name, 32, L"image%03d", ++number);
      if (!files.write(folder + L"\\" + side + L"\\" + name + ext, bytes))
        throw std::runtime_error("a picture could not be written");
      known = links.emplace(file, LinkPart(side) + "/" + LinkPart(name + ext)).first;
    }
    AppendAscii(out, tag.substr(0, span->first));
    out += "\"" + known->second + "\"";
    AppendAscii(out, tag.substr(span->second));
  };
  // Whether a paragraph is spaced below unless its style says otherwise: the style sheet's
  // rule for paragraphs ("p { ... }").
  bool spacedByDefault = false;
  {
    std::wstring lower = Lowered(html.substr(0, Lowered(html).find(L"<body")));
    for (size_t at = lower.find(L"p {"); at != npos; at = lower.find(L"p {", at + 1)) {
      if (at > 0 && !IsSpaceChar(lower[at - 1]) && lower[at - 1] != L'>') continue;
      size_t end = lower.find(L'}', at);
      spacedByDefault = SpacedBelow(lower.substr(at, end == npos ? npos : end - at), false);
      break;
    }
  }
  bool spaced = false;
  size_t paragraph = 0;
  size_t blockEnd = npos;  // where the last tag of a block (<p>, </td>, <br>) ended
  size_t pictureEnd = npos;
  bool lineStart = false;  // nothing shown since a block or line began
  bool inBody = false;
  size_t i = 0;
  while (i < html.size()) {
    wchar_t c = html[i];
    if (c == L'<') {
      std::wstring_view tag;
      std::wstring name;
      size_t close = TagAt(html, i, tag, name);
      if (close == npos) {
        AppendAscii(out, html.substr(i));
        break;
      }
      if (name == L"body") inBody = true;
      if (name == L"/p" && spaced) DropSpacingBreak(out, paragraph);
      if (name == L"img") {
        picture(tag);
      } else if (name == L"meta") {
        std::wstring meta(tag);
        size_t at = Lowered(meta).find(L"utf-8");
        if (at != npos) meta.replace(at, 5, L"windows-1252");
        AppendAscii(out, meta);
      } else {
        AppendAscii(out, tag);
      }
      i = close + 1;
      if (IsBlockTag(name) || tag[1] == L'!') blockEnd = i;
      if (name == L"img") pictureEnd = i, lineStart = false;
      if (IsBlockTag(name)) lineStart = true;
      if (name == L"p") {
        spaced = SpacedBelow(tag, spacedByDefault);
        paragraph = out.size();
      }
      if (name == L"style" || name == L"script" || name == L"title") {
        size_t end = Lowered(html.substr(i)).find(L"</" + name);
        end = end == npos ? html.size() : i + end;
        AppendAscii(out, html.substr(i, end - i));
        i = end;
      }
      continue;
    }
    auto inRun = [](wchar_t ch) { return IsSpaceChar(ch) || ch == kSixPerEmSpace; };
    if (inBody && inRun(c)) {
      size_t j = i;
      while (j < html.size() && inRun(html[j])) ++j;
      std::wstring_view run = html.substr(i, j - i);
      // Beside a block's tag a line break is the source's layout; beside text or a tag of
      // text (<b>, <font>, <a>) it is where the word processor wrapped a line at a blank.
      bool afterBlock = i == blockEnd;
      bool beforeBlock = false, beforePicture = false;
      if (j < html.size() && html[j] == L'<') {
        size_t close = html.compare(j, 4, L"<!--") == 0 ? j + 1 : TagClose(html, j);
        std::wstring next = close == npos ? L"" : TagName(html.substr(j, close - j + 1));
        beforeBlock = close == npos || close == j + 1 || IsBlockTag(next);
        beforePicture = next == L"img" || (IsTextTag(next) && OpensPicture(html, j));
      }
      const bool afterPicture = i == pictureEnd || ClosesPicture(html, i);
      run = PictureLayoutOut(run, afterPicture, beforePicture);
      std::wstring seq = ConverterWhitespace(run, afterBlock, beforeBlock);
      size_t blanks = std::count(seq.begin(), seq.end(), L' ');
      if (!seq.empty()) lineStart = false;
      if (seq.find(L'\t') != npos || blanks >= 2) {
        for (wchar_t s : seq) out += s == L'\t' ? "&#9;" : "&nbsp;";
      } else if (blanks == 1 && afterBlock && !beforeBlock) {
        // A line's first blank, which a reader would drop as the source's layout.
        out += "&nbsp;";
      } else if (run.find(kSixPerEmSpace) != npos || (blanks == 1 && !afterBlock && !beforeBlock)) {
        // One blank as a blank: a reader that takes line breaks for layout keeps it.
        out += blanks ? " " : "";
      } else {
        AppendAscii(out, run);
      }
      i = j;
      continue;
    }
    if (inBody && c == L'&') {
      // References as a reader of numbers takes them: HTML's names, and none to no character.
      if (auto ref = NumericReference(html.substr(i))) {
        out += Reference(static_cast<uint32_t>(ref->first));
        i += ref->second;
        continue;
      }
      size_t semi = html.find(L';', i);
      if (semi != npos && semi - i <= 10) {
        auto known = NamedCharacters().find(std::wstring(html.substr(i + 1, semi - i - 1)));
        // A non-breaking space is one typed as such; at a line's start it is the blank kept
        // there, which the word processor was given as one.
        if (known != NamedCharacters().end() && !(known->first == L"nbsp" && lineStart)) {
          out += Reference(known->second);
          lineStart = false;
          i = semi + 1;
          continue;
        }
      }
    }
    if (inBody) lineStart = false;
    if (static_cast<uint32_t>(c) >= 0x80)
      out += Reference(static_cast<uint32_t>(c));
    else
      out += static_cast<char>(c);
    ++i;
  }
  return out;
}

namespace {

// A picture's attribute in whole pixels, or -1.
int64_t Pixels(std::wstring_view tag, std::wstring_view name) {
  auto span = AttributeSpan(tag, name);
  if (!span) return -1;
  std::wstring value = Unquoted(tag.substr(span->first, span->second - span->first));
  if (value.empty() || value.size() > 9 ||
      !std::all_of(value.begin(), value.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
    return -1;
  return std::stoll(value);
}

// The word processor takes a picture's border out of the width and height it is given, where
// HTML puts the border around them: a framed picture is given its size with the border.
std::wstring Framed(std::wstring_view tag) {
  std::wstring out(tag);
  const int64_t border = Pixels(tag, L"border");
  if (border <= 0) return out;
  for (const wchar_t* side : {L"width", L"height"}) {
    int64_t size = Pixels(out, side);
    if (size < 0) continue;
    auto span = AttributeSpan(out, side);
    out.replace(span->first, span->second - span->first,
                L"\"" + std::to_wstring(size + 2 * border) + L"\"");
  }
  return out;
}

}  // namespace

std::string HtmlForConverter(std::wstring_view html, const std::wstring& folder,
                             const FileAccess& files) {
  std::string out;
  auto picture = [&](std::wstring_view given) {
    const std::wstring framed = Framed(given);
    std::wstring_view tag = framed;
    auto span = AttributeSpan(tag, L"src");
    std::wstring src =
        span ? DecodeEntities(Unquoted(tag.substr(span->first, span->second - span->first))) : L"";
    if (!span || src.empty() || IsWebLink(src)) return AppendAscii(out, tag);
    if (StartsWithNoCase(src, 0, L"file:")) {
      src = src.substr(5);
      while (src.size() > 2 && src[0] == L'/' && src[1] == L'/') src = src.substr(2);
      if (src.size() > 2 && src[0] == L'/' && src[2] == L':') src = src.substr(1);
    }
    std::string escaped = win32::WideToMultiByte(win32::CP_UTF8, src);
    std::string bytes = PercentDecoded(escaped);
    std::wstring path = win32::MultiByteToWide(win32::CP_UTF8, bytes);
    if (bytes != escaped && path.find(L'\uFFFD') != npos) path = win32::FromAnsi(bytes);
    for (auto& ch : path)
      if (ch == L'/') ch = L'\\';
    if (path.rfind(L".\\", 0) == 0) path = path.substr(2);
    bool absolute = (path.size() >= 2 && path[1] == L':') || path.rfind(L"\\\\", 0) == 0;
    if (!absolute) path = folder + L"\\" + path;
    auto data = files.read(path);
    if (!data) throw std::runtime_error(win32::WideToMultiByte(win32::CP_UTF8, path));
    std::wstring ext = PictureExtension(*data);
    if (ext == L"bin") {
      size_t dot = path.find_last_of(L'.');
      ext = dot == npos ? L"octet-stream" : Lowered(path.substr(dot + 1));
    }
    AppendAscii(out, tag.substr(0, span->first));
    AppendAscii(out,
                L"\"data:image/" + (ext == L"jpg" ? std::wstring(L"jpeg") : ext) + L";base64,");
    out += Base64(*data) + "\"";
    // A picture in a link has a border by default in HTML, which the word processor takes
    // out of its size: one without a border of its own says it has none.
    if (!AttributeSpan(tag, L"border")) out += " border=\"0\"";
    AppendAscii(out, tag.substr(span->second));
  };
  // A blank kept from folding ("&nbsp;"): its length in `html` at `at`, or 0. A non-breaking
  // space typed as one (the character, or its number) is text.
  auto nbsp = [&](size_t at) -> size_t { return StartsWithNoCase(html, at, L"&nbsp;") ? 6 : 0; };
  auto tab = [&](size_t at) -> size_t {
    for (std::wstring_view e : {L"&#9;", L"&#09;", L"&#x9;"})
      if (StartsWithNoCase(html, at, e)) return e.size();
    return 0;
  };
  bool inBody = false;
  bool lineStart = false;  // nothing shown yet since a block or line began
  size_t i = 0;
  while (i < html.size()) {
    wchar_t c = html[i];
    if (c == L'<') {
      std::wstring_view tag;
      std::wstring name;
      size_t close = TagAt(html, i, tag, name);
      if (close == npos) {
        AppendAscii(out, html.substr(i));
        break;
      }
      if (name == L"body") inBody = true;
      if (IsBlockTag(name)) lineStart = true;
      i = close + 1;
      if (name == L"img") {
        lineStart = false;
        picture(tag);
        continue;
      }
      if (name == L"meta") {
        // Its own dates of a document it read back ("00:00:00" when it had none) bring the
        // word processor down when it is driven through its programming interface.
        auto span = AttributeSpan(tag, L"name");
        std::wstring meta =
            span ? Lowered(Unquoted(tag.substr(span->first, span->second - span->first))) : L"";
        if (meta == L"created" || meta == L"changed") continue;
      }
      AppendAscii(out, tag);
      continue;
    }
    if (inBody && (IsSpaceChar(c) || nbsp(i) || tab(i))) {
      size_t j = i, blanks = 0, nbsps = 0;
      std::string kept;  // the run as the word processor is to read it
      while (j < html.size()) {
        if (size_t n = nbsp(j)) {
          ++blanks, ++nbsps, kept += "&#32;", j += n;
        } else if (size_t t = tab(j)) {
          kept += "&#9;", j += t;
        } else if (IsSpaceChar(html[j])) {
          size_t k = j;
          while (k < html.size() && IsSpaceChar(html[k])) ++k;
          // Source layout at a tag's side is no blank.
          if (!((j == i && i > 0 && html[i - 1] == L'>') || (k < html.size() && html[k] == L'<')))
            ++blanks, kept += "&#32;";
          j = k;
        } else {
          break;
        }
      }
      if (nbsps && blanks >= 2) {
        // The word processor drops a "&#32;" that begins a line; it keeps "&nbsp;".
        if (lineStart && kept.rfind("&#32;", 0) == 0) kept.replace(0, 5, "&nbsp;");
        out += kept;
      } else {
        AppendAscii(out, html.substr(i, j - i));
      }
      if (blanks || kept.find("&#9;") != std::string::npos) lineStart = false;
      i = j;
      continue;
    }
    lineStart = false;
    AppendAscii(out, std::wstring_view(&c, 1));
    ++i;
  }
  return out;
}

}  // namespace word
