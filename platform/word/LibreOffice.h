// A converter that hands documents to LibreOffice's headless converter ("soffice"), so that
// the Word substitute reads and writes real Word files. Each conversion runs soffice once,
// with a profile folder of its own and a time limit that ends it even when it holds out
// against the polite signal.
#pragma once

#include <optional>
#include <string>

#include "platform/word/Word.h"

namespace word {

class LibreOffice : public Converter {
 public:
  // `killAfterSeconds`: how long past the time limit soffice may take to stop before it is
  // killed.
  LibreOffice(std::string soffice, std::string profileFolder, int timeoutSeconds = 120,
              int killAfterSeconds = 10);
  // The soffice program on the PATH, if any.
  static std::optional<std::string> Find();

  std::optional<std::string> ToHtml(const std::string& document,
                                    const std::string& outFolder) override;
  bool ToDoc(const std::string& rtf, const std::string& document) override;
  std::wstring Problem() const override { return problem_; }
  // Converts `input` with the filter (such as "txt:Text") into `outFolder`; the path written.
  std::optional<std::string> Convert(const std::string& input, const std::string& filter,
                                     const std::string& extension, const std::string& outFolder);

 private:
  std::string soffice_, profile_;
  int timeout_, killAfter_;
  std::wstring problem_;
};

// "file://" and the absolute path, each byte outside the unreserved characters and "/" as
// "%XX".
std::string FileUrl(const std::string& path);

}  // namespace word
