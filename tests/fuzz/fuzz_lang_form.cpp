// The language file's form functions: a dialog whose captions and tips hold any characters is
// dumped for translators, the dump read back as the dialog's form section localises a blank
// dialog to the same texts; and the file's value functions agree with each other on any value.
#include "FuzzSupport.h"
#include "core/CLang.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/vb/Runtime.h"
#include "platform/win32/Files.h"

namespace {

struct Texts {
  std::wstring form, label, button, tip, option, box;
};

class frmFuzz : public forms::Form {
 public:
  frmFuzz(CLang& lang, const Texts& texts) : forms::Form(L"frmFuzz"), lang_(lang), texts_(texts) {}

 protected:
  void Design() override {
    SetCaption(texts_.form);
    Add<forms::Label>(L"lblName")->SetCaption(texts_.label);
    auto button = Add<forms::CommandButton>(L"cmdOK");
    button->SetCaption(texts_.button);
    button->SetToolTipText(texts_.tip);
    Add<forms::OptionButton>(L"optMode", nullptr, 1)->SetCaption(texts_.option);
    Add<forms::TextBox>(L"txtName")->SetToolTipText(texts_.box);
  }
  void Form_Load() override { lang_.LocalizeForm(*this); }

 private:
  CLang& lang_;
  Texts texts_;
};

std::vector<std::wstring> Shown(const forms::Form& form) {
  std::vector<std::wstring> out{form.Caption()};
  for (const auto& c : form.Controls()) {
    vb::Ignore([&] { out.push_back(c->Name() + L": " + c->Caption()); });
    vb::Ignore([&] { out.push_back(c->Name() + L" tip: " + c->ToolTipText()); });
  }
  return out;
}

// A caption without NUL of the characters the dump's code page holds: dumps are ANSI files.
std::wstring Caption(FuzzedDataProvider& data) {
  std::wstring text;
  for (wchar_t c : fuzz::Text(data, 40))
    if (c != 0 && win32::FromAnsi(win32::ToAnsi(std::wstring(1, c))) == std::wstring(1, c))
      text += c;
  return text;
}

const std::string kHead =
    "\xEF\xBB\xBF[version]\r\nsignature = \"Norvane.LangLngFile\"\r\nlangid = \"EN\"\r\n"
    "lang = \"Lang EN\"\r\n[Tanvelo]\r\nglobals = \"texts\"\r\nforms = \"frmFuzz\"\r\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  Texts texts{Caption(provider), Caption(provider), Caption(provider),
              Caption(provider), Caption(provider), Caption(provider)};
  std::wstring value = fuzz::Text(provider, 200);

  // The value functions: a value that passes the quote check unquotes to the same text with
  // or without a copy, and what the comment cut keeps is no longer than the value.
  std::wstring checked, error, room;
  bool quoted = CLang::CheckQuoted(value, checked, error);
  auto unquoted = CLang::Unquoted(value, room, error);
  FUZZ_CHECK(quoted == unquoted.has_value());
  if (quoted) FUZZ_CHECK(std::wstring(*unquoted) == checked);
  FUZZ_CHECK(CLang::StripComment(value).size() <= value.size());
  FUZZ_CHECK(CLang::TrimBlanks(value).size() <= value.size());
  CLang::sprintf2(value);

  fuzz::FreshPlatformOnDisk platform;
  fuzz::LoadStrings();
  const std::string folder = win32::ToAnsi(vb::App().Path);
  FUZZ_CHECK(win32::files::WriteAll(
      folder + "\\dump.lng",
      kHead + "dumpforms = \"1\"\r\n[Tanvelo.texts]\r\nIDS_X = \"x\"\r\n[Tanvelo.frmFuzz]\r\n"));
  CLang lang;
  FUZZ_CHECK(lang.Init(win32::FromAnsi(folder + "\\dump.lng"), L"Tanvelo"));
  frmFuzz designed(lang, texts);
  designed.Load();
  auto dump = win32::files::ReadAll(folder + "\\Dump\\frmFuzz.txt");
  FUZZ_CHECK(dump.has_value());

  FUZZ_CHECK(win32::files::WriteAll(
      folder + "\\back.lng",
      kHead.substr(3) /* ANSI, as the dump */ + "[Tanvelo.texts]\r\nIDS_X = \"x\"\r\n" + *dump));
  CLang back;
  FUZZ_CHECK(back.Init(win32::FromAnsi(folder + "\\back.lng"), L"Tanvelo"));
  frmFuzz blank(back, Texts{});
  blank.Load();
  // Read once each: a text box has no caption, and every read of one raises.
  const auto designedTexts = Shown(designed), blankTexts = Shown(blank);
  if (designedTexts != blankTexts) {
    std::fprintf(stderr, "dump '%s'\n", dump->c_str());
    auto codes = [](const std::wstring& text) {
      std::string out;
      for (wchar_t c : text) out += std::to_string(static_cast<uint32_t>(c)) + " ";
      return out;
    };
    for (size_t i = 0; i < designedTexts.size() && i < blankTexts.size(); ++i)
      if (designedTexts[i] != blankTexts[i])
        std::fprintf(stderr, "designed %s\n   blank %s\n", codes(designedTexts[i]).c_str(),
                     codes(blankTexts[i]).c_str());
  }
  FUZZ_CHECK(designedTexts == blankTexts);
  return 0;
}
