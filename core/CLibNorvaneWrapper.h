// The support library as the rest of the system calls it: one instance per process (see
// LibNorvane() in Main). Disabled as a whole inside the development environment, when every
// call answers 0 and reaches nothing.
#pragma once

#include <memory>

#include "core/CLibNorvane.h"

class CLibNorvaneWrapper {
 public:
  CLibNorvaneWrapper();  // disabled exactly when InIDE answers True
  explicit CLibNorvaneWrapper(bool disabled);

  int32_t AddAboutMenu(std::shared_ptr<void> commandBarsOwner);
  int32_t CreateLog(int32_t kind, const std::wstring& a, const std::wstring& b,
                    const std::wstring& c, int32_t flags);
  int32_t Init(uint32_t module, int32_t a, std::shared_ptr<void> object, double number, int32_t b);
  int32_t InitComplete();
  int32_t InitEx(uint32_t module, const LibInitBlock& block);
  int32_t LogMsg(const std::wstring& text, int32_t errorNumber, const std::wstring& procedure,
                 int32_t level, int32_t detail);
  int32_t LogMsgEx(const std::wstring& text, int32_t errorNumber, const std::wstring& procedure,
                   int32_t level, int32_t detail, int32_t extra);
  int32_t ReportProblem();
  int32_t ShowAbout();
  int32_t ShowContextHelp(const std::wstring& topic);
  // The block's defaults, without a window rectangle (the add-in sets its own).
  void FillInitParams(LibInitBlock& block);

  bool IsDisabled() const { return m_bDisabled; }

 private:
  CLibNorvane& Lib();

  std::unique_ptr<CLibNorvane> m_oLib;
  bool m_bDisabled;
};
