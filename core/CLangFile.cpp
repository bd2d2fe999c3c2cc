#include "core/CLangFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/Main.h"
#include "platform/win32/CodePage.h"

CLangFile::~CLangFile() {
  CloseFile();
}

bool CLangFile::Held(uint32_t error) {
  return error == static_cast<uint32_t>(win32::ERROR_ACCESS_DENIED) ||
         error == win32::ERROR_SHARING_VIOLATION || error == kLockViolation;
}

namespace {

win32::HANDLE OpenForReading(const std::wstring& path) {
  const std::string ansi = win32::ToAnsi(path);
  win32::HANDLE file = win32::INVALID_HANDLE_VALUE;
  for (int tries = 1; tries <= kHeldTries; ++tries) {
    file = win32::CreateFileA(ansi.c_str(), win32::GENERIC_READ, win32::FILE_SHARE_READ, nullptr,
                              win32::OPEN_EXISTING, win32::FILE_ATTRIBUTE_NORMAL, 0);
    if (file != win32::INVALID_HANDLE_VALUE || !CLangFile::Held(win32::GetLastError())) break;
  }
  return file;
}

// A refused read moves nothing: the same read is asked again.
bool ReadHeld(win32::HANDLE file, uint8_t* to, uint32_t count, uint32_t& got) {
  for (int tries = 1;; ++tries) {
    if (win32::ReadFile(file, to, count, &got, nullptr)) return true;
    if (tries == kHeldTries || !CLangFile::Held(win32::GetLastError())) return false;
  }
}

}  // namespace

void CLangFile::ResetBuffer() {
  m_nBase = 0;
  m_nLineStart = 0;
  m_bEOF = false;
  m_bSkipLF = false;
  m_nCount = 0;
  m_nPos = 0;
}

bool CLangFile::OpenFile(const std::wstring& path) {
  CloseFile();
  m_nBOM = -1;
  m_hFile = OpenForReading(path);
  if (m_hFile == win32::INVALID_HANDLE_VALUE) {
    m_nLastError = win32::GetLastError();
    return false;
  }
  m_nLastError = 0;
  return true;
}

std::shared_ptr<CLangFile::Image> CLangFile::ReadWhole(const std::wstring& path) {
  win32::HANDLE file = OpenForReading(path);
  if (file == win32::INVALID_HANDLE_VALUE) return nullptr;
  auto image = std::make_shared<Image>();
  uint32_t high = 0;
  uint32_t size = win32::GetFileSize(file, &high);
  if ((size == win32::INVALID_FILE_SIZE && win32::GetLastError() != 0) || high != 0) {
    win32::CloseHandle(file);
    return nullptr;  // too big for one read, or no size: the scans read the file themselves
  }
  image->bytes.reset(new uint8_t[size == 0 ? 1 : size]);
  uint32_t got = 0;
  // Even ERROR_HANDLE_EOF is kept: it ends the one scan whose read it would have been.
  if (size > 0 && !ReadHeld(file, image->bytes.get(), size, got))
    image->error = win32::GetLastError();
  image->size = got;
  win32::CloseHandle(file);
  return image;
}

bool CLangFile::OpenFile(const std::wstring& path, const std::shared_ptr<Image>& image) {
  if (!image || (image->error != 0 && image->errorTold)) return OpenFile(path);
  CloseFile();
  m_nBOM = -1;
  m_pImage = image;
  m_nLastError = 0;
  return true;
}

void CLangFile::CloseFile() {
  if (m_hFile != win32::INVALID_HANDLE_VALUE) win32::CloseHandle(m_hFile);
  m_hFile = win32::INVALID_HANDLE_VALUE;
  m_pImage.reset();
  m_nLastError = 0;
  ResetBuffer();
}

bool CLangFile::ReadLine(std::wstring& line) {
  std::string_view bytes;
  if (!ReadLineBytes(bytes)) return false;
  line = LineText(bytes);
  return true;
}

bool CLangFile::ReadLineBytes(std::string_view& line) {
  // Refill until a line is whole or the buffer is full: a line that starts late in the buffer
  // (after the byte-order mark, after other lines) needs more than one fill.
  for (;;) {
    if (Buffer_ReadLine(line)) return true;
    // A refill that meets the end of the file still leaves the file's last line in the
    // buffer: look once more either way, or a final line that ends exactly at a buffer fill
    // would be lost.
    if (!Buffer_AppendFromFile()) {
      if (!m_bEOF) return false;
      return Buffer_ReadLine(line);
    }
  }
}

