// The line reader beneath the language files: CR LF lines through one 4096-byte buffer, UTF-8
// after a byte-order mark, the ANSI code page otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/win32/Files.h"

class CLangFile {
 public:
  static constexpr int kBufferSize = 4096;
  static constexpr uint32_t kLockViolation = 33;
  // A refusal by another program holding the file a moment (a scanner, an editor saving it):
  // the reader's opens and reads ask again, up to kHeldTries times, before they fail.
  static bool Held(uint32_t error);

  CLangFile() = default;
  ~CLangFile();
  CLangFile(const CLangFile&) = delete;
  CLangFile& operator=(const CLangFile&) = delete;

  // A file's bytes read once, for a load that scans the file once per section: each scan runs
  // over them as over the file, through the same 4096-byte window. A read that failed on the
  // way is kept with the bytes before it: the first scan that gets that far fails with its
  // error, as its own read would have, and scans after it read the file themselves.
  struct Image {
    // Where the reader stands: the window and what it carries from one fill to the next.
    struct Place {
      int64_t base = 0;
      int pos = 0, count = 0, bom = -1;
      bool skipLF = false, eof = false;
      bool operator==(const Place&) const = default;
    };
    struct PlaceHash {
      size_t operator()(const Place& p) const {
        return std::hash<int64_t>()(p.base * 8191 + p.pos * 31 + p.count) ^ (p.skipLF ? 1 : 0);
      }
    };
    struct Skip {
      Place to;
      bool skipped = false;
    };
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
    uint32_t error = 0;  // of the read that stopped short, 0 when the whole file is in
    bool errorTold = false;
    // Every scan of a load passes over the same lines before each header: a skip made once is
    // looked up by the scans after it, which land where it landed.
    std::unordered_map<Place, Skip, PlaceHash> skips;
    // Where the lines of each section a scan met begin (after its first header), by the
    // section's lower-case name: a later scan for it starts there instead of passing every
    // header before it again.
    std::unordered_map<std::wstring, Place> sections;
  };
  // Nothing when the file cannot be opened: each scan then opens it and reports that itself.
  static std::shared_ptr<Image> ReadWhole(const std::wstring& path);

  bool OpenFile(const std::wstring& path);
  // Opens the image for a scan, or the file at `path` when the image's failed read has been
  // told already. Null opens the file.
  bool OpenFile(const std::wstring& path, const std::shared_ptr<Image>& image);
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
  // Over a whole image: goes on right after the first header of the section (lower-case
  // name) as a scan met it; false when none has yet.
  bool ResumeAtSection(const std::wstring& name);
  // The header just read names this section (lower case); the first one of a name is kept.
  void NoteSection(const std::wstring& name);
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

  // The window the lines are read from: the buffer, or the image at m_nBase.
  const uint8_t* Data() const {
    return m_pImage ? m_pImage->bytes.get() + m_nBase : m_aBuffer.data();
  }
  bool Image_Append(uint32_t& got);
  Image::Place Here() const;
  void GoTo(const Image::Place& at);
  bool SkipInWindow(bool& skipped);

  std::shared_ptr<Image> m_pImage;
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
