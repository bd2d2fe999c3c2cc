// The outside Word component "WordWrapper.CWordWrapper" and the Word it drives, in memory:
// it starts and quits Word, makes documents (also from a template), opens the files the
// import and export meet, unlinks fields (linked pictures become part of the document), saves
// in Word's formats (0 document, 1 template, 2 text, 6 RTF, 8 HTML, 10 filtered HTML;
// documents and templates are written as RTF documents) and closes without saving. Word holds
// a document or template it opened until it is closed, as other programs then find it in use.
// Every step can be made to fail (Faults), and every call is recorded (Calls).
// With a converter set (SetConverter), documents and templates are read and written through
// it, so that a real word processor's files come in and go out: a document opened from a Word
// file, HTML or RTF stays that file, and the word processor itself converts it when it is saved
// as a Word file (or a Word file as HTML), so that formatting, tables and lists survive.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/vb/Collection.h"
#include "platform/word/Document.h"

namespace word {

inline constexpr int32_t wdFormatDocument = 0, wdFormatTemplate = 1, wdFormatText = 2,
                         wdFormatRTF = 6, wdFormatHTML = 8, wdFormatFilteredHTML = 10;
inline constexpr int32_t wdDoNotSaveChanges = 0;

// An argument of any type; monostate is a missing optional argument.
using Variant = std::variant<std::monostate, int32_t, std::wstring, bool>;
using Options = std::shared_ptr<vb::Collection<std::wstring>>;

class Application;
struct ConverterSource;

class Document {
 public:
  // The file it was opened from ("" for a new document).
  const std::wstring& FullName() const { return fullName_; }
  Content& GetContent() { return content_; }
  const Content& GetContent() const { return content_; }
  bool Closed() const { return closed_; }

 private:
  friend class WordWrapper;
  std::wstring fullName_;
  Content content_;
  // With a converter: the file it was opened from, which the word processor converts itself.
  std::shared_ptr<ConverterSource> source_;
  uint32_t hold_ = 0;
  bool closed_ = false;
};

class Application {
 public:
  const std::vector<std::shared_ptr<Document>>& Documents() const { return documents_; }

 private:
  friend class WordWrapper;
  std::vector<std::shared_ptr<Document>> documents_;
};

// Converts between a word processor's documents and what the in-memory Word reads and
// writes. Paths are host paths.
class Converter {
 public:
  virtual ~Converter() = default;
  // Writes `document` (.doc or .dot) as HTML into `outFolder`; the path of the HTML file.
  virtual std::optional<std::string> ToHtml(const std::string& document,
                                            const std::string& outFolder) = 0;
  // Writes the RTF or HTML file (by its extension) as a Word 97 document at `document`.
  virtual bool ToDoc(const std::string& source, const std::string& document) = 0;
  // Why the last conversion wrote nothing (a time limit, a crash, an unreadable file).
  virtual std::wstring Problem() const { return L""; }
  // Word quits: what the conversions kept running ends.
  virtual void End() {}
  // While one conversion goes on past a few seconds, told every few seconds with the seconds
  // it has taken so far.
  std::function<void(int seconds)> onWaiting;
  static constexpr int kStillWorkingEvery = 5;
};

class WordWrapper {
 public:
  virtual ~WordWrapper() = default;
  bool CreateWordApplication();
  std::shared_ptr<Application> WordApplication() const { return app_; }
  void QuitWordApplication();
  std::shared_ptr<Document> DocumentNew();
  std::shared_ptr<Document> DocumentNew(const std::wstring& templatePath);
  std::shared_ptr<Document> DocumentOpen(std::wstring& path, Options& options);
  void DocumentUnlinkFields(const std::shared_ptr<Document>& document);
  void DocumentSaveAs(const std::shared_ptr<Document>& document, const std::wstring& fileName,
                      const Variant& fileFormat, Options& options);
  void DocumentClose(std::shared_ptr<Document>& document, Variant& arg1, Variant& arg2,
                     Variant& arg3);

 private:
  std::shared_ptr<Application> Running(const wchar_t* member) const;
  void Release(Document& document);
  std::shared_ptr<Application> app_;
};

// Steps made to fail with a runtime error, for the error paths.
struct FaultSwitches {
  bool createFails = false;  // CreateWordApplication answers False
  bool createRaises = false;
  bool openFails = false;
  bool unlinkFails = false;
  bool saveFails = false;
  bool closeFails = false;
  bool quitFails = false;
  bool newFails = false;
};
FaultSwitches& Faults();
// Every member called, with its arguments, such as "DocumentNew()" or
// "DocumentSaveAs(C:\x.dot,1)".
std::vector<std::wstring>& Calls();
// Word instances started and not yet quit.
int32_t RunningInstances();

void SetConverter(std::shared_ptr<Converter> converter);
std::shared_ptr<Converter> GetConverter();

// Told the user's file the converter takes up (seconds 0) and, while it is still at it past a
// few seconds, every few seconds with the seconds taken so far.
using BusyObserver = std::function<void(const std::wstring& file, int seconds)>;
void SetBusyObserver(BusyObserver observer);

// Makes "WordWrapper.CWordWrapper" creatable and, with `wordKey`, writes the registry key
// "Word.Application" under HKEY_CLASSES_ROOT that an installed Word leaves.
void Install(bool wordKey = true);

}  // namespace word