std::wstring CLangFile::LineText(std::string_view bytes) {
  return Mem2Str(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int>(bytes.size()));
}

void CLangFile::LineText(std::string_view bytes, std::wstring& text) {
  if (m_nBOM == 1) {
    text = LineText(bytes);
    return;
  }
  // One character per byte in the ANSI code page.
  text.resize(bytes.size());
  int count = static_cast<int>(bytes.size());
  text.resize(static_cast<size_t>(
      count == 0
          ? 0
          : win32::MultiByteToWideChar(win32::CP_ACP, 0, bytes.data(), count, text.data(), count)));
}

int32_t CLangFile::LineNumberAt(const std::wstring& path, int64_t offset) {
  CLangFile file;
  if (!file.OpenFile(path)) return 0;
  std::string_view line;
  for (int32_t number = 1; file.ReadLineBytes(line); ++number) {
    if (file.LineOffset() == offset) return number;
    if (file.LineOffset() > offset) break;
  }
  return 0;
}

CLangFile::Image::Place CLangFile::Here() const {
  return {m_nBase, m_nPos, m_nCount, m_nBOM, m_bSkipLF, m_bEOF};
}

bool CLangFile::ResumeAtSection(const std::wstring& name) {
  if (!m_pImage || m_pImage->error != 0) return false;
  auto known = m_pImage->sections.find(name);
  if (known == m_pImage->sections.end()) return false;
  GoTo(known->second);
  return true;
}

void CLangFile::GoTo(const Image::Place& at) {
  m_nBase = at.base;
  m_nPos = at.pos;
  m_nCount = at.count;
  m_nBOM = at.bom;
  m_bSkipLF = at.skipLF;
  m_bEOF = at.eof;
}

void CLangFile::NoteSection(const std::wstring& name) {
  if (m_pImage && m_pImage->error == 0) m_pImage->sections.emplace(name, Here());
}

bool CLangFile::SkipToHeader(bool& skipped) {
  // Over a whole image the skip depends on nothing but where it starts.
  if (!m_pImage || m_pImage->error != 0) return SkipInWindow(skipped);
  const Image::Place from = Here();
  if (auto known = m_pImage->skips.find(from); known != m_pImage->skips.end()) {
    GoTo(known->second.to);
    skipped = known->second.skipped;
    return true;
  }
  if (!SkipInWindow(skipped)) return false;
  m_pImage->skips.emplace(from, Image::Skip{Here(), skipped});
  return true;
}

bool CLangFile::SkipInWindow(bool& skipped) {
  skipped = false;
  for (;;) {
    const uint8_t* data = Data();
    if (m_nPos < m_nCount) {
      // m_nPos is where the next line starts. The first "[" that starts a line ends the skip.
      for (int search = m_nPos; search < m_nCount;) {
        auto* bracket = static_cast<const uint8_t*>(
            std::memchr(data + search, '[', static_cast<size_t>(m_nCount - search)));
        if (!bracket) break;
        int start = static_cast<int>(bracket - data);
        while (start > m_nPos && (data[start - 1] == ' ' || data[start - 1] == '\t')) --start;
        if (start == m_nPos ||
            (start - 2 >= m_nPos && data[start - 2] == '\r' && data[start - 1] == '\n')) {
          skipped = skipped || start > m_nPos;
          m_nPos = start;
          return true;
        }
        search = static_cast<int>(bracket - data) + 1;
      }
      // No header here: every line the buffer holds whole goes; a cut one waits for the refill.
      int cut = m_nCount;
      while (cut - 2 >= m_nPos && !(data[cut - 2] == '\r' && data[cut - 1] == '\n')) {
        auto* lf = static_cast<const uint8_t*>(
            memrchr(data + m_nPos, '\n', static_cast<size_t>(cut - 1 - m_nPos)));
        cut = lf ? static_cast<int>(lf - data) + 1 : m_nPos;
      }
      if (cut - 2 < m_nPos) return true;  // not one whole line: the reader's own cases
      skipped = true;
      m_nPos = cut;
    }
    if (!Buffer_AppendFromFile()) return m_bEOF;
  }
}

