// The support library's functions, one method each: texts go over in the ANSI code page, the
// library handle goes first. Also the initialisation block and its filler.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/support/LibNorvane.h"

// The 180-byte block of LibNorvaneInitEx: little-endian, 32-bit fields.
using LibInitBlock = std::array<uint8_t, support::kInitBlockSize>;
void PutBlockLong(LibInitBlock& block, size_t offset, uint32_t value);
void PutBlockInt16(LibInitBlock& block, size_t offset, uint16_t value);
uint32_t GetBlockLong(const LibInitBlock& block, size_t offset);
uint16_t GetBlockInt16(const LibInitBlock& block, size_t offset);

class CLibNorvane {
 public:
  CLibNorvane();
  ~CLibNorvane();
  CLibNorvane(const CLibNorvane&) = delete;
  CLibNorvane& operator=(const CLibNorvane&) = delete;

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
  // Writes the block's defaults; with a nonzero width and height also this object's window
  // rectangle, centred on the screen, and its address at offset 56.
  void FillInitParams(LibInitBlock& block, int32_t width, int32_t height);

  uint32_t LibraryHandle() const { return m_hLib; }
  const std::array<int32_t, 4>& WindowRect() const { return m_rect; }

 private:
  uint32_t m_hLib = 0;
  std::array<int32_t, 4> m_rect{};
  uint32_t m_hRect = 0;  // the rectangle's 32-bit address as the library sees it
};
