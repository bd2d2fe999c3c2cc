// The line reader beneath the language files: CR LF lines through one 4096-byte buffer, UTF-8
// after a byte-order mark, the ANSI code page otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32/Files.h"

class CLangFile {
 public:
  static constexpr int kBufferSize = 4096;

  CLangFile() = default;
  ~CLangFile();
  CLangFile(const CLangFile&) = delete;
  CLangFile& operator=(const CLangFile&) = delete;

  bool OpenFile(const std::wstring& path);
  // The Win32 error of the last failing open or read, 0 when none.
  uint32_t LastError() const { return m_nLastError; }
  void CloseFile();
  bool FEOF() const { return m_bEOF; }
  // The next line without its CR LF; false when no line is left or a read failed.
  bool ReadLine(std::wstring& line);
  // The same line as its bytes, valid until the next read; LineText makes it text. A reader
  // that skips most lines looks at their bytes and converts only the lines it keeps.
  bool ReadLineBytes(std::string_view& line);
  std::wstring LineText(std::string_view bytes);
  // The same into a text kept by the caller, whose room is used again line after line.
  void LineText(std::string_view bytes, std::wstring& text);
  // Passes over the whole lines that do not start, after blanks and tabs, with "[", lines that
  // ReadLineBytes would hand out and a section search would drop; `skipped` tells whether it
  // passed any. It stops early where a line needs the reader's own care (a line cut by the
  // buffer's size, the file's end): ReadLineBytes goes on from there. False when a read failed.
  // The lines passed are not counted: a message that needs a line's number asks LineNumberAt.
  bool SkipToHeader(bool& skipped);
  // Where in the file the line last handed out starts.
  int64_t LineOffset() const { return m_nLineStart; }
  // The 1-based number of the line that starts at `offset` in the file at `path`, counted the
  // way ReadLineBytes splits lines; 0 when the file cannot be read that far.
  static int32_t LineNumberAt(const std::wstring& path, int64_t offset);

 private:
  bool Buffer_ReadLine(std::string_view& line);
  int Buffer_FindCRLF() const;
  std::wstring Mem2Str(const uint8_t* bytes, int count);
  bool Buffer_AppendFromFile();
  void ResetBuffer();

  win32::HANDLE m_hFile = win32::INVALID_HANDLE_VALUE;
  bool m_bEOF = false;
  uint32_t m_nLastError = 0;
  bool m_bSkipLF = false;  // a line's CR ended a full buffer: its LF starts the next fill
  int m_nBOM = -1;         // -1 not yet known, 0 no mark, 1 UTF-8 mark
  std::array<uint8_t, kBufferSize> m_aBuffer{};
  int m_nCount = 0;
  int m_nPos = 0;
  int64_t m_nBase = 0;       // where in the file the buffer's first byte lies
  int64_t m_nLineStart = 0;  // where the line last handed out starts
};
