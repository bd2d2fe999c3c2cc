#include "core/CLang.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "core/CLangFile.h"
#include "core/COptions.h"
#include "core/CWinReg.h"
#include "core/Main.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/vb/PictureFiles.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Reset.h"

std::shared_ptr<CLang> g_oLang;

namespace {

const bool kGlobalReset = (win32::RegisterReset([] { g_oLang.reset(); }), true);

constexpr wchar_t kSignature[] = L"Norvane.LangLngFile";
constexpr int32_t kDuplicateKey = 457;
constexpr int32_t kExclamation = 48;

std::wstring ProgramFolder() {
  return vb::App().Path;
}

// A log entry whose text is the current error's description under a "[context] " prefix.
void LogErrorWithContext(std::wstring_view procedure, const std::wstring& description,
                         std::wstring_view context) {
  vb::Err().Set(0, description);
  LogError(procedure, 0, std::nullopt, context);
}

void LogInit(const std::wstring& text) {
  LogError(L"CLang.Init", 0, text);
}

std::wstring Format(std::wstring_view format, const std::vector<LangArg>& args) {
  return CLang::sprintf1(format, args);
}

bool IsCommentStart(wchar_t c) {
  return c == L';' || c == L'\'';
}

template <class Char>
std::basic_string_view<Char> TrimmedView(std::basic_string_view<Char> text) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == Char(' ') || text[b] == Char('\t'))) ++b;
  while (e > b && (text[e - 1] == Char(' ') || text[e - 1] == Char('\t'))) --e;
  return text.substr(b, e - b);
}

template <class Char>
std::basic_string_view<Char> WithoutComment(std::basic_string_view<Char> value) {
  // The first comment mark outside the quotes ends the value, however many quotes the
  // comment itself holds.
  // Quote to quote, each stretch searched by the library: a load passes over every text here.
  const size_t n = value.size();
  auto find = [&](size_t from, size_t to, Char c) {
    if (from >= to) return to;
    const size_t at = value.substr(from, to - from).find(c);
    return at == value.npos ? to : from + at;
  };
  for (size_t from = 0;;) {
    const size_t quote = find(from, n, Char('"'));
    const size_t mark = std::min(find(from, quote, Char(';')), find(from, quote, Char('\'')));
    if (mark < quote) return value.substr(0, mark);
    if (quote == n) return value;
    const size_t close = find(quote + 1, n, Char('"'));
    if (close == n) return value;  // an open quote runs to the end
    from = close + 1;
  }
}

// The text of an entry's value on its bytes (the value blank-trimmed) when it is one quoted
// stretch without quotes inside, before blanks and a comment or nothing: what the wide road
// would keep as it stands. Anything else is left to that road, which also reports.
std::optional<std::string_view> PlainQuoted(std::string_view value) {
  if (value.empty() || value[0] != '"') return std::nullopt;
  const size_t close = value.find('"', 1);
  if (close == value.npos) return std::nullopt;
  size_t after = close + 1;
  while (after < value.size() && (value[after] == ' ' || value[after] == '\t')) ++after;
  if (after < value.size() && value[after] != ';' && value[after] != '\'') return std::nullopt;
  return value.substr(1, close - 1);
}

bool IsAscii(std::string_view bytes) {
  unsigned char seen = 0;
  for (char b : bytes) seen |= static_cast<unsigned char>(b);
  return seen < 0x80;
}

std::vector<std::wstring> SplitList(const std::wstring& list) {
  std::vector<std::wstring> items;
  if (list.empty()) return items;
  size_t start = 0;
  for (;;) {
    size_t comma = list.find(L',', start);
    items.push_back(
        list.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
    if (comma == std::wstring::npos) return items;
    start = comma + 1;
  }
}

}  // namespace

