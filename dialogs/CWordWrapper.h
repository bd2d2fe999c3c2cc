// The one way the system drives Word: a wrapper around the outside component
// "WordWrapper.CWordWrapper", created by its ProgID. Every operation but Done and
// IsDocumentOpenned logs its own failure under "CWordWrapper::<operation>" and answers an
// empty result; nothing reaches the caller.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/word/Word.h"

class CWordWrapper {
 public:
  using DocumentPtr = std::shared_ptr<word::Document>;

  CWordWrapper() = default;
  ~CWordWrapper();
  CWordWrapper(const CWordWrapper&) = delete;
  CWordWrapper& operator=(const CWordWrapper&) = delete;

  // Makes a new component (replacing the one held) and starts Word with it.
  bool Create();
  // The running Word, or null when Word is not running.
  std::shared_ptr<word::Application> WordApplication();
  // Quits Word and lets the component go; harmless without one, never logs.
  void Done();
  // An empty path makes a plain new document; the component is then called with no argument.
  DocumentPtr DocumentNew(const std::wstring& sTemplatePath);
  DocumentPtr DocumentOpen(const std::wstring& sPath, word::Options colOptions = nullptr);
  // True only when another program holds the file so that it cannot be opened for
  // exclusive use (a sharing violation); a missing, read-only or unreadable file is not in
  // use, and the check never creates or changes the file.
  bool IsDocumentOpenned(const std::wstring& sPath);
  void DocumentClose(DocumentPtr oDocument, word::Variant vArg1 = {}, word::Variant vArg2 = {},
                     word::Variant vArg3 = {});
  // Both answer whether the step was done, so that a conversion whose step failed is not
  // counted as written.
  bool DocumentUnlinkFields(const DocumentPtr& oDocument);
  bool DocumentSaveAs(const DocumentPtr& oDocument, const std::wstring& sFileName,
                      word::Variant vFileFormat, word::Options colOptions = nullptr);

 private:
  std::shared_ptr<word::WordWrapper> m_oWrapper;
};
