// The language object: the language file chosen by the options, its texts by id with their
// arguments, and the localisation of dialogs from the file's form sections.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/CLangFile.h"
#include "core/CLangTexts.h"
#include "core/LangArg.h"
#include "core/mFileUtils.h"

namespace forms {
class Form;
class Control;
}  // namespace forms

class CLang {
 public:
  CLang();
  ~CLang();
  CLang(const CLang&) = delete;
  CLang& operator=(const CLang&) = delete;

  // The text of an id with its "%s" and "%d" places filled from the arguments; never fails.
  template <class... Args>
  std::wstring Item(std::wstring_view id, const Args&... args) {
    return ItemOf(id, std::vector<LangArg>{LangArg(args)...});
  }
  std::wstring Filename() const { return m_sFilename; }
  std::wstring LangID() const { return m_sLangID; }
  std::wstring LangName() const { return m_sLangName; }

  using Controls = std::vector<std::shared_ptr<forms::Control>>;
  // Called by every dialog while it loads: writes its dump first when dumps are on, then
  // applies its form section. Nothing raises to the dialog; a key that cannot be applied
  // leaves the designed value.
  void LocalizeForm(forms::Form& form);
  // The same for a user control whose name, object and controls are given.
  void LocalizeUserControl(const std::wstring& name, forms::Control& object,
                           const Controls& controls);
  // Writes "Dump\<name>.txt" below the program folder in the form-section format.
  void DumpForm(forms::Form& form);
  void DumpUserControl(const std::wstring& name, forms::Control& object, const Controls& controls);

  // Chooses the file for the language option in the program folder and loads it.
  bool InitEx(const std::wstring& appName);
  // Loads the file; on failure the object is left empty.
  bool Init(const std::wstring& path, const std::wstring& appName);
  // Every valid language file of the folder: "langid" CR LF "lang" CR LF file name.
  std::vector<std::wstring> GetAvailableLangs(const std::wstring& folder,
                                              const std::wstring& skipName);
  bool ItemFind(std::wstring_view id) const;
  // Replaces or adds a text in memory until the language is loaded again.
  void ItemSet(std::wstring_view id, const std::wstring& text);

  // 0 without dumps, else the dump mode of the loaded file.
  int32_t DumpMode() const { return m_nDumpMode; }

 private:
  using Texts = CLangTexts;
  // The lower-case entry names of a section, in file order, without repeats. They are views of
  // the keys kept by the texts they were read into, and live as long as those.
  struct SectionList {
    std::vector<std::wstring_view> names;
    // A name the file has not declared before in this key space.
    void AddNew(std::wstring_view name) { names.push_back(name); }
    // A repeated declaration: its name is listed once.
    void Add(std::wstring_view name);
  };

  std::wstring ItemOf(std::wstring_view id, const std::vector<LangArg>& args);
  void ResetData();
  std::optional<Texts> ReadSectionInto(const std::wstring& path, const std::wstring& section);
  bool ReadSection(const std::wstring& path, const std::wstring& section, Texts& texts,
                   const std::wstring& keyPrefix, SectionList& list);
  bool LoadFile(const std::wstring& path, const std::wstring& appName);
  // Reads refused past their tries since the last Init or GetAvailableLangs: the first one's
  // file or folder and error.
  struct Unread {
    int count = 0;
    std::wstring path;
    uint32_t error = 0;
    bool folder = false;  // the program folder could not be listed
  };
  Unread m_unread;
  void NoteUnread(const std::wstring& path, uint32_t error, bool folder = false);
  std::wstring UnreadText() const;
  void TakeData(CLang& other);
  // The file of the load under way, read once for all its section scans.
  std::wstring m_sImagePath;
  std::shared_ptr<CLangFile::Image> m_pImage;

  // A dialog or one of its controls, reached by property as late binding reaches them.
  class Subject;
  void LocalizeControls(const std::wstring& formName, const Subject& object,
                        const Controls& controls);
  void DumpControls(const std::wstring& formName, const Subject& object, const Controls& controls);
  void DumpControl(const Subject& object, const std::wstring& name, uint32_t file,
                   const std::wstring& pictureFolder);
  static std::wstring EscapeText(std::wstring_view text);
  // Tabs before the first "=" that bring it to column 8 * tabs + 1 with tab stops every 8.
  static std::wstring AlignAssignment(std::wstring_view line, int32_t tabs);
  // 1-based position of the first character of `text` that is one of `chars`; 0 for none.
  static int32_t InStrAny(std::wstring_view text, std::wstring_view chars);

 public:
  // Formatting of texts, shared with the dumps and the forms: escapes, then arguments.
  static std::wstring sprintf1(std::wstring_view format, const std::vector<LangArg>& args);
  static std::wstring sprintf2(std::wstring_view text);
  // Trimming of blanks and tabs, the comment cut and the quote check of the file format.
  static std::wstring TrimBlanks(std::wstring_view text);
  static std::wstring StripComment(std::wstring_view value);
  static bool CheckQuoted(std::wstring_view value, std::wstring& text, std::wstring& error);
  // The same without a copy where none is needed: the text inside the quotes, or `room` made
  // to hold it when doubled quotes stand for single ones.
  static std::optional<std::wstring_view> Unquoted(std::wstring_view value, std::wstring& room,
                                                   std::wstring& error);

 private:
  Texts m_colTexts;
  std::map<std::wstring, SectionList> m_colSections;
  std::wstring m_sFilename;
  std::wstring m_sLangID;
  std::wstring m_sLangName;
  std::wstring m_sAppName;
  mFileUtils::DateTime m_dtFileTime;
  int32_t m_nDumpMode = 0;
};

// The process's language object, made at connection.
extern std::shared_ptr<CLang> g_oLang;

// A text of the language object, or the id itself while no language is loaded: a message must
// still be shown, and a dialog still open, before the language file has been read.
template <class... Args>
std::wstring LangText(std::wstring_view id, const Args&... args) {
  return g_oLang ? g_oLang->Item(id, args...) : std::wstring(id);
}
