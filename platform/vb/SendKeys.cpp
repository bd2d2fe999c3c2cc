#include "platform/vb/SendKeys.h"

#include <cwctype>
#include <vector>

#include "platform/vb/Error.h"
#include "platform/win32/Keyboard.h"

namespace vb {
namespace {

[[noreturn]] void Invalid() {
  Raise(kInvalidProcedureCall);
}

void Down(uint8_t vk) {
  win32::keybd_event(vk, 0, 0, 0);
}
void Up(uint8_t vk) {
  win32::keybd_event(vk, 0, win32::KEYEVENTF_KEYUP, 0);
}
void Stroke(uint8_t vk) {
  Down(vk);
  Up(vk);
}

void TypeChar(wchar_t c) {
  if ((c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L' ') {
    Stroke(static_cast<uint8_t>(std::towupper(c)));
  } else if (c >= L'A' && c <= L'Z') {
    bool shiftHeld = win32::GetKeyState(win32::VK_SHIFT) < 0;
    if (!shiftHeld) Down(win32::VK_SHIFT);
    Stroke(static_cast<uint8_t>(c));
    if (!shiftHeld) Up(win32::VK_SHIFT);
  } else {
    win32::SendUnicodeChar(c);
  }
}

uint8_t NamedKey(std::wstring name) {
  for (auto& c : name) c = static_cast<wchar_t>(std::towupper(c));
  if (name == L"ENTER") return win32::VK_RETURN;
  if (name == L"TAB") return 0x09;
  if (name == L"BS" || name == L"BKSP" || name == L"BACKSPACE") return win32::VK_BACK;
  if (name == L"ESC" || name == L"ESCAPE") return win32::VK_ESCAPE;
  if (name == L"INSERT" || name == L"INS") return win32::VK_INSERT;
  Invalid();
}

class Parser {
 public:
  explicit Parser(const std::wstring& keys) : keys_(keys) {}

  void Run() {
    try {
      while (pos_ < keys_.size()) Next();
    } catch (...) {
      Release();  // a malformed text leaves no modifier down
      throw;
    }
    // Modifiers with no key after them are pressed and released on their own.
    Release();
  }

 private:
  void Next() {
    wchar_t c = keys_[pos_++];
    switch (c) {
      case L'+':
        Hold(win32::VK_SHIFT);
        return;
      case L'^':
        Hold(win32::VK_CONTROL);
        return;
      case L'%':
        Hold(win32::VK_MENU);
        return;
      case L'(':
        Group();
        return;
      case L')':
      case L'}':
        Invalid();
      case L'~':
        Stroke(win32::VK_RETURN);
        break;
      case L'{':
        Braced();
        break;
      default:
        TypeChar(c);
    }
    Release();
  }

  void Hold(uint8_t vk) {
    Down(vk);
    held_.push_back(vk);
  }

  void Release() {
    while (!held_.empty()) {
      Up(held_.back());
      held_.pop_back();
    }
  }

  // The modifiers held now stay down for the whole group.
  void Group() {
    std::vector<uint8_t> outer;
    outer.swap(held_);
    while (pos_ < keys_.size() && keys_[pos_] != L')') Next();
    Release();
    held_.swap(outer);
    if (pos_ >= keys_.size()) Invalid();
    ++pos_;
    Release();
  }

  void Braced() {
    // "{}}" and "{{}" hold the brace itself; otherwise the text runs to the next "}".
    if (pos_ >= keys_.size()) Invalid();
    size_t close = keys_[pos_] == L'}' ? pos_ + 1 : keys_.find(L'}', pos_);
    if (close >= keys_.size() || keys_[close] != L'}') Invalid();
    std::wstring inner = keys_.substr(pos_, close - pos_);
    pos_ = close + 1;
    if (inner.size() == 1) {
      TypeChar(inner[0]);
    } else {
      Stroke(NamedKey(inner));
    }
  }

  const std::wstring& keys_;
  size_t pos_ = 0;
  std::vector<uint8_t> held_;
};

}  // namespace

void SendKeys(const std::wstring& keys, bool /*wait*/) {
  Parser(keys).Run();
}

}  // namespace vb
