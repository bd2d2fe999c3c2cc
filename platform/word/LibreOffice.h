// A converter that hands documents to LibreOffice's headless converter ("soffice"), so that
// the Word substitute reads and writes real Word files. Each start of soffice has a profile of
// its own (in a folder made for it below the one given, removed when it ends, whatever its end)
// and a time limit that ends it even when it holds out against the polite signal; a start that
// ends well but writes nothing is tried once more. What soffice said and its exit status are
// in the problem of a conversion that failed. HTML is read as a word processor's document, not
// a web page.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/word/Word.h"

namespace word {

class LibreOffice : public Converter {
 public:
  // `profileFolder`: where each conversion makes its own folder. `killAfterSeconds`: how long
  // past the time limit soffice may take to stop before it is killed.
  LibreOffice(std::string soffice, std::string profileFolder, int timeoutSeconds = 120,
              int killAfterSeconds = 10);
  // The soffice program on the PATH, if any.
  static std::optional<std::string> Find();

  std::optional<std::string> ToHtml(const std::string& document,
                                    const std::string& outFolder) override;
  bool ToDoc(const std::string& source, const std::string& document) override;
  std::wstring Problem() const override { return problem_; }
  // Converts `input` with the filter (such as "txt:Text") into `outFolder`; the path written.
  std::optional<std::string> Convert(const std::string& input, const std::string& filter,
                                     const std::string& extension, const std::string& outFolder);

 private:
  // How one start of soffice ended: why it could not start, or its exit status (128 + the
  // signal that ended it) and what it wrote to its output and error streams.
  struct Ending {
    std::wstring failed;
    int code = 0;
    std::wstring said;
  };
  Ending Start(const std::string& input, const std::string& filter, const std::string& outFolder);
  // Convert, naming the input `shown` in a problem ("the document" when empty).
  std::optional<std::string> Run(const std::string& input, const std::string& filter,
                                 const std::string& extension, const std::string& outFolder,
                                 const std::wstring& shown);

  std::string soffice_, folder_;
  int timeout_, killAfter_;
  std::wstring problem_;
};

// "file://" and the absolute path, each byte outside the unreserved characters and "/" as
// "%XX".
std::string FileUrl(const std::string& path);

// What a word processor wrote to `file`, its lines joined by " / ", the last 600 bytes of it
// (whole characters) when it wrote more.
std::wstring LastWords(const std::string& file);

}  // namespace word

namespace word {

// Word's HTML made of the word processor's: the pictures it wrote beside its HTML (in
// `htmlFolder`, a host folder) go to "<folder>\<baseName>_files\imageNNN.<ext>" through
// `files` and are linked by relative path ("/" between parts, a blank as "%20"); characters
// outside ASCII become character references under the charset windows-1252; the word
// processor's runs of blanks and a line's first blank become "&nbsp;" and its tabs "&#9;",
// which a reader keeps; the line break it adds below a paragraph spaced below goes.
// Throws std::runtime_error naming a picture it cannot read or write.
std::string HtmlFromConverter(std::wstring_view html, const std::filesystem::path& htmlFolder,
                              const std::wstring& folder, const std::wstring& baseName,
                              const FileAccess& files);

// HTML as the word processor is to read it: pictures on disk (linked by path, relative to
// `folder`, read through `files`) become part of it; a run of blanks holding a non-breaking
// space is that many blanks (the first "&nbsp;" where it begins a line, as the word processor
// drops a blank there). Characters outside ASCII are character references. Throws
// std::runtime_error naming a picture it cannot read.
std::string HtmlForConverter(std::wstring_view html, const std::wstring& folder,
                             const FileAccess& files);

}  // namespace word
