#include "core/CLang.h"

#include <algorithm>

#include "core/CLangFile.h"
#include "core/COptions.h"
#include "core/CWinReg.h"
#include "core/Main.h"
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

void CLang::SectionList::Add(const std::wstring& name) {
  for (const auto& n : names)
    if (n == name) return;
  names.push_back(name);
}

CLang::CLang() {
  (void)kGlobalReset;
}

CLang::~CLang() {
  ResetData();
}

void CLang::ResetData() {
  m_colTexts.clear();
  m_colSections.clear();
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
  auto it = m_colTexts.find(vb::LCase(id));
  if (it == m_colTexts.end()) {
    LogError(L"CLang.Item", 0, L"Key '" + std::wstring(id) + L"' not exists in " + m_sFilename);
    text = id;
  } else {
    text = it->second;
  }
  return args.empty() ? sprintf2(text) : sprintf1(text, args);
}

bool CLang::ItemFind(std::wstring_view id) const {
  bool found = m_colTexts.count(vb::LCase(id)) != 0;
  vb::Err().Clear();
  return found;
}

void CLang::ItemSet(std::wstring_view id, const std::wstring& text) {
  m_colTexts[vb::LCase(id)] = text;
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
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == L' ' || text[b] == L'\t')) ++b;
  while (e > b && (text[e - 1] == L' ' || text[e - 1] == L'\t')) --e;
  return std::wstring(text.substr(b, e - b));
}

std::wstring CLang::StripComment(std::wstring_view value) {
  size_t quotes = 0;
  for (wchar_t c : value) quotes += c == L'"';
  size_t cut = std::wstring_view::npos;
  if (quotes % 2 == 0) {
    bool inside = false;
    for (size_t i = 0; i < value.size() && cut == std::wstring_view::npos; ++i) {
      if (value[i] == L'"')
        inside = !inside;
      else if (!inside && IsCommentStart(value[i]))
        cut = i;
    }
  } else {
    cut = value.find_first_of(L";'", value.rfind(L'"') + 1);
  }
  return std::wstring(value.substr(0, cut));
}