int CLangFile::Buffer_FindCRLF() const {
  // Each CR found by the library's search, then the LF after it checked.
  const uint8_t* data = Data();
  const uint8_t* at = data + m_nPos;
  const uint8_t* last = data + m_nCount - 1;  // a CR here has no room for its LF
  while (at < last) {
    auto* cr = static_cast<const uint8_t*>(std::memchr(at, '\r', static_cast<size_t>(last - at)));
    if (!cr) return -1;
    if (cr[1] == '\n') return static_cast<int>(cr - data);
    at = cr + 1;
  }
  return -1;
}

bool CLangFile::Buffer_ReadLine(std::string_view& line) {
  auto bytes = [this](int from, int to) {
    return std::string_view(reinterpret_cast<const char*>(Data()) + from,
                            static_cast<size_t>(to - from));
  };
  if (m_nPos >= m_nCount) return false;
  int crlf = Buffer_FindCRLF();
  m_nLineStart = m_nBase + m_nPos;
  if (crlf >= 0) {
    line = bytes(m_nPos, crlf);
    m_nPos = crlf + 2;
    return true;
  }
  // Without a CR LF the rest is a line only near the end of the file or when it fills the
  // whole buffer; otherwise its end is still in the file.
  if (m_nCount < kBufferSize || m_nPos == 0) {
    int end = m_nCount;
    // A line that ends just at the cut: its CR is here and its LF still in the file.
    if (m_nCount == kBufferSize && Data()[end - 1] == '\r') {
      --end;
      m_bSkipLF = true;
    }
    line = bytes(m_nPos, end);
    m_nPos = m_nCount;
    return true;
  }
  return false;
}

bool CLangFile::Image_Append(uint32_t& got) {
  // The window moves on to the unread bytes; what a read would add is what lies after them.
  size_t end = std::min(m_pImage->size, static_cast<size_t>(m_nBase) + kBufferSize);
  got = static_cast<uint32_t>(end - static_cast<size_t>(m_nBase) - static_cast<size_t>(m_nCount));
  if (got > 0 || m_pImage->error == 0) return true;
  m_pImage->errorTold = true;
  win32::SetLastError(m_pImage->error);
  return false;
}

bool CLangFile::Buffer_AppendFromFile() {
  if (m_bEOF || (m_hFile == win32::INVALID_HANDLE_VALUE && !m_pImage)) return false;
  int unread = m_nCount - m_nPos;
  m_nBase += m_nPos;
  if (!m_pImage && unread > 0 && m_nPos > 0)
    std::memmove(m_aBuffer.data(), m_aBuffer.data() + m_nPos, unread);
  m_nCount = unread;
  m_nPos = 0;
  bool first = m_nBOM < 0;
  uint32_t got = 0;
  bool ok = m_pImage ? Image_Append(got)
                     : ReadHeld(m_hFile, m_aBuffer.data() + m_nCount,
                                static_cast<uint32_t>(kBufferSize - m_nCount), got);
  if (!ok) {
    uint32_t error = win32::GetLastError();
    if (error == win32::ERROR_HANDLE_EOF) {
      m_bEOF = true;
      m_nLastError = 0;
    } else {
      m_nLastError = error;
    }
    return false;
  }
  if (got == 0) {
    m_bEOF = true;
    return false;
  }
  m_nCount += static_cast<int>(got);
  const uint8_t* data = Data();
  if (m_bSkipLF) {
    m_bSkipLF = false;
    if (data[0] == '\n') m_nPos = 1;
  }
  if (first) {
    m_nBOM = 0;
    if (got >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
      m_nBOM = 1;
      m_nPos = 3;
    }
  }
  return true;
}

std::wstring CLangFile::Mem2Str(const uint8_t* bytes, int count) {
  if (count < 1) return L"";
  const char* text = reinterpret_cast<const char*>(bytes);
  if (m_nBOM == 1) {
    int length = win32::MultiByteToWideChar(win32::CP_UTF8, 0, text, count, nullptr, 0);
    if (length == 0) {
      LogError(L"CTextFile.Mem2Str", static_cast<int32_t>(win32::GetLastError()),
               L"MultiByteToWideChar failed");
    } else {
      std::vector<wchar_t> wide(static_cast<size_t>(length));
      if (win32::MultiByteToWideChar(win32::CP_UTF8, 0, text, count, wide.data(), length) != 0)
        return std::wstring(wide.data(), wide.size());
      LogError(L"CTextFile.Mem2Str", static_cast<int32_t>(win32::GetLastError()),
               L"MultiByteToWideChar(2) failed");
    }
  }
  return win32::FromAnsi(std::string_view(text, static_cast<size_t>(count)));
}