void CLang::SectionList::Add(std::wstring_view name) {
  if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

CLang::CLang() {
  (void)kGlobalReset;
}

CLang::~CLang() {
  ResetData();
}

void CLang::ResetData() {
  m_colSections.clear();
  m_colTexts.Clear();
  m_sFilename.clear();
  m_sLangID.clear();
  m_sLangName.clear();
  m_sAppName.clear();
  m_dtFileTime = {};
  m_nDumpMode = 0;
}

// --- Texts by id ----------------------------------------------------------------------------

std::wstring CLang::ItemOf(std::wstring_view id, const std::vector<LangArg>& args) {
  std::wstring text;
  std::optional<std::wstring> found = m_colTexts.Find(vb::LCase(id));
  if (!found) {
    LogError(L"CLang.Item", 0, L"Key '" + std::wstring(id) + L"' not exists in " + m_sFilename);
    text = id;
  } else {
    text = std::move(*found);
  }
  return args.empty() ? sprintf2(text) : sprintf1(text, args);
}

bool CLang::ItemFind(std::wstring_view id) const {
  bool found = m_colTexts.Has(vb::LCase(id));
  vb::Err().Clear();
  return found;
}

void CLang::ItemSet(std::wstring_view id, const std::wstring& text) {
  m_colTexts.Set(vb::LCase(id), text);
  vb::Err().Clear();
}

std::wstring CLang::sprintf2(std::wstring_view text) {
  std::wstring s(text);
  size_t pos = 0;
  while ((pos = s.find(L'\\', pos)) != std::wstring::npos) {
    bool hasNext = pos + 1 < s.size();
    wchar_t c = hasNext ? vb::LowerChar(s[pos + 1]) : L'\0';
    const wchar_t* result = c == L'\\'  ? L"\\"
                            : c == L'n' ? L"\r\n"
                            : c == L't' ? L"\t"
                            : c == L'"' ? L"\""
                                        : nullptr;
    if (!hasNext || result == nullptr) {
      std::wstring shown = hasNext ? std::wstring(1, s[pos + 1]) : L"";
      LogErrorWithContext(L"CLang::sprintf2", L"Invalid format specificator '\\" + shown + L"'", s);
      if (!hasNext) break;
      pos += 2;
      continue;
    }
    s.replace(pos, 2, result);
    pos += std::char_traits<wchar_t>::length(result);
  }
  return s;
}

std::wstring CLang::sprintf1(std::wstring_view format, const std::vector<LangArg>& given) {
  const std::vector<LangArg>& args =
      given.size() == 1 && given[0].IsArray() ? given[0].Items() : given;
  std::wstring escaped = sprintf2(format);
  std::wstring result;
  bool ok = vb::Catch([&] {
    size_t next = 0, pos = 0;
    auto take = [&]() -> const LangArg& {
      if (next >= args.size()) vb::Raise(vb::kSubscriptOutOfRange, L"Subscript out of range");
      return args[next++];
    };
    for (;;) {
      size_t p = escaped.find(L'%', pos);
      if (p == std::wstring::npos) {
        result += escaped.substr(pos);
        break;
      }
      result += escaped.substr(pos, p - pos);
      wchar_t c = p + 1 < escaped.size() ? escaped[p + 1] : L'\0';
      if (c == L'%') {
        result += L'%';
      } else if (c == L's') {
        const LangArg& arg = take();
        if (arg.VarType() != LangArg::vbString)
          LogWarning(L"CLang::sprintf1", L"VarType(" + std::to_wstring(arg.VarType()) +
                                             L") <> vbString, Typename = " + arg.TypeName());
        result += arg.ToText();
      } else if (c == L'd') {
        const LangArg& arg = take();
        if (!arg.IsNumeric())
          LogWarning(L"CLang::sprintf1", L"Not IsNumeric(" + std::to_wstring(arg.VarType()) +
                                             L"), Typename = " + arg.TypeName());
        result += std::to_wstring(arg.ToLong());
      } else {
        LogError(L"CLang::sprintf1", 0,
                 L"Invalid format specificator(" + (c ? std::wstring(1, c) : L"") + L")");
      }
      pos = std::min(p + 2, escaped.size());
    }
  });
  if (ok) return result;
  LogError(L"CLang::sprintf1", std::nullopt, std::nullopt, escaped);
  return escaped;
}

// --- The file format ------------------------------------------------------------------------

std::wstring CLang::TrimBlanks(std::wstring_view text) {
  return std::wstring(TrimmedView(text));
}

std::wstring CLang::StripComment(std::wstring_view value) {
  return std::wstring(WithoutComment(value));
}

std::optional<std::wstring_view> CLang::Unquoted(std::wstring_view value, std::wstring& room,
                                                 std::wstring& error) {
  if (value.size() < 2 || value.front() != L'"' || value.back() != L'"') {
    error = L"The string should be in quotes";
    return std::nullopt;
  }
  const std::wstring_view inner = value.substr(1, value.size() - 2);
  size_t quote = inner.find(L'"');
  // Most texts hold no doubled quote: they stand as they are.
  if (quote == std::wstring_view::npos) return inner;
  room.clear();
  room.reserve(inner.size());
  // Copied a stretch at a time: each doubled quote inside stands for one.
  for (size_t from = 0;; quote = inner.find(L'"', from)) {
    if (quote == std::wstring_view::npos) {
      room.append(inner.substr(from));
      return std::wstring_view(room);
    }
    if (quote + 1 >= inner.size() || inner[quote + 1] != L'"') {
      error = L"quoted string has unary quotes";
      return std::nullopt;
    }
    room.append(inner.substr(from, quote + 1 - from));
    from = quote + 2;
  }
}

bool CLang::CheckQuoted(std::wstring_view value, std::wstring& text, std::wstring& error) {
  std::wstring room;
  auto unquoted = Unquoted(value, room, error);
  if (!unquoted) return false;
  text = std::wstring(*unquoted);
  return true;
}

// --- Loading --------------------------------------------------------------------------------

bool CLang::ReadSection(const std::wstring& path, const std::wstring& section, Texts& texts,
                        const std::wstring& keyPrefix, SectionList& list) {
  return TrapOr(L"CLang.ReadSection", false, [&] {
    auto fail = [&](std::wstring_view format, const std::vector<LangArg>& args) {
      LogError(L"CLang.ReadSection", 0, Format(format, args));
    };
    CLangFile file;
    if (!file.OpenFile(path, path == m_sImagePath ? m_pImage : nullptr)) {
      LogError(L"CLang.ReadSection", static_cast<int32_t>(file.LastError()),
               L"oFile.OpenFile failed");
      if (file.LastError() != static_cast<uint32_t>(win32::ERROR_FILE_NOT_FOUND) &&
          file.LastError() != win32::ERROR_PATH_NOT_FOUND)
        NoteUnread(path, file.LastError());
      return false;
    }
    std::wstring wanted = vb::LCase(section);
    const std::wstring prefix = vb::LCase(keyPrefix);
    bool found = false;
    // Lines passed over by their bytes are not counted: a message that needs the number of a
    // line after them has it counted then, once.
    int32_t lineNo = 0;
    bool lineKnown = true;
    auto number = [&] {
      if (!lineKnown) {
        lineNo = CLangFile::LineNumberAt(path, file.LineOffset());
        lineKnown = true;
      }
      return lineNo;
    };
    std::wstring line, room;  // texts whose room serves every line
    // A section an earlier scan of this load met is read from its first line on: the headers
    // before it were read then, and each was sound, or no scan would have got past it.
    if (file.ResumeAtSection(wanted)) found = true, lineKnown = false;
    while (!file.FEOF()) {
      // Before the section only headers count: the lines between are passed over by their
      // bytes.
      std::string_view bytes;
      bool skipped = false;
      if ((!found && !file.SkipToHeader(skipped)) || !file.ReadLineBytes(bytes)) {
        if (!file.FEOF()) {
          LogError(L"CLang.ReadSection", static_cast<int32_t>(file.LastError()),
                   L"oFile.ReadLine failed");
          NoteUnread(path, file.LastError());
        }
        break;
      }
      if (skipped) lineKnown = false;
      ++lineNo;
      // A line whose first byte after blanks and tabs is no "[" is passed over unconverted
      // while the section is still ahead (neither code page makes a "[", a blank or a tab of
      // other bytes).
      size_t first = 0, end = bytes.size();
      while (first < end && (bytes[first] == ' ' || bytes[first] == '\t')) ++first;
      if (!found && (first == end || bytes[first] != '[')) continue;
      // Blanks and tabs are single bytes in both code pages: trimmed before the conversion.
      while (end > first && (bytes[end - 1] == ' ' || bytes[end - 1] == '\t')) --end;
      // An entry of ASCII alone (most of every file) is taken apart on its bytes, which both
      // code pages widen one to one; anything else, and every line with a fault to report,
      // goes the wide road below.
      if (found && first < end && bytes[first] != '[' && bytes[first] != ';' &&
          bytes[first] != '\'' && IsAscii(bytes.substr(first, end - first))) {
        const std::string_view view = bytes.substr(first, end - first);
        const size_t eq = view.find('=');
        const std::string_view name =
            eq == view.npos ? std::string_view() : TrimmedView(view.substr(0, eq));
        const auto text =
            name.empty() ? std::nullopt : PlainQuoted(TrimmedView(view.substr(eq + 1)));
        if (text) {
          auto [key, added] = texts.AddAscii(prefix, name, *text);
          std::wstring_view listed = key.substr(prefix.size());
          if (added) {
            list.AddNew(listed);
          } else {
            fail(L"declaration of constant '%s' repeats in a line %d of '%s' file",
                 {std::wstring(name.begin(), name.end()), number(), path});
            list.Add(listed);
          }
          continue;
        }
      }
      file.LineText(bytes.substr(first, end - first), line);
      if (line.empty() || IsCommentStart(line[0])) continue;
      if (line[0] == L'[') {
        size_t close = line.find(L']', 1);
        if (close == std::wstring::npos) {
          fail(L"symbol ']' is absent, line = %d, file = '%s'", {number(), path});
          return false;
        }
        std::wstring name = line.substr(1, close - 1);
        if (name.empty()) {
          fail(L"empty section name, line - %d, file = '%s'", {number(), path});
          return false;
        }
        std::wstring rest = TrimBlanks(std::wstring_view(line).substr(close + 1));
        if (!rest.empty() && !IsCommentStart(rest[0])) {
          fail(L"'%s' is not the comment, line - %d, file = '%s'", {rest, number(), path});
          return false;
        }
        const std::wstring lower = vb::LCase(name);
        file.NoteSection(lower);
        if (found) break;
        found = lower == wanted;
        continue;
      }
      if (!found) continue;
      std::wstring_view view(line);
      size_t eq = view.find(L'=');
      if (eq == std::wstring::npos) {
        fail(L"symbol '=' is absent, line = %d, file = '%s'", {number(), path});
        continue;
      }
      std::wstring_view name = TrimmedView(view.substr(0, eq));
      if (name.empty()) {
        fail(L"Const's name does not exist, line - %d, file = '%s'", {number(), path});
        continue;
      }
      std::wstring_view value = TrimmedView(WithoutComment(TrimmedView(view.substr(eq + 1))));
      if (value.empty()) {
        fail(L"Const's value does not exist, line - %d, file = '%s'", {number(), path});
        continue;
      }
      std::wstring why;
      auto kept = Unquoted(value, room, why);
      if (!kept) {
        fail(L"Syntactic error - '%s', line - %d, file = '%s'", {why, number(), path});
        continue;
      }
      auto [key, added] = texts.Add(prefix, name, *kept);
      std::wstring_view listed = key.substr(prefix.size());
      if (added) {
        list.AddNew(listed);
      } else {
        fail(L"declaration of constant '%s' repeats in a line %d of '%s' file",
             {std::wstring(name), number(), path});
        list.Add(listed);
      }
    }
    return found;
  });
}

std::optional<CLang::Texts> CLang::ReadSectionInto(const std::wstring& path,
                                                   const std::wstring& section) {
  Texts texts;
  SectionList list;
  if (!ReadSection(path, section, texts, L"", list)) return std::nullopt;
  return texts;
}

void CLang::NoteUnread(const std::wstring& path, uint32_t error, bool folder) {
  if (m_unread.count++ == 0) m_unread = {1, path, error, folder};
}

std::wstring CLang::UnreadText() const {
  return Format(m_unread.folder ? L"files in '%s' could not be listed (error %d)"
                                : L"file '%s' could not be read (error %d)",
                {m_unread.path, static_cast<int32_t>(m_unread.error)});
}

void CLang::TakeData(CLang& other) {
  m_colTexts = std::move(other.m_colTexts);
  m_colSections = std::move(other.m_colSections);
  m_sFilename = std::move(other.m_sFilename);
  m_sLangID = std::move(other.m_sLangID);
  m_sLangName = std::move(other.m_sLangName);
  m_sAppName = std::move(other.m_sAppName);
  m_dtFileTime = other.m_dtFileTime;
  m_nDumpMode = other.m_nDumpMode;
  other.ResetData();
}

bool CLang::Init(const std::wstring& path, const std::wstring& appName) {
  ResetData();
  m_unread = {};
  // Every section scan of this load runs over one read of the file.
  m_pImage = CLangFile::ReadWhole(path);
  m_sImagePath = path;
  bool ok = TrapOr(L"CLang.Init", false, [&] { return LoadFile(path, appName); });
  m_pImage.reset();
  m_sImagePath.clear();
  // A scan cut short by a refused read keeps only part of the texts: no load at all.
  if (m_unread.count != 0) {
    LogInit(UnreadText());
    ok = false;
  }
  if (!ok) ResetData();
  return ok;
}

bool CLang::LoadFile(const std::wstring& path, const std::wstring& appName) {
  auto entry = [](const Texts& section, const wchar_t* name) {
    return section.Find(name).value_or(std::wstring());
  };
  auto version = ReadSectionInto(path, L"version");
  if (!version) {
    // A file saved as UTF-16 reads as one line of bytes with no header: say what it is.
    const bool utf16 = m_pImage && m_pImage->size >= 2 &&
                       ((m_pImage->bytes[0] == 0xFF && m_pImage->bytes[1] == 0xFE) ||
                        (m_pImage->bytes[0] == 0xFE && m_pImage->bytes[1] == 0xFF));
    if (m_unread.count == 0)
      LogInit(utf16 ? Format(L"file '%s' is UTF-16 text: a language file is read as "
                             L"Windows-1252, or as UTF-8 after its byte-order mark",
                             {path})
                    : Format(L"file '%s' has no version section", {path}));
    return false;
  }
  std::wstring langID = entry(*version, L"langid"), langName = entry(*version, L"lang");
  if (entry(*version, L"signature") != kSignature || langID.empty() || langName.empty()) {
    LogInit(Format(L"file '%s' has no(or wrong) signature or lang or langid in [version] section",
                   {path}));
    return false;
  }
  auto app = ReadSectionInto(path, appName);
  if (!app) {
    LogInit(Format(L"file '%s' has no [%s] section", {path, appName}));
    return false;
  }
  std::wstring globals = entry(*app, L"globals"), forms = entry(*app, L"forms");
  if (globals.empty()) LogInit(Format(L"file '%s' has no (or empty) [%s].texts", {path, appName}));
  if (forms.empty())
    LogWarning(L"CLang.Init", Format(L"file '%s' has no (or empty) [%s].forms", {path, appName}));

  int32_t dumpMode = 0;
  double dump = vb::Val(entry(*app, L"dumpforms"));
  if (dump > -1e9 && dump < 1e9) dumpMode = vb::CLng(dump);
  if (dumpMode < 1 || dumpMode > 3) dumpMode = 0;
  if (dumpMode != 0) LogWarning(L"CLang.Init", L"The forms will be dumped when they will appear");

  Texts texts;
  // Every entry is a line of its own: the lines of the file bound what the load keeps.
  size_t lines = 0;
  if (m_pImage) {
    const auto* bytes = m_pImage->bytes.get();
    lines = 1;
    for (const auto *at = bytes, *end = bytes + m_pImage->size;
         (at = static_cast<const uint8_t*>(std::memchr(at, '\n', static_cast<size_t>(end - at))));
         ++at)
      ++lines;
    texts.Reserve(lines);
  }
  std::map<std::wstring, SectionList> sections;
  const std::vector<std::wstring> lists[] = {SplitList(globals), SplitList(forms)};
  // Each section's list starts with room for its share of the lines, not from nothing.
  const size_t share = lines / std::max<size_t>(1, lists[0].size() + lists[1].size());
  // Text sections share one key space; a form's keys are prefixed with the form's name.
  for (bool formSections : {false, true}) {
    for (const std::wstring& raw : lists[formSections ? 1 : 0]) {
      std::wstring item = TrimBlanks(raw);
      if (item.empty()) {
        LogInit(Format(formSections ? L"file '%s' has error in [%s].forms"
                                    : L"file '%s' has error in [%s].texts",
                       {path, appName}));
        return false;
      }
      std::wstring full = appName + L"." + item;
      SectionList list;
      list.names.reserve(share);
      if (!ReadSection(path, full, texts, formSections ? item : L"", list)) {
        LogInit(Format(L"Error readig section [%s] in file '%s'", {full, path}));
        return false;
      }
      if (!sections.emplace(vb::LCase(item), std::move(list)).second)
        vb::Raise(kDuplicateKey,
                  L"This key is already associated with an element of this "
                  L"collection");
    }
  }
  m_colTexts = std::move(texts);
  m_colSections = std::move(sections);
  m_sFilename = path;
  m_sLangID = langID;
  m_sLangName = langName;
  m_sAppName = appName;
  m_nDumpMode = dumpMode;
  // Without its time the next dialog would read the file again for nothing.
  for (int tries = 1;
       tries <= kHeldTries && !mFileUtils::GetFileLastModificationTime(path, m_dtFileTime);
       ++tries) {
  }
  return true;
}

std::vector<std::wstring> CLang::GetAvailableLangs(const std::wstring& folder,
                                                   const std::wstring& skipName) {
  std::vector<std::wstring> langs;
  win32::HANDLE find = win32::INVALID_HANDLE_VALUE;
  m_unread = {};
  Trap(L"CLang.GetAvailableLangs", [&] {
    win32::WIN32_FIND_DATAA data;
    const std::string pattern = win32::ToAnsi(folder + L"\\*.lng");
    find = win32::FindFirstFileA(pattern.c_str(), &data);
    for (int tries = 1; find == win32::INVALID_HANDLE_VALUE && tries < kHeldTries &&
                        CLangFile::Held(win32::GetLastError());
         ++tries)
      find = win32::FindFirstFileA(pattern.c_str(), &data);
    if (find == win32::INVALID_HANDLE_VALUE) {
      const uint32_t error = win32::GetLastError();
      if (error != static_cast<uint32_t>(win32::ERROR_FILE_NOT_FOUND) &&
          error != win32::ERROR_PATH_NOT_FOUND) {
        NoteUnread(folder, error, true);
        LogWarning(L"CLang.GetAvailableLangs", Format(L"folder '%s' could not be listed (error %d)",
                                                      {folder, static_cast<int32_t>(error)}));
      }
      return;
    }
    do {
      if (data.dwFileAttributes & win32::FILE_ATTRIBUTE_DIRECTORY) continue;
      std::wstring name = win32::FromAnsi(data.cFileName);
      if (vb::LCase(name) == vb::LCase(skipName)) continue;
      std::wstring full = folder + L"\\" + name;
      const int unreadBefore = m_unread.count;
      auto version = ReadSectionInto(full, L"version");
      if (!version) {
        LogWarning(
            L"CLang.GetAvailableLangs",
            Format(m_unread.count != unreadBefore ? L"ignoring file '%s', coz it could not be read"
                                                  : L"ignoring file '%s', coz no [version] section",
                   {full}));
        continue;
      }
      auto get = [&](const wchar_t* key) { return version->Find(key).value_or(std::wstring()); };
      if (get(L"signature") == kSignature && !get(L"langid").empty() && !get(L"lang").empty())
        langs.push_back(get(L"langid") + L"\r\n" + get(L"lang") + L"\r\n" + name);
      else
        LogWarning(L"CLang.GetAvailableLangs",
                   Format(L"ignoring file '%s', coz in section [version] no(or wrong) signature "
                          L"or lang or langid",
                          {full}));
    } while (win32::FindNextFileA(find, &data));
  });
  if (find != win32::INVALID_HANDLE_VALUE) win32::FindClose(find);
  return langs;
}

bool CLang::InitEx(const std::wstring& appName) {
  // The first read refused past its tries, whichever step met it.
  Unread seen;
  auto note = [&] {
    if (seen.count == 0) seen = m_unread;
  };
  bool rememberedUnread = false;
  const bool ok = TrapOr(L"CLang.InitEx", false, [&] {
    std::wstring langID = Options().LangID();
    if (langID.empty()) {
      langID = L"EN";
      Options().SetLangID(langID);
    }
    std::wstring skip;
    std::wstring remembered = Options().LangFile();
    if (!remembered.empty()) {
      const bool loaded = Init(ProgramFolder() + L"\\" + remembered, appName);
      rememberedUnread = m_unread.count != 0;
      note();
      if (loaded) {
        if (vb::LCase(m_sLangID) == vb::LCase(langID)) return true;
        ResetData();
      }
      skip = remembered;
    }
    std::wstring chosen;
    const auto langs = GetAvailableLangs(ProgramFolder(), skip);
    note();
    for (const std::wstring& lang : langs) {
      size_t first = lang.find(L"\r\n");
      size_t second = lang.find(L"\r\n", first + 2);
      if (lang.substr(0, first) == langID) {
        chosen = lang.substr(second + 2);
        break;
      }
    }
    if (chosen.empty()) {
      LogError(L"CLang.InitEx", 0, L"Cant find lang file by langID=" + langID);
      return false;
    }
    const bool loaded = Init(ProgramFolder() + L"\\" + chosen, appName);
    note();
    if (!loaded) return false;
    // The user's file, refused only for now, stays the one to read at the next start.
    if (!rememberedUnread) Options().SetLangFile(chosen);
    return true;
  });
  if (!ok && seen.count != 0) {
    m_unread = seen;
    LogError(L"CLang.InitEx", 0, L"the language " + UnreadText());
    // No texts to tell it with: the words are fixed.
    vb::MsgBox(L"Tanvelo could not read its language file" +
                   std::wstring(seen.folder ? L"s in " : L" ") + seen.path + L" (Windows error " +
                   std::to_wstring(seen.error) +
                   L", perhaps another program held it). Until Outlook is started again, "
                   L"Tanvelo's messages, buttons and dialogs show text ids in place of their "
                   L"texts.",
               kExclamation, L"Tanvelo");
  }
  return ok;
}

// --- Dialogs --------------------------------------------------------------------------------

class CLang::Subject {
 public:
  enum Number { kLeft, kTop, kWidth, kHeight, kX1, kY1, kX2, kY2 };

  explicit Subject(forms::Form& form) : m_form(&form) {}
  explicit Subject(forms::Control& control) : m_control(&control) {}

  std::wstring TypeName() const { return m_form ? m_form->TypeName() : m_control->TypeName(); }
  std::optional<int32_t> Index() const { return m_control ? m_control->Index() : std::nullopt; }
  std::wstring Caption() const { return m_form ? m_form->Caption() : m_control->Caption(); }
  void SetCaption(const std::wstring& text) const {
    m_form ? m_form->SetCaption(text) : m_control->SetCaption(text);
  }
  std::wstring ToolTipText() const { return Control().ToolTipText(); }
  void SetToolTipText(const std::wstring& text) const { Control().SetToolTipText(text); }
  std::shared_ptr<win32::IPicture> Picture() const { return Control().Picture(); }
  void SetPicture(std::shared_ptr<win32::IPicture> picture) const {
    Control().SetPicture(std::move(picture));
  }

  int32_t Get(Number which) const {
    switch (which) {
      case kLeft:
        return m_form ? m_form->Left() : m_control->Left();
      case kTop:
        return m_form ? m_form->Top() : m_control->Top();
      case kWidth:
        return m_form ? m_form->Width() : m_control->Width();
      case kHeight:
        return m_form ? m_form->Height() : m_control->Height();
      default:
        return End(which);
    }
  }
  void Set(Number which, int32_t value) const {
    switch (which) {
      case kLeft:
        return m_form ? m_form->SetLeft(value) : m_control->SetLeft(value);
      case kTop:
        return m_form ? m_form->SetTop(value) : m_control->SetTop(value);
      case kWidth:
        return m_form ? m_form->SetWidth(value) : m_control->SetWidth(value);
      case kHeight:
        return m_form ? m_form->SetHeight(value) : m_control->SetHeight(value);
      default:
        End(which) = value;
    }
  }

 private:
  [[noreturn]] static void Lacks() { vb::Raise(kObjectDoesntSupport); }
  forms::Control& Control() const {
    if (!m_control) Lacks();
    return *m_control;
  }
  int32_t& End(Number which) const {
    auto* line = dynamic_cast<forms::Line*>(m_control);
    if (!line) Lacks();
    int32_t* ends[] = {&line->X1, &line->Y1, &line->X2, &line->Y2};
    return *ends[which - kX1];
  }

  static constexpr int32_t kObjectDoesntSupport = 438;
  forms::Form* m_form = nullptr;
  forms::Control* m_control = nullptr;
};

namespace {

constexpr wchar_t kLocalize[] = L"CLang.LocalizeControls";

// A text the runtime's CLng accepts: a number with blanks around it; 13 for anything else.
int32_t ToLong(const std::wstring& text) {
  std::wstring t = vb::Trim(text);
  size_t i = (!t.empty() && (t[0] == L'-' || t[0] == L'+')) ? 1 : 0;
  bool digits = false, point = false;
  for (; i < t.size(); ++i) {
    if (t[i] >= L'0' && t[i] <= L'9')
      digits = true;
    else if (t[i] == L'.' && !point)
      point = true;
    else
      break;
  }
  if (!digits || i != t.size()) vb::Raise(vb::kTypeMismatch);
  return vb::CLng(vb::Val(t));
}

// A control array index: decimal digits only.
std::optional<int32_t> ParseIndex(const std::wstring& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (wchar_t c : text)
    if (c < L'0' || c > L'9') return std::nullopt;
  return std::stoi(text);
}

// One line of sequential text output, ended by CR LF, in the ANSI code page.
void Print(win32::HANDLE file, const std::wstring& text) {
  std::string bytes = win32::ToAnsi(text + L"\r\n");
  uint32_t written = 0;
  if (!win32::WriteFile(file, bytes.data(), static_cast<uint32_t>(bytes.size()), &written,
                        nullptr) ||
      written != bytes.size())
    vb::Raise(75);
}

}  // namespace

void CLang::LocalizeForm(forms::Form& form) {
  vb::Ignore([&] {
    if (m_nDumpMode != 0) DumpForm(form);
    LocalizeControls(form.Name(), Subject(form), form.Controls());
  });
  vb::Err().Clear();
}

void CLang::LocalizeUserControl(const std::wstring& name, forms::Control& object,
                                const Controls& controls) {
  vb::Ignore([&] {
    if (m_nDumpMode != 0) DumpUserControl(name, object, controls);
    LocalizeControls(name, Subject(object), controls);
  });
  vb::Err().Clear();
}

void CLang::DumpForm(forms::Form& form) {
  DumpControls(form.Name(), Subject(form), form.Controls());
}

void CLang::DumpUserControl(const std::wstring& name, forms::Control& object,
                            const Controls& controls) {
  DumpControls(name, Subject(object), controls);
}

void CLang::LocalizeControls(const std::wstring& formName, const Subject& object,
                             const Controls& controls) {
  // A translator's saved file shows in the next dialog without restarting Outlook.
  vb::Ignore([&] {
    mFileUtils::DateTime time;
    if (!m_sFilename.empty() && mFileUtils::GetFileLastModificationTime(m_sFilename, time) &&
        time > m_dtFileTime) {
      LogWarning(kLocalize,
                 Format(L"last modification time of file '%s' was changed, reloading file...",
                        {m_sFilename}));
      std::wstring path = m_sFilename, appName = m_sAppName;
      // A file held a moment by its editor keeps the texts read before; the next dialog
      // asks again.
      CLang fresh;
      if (fresh.Init(path, appName))
        TakeData(fresh);
      else if (fresh.m_unread.count == 0)
        ResetData();
    }
  });
  std::wstring form = vb::LCase(formName);
  auto section = m_colSections.find(form);
  if (section == m_colSections.end()) {
    LogWarning(kLocalize, Format(L"Locale for '%s' form not exists", {formName}));
    vb::Err().Clear();
    return;
  }
  // Copied: a dialog's code may load the language again while its controls are set.
  const std::vector<std::wstring> keys(section->second.names.begin(), section->second.names.end());
  for (const std::wstring& key : keys) {
    vb::Ignore([&] {
      size_t point = key.find(L'.');
      std::wstring name = key.substr(0, point);
      std::wstring property = point == std::wstring::npos ? L"caption" : key.substr(point + 1);
      std::optional<int32_t> index;
      if (size_t open = name.find(L'('); open != std::wstring::npos) {
        std::wstring indexText = name.substr(open + 1);
        name.erase(open);
        if (!indexText.empty() && indexText.back() == L')') indexText.pop_back();
        index = ParseIndex(indexText);
        if (!index)
          LogError(kLocalize, 0, Format(L"invalid key '%s' for form '%s'", {key, formName}));
      }
      std::optional<Subject> target;
      if (name.empty()) {
        target = object;
      } else if (index) {
        std::shared_ptr<forms::Control> control;
        if (vb::Catch([&] { control = forms::FindControlIn(controls, name, *index); }))
          target.emplace(*control);
        else
          LogError(kLocalize);
      } else if (auto control = forms::FindControlIn(controls, name)) {
        target.emplace(*control);
      }
      if (!target) {
        LogError(kLocalize, 0,
                 Format(L"'%s%s' control does not exist on '%s' form",
                        {name, index ? L"(" + std::to_wstring(*index) + L")" : L"", formName}));
        return;
      }
      std::wstring value = sprintf2(m_colTexts.Find(form + key).value_or(std::wstring()));

      static const std::pair<const wchar_t*, Subject::Number> numbers[] = {
          {L"left", Subject::kLeft},     {L"top", Subject::kTop}, {L"width", Subject::kWidth},
          {L"height", Subject::kHeight}, {L"x1", Subject::kX1},   {L"y1", Subject::kY1},
          {L"x2", Subject::kX2},         {L"y2", Subject::kY2}};
      static const std::pair<const wchar_t*, Subject::Number> pixels[] = {
          {L"dleft", Subject::kLeft},
          {L"dtop", Subject::kTop},
          {L"dwidth", Subject::kWidth},
          {L"dheight", Subject::kHeight}};
      std::wstring prop = vb::LCase(property);
      for (const auto& [word, which] : numbers)
        if (prop == word) return target->Set(which, ToLong(value));
      for (const auto& [word, which] : pixels)
        if (prop == word) {
          bool across = which == Subject::kLeft || which == Subject::kWidth;
          int32_t perPixel = across ? vb::Screen().TwipsPerPixelX : vb::Screen().TwipsPerPixelY;
          return target->Set(which, target->Get(which) + ToLong(value) * perPixel);
        }
      if (prop == L"caption") return target->SetCaption(value);
      if (prop == L"tooltiptext") return target->SetToolTipText(value);
      if (prop == L"picture") {
        if (InStrAny(value, L":") != 0) {
          LogError(kLocalize, 0,
                   Format(L"You should specify a relative file path for %s.%s.%s",
                          {formName, name, property}));
          return;
        }
        return target->SetPicture(vb::LoadPicture(ProgramFolder() + L"\\" + value));
      }
      LogError(kLocalize, 0, Format(L"'%s' property does not supported", {property}));
    });
  }
  vb::Err().Clear();
}

void CLang::DumpControls(const std::wstring& formName, const Subject& object,
                         const Controls& controls) {
  win32::HANDLE file = win32::INVALID_HANDLE_VALUE;
  Trap(L"CLang.DumpControls", [&] {
    std::wstring folder = ProgramFolder() + L"\\Dump";
    mFileUtils::MakeDirPath(folder);
    file = win32::CreateFileA(win32::ToAnsi(folder + L"\\" + formName + L".txt").c_str(),
                              win32::GENERIC_WRITE, 0, nullptr, win32::CREATE_ALWAYS,
                              win32::FILE_ATTRIBUTE_NORMAL, 0);
    if (file == win32::INVALID_HANDLE_VALUE)
      vb::Raise(win32::GetLastError() == win32::ERROR_PATH_NOT_FOUND ? 76 : 75);
    // The header makes the file a form section ready to paste into a language file.
    Print(file, Format(L"[%s.%s]", {m_sAppName, formName}));
    std::wstring pictureFolder = folder + L"\\" + formName;
    DumpControl(object, L"", file, pictureFolder);
    for (const auto& control : controls)
      DumpControl(Subject(*control), control->Name(), file, pictureFolder);
  });
  if (file != win32::INVALID_HANDLE_VALUE) win32::CloseHandle(file);
}

void CLang::DumpControl(const Subject& object, const std::wstring& name, uint32_t file,
                        const std::wstring& pictureFolder) {
  std::wstring key = name;
  if (auto index = object.Index()) key += L"(" + std::to_wstring(*index) + L")";
  const bool full = m_nDumpMode == 1;
  const bool line = object.TypeName() == L"Line";
  std::wstring header =
      m_nDumpMode == 2 || m_nDumpMode == 3 ? Format(L"; %s(%s)", {key, object.TypeName()}) : L"";
  std::vector<std::wstring> lines;
  auto add = [&](const std::wstring& keyPart, const std::wstring& value,
                 const wchar_t* format = L"%s=\"%s\"") {
    lines.push_back(AlignAssignment(Format(format, {keyPart, value}), 4));
  };

  if (!line) {
    std::wstring caption;
    vb::Ignore([&] { caption = object.Caption(); });
    if (m_nDumpMode == 1 || m_nDumpMode == 2 || (m_nDumpMode == 3 && !caption.empty()))
      add(key.empty() ? L".Caption" : key, EscapeText(caption));
  }
  if (full) {
    static const std::pair<const wchar_t*, Subject::Number> box[] = {
        {L".Left", Subject::kLeft},
        {L".Top", Subject::kTop},
        {L".Width", Subject::kWidth},
        {L".Height", Subject::kHeight}};
    for (const auto& field : box)
      vb::Ignore([&] { add(key + field.first, std::to_wstring(object.Get(field.second))); });

    std::shared_ptr<win32::IPicture> picture;
    vb::Ignore([&] { picture = object.Picture(); });
    if (picture && picture->Handle() != 0) {
      std::wstring path = Format(L"%s\\\\%s.bmp", {pictureFolder, key});
      if (vb::Catch([&] {
            mFileUtils::MakeDirPath(pictureFolder);
            vb::SavePicture(picture, path);
          })) {
        add(key + L".Picture", EscapeText(path), L"%s= \"%s\"");
      } else {
        LogError(L"CLang.DumpControl");
        win32::RemoveDirectoryA(win32::ToAnsi(pictureFolder).c_str());
      }
    }
    if (line) {
      static const std::pair<const wchar_t*, Subject::Number> ends[] = {{L".X1", Subject::kX1},
                                                                        {L".Y1", Subject::kY1},
                                                                        {L".X2", Subject::kX2},
                                                                        {L".Y2", Subject::kY2}};
      for (const auto& field : ends)
        vb::Ignore([&] { add(key + field.first, std::to_wstring(object.Get(field.second))); });
    }
  }
  std::wstring tip;
  vb::Ignore([&] { tip = object.ToolTipText(); });
  if (!tip.empty()) add(key + L".ToolTipText", EscapeText(tip));
  vb::Err().Clear();

  if (lines.empty()) return;
  std::wstring block;
  for (const auto& l : lines) block += (block.empty() ? L"" : L"\r\n") + l;
  Print(file, header);
  Print(file, block);
}

std::wstring CLang::EscapeText(std::wstring_view text) {
  auto replaceAll = [](std::wstring s, std::wstring_view from, std::wstring_view to) {
    for (size_t pos = 0; (pos = s.find(from, pos)) != std::wstring::npos; pos += to.size())
      s.replace(pos, from.size(), to);
    return s;
  };
  std::wstring s = replaceAll(std::wstring(text), L"\\", L"\\\\");
  s = replaceAll(std::move(s), L"\r\n", L"\\n");
  s = replaceAll(std::move(s), L"\t", L"\\t");
  return replaceAll(std::move(s), L"\"", L"\"\"");
}

std::wstring CLang::AlignAssignment(std::wstring_view line, int32_t tabs) {
  size_t eq = line.find(L'=');
  std::wstring out(line);
  if (eq == std::wstring_view::npos) return out;
  int32_t column = static_cast<int32_t>(eq) + 1;
  if (column > 8 * tabs) return out;
  int32_t count = tabs - (column + 7) / 8 + 1;
  out.insert(eq, static_cast<size_t>(count), L'\t');
  return out;
}

int32_t CLang::InStrAny(std::wstring_view text, std::wstring_view chars) {
  size_t pos = text.find_first_of(chars);
  return pos == std::wstring_view::npos ? 0 : static_cast<int32_t>(pos) + 1;
}