bool CLang::CheckQuoted(std::wstring_view value, std::wstring& text, std::wstring& error) {
  if (value.size() < 2 || value.front() != L'"' || value.back() != L'"') {
    error = L"The string should be in quotes";
    return false;
  }
  std::wstring out;
  size_t end = value.size() - 1;
  for (size_t i = 1; i < end; ++i) {
    if (value[i] == L'"') {
      if (i + 1 >= end || value[i + 1] != L'"') {
        error = L"quoted string has unary quotes";
        return false;
      }
      ++i;
    }
    out += value[i];
  }
  text = std::move(out);
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
    if (!file.OpenFile(path)) {
      LogError(L"CLang.ReadSection", static_cast<int32_t>(file.LastError()),
               L"oFile.OpenFile failed");
      return false;
    }
    std::wstring wanted = vb::LCase(section);
    bool found = false;
    int32_t lineNo = 0;
    while (!file.FEOF()) {
      std::wstring raw;
      if (!file.ReadLine(raw)) {
        if (!file.FEOF())
          LogError(L"CLang.ReadSection", static_cast<int32_t>(file.LastError()),
                   L"oFile.ReadLine failed");
        break;
      }
      ++lineNo;
      std::wstring line = TrimBlanks(raw);
      if (line.empty() || IsCommentStart(line[0])) continue;
      if (line[0] == L'[') {
        size_t close = line.find(L']', 1);
        if (close == std::wstring::npos) {
          fail(L"symbol ']' is absent, line = %d, file = '%s'", {lineNo, path});
          return false;
        }
        std::wstring name = line.substr(1, close - 1);
        if (name.empty()) {
          fail(L"empty section name, line - %d, file = '%s'", {lineNo, path});
          return false;
        }
        std::wstring rest = TrimBlanks(std::wstring_view(line).substr(close + 1));
        if (!rest.empty() && !IsCommentStart(rest[0])) {
          fail(L"'%s' is not the comment, line - %d, file = '%s'", {rest, lineNo, path});
          return false;
        }
        if (found) break;
        found = vb::LCase(name) == wanted;
        continue;
      }
      if (!found) continue;
      size_t eq = line.find(L'=');
      if (eq == std::wstring::npos) {
        fail(L"symbol '=' is absent, line = %d, file = '%s'", {lineNo, path});
        continue;
      }
      std::wstring name = TrimBlanks(std::wstring_view(line).substr(0, eq));
      if (name.empty()) {
        fail(L"Const's name does not exist, line - %d, file = '%s'", {lineNo, path});
        continue;
      }
      std::wstring value =
          TrimBlanks(StripComment(TrimBlanks(std::wstring_view(line).substr(eq + 1))));
      if (value.empty()) {
        fail(L"Const's value does not exist, line - %d, file = '%s'", {lineNo, path});
        continue;
      }
      std::wstring text, why;
      if (!CheckQuoted(value, text, why)) {
        fail(L"Syntactic error - '%s', line - %d, file = '%s'", {why, lineNo, path});
        continue;
      }
      if (!texts.emplace(vb::LCase(keyPrefix + name), std::move(text)).second)
        fail(L"declaration of constant '%s' repeats in a line %d of '%s' file",
             {name, lineNo, path});
      list.Add(vb::LCase(name));
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

bool CLang::Init(const std::wstring& path, const std::wstring& appName) {
  ResetData();
  bool ok = TrapOr(L"CLang.Init", false, [&] { return LoadFile(path, appName); });
  if (!ok) ResetData();
  return ok;
}

bool CLang::LoadFile(const std::wstring& path, const std::wstring& appName) {
  auto entry = [](const Texts& section, const wchar_t* name) {
    auto it = section.find(name);
    return it == section.end() ? std::wstring() : it->second;
  };
  auto version = ReadSectionInto(path, L"version");
  if (!version) {
    LogInit(Format(L"file '%s' has no version section", {path}));
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
  std::map<std::wstring, SectionList> sections;
  // Text sections share one key space; a form's keys are prefixed with the form's name.
  for (bool formSections : {false, true}) {
    for (const std::wstring& raw : SplitList(formSections ? forms : globals)) {
      std::wstring item = TrimBlanks(raw);
      if (item.empty()) {
        LogInit(Format(formSections ? L"file '%s' has error in [%s].forms"
                                    : L"file '%s' has error in [%s].texts",
                       {path, appName}));
        return false;
      }
      std::wstring full = appName + L"." + item;
      SectionList list;
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
  mFileUtils::GetFileLastModificationTime(path, m_dtFileTime);
  return true;
}

std::vector<std::wstring> CLang::GetAvailableLangs(const std::wstring& folder,
                                                   const std::wstring& skipName) {
  std::vector<std::wstring> langs;
  win32::HANDLE find = win32::INVALID_HANDLE_VALUE;
  Trap(L"CLang.GetAvailableLangs", [&] {
    win32::WIN32_FIND_DATAA data;
    find = win32::FindFirstFileA(win32::ToAnsi(folder + L"\\*.lng").c_str(), &data);
    if (find == win32::INVALID_HANDLE_VALUE) return;
    do {
      if (data.dwFileAttributes & win32::FILE_ATTRIBUTE_DIRECTORY) continue;
      std::wstring name = win32::FromAnsi(data.cFileName);
      if (vb::LCase(name) == vb::LCase(skipName)) continue;
      std::wstring full = folder + L"\\" + name;
      auto version = ReadSectionInto(full, L"version");
      if (!version) {
        LogWarning(L"CLang.GetAvailableLangs",
                   Format(L"ignoring file '%s', coz no [version] section", {full}));
        continue;
      }
      auto get = [&](const wchar_t* key) {
        auto it = version->find(key);
        return it == version->end() ? std::wstring() : it->second;
      };
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
  return TrapOr(L"CLang.InitEx", false, [&] {
    std::wstring langID = Options().LangID();
    if (langID.empty()) {
      langID = L"EN";
      Options().SetLangID(langID);
    }
    std::wstring skip;
    std::wstring remembered = Options().LangFile();
    if (!remembered.empty()) {
      if (Init(ProgramFolder() + L"\\" + remembered, appName)) {
        if (vb::LCase(m_sLangID) == vb::LCase(langID)) return true;
        ResetData();
      }
      skip = remembered;
    }
    std::wstring chosen;
    for (const std::wstring& lang : GetAvailableLangs(ProgramFolder(), skip)) {
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
    if (!Init(ProgramFolder() + L"\\" + chosen, appName)) return false;
    Options().SetLangFile(chosen);
    return true;
  });
}
