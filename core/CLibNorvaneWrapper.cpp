#include "core/CLibNorvaneWrapper.h"

#include "core/Main.h"

CLibNorvaneWrapper::CLibNorvaneWrapper() : m_bDisabled(InIDE()) {}

CLibNorvaneWrapper::CLibNorvaneWrapper(bool disabled) : m_bDisabled(disabled) {}

CLibNorvane& CLibNorvaneWrapper::Lib() {
  if (!m_oLib) m_oLib = std::make_unique<CLibNorvane>();
  return *m_oLib;
}

int32_t CLibNorvaneWrapper::AddAboutMenu(std::shared_ptr<void> commandBarsOwner) {
  return m_bDisabled ? 0 : Lib().AddAboutMenu(std::move(commandBarsOwner));
}

int32_t CLibNorvaneWrapper::CreateLog(int32_t kind, const std::wstring& a, const std::wstring& b,
                                      const std::wstring& c, int32_t flags) {
  return m_bDisabled ? 0 : Lib().CreateLog(kind, a, b, c, flags);
}

int32_t CLibNorvaneWrapper::Init(uint32_t module, int32_t a, std::shared_ptr<void> object,
                                 double number, int32_t b) {
  return m_bDisabled ? 0 : Lib().Init(module, a, std::move(object), number, b);
}

int32_t CLibNorvaneWrapper::InitComplete() {
  return m_bDisabled ? 0 : Lib().InitComplete();
}

int32_t CLibNorvaneWrapper::InitEx(uint32_t module, const LibInitBlock& block) {
  return m_bDisabled ? 0 : Lib().InitEx(module, block);
}

int32_t CLibNorvaneWrapper::LogMsg(const std::wstring& text, int32_t errorNumber,
                                   const std::wstring& procedure, int32_t level, int32_t detail) {
  return m_bDisabled ? 0 : Lib().LogMsg(text, errorNumber, procedure, level, detail);
}

int32_t CLibNorvaneWrapper::LogMsgEx(const std::wstring& text, int32_t errorNumber,
                                     const std::wstring& procedure, int32_t level, int32_t detail,
                                     int32_t extra) {
  return m_bDisabled ? 0 : Lib().LogMsgEx(text, errorNumber, procedure, level, detail, extra);
}

int32_t CLibNorvaneWrapper::ReportProblem() {
  return m_bDisabled ? 0 : Lib().ReportProblem();
}
int32_t CLibNorvaneWrapper::ShowAbout() {
  return m_bDisabled ? 0 : Lib().ShowAbout();
}

int32_t CLibNorvaneWrapper::ShowContextHelp(const std::wstring& topic) {
  return m_bDisabled ? 0 : Lib().ShowContextHelp(topic);
}

void CLibNorvaneWrapper::FillInitParams(LibInitBlock& block) {
  if (!m_bDisabled) Lib().FillInitParams(block, 0, 0);
}
