#include "platform/word/Word.h"

#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/vb/Error.h"
#include "platform/vb/Faults.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Reset.h"
#include "platform/word/LibreOffice.h"

namespace word {

namespace {

// Word's own error for a file it cannot open or save, and the one for a call without Word.
constexpr int32_t kErrCommandFailed = 4198;
constexpr int32_t kErrNotRunning = 462;

struct WordState {
  FaultSwitches faults;
  std::vector<std::wstring> calls;
  int32_t running = 0;
  std::shared_ptr<Converter> converter;
  BusyObserver busy;
};

WordState& S() {
  return win32::PlatformState<WordState>();
}

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = vb::LowerChar(c);
  return text;
}

std::wstring Extension(const std::wstring& path) {
  size_t dot = path.find_last_of(L'.');
  size_t sep = path.find_last_of(L"\\/");
  if (dot == std::wstring::npos || (sep != std::wstring::npos && dot < sep)) return L"";
  return Lower(path.substr(dot + 1));
}

std::wstring FolderOf(const std::wstring& path) {
  size_t sep = path.find_last_of(L"\\/");
  return sep == std::wstring::npos ? L"" : path.substr(0, sep);
}

std::wstring BaseName(const std::wstring& path) {
  size_t sep = path.find_last_of(L"\\/");
  std::wstring name = sep == std::wstring::npos ? path : path.substr(sep + 1);
  size_t dot = name.find_last_of(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

[[noreturn]] void Fail(const std::wstring& text) {
  vb::Raise(kErrCommandFailed, text);
}

std::wstring Describe(const Variant& v) {
  if (std::holds_alternative<int32_t>(v)) return std::to_wstring(std::get<int32_t>(v));
  if (std::holds_alternative<std::wstring>(v)) return std::get<std::wstring>(v);
  if (std::holds_alternative<bool>(v)) return std::get<bool>(v) ? L"True" : L"False";
  return L"";
}

// A host folder of one conversion's own, removed with what it holds on every path. It lies in
// the sandbox beside the drives, so that a program killed during a conversion leaves its copy
// of the user's document only where the next start clears what programs gone left.
class PrivateFolder {
 public:
  PrivateFolder() {
    std::filesystem::path parent = win32::files::Root();
    if (parent.empty()) parent = std::filesystem::temp_directory_path();
    std::string pattern = (parent / "tanvelo-conv-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~PrivateFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  const std::filesystem::path& Path() const {
    if (path_.empty()) Fail(L"Word has no room for its temporary files.");
    return path_;
  }

 private:
  std::filesystem::path path_;
};

// A file of Word's own folders, whole or not at all: a read that fails part way is no file.
std::optional<std::string> ReadHostFile(const std::filesystem::path& path) {
  return win32::files::ReadHostFile(path);
}

// Why a file of the user's could not be read, in Word's words, from the system's answer.
std::wstring WhyUnread(const std::wstring& path) {
  switch (win32::GetLastError()) {
    case win32::ERROR_FILE_NOT_FOUND:
    case win32::ERROR_PATH_NOT_FOUND:
      return L"This file could not be found. (" + path + L")";
    case win32::ERROR_ACCESS_DENIED:
      return L"Word cannot open the document: user does not have access privileges (" + path + L")";
    default:
      return L"Word experienced an error trying to open the file (error " +
             std::to_wstring(win32::GetLastError()) + L"). (" + path + L")";
  }
}

// The whole file, or Word's error naming it and why: never an empty or a shortened document.
std::string ReadUserFile(const std::wstring& path) {
  // A name the code page cannot hold names no file, on every road.
  if (!win32::FitsAnsi(path)) Fail(L"This file could not be found. (" + path + L")");
  auto bytes = win32::files::ReadAll(win32::ToAnsi(path));
  if (!bytes) Fail(WhyUnread(path));
  return std::move(*bytes);
}

// The converter at work on one of the user's files, for whoever watches.
class AtWork {
 public:
  explicit AtWork(const std::wstring& file) {
    if (!S().busy) return;
    S().busy(file, 0);
    S().converter->onWaiting = [busy = S().busy, file](int seconds) { busy(file, seconds); };
  }
  ~AtWork() {
    if (S().converter) S().converter->onWaiting = nullptr;
  }
  AtWork(const AtWork&) = delete;
  AtWork& operator=(const AtWork&) = delete;
};

}  // namespace

// On the converter's road a document stays the file it was opened from, and the word processor
// converts that file itself when it is saved: what the flat model here cannot hold (formatting,
// tables, lists) survives.
struct ConverterSource {
  enum Kind { kWord, kHtml, kRtf } kind = kWord;
  std::wstring html;                   // kHtml: the file's HTML
  std::wstring folder;                 // kHtml: its folder, for relative links
  std::string rtf;                     // kRtf: the file's bytes
  std::unique_ptr<PrivateFolder> own;  // kWord: a copy of the document and its HTML
  std::filesystem::path document, converted;
};

namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

// RTF is 7-bit text: characters past ASCII are escaped (\'hh, \u), so a byte from 0x80 up
// or a control byte other than a line's end or a tab is no RTF, save the raw data a \binN
// carries (and the NULs some writers leave after the last brace).
bool IsRtfText(const std::string& bytes) {
  size_t end = bytes.find_last_not_of('\0');
  end = end == std::string::npos ? 0 : end + 1;
  auto text = [](char c) {
    auto b = static_cast<unsigned char>(c);
    return b < 0x7F && (b >= 0x20 || b == '\t' || b == '\n' || b == '\r');
  };
  for (size_t at = 0; at < end; ++at) {
    if (!text(bytes[at])) return false;
    if (bytes[at] != '\\' || at + 1 >= end) continue;
    if (!IsAsciiLetter(bytes[at + 1])) {
      if (!text(bytes[++at])) return false;  // a control symbol: "\\bin" is text
      continue;
    }
    size_t word = at + 1, param = word;
    while (param < end && IsAsciiLetter(bytes[param])) ++param;
    size_t next = param < end && bytes[param] == '-' ? param + 1 : param;
    uintmax_t count = 0;
    size_t digits = next;
    while (digits < end && IsAsciiDigit(bytes[digits]) && count <= end)
      count = count * 10 + static_cast<uintmax_t>(bytes[digits++] - '0');
    at = digits > next ? digits : param;
    if (at < end && bytes[at] == ' ') ++at;  // the word's delimiter
    if (bytes.compare(word, param - word, "bin") == 0 && next == param && digits > next)
      at += static_cast<size_t>(std::min<uintmax_t>(count, end - at));
    --at;
  }
  return true;
}

// Word's own documents and templates are RTF documents here; other bytes under those names
// are no document Word can read.
bool LooksLikeRtf(const std::string& bytes) {
  return bytes.empty() || (bytes.rfind("{\\rtf", 0) == 0 && IsRtfText(bytes));
}

// Whether markup is plausibly a web page: text (no control character but a tab, a line's or a
// page's end) that opens as one does, and whose tags close before the next one opens, where
// noise of printable characters opens about as many as it closes. The word processor may
// spend minutes on noise.
bool LooksLikeMarkup(const std::string& bytes, size_t at) {
  if (std::any_of(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end(), [](char c) {
        auto b = static_cast<unsigned char>(c);
        return (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f') || b == 0x7F;
      }))
    return false;
  static const char* const kOpenings[] = {
      "!doctype", "!--",  "?xml",   "html",   "head",   "body", "meta",     "title",
      "style",    "link", "base",   "script", "xml",    "p",    "div",      "span",
      "table",    "h1",   "h2",     "h3",     "h4",     "h5",   "h6",       "b",
      "i",        "u",    "font",   "pre",    "ul",     "ol",   "img",      "a",
      "br",       "hr",   "center", "em",     "strong", "form", "frameset", "blockquote"};
  auto opensWith = [&](const char* name) {
    size_t n = std::strlen(name);
    if (bytes.size() - at - 1 < n) return false;
    for (size_t k = 0; k < n; ++k)
      if (std::tolower(static_cast<unsigned char>(bytes[at + 1 + k])) != name[k]) return false;
    if (!IsAsciiLetter(name[0])) return true;
    size_t after = at + 1 + n;
    return after == bytes.size() || bytes[after] == '>' || bytes[after] == '/' ||
           std::isspace(static_cast<unsigned char>(bytes[after]));
  };
  if (std::none_of(std::begin(kOpenings), std::end(kOpenings), opensWith)) return false;
  // Of the first tags, most close before another opens (a script's "a<b" may not).
  int tags = 0, open = 0;
  for (size_t lt = at; lt < bytes.size() && tags < 64; lt = bytes.find('<', lt + 1)) {
    if (lt + 1 >= bytes.size()) break;
    char c = bytes[lt + 1];
    if (!IsAsciiLetter(c) && c != '/' && c != '!' && c != '?') continue;
    ++tags;
    if (bytes.compare(lt, 4, "<!--") == 0) {
      size_t close = bytes.find("-->", lt + 4);
      if (close == std::string::npos) ++open;
      lt = close == std::string::npos ? bytes.size() : close;
      continue;
    }
    size_t gt = bytes.find('>', lt + 1);
    if (gt == std::string::npos || gt > bytes.find('<', lt + 1)) ++open;
  }
  return open * 4 <= tags;
}

// What the word processor is given as a Word file: a Word file (a compound file), a zip (a
// newer Word file), RTF or markup, by its first bytes; other bytes are no document, as in Word.
bool LooksLikeDocument(const std::string& bytes) {
  if (bytes.empty() || bytes.rfind("\xD0\xCF\x11\xE0", 0) == 0 || bytes.rfind("PK\x03\x04", 0) == 0)
    return true;
  if (bytes.rfind("{\\rtf", 0) == 0) return IsRtfText(bytes);
  size_t at = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  while (at < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[at]))) ++at;
  return at < bytes.size() && bytes[at] == '<' && LooksLikeMarkup(bytes, at);
}

// The most HTML the word processor may make of a file of `size` bytes: a Word file of empty
// paragraphs, the most markup a byte of it gives, makes about four times its size.
uintmax_t ConvertedLimit(uintmax_t size) {
  return 16 * size + (1u << 20);
}

// Reads a document or template through the converter: a copy of it goes to a folder of its own
// (the word processor leaves no lock file beside the user's), where the word processor writes
// HTML and its pictures, which become part of the document at once.
Content ReadThroughConverter(const std::wstring& path, std::shared_ptr<ConverterSource>& kept) {
  const std::string bytes = ReadUserFile(path);
  if (!LooksLikeDocument(bytes))
    Fail(L"Word was unable to read this document. It may be corrupt. (" + path + L")");
  auto source = std::make_shared<ConverterSource>();
  source->own = std::make_unique<PrivateFolder>();
  source->document = source->own->Path() / ("document." + win32::ToAnsi(Extension(path)));
  {
    std::ofstream out(source->document, std::ios::binary);
    out << bytes;
    if (!out) Fail(L"Word has no room for its temporary files.");
  }
  std::filesystem::path outFolder = source->own->Path() / "html";
  std::error_code ec;
  std::filesystem::create_directory(outFolder, ec);
  std::optional<std::string> html;
  {
    AtWork work(path);
    html = S().converter->ToHtml(source->document.string(), outFolder.string());
  }
  if (!html) Fail(L"Word could not read " + path + L": " + S().converter->Problem());
  source->converted = *html;
  // Whatever the word processor made of the file, a body far past what a document of its size
  // holds is no reading of it.
  std::error_code sizeError;
  auto made = std::filesystem::file_size(*html, sizeError);
  if (!sizeError && made > ConvertedLimit(bytes.size()))
    Fail(L"Word could not read " + path + L": the converted document is too large for its file");
  auto converted = ReadHostFile(*html);
  if (!converted) Fail(L"Word could not read " + path + L": the converted document is missing");
  Content c = ReadHtml(DecodeHtmlBytes(*converted), L"");
  for (auto& pic : c.pictures) {
    if (pic.Embedded() || pic.link.find(L"://") != std::wstring::npos) continue;  // on the web
    std::wstring rel = pic.link;
    for (auto& ch : rel)
      if (ch == L'\\') ch = L'/';
    auto data = ReadHostFile(std::filesystem::path(*html).parent_path() /
                             win32::WideToMultiByte(win32::CP_UTF8, rel));
    if (!data) Fail(L"Word could not read the picture " + pic.link + L" of " + path);
    pic.bytes = std::move(*data);
    pic.link.clear();
  }
  kept = std::move(source);
  return c;
}

// HTML and RTF opened on the converter's road are kept as they are, for the word processor.
std::shared_ptr<ConverterSource> KeepForConverter(const std::wstring& path, const std::wstring& ext,
                                                  const std::string& bytes) {
  auto source = std::make_shared<ConverterSource>();
  if (ext == L"htm" || ext == L"html") {
    source->kind = ConverterSource::kHtml;
    source->html = DecodeHtmlBytes(bytes);
    source->folder = FolderOf(path);
  } else if (bytes.rfind("{\\rtf", 0) == 0) {
    source->kind = ConverterSource::kRtf;
    source->rtf = bytes;
  } else {
    return nullptr;
  }
  return source;
}

// Writes a document or template through the converter: the source and the word processor's
// document stay in a folder of their own; the document reaches its place as every file does.
void WriteThroughConverter(const std::string& source, const std::string& sourceName,
                           const std::wstring& fileName, const FileAccess& files) {
  PrivateFolder work;
  std::filesystem::path input = work.Path() / sourceName;
  std::filesystem::path made = work.Path() / "document.doc";
  {
    std::ofstream out(input, std::ios::binary);
    out << source;
    if (!out) Fail(L"Word cannot save " + fileName);
  }
  bool written = false;
  {
    AtWork work(fileName);
    written = S().converter->ToDoc(input.string(), made.string());
  }
  if (!written) Fail(L"Word cannot save " + fileName + L": " + S().converter->Problem());
  auto bytes = ReadHostFile(made);
  if (!bytes || !files.write(fileName, *bytes))
    Fail(L"Word cannot save " + fileName + L" (the file may be in use)");
}

// Saves a kept file through the word processor; False when the format is one the model here
// writes (text, RTF, HTML of HTML).
bool SaveThroughConverter(const ConverterSource& source, const std::wstring& fileName,
                          int32_t format, const FileAccess& files) {
  using K = ConverterSource::Kind;
  if (format == wdFormatDocument || format == wdFormatTemplate) {
    if (source.kind == K::kWord) {
      auto bytes = ReadHostFile(source.document);
      if (!bytes || !files.write(fileName, *bytes))
        Fail(L"Word cannot save " + fileName + L" (the file may be in use)");
    } else if (source.kind == K::kHtml) {
      std::string html;
      try {
        html = HtmlForConverter(source.html, source.folder, files);
      } catch (const std::runtime_error& e) {
        Fail(L"Word could not find the picture " +
             win32::MultiByteToWide(win32::CP_UTF8, e.what()));
      }
      WriteThroughConverter(html, "document.html", fileName, files);
    } else {
      WriteThroughConverter(source.rtf, "document.rtf", fileName, files);
    }
    return true;
  }
  if ((format == wdFormatHTML || format == wdFormatFilteredHTML) && source.kind == K::kWord) {
    auto html = ReadHostFile(source.converted);
    if (!html) Fail(L"Word cannot save " + fileName + L": the converted document is missing");
    std::string bytes;
    try {
      bytes = HtmlFromConverter(DecodeHtmlBytes(*html), source.converted.parent_path(),
                                FolderOf(fileName), BaseName(fileName), files);
    } catch (const std::runtime_error&) {
      Fail(L"Word cannot save the pictures of " + fileName);
    }
    if (!files.write(fileName, bytes))
      Fail(L"Word cannot save " + fileName + L" (the file may be in use)");
    return true;
  }
  return false;
}

}  // namespace

FaultSwitches& Faults() {
  return S().faults;
}

std::vector<std::wstring>& Calls() {
  return S().calls;
}

int32_t RunningInstances() {
  return S().running;
}

void SetConverter(std::shared_ptr<Converter> converter) {
  S().converter = std::move(converter);
}

std::shared_ptr<Converter> GetConverter() {
  return S().converter;
}

void SetBusyObserver(BusyObserver observer) {
  S().busy = std::move(observer);
}

bool WordWrapper::CreateWordApplication() {
  TV_FAULT_POINT(Word);
  Calls().push_back(L"CreateWordApplication()");
  if (Faults().createRaises)
    vb::Raise(vb::kCantCreateObject, L"ActiveX component can't create object");
  if (Faults().createFails) return false;
  app_ = std::make_shared<Application>();
  ++S().running;
  return true;
}

void WordWrapper::QuitWordApplication() {
  Calls().push_back(L"QuitWordApplication()");
  if (!app_)
    vb::Raise(kErrNotRunning, L"The remote server machine does not exist or is unavailable");
  if (Faults().quitFails)
    vb::Raise(kErrNotRunning, L"The remote server machine does not exist or is unavailable");
  for (auto& doc : app_->documents_) Release(*doc);
  app_->documents_.clear();
  app_.reset();
  --S().running;
  if (S().converter) S().converter->End();
}

std::shared_ptr<Application> WordWrapper::Running(const wchar_t* member) const {
  if (!app_) vb::Raise(kErrNotRunning, std::wstring(member) + L": Word is not running");
  return app_;
}

void WordWrapper::Release(Document& document) {
  if (document.hold_) win32::files::ReleaseHold(document.hold_);
  document.hold_ = 0;
  document.closed_ = true;
  document.source_.reset();
}

std::shared_ptr<Document> WordWrapper::DocumentNew() {
  TV_FAULT_POINT(Word);
  Calls().push_back(L"DocumentNew()");
  auto app = Running(L"DocumentNew");
  if (Faults().newFails) Fail(L"Word cannot make a new document.");
  auto doc = std::make_shared<Document>();
  app->documents_.push_back(doc);
  return doc;
}

std::shared_ptr<Document> WordWrapper::DocumentNew(const std::wstring& templatePath) {
  TV_FAULT_POINT(Word);
  Calls().push_back(L"DocumentNew(" + templatePath + L")");
  Running(L"DocumentNew");
  if (Faults().newFails) Fail(L"Word cannot make a new document.");
  std::wstring path = templatePath;
  Options none;
  auto source = DocumentOpen(path, none);
  Calls().pop_back();
  auto doc = std::make_shared<Document>();
  doc->content_ = source->content_;
  doc->source_ = source->source_;
  Variant missing;
  Variant zero = 0;
  DocumentClose(source, zero, missing, missing);
  Calls().pop_back();
  app_->documents_.push_back(doc);
  return doc;
}

std::shared_ptr<Document> WordWrapper::DocumentOpen(std::wstring& path, Options& options) {
  TV_FAULT_POINT(Word);
  (void)options;
  Calls().push_back(L"DocumentOpen(" + path + L")");
  auto app = Running(L"DocumentOpen");
  if (Faults().openFails) Fail(L"Word could not open " + path);
  std::string a = win32::ToAnsi(path);
  std::wstring ext = Extension(path);
  bool wordFile = ext == L"doc" || ext == L"dot";
  auto doc = std::make_shared<Document>();
  doc->fullName_ = path;
  if (wordFile && S().converter) {
    doc->content_ = ReadThroughConverter(path, doc->source_);
  } else {
    const std::string bytes = ReadUserFile(path);
    if (ext == L"htm" || ext == L"html")
      doc->content_ = ReadHtml(DecodeHtmlBytes(bytes), FolderOf(path));
    else if (wordFile && !LooksLikeRtf(bytes))
      Fail(L"Word was unable to read this document. It may be corrupt. (" + path + L")");
    else if (ext == L"rtf" || wordFile || bytes.rfind("{\\rtf", 0) == 0)
      doc->content_ = ReadRtf(bytes);
    else
      doc->content_ = ReadText(bytes);
    if (S().converter && !wordFile) doc->source_ = KeepForConverter(path, ext, bytes);
  }
  if (wordFile) {
    doc->hold_ = win32::files::HoldOpen(a, win32::GENERIC_READ | win32::GENERIC_WRITE,
                                        win32::FILE_SHARE_READ);
  }
  app->documents_.push_back(doc);
  return doc;
}

void WordWrapper::DocumentUnlinkFields(const std::shared_ptr<Document>& document) {
  TV_FAULT_POINT(Word);
  Calls().push_back(L"DocumentUnlinkFields()");
  Running(L"DocumentUnlinkFields");
  if (!document) vb::Raise(vb::kObjectVariableNotSet);
  if (Faults().unlinkFails) Fail(L"The fields could not be updated.");
  for (auto& pic : document->content_.pictures) {
    if (pic.Embedded() || pic.link.find(L"://") != std::wstring::npos) continue;
    auto bytes = win32::files::ReadAll(win32::ToAnsi(pic.link));
    if (!bytes)
      Fail(win32::GetLastError() == win32::ERROR_ACCESS_DENIED
               ? L"Word cannot read the picture " + pic.link + L": access denied"
               : L"Word could not find the picture " + pic.link);
    pic.bytes = std::move(*bytes);
    pic.link.clear();
  }
}

void WordWrapper::DocumentSaveAs(const std::shared_ptr<Document>& document,
                                 const std::wstring& fileName, const Variant& fileFormat,
                                 Options& options) {
  TV_FAULT_POINT(Word);
  (void)options;
  Calls().push_back(L"DocumentSaveAs(" + fileName + L"," + Describe(fileFormat) + L")");
  Running(L"DocumentSaveAs");
  if (!document) vb::Raise(vb::kObjectVariableNotSet);
  if (Faults().saveFails) Fail(L"Word cannot save " + fileName);
  int32_t format = 0;
  if (std::holds_alternative<int32_t>(fileFormat))
    format = std::get<int32_t>(fileFormat);
  else if (std::holds_alternative<std::wstring>(fileFormat))
    format = static_cast<int32_t>(vb::Val(std::get<std::wstring>(fileFormat)));
  else if (!std::holds_alternative<std::monostate>(fileFormat))
    vb::Raise(vb::kTypeMismatch);
  FileAccess files = SandboxFiles();
  if (S().converter && document->source_ &&
      SaveThroughConverter(*document->source_, fileName, format, files))
    return;
  std::string bytes;
  const Content& c = document->content_;
  switch (format) {
    case wdFormatDocument:
    case wdFormatTemplate:
    case wdFormatRTF:
      bytes = WriteRtf(c);
      break;
    case wdFormatText:
      bytes = WriteText(c);
      break;
    case wdFormatHTML:
    case wdFormatFilteredHTML:
      try {
        bytes = WriteHtml(c, FolderOf(fileName), BaseName(fileName), files);
      } catch (const std::runtime_error&) {
        Fail(L"Word cannot save the pictures of " + fileName);
      }
      break;
    default:
      vb::Raise(5, L"Invalid procedure call or argument");
  }
  if ((format == wdFormatDocument || format == wdFormatTemplate) && S().converter)
    return WriteThroughConverter(bytes, "document.rtf", fileName, files);
  if (!files.write(fileName, bytes))
    Fail(L"Word cannot save " + fileName + L" (the file may be in use)");
}

void WordWrapper::DocumentClose(std::shared_ptr<Document>& document, Variant& arg1, Variant& arg2,
                                Variant& arg3) {
  (void)arg2, (void)arg3;
  Calls().push_back(L"DocumentClose(" + Describe(arg1) + L")");
  auto app = Running(L"DocumentClose");
  if (!document) vb::Raise(vb::kObjectVariableNotSet);
  if (Faults().closeFails) Fail(L"The document could not be closed.");
  Release(*document);
  auto& docs = app->documents_;
  docs.erase(std::remove(docs.begin(), docs.end(), document), docs.end());
}

void Install(bool wordKey) {
  vb::RegisterComponent<WordWrapper>(L"WordWrapper.CWordWrapper",
                                     [] { return std::make_shared<WordWrapper>(); });
  if (!wordKey) return;
  win32::HKEY key = 0;
  if (win32::RegCreateKeyExA(win32::HKEY_CLASSES_ROOT, "Word.Application", 0, nullptr, 0,
                             win32::KEY_ALL_ACCESS, nullptr, &key, nullptr) == win32::ERROR_SUCCESS)
    win32::RegCloseKey(key);
}

}  // namespace word
