// Inspector windows: the open item, its editor (plain, RTF, HTML or Word), the user's
// selection and caret, activation and closing, and their events.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/outlook/Events.h"
#include "platform/outlook/Forward.h"
#include "platform/win32/Keyboard.h"

namespace outlook {

struct InspectorEvents {
  Event<> Activate;
  Event<> Close;
};

// The inspector's editor takes simulated keys once a test gives it the keyboard focus
// (win32::keyboard::SetFocus): Shift+Insert pastes at the caret, typed characters go there.
class Inspector : public Object,
                  public win32::FocusedEditor,
                  public std::enable_shared_from_this<Inspector> {
 public:
  Inspector(std::weak_ptr<outlook::Application> app, std::shared_ptr<Item> item);

  int32_t Class() const override { return 35; }  // olInspector
  // Raises once the window has closed.
  std::shared_ptr<Item> CurrentItem() const;
  // olEditorText, olEditorHTML, olEditorRTF by the item's body format, or olEditorWord when
  // mail is edited in Word.
  int32_t EditorType() const;
  bool IsWordMail() const { return EditorType() == olEditorWord; }
  std::wstring Caption() const;
  void Activate();
  // olSave, olDiscard or olPromptForSave (asks through a message box when changed).
  void Close(int32_t saveMode);
  bool IsClosed() const { return closed_; }
  int32_t WindowState = 0, Left = 0, Top = 0, Width = 600, Height = 450;
  std::shared_ptr<void> CommandBars() const { return commandBars_; }
  void SetCommandBars(std::shared_ptr<void> bars) { commandBars_ = std::move(bars); }

  InspectorEvents& Events() { return events_; }

  // --- The editor: the user's selection over the body text the editor shows ------------
  // Selects `length` characters of the item's plain text from `start` (0-based); the caret
  // goes to the selection's end.
  void SetSelection(int32_t start, int32_t length);
  // Places the caret with nothing selected.
  void SetCaret(int32_t position);
  int32_t Caret() const { return caret_; }
  std::wstring SelectedText() const override;
  // What the HTML editor's selection range gives (escaped text), and its type "Text" or
  // "None".
  std::wstring SelectedHtml() const;
  std::wstring SelectionType() const { return selLength_ > 0 ? L"Text" : L"None"; }
  // Types text at the caret, replacing the selection (what a paste does).
  void TypeText(const std::wstring& text);
  void ReplaceSelection(const std::wstring& text) override { TypeText(text); }

  // Internal.
  void Rebind(const std::shared_ptr<Item>& item) { item_ = item; }
  // Closed by the item's sending: neither saved nor discarded, it leaves as it stands.
  void CloseSent();

 private:
  std::weak_ptr<outlook::Application> app_;
  std::shared_ptr<Item> item_;
  std::shared_ptr<void> commandBars_;
  bool closed_ = false;
  void Shut();
  int32_t selStart_ = 0, selLength_ = 0, caret_ = 0;
  InspectorEvents events_;
};

class Inspectors {
 public:
  explicit Inspectors(std::weak_ptr<outlook::Application> app) : app_(std::move(app)) {}
  int32_t Count() const { return static_cast<int32_t>(list_.size()); }
  std::shared_ptr<Inspector> Item(int32_t index) const;
  // Opens an inspector on the item: NewInspector (CurrentItem already valid), then, when
  // shown, Activate.
  std::shared_ptr<Inspector> Add(const std::shared_ptr<outlook::Item>& item, bool show = true);
  auto begin() const { return list_.begin(); }
  auto end() const { return list_.end(); }

  Event<std::shared_ptr<Inspector>> NewInspector;

  void Remove(const Inspector* inspector);

 private:
  std::weak_ptr<outlook::Application> app_;
  std::vector<std::shared_ptr<Inspector>> list_;
};

}  // namespace outlook
