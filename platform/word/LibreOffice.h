// A converter that hands documents to LibreOffice's headless converter ("soffice"), so that
// the Word substitute reads and writes real Word files. Each conversion runs soffice once,
// with a profile folder of its own and a time limit.
#pragma once

#include <optional>
#include <string>

#include "platform/word/Word.h"

namespace word {

class LibreOffice : public Converter {
 public:
  LibreOffice(std::string soffice, std::string profileFolder, int timeoutSeconds = 120);
  // The soffice program on the PATH, if any.
  static std::optional<std::string> Find();

  std::optional<std::string> ToHtml(const std::string& document,
                                    const std::string& outFolder) override;
  bool ToDoc(const std::string& rtf, const std::string& document) override;
  // Converts `input` with the filter (such as "txt:Text") into `outFolder`; the path written.
  std::optional<std::string> Convert(const std::string& input, const std::string& filter,
                                     const std::string& extension, const std::string& outFolder);

 private:
  std::string soffice_, profile_;
  int timeout_;
};

}  // namespace word
