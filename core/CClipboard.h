// The clipboard object: keeps the user's clipboard intact around the system's own copy and
// paste (every format that is a memory block is saved and put back, with a nesting count),
// reads "HTML Format" as UTF-8, fetches the selection of the active window and lists the
// clipboard in the log.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CClipboard {
 public:
  CClipboard() = default;
  // Warns when a Save is still not matched by its Restore.
  ~CClipboard();
  CClipboard(const CClipboard&) = delete;
  CClipboard& operator=(const CClipboard&) = delete;

  // The registered name of a format; empty for the predefined ones.
  std::wstring GetClipboardFormatName(uint32_t format) const;
  bool IsFormatAvialable(const std::wstring& name) const;
  // The "HTML Format" bytes decoded as UTF-8 into a text as long as the byte count, the rest
  // filled with blanks; empty when there are none.
  std::wstring GetHtmlFormat();
  // The selection of the active window, taken through the clipboard, which is kept intact.
  std::wstring GetSelectedText();
  // Only the outermost pair touches the clipboard.
  void Save();
  void Restore();
  // The outermost Save read the user's clipboard (false: it was held by another program).
  bool Taken() const { return m_bTaken; }
  // A Restore that, when another program holds the clipboard still, keeps what was saved and
  // the pair open (false, a warning) so that it can be asked again later.
  bool TryRestore();
  void dbgLogFormatData(const std::wstring& name);
  void dbgEnumFormats();

  int32_t UseCount() const { return m_UseCount; }

  // Ctrl+Insert to the focused window, then a flush that waits until the keys are processed.
  // The personalization library sends the same keys; they live here, below it.
  static void SendCopyKeys();
  // One extended key pressed with a modifier held (Ctrl+Insert copies, Shift+Insert pastes).
  static void SendChord(uint8_t modifier, uint8_t key);

 private:
  struct SavedFormat {
    uint32_t format;
    uint32_t size;
    std::vector<uint8_t> data;
  };
  bool Restore(bool bGiveUp);

  std::vector<SavedFormat> m_colFormats;
  // The outermost Save opened the clipboard: its Restore empties it and puts back what was read.
  bool m_bTaken = false;
  int32_t m_UseCount = 0;
};

// The process's clipboard object: made on first use, released at final shutdown.
extern std::shared_ptr<CClipboard> g_oClipboard;
CClipboard& HostClipboard();
