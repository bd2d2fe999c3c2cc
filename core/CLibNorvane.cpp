#include "core/CLibNorvane.h"

#include "platform/vb/Runtime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Handles.h"

using win32::ToAnsi;

void PutBlockLong(LibInitBlock& block, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) block[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutBlockInt16(LibInitBlock& block, size_t offset, uint16_t value) {
  block[offset] = static_cast<uint8_t>(value);
  block[offset + 1] = static_cast<uint8_t>(value >> 8);
}

uint32_t GetBlockLong(const LibInitBlock& block, size_t offset) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | block[offset + i];
  return v;
}

uint16_t GetBlockInt16(const LibInitBlock& block, size_t offset) {
  return static_cast<uint16_t>(block[offset] | block[offset + 1] << 8);
}

CLibNorvane::CLibNorvane() : m_hRect(win32::AllocHandle(&m_rect)) {}

CLibNorvane::~CLibNorvane() {
  win32::FreeHandle(m_hRect);
}

int32_t CLibNorvane::AddAboutMenu(std::shared_ptr<void> commandBarsOwner) {
  return support::LibNorvaneAddAboutMenu(m_hLib, std::move(commandBarsOwner));
}

int32_t CLibNorvane::CreateLog(int32_t kind, const std::wstring& a, const std::wstring& b,
                               const std::wstring& c, int32_t flags) {
  return support::LibNorvaneCreateLog(m_hLib, kind, ToAnsi(a).c_str(), ToAnsi(b).c_str(),
                                      ToAnsi(c).c_str(), flags);
}

int32_t CLibNorvane::Init(uint32_t module, int32_t a, std::shared_ptr<void> object, double number,
                          int32_t b) {
  m_hLib = module;
  return support::LibNorvaneInit(module, a, std::move(object), vb::CLng(number), b);
}

int32_t CLibNorvane::InitComplete() {
  return support::LibNorvaneInitComplete(m_hLib);
}

int32_t CLibNorvane::InitEx(uint32_t module, const LibInitBlock& block) {
  m_hLib = module;
  return support::LibNorvaneInitEx(module, block.data());
}

int32_t CLibNorvane::LogMsg(const std::wstring& text, int32_t errorNumber,
                            const std::wstring& procedure, int32_t level, int32_t detail) {
  return support::LibNorvaneLogMsg(m_hLib, ToAnsi(text).c_str(), errorNumber,
                                   ToAnsi(procedure).c_str(), level, detail);
}

int32_t CLibNorvane::LogMsgEx(const std::wstring& text, int32_t errorNumber,
                              const std::wstring& procedure, int32_t level, int32_t detail,
                              int32_t extra) {
  return support::LibNorvaneLogMsgEx(m_hLib, ToAnsi(text).c_str(), errorNumber,
                                     ToAnsi(procedure).c_str(), level, detail, extra);
}

int32_t CLibNorvane::ReportProblem() {
  return support::LibNorvaneReportProblem(m_hLib);
}
int32_t CLibNorvane::ShowAbout() {
  return support::LibNorvaneShowAbout(m_hLib);
}

int32_t CLibNorvane::ShowContextHelp(const std::wstring& topic) {
  return support::LibNorvaneShowContextHelp(m_hLib, ToAnsi(topic).c_str());
}

void CLibNorvane::FillInitParams(LibInitBlock& block, int32_t width, int32_t height) {
  // The host application field is the caller's: it may already hold the Application.
  uint32_t host = GetBlockLong(block, 8);
  block.fill(0);
  PutBlockLong(block, 8, host);
  PutBlockLong(block, 0, support::kInitBlockSize);
  PutBlockLong(block, 4, 1);
  PutBlockLong(block, 12, 14);
  PutBlockLong(block, 36, 1);
  if (width != 0 && height != 0) {
    const auto& screen = vb::Screen();
    double screenW = static_cast<double>(screen.Width()) / screen.TwipsPerPixelX;
    double screenH = static_cast<double>(screen.Height()) / screen.TwipsPerPixelY;
    m_rect = {vb::CLng((screenW - width) / 2), vb::CLng((screenH - height) / 2), width, height};
    PutBlockLong(block, 56, m_hRect);
  }
}
