// Dumps of dialogs for translators: the exact text of each mode, the saved pictures, the
// failures that cost only their own line, and a dump read back as the form's section.
#include <memory>

#include "LangTestUtil.h"
#include "core/CLang.h"
#include "core/mFileUtils.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/vb/PictureFiles.h"

using namespace langtest;

namespace {

const wchar_t kLongName[] = L"cmdThisNameIsThirtyOneCharsLong";

class frmDump : public forms::Form {
 public:
  explicit frmDump(CLang& lang, bool blank = false)
      : forms::Form(L"frmDump"), m_lang(lang), m_blank(blank) {}
  std::shared_ptr<win32::IPicture> logoPicture, buttonPicture;

 protected:
  // A blank design differs from the real one in every value a dump holds.
  void Design() override {
    auto text = [&](const wchar_t* s) { return m_blank ? std::wstring() : std::wstring(s); };
    auto number = [&](int32_t v) { return m_blank ? v + 7 : v; };
    SetCaption(text(L"Dump \"test\""));
    SetWidth(number(4800));
    auto label = Add<forms::Label>(L"lblName");
    label->SetCaption(text(L"Lin\u00E9 one\r\nC:\\x"));
    label->SetLeft(number(120));
    label->SetTop(number(90));
    Add<forms::TextBox>(L"txtName")->SetToolTipText(text(L"Tab\there"));
    Add<forms::OptionButton>(L"optMode", nullptr, 1)->SetCaption(text(L"Two"));
    auto line = Add<forms::Line>(L"linSep");
    line->Y1 = line->Y2 = number(450);
    line->X2 = number(4500);
    Add<forms::Image>(L"imgLogo")->SetPicture(logoPicture);
    auto button = Add<forms::CommandButton>(kLongName);
    button->SetCaption(text(L"Go"));
    button->SetToolTipText(text(L"Go on"));
    button->SetPicture(buttonPicture);
  }
  void Form_Load() override { m_lang.LocalizeForm(*this); }

 private:
  CLang& m_lang;
  bool m_blank;
};

std::wstring Join(const std::vector<std::wstring>& lines) {
  std::wstring out;
  for (const auto& line : lines) out += line + L"\r\n";
  return out;
}

// Every value a dump can hold, of the form and each control, as text.
std::vector<std::wstring> Snapshot(const forms::Form& form) {
  std::vector<std::wstring> out = {form.Caption(), std::to_wstring(form.Left()),
                                   std::to_wstring(form.Top()), std::to_wstring(form.Width()),
                                   std::to_wstring(form.Height())};
  for (const auto& c : form.Controls()) {
    auto get = [&](auto read) { vb::Ignore([&] { out.push_back(c->Name() + L": " + read()); }); };
    get([&] { return c->Caption(); });
    get([&] { return c->ToolTipText(); });
    get([&] { return std::to_wstring(c->Left()) + L"," + std::to_wstring(c->Top()); });
    get([&] { return std::to_wstring(c->Width()) + L"," + std::to_wstring(c->Height()); });
    if (auto line = std::dynamic_pointer_cast<forms::Line>(c))
      out.push_back(std::to_wstring(line->X1) + L"," + std::to_wstring(line->Y1) + L"," +
                    std::to_wstring(line->X2) + L"," + std::to_wstring(line->Y2));
  }
  return out;
}

class Dump : public LangTest {
 protected:
  CLang lang;
  const std::string dumpFile = ProgramFile("Dump\\frmDump.txt");
  const std::string pictureFolder = ProgramFile("Dump\\frmDump");

  void Load(int mode, const std::vector<std::string>& formLines = {}) {
    std::vector<std::string> body = {"dumpforms = \"" + std::to_string(mode) + "\"",
                                     "[Tanvelo.texts]", "IDS_X = \"x\"", "[Tanvelo.frmDump]"};
    body.insert(body.end(), formLines.begin(), formLines.end());
    Write("t.lng", LangFile("EN", body, "texts", "frmDump"));
    ASSERT_TRUE(lang.Init(ProgramPath("t.lng"), L"Tanvelo"));
    ASSERT_EQ(mode, lang.DumpMode());
  }
  std::shared_ptr<win32::IPicture> Logo() {
    Write("res\\logo.bmp", BitmapFile());
    return vb::LoadPicture(ProgramPath("res\\logo.bmp"));
  }
};

TEST_F(Dump, EachModeWritesItsLinesBeforeTheFormIsLocalised) {
  const std::wstring name = kLongName;
  const std::wstring picture = ProgramPath("Dump\\frmDump\\imgLogo.bmp");
  std::wstring escapedPicture;
  for (wchar_t c : picture) escapedPicture += c == L'\\' ? L"\\\\" : std::wstring(1, c);
  struct Case {
    int mode;
    std::vector<std::wstring> lines;
  } cases[] = {
      {1,
       {L"[Tanvelo.frmDump]",
        L"",
        L".Caption\t\t\t=\"Dump \"\"test\"\"\"",
        L".Left\t\t\t\t=\"0\"",
        L".Top\t\t\t\t=\"0\"",
        L".Width\t\t\t\t=\"4800\"",
        L".Height\t\t\t\t=\"3600\"",
        L"",
        L"lblName\t\t\t\t=\"Lin\u00E9 one\\nC:\\\\x\"",
        L"lblName.Left\t\t\t=\"120\"",
        L"lblName.Top\t\t\t=\"90\"",
        L"lblName.Width\t\t\t=\"1215\"",
        L"lblName.Height\t\t\t=\"375\"",
        L"",
        L"txtName\t\t\t\t=\"\"",
        L"txtName.Left\t\t\t=\"0\"",
        L"txtName.Top\t\t\t=\"0\"",
        L"txtName.Width\t\t\t=\"1215\"",
        L"txtName.Height\t\t\t=\"375\"",
        L"txtName.ToolTipText\t\t=\"Tab\\there\"",
        L"",
        L"optMode(1)\t\t\t=\"Two\"",
        L"optMode(1).Left\t\t\t=\"0\"",
        L"optMode(1).Top\t\t\t=\"0\"",
        L"optMode(1).Width\t\t=\"1215\"",
        L"optMode(1).Height\t\t=\"375\"",
        L"",
        L"linSep.X1\t\t\t=\"0\"",
        L"linSep.Y1\t\t\t=\"450\"",
        L"linSep.X2\t\t\t=\"4500\"",
        L"linSep.Y2\t\t\t=\"450\"",
        L"",
        L"imgLogo\t\t\t\t=\"\"",
        L"imgLogo.Left\t\t\t=\"0\"",
        L"imgLogo.Top\t\t\t=\"0\"",
        L"imgLogo.Width\t\t\t=\"1215\"",
        L"imgLogo.Height\t\t\t=\"375\"",
        L"imgLogo.Picture\t\t\t= \"" + escapedPicture + L"\"",
        L"",
        name + L"\t=\"Go\"",
        name + L".Left=\"0\"",
        name + L".Top=\"0\"",
        name + L".Width=\"1215\"",
        name + L".Height=\"375\"",
        name + L".ToolTipText=\"Go on\""}},
      {2,
       {L"[Tanvelo.frmDump]", L"; (frmDump)", L".Caption\t\t\t=\"Dump \"\"test\"\"\"",
        L"; lblName(Label)", L"lblName\t\t\t\t=\"Lin\u00E9 one\\nC:\\\\x\"", L"; txtName(TextBox)",
        L"txtName\t\t\t\t=\"\"", L"txtName.ToolTipText\t\t=\"Tab\\there\"",
        L"; optMode(1)(OptionButton)", L"optMode(1)\t\t\t=\"Two\"", L"; imgLogo(Image)",
        L"imgLogo\t\t\t\t=\"\"", L"; " + name + L"(CommandButton)", name + L"\t=\"Go\"",
        name + L".ToolTipText=\"Go on\""}},
      {3,
       {L"[Tanvelo.frmDump]", L"; (frmDump)", L".Caption\t\t\t=\"Dump \"\"test\"\"\"",
        L"; lblName(Label)", L"lblName\t\t\t\t=\"Lin\u00E9 one\\nC:\\\\x\"", L"; txtName(TextBox)",
        L"txtName.ToolTipText\t\t=\"Tab\\there\"", L"; optMode(1)(OptionButton)",
        L"optMode(1)\t\t\t=\"Two\"", L"; " + name + L"(CommandButton)", name + L"\t=\"Go\"",
        name + L".ToolTipText=\"Go on\""}},
  };
  // One sandbox for all modes: each dump replaces the whole file.
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    Load(c.mode, {"cmdThisNameIsThirtyOneCharsLong = \"Localised\""});
    frmDump form(lang);
    form.logoPicture = Logo();
    form.Load();
    EXPECT_EQ(Ansi(Join(c.lines)), win32::files::ReadAll(dumpFile));
    EXPECT_EQ(L"Localised", form.FindControl(kLongName)->Caption());
    EXPECT_EQ(c.mode == 1, mFileUtils::DirExists(ProgramPath("Dump\\frmDump")));
    if (c.mode == 1) {
      EXPECT_EQ(BitmapFile(), win32::files::ReadAll(Ansi(picture)));
      ASSERT_TRUE(win32::RemoveDirectoryA(pictureFolder.c_str()) ||
                  (win32::DeleteFileA(Ansi(picture).c_str()) &&
                   win32::RemoveDirectoryA(pictureFolder.c_str())));
    }
  }
  EXPECT_TRUE(LogTexts(3).empty()) << Ansi(LogTexts(3).front());
}

TEST_F(Dump, ADumpReadBackLocalisesABlankFormLikeTheDesign) {
  Load(1);
  frmDump designed(lang);
  designed.logoPicture = Logo();
  designed.Load();
  auto dump = win32::files::ReadAll(dumpFile);
  ASSERT_TRUE(dump);

  Write("back.lng",
        LangFile("EN", {"[Tanvelo.texts]", "IDS_X = \"x\""}, "texts", "frmDump") + *dump);
  CLang back;
  ASSERT_TRUE(back.Init(ProgramPath("back.lng"), L"Tanvelo"));
  size_t mark = support::library::Log().size();
  frmDump blank(back, true);
  blank.Load();
  EXPECT_EQ(Snapshot(designed), Snapshot(blank));
  EXPECT_NE(Snapshot(designed), Snapshot(frmDump(lang, true)));
  // The saved picture's absolute path waits for a translator to make it relative.
  EXPECT_EQ(
      std::vector<std::wstring>{
          L"You should specify a relative file path for frmDump.imglogo.picture"},
      LogTextsFrom(mark));
}

TEST_F(Dump, FailuresCostOnlyTheirOwnLine) {
  auto dead = std::make_shared<win32::IPicture>(win32::PICTYPE_BITMAP, 0x7770, false);
  Load(1);
  {
    // A picture that cannot be saved leaves no line and no empty picture folder.
    frmDump form(lang);
    form.buttonPicture = dead;
    form.Load();
    EXPECT_FALSE(mFileUtils::DirExists(ProgramPath("Dump\\frmDump")));
    EXPECT_EQ(std::wstring::npos,
              win32::FromAnsi(*win32::files::ReadAll(dumpFile)).find(L"Picture"));
    const auto& entry = support::library::Log().back();
    EXPECT_EQ(L"CLang.DumpControl", entry.procedure);
    EXPECT_EQ(481, entry.errorNumber);
  }
  {
    // A folder that already holds a saved picture stays.
    frmDump form(lang);
    form.logoPicture = Logo();
    form.buttonPicture = dead;
    form.Load();
    EXPECT_TRUE(win32::files::ReadAll(ProgramFile("Dump\\frmDump\\imgLogo.bmp")));
    EXPECT_NE(std::wstring::npos,
              win32::FromAnsi(*win32::files::ReadAll(dumpFile)).find(L"imgLogo.Picture"));
  }
  {
    // A dump file that cannot be made is logged, and the form is localised all the same.
    Load(2, {"lblName = \"Localised\""});
    ASSERT_TRUE(win32::DeleteFileA(dumpFile.c_str()));
    ASSERT_TRUE(win32::CreateDirectoryA(dumpFile.c_str(), nullptr));
    frmDump form(lang);
    form.Load();
    EXPECT_EQ(L"Localised", form.FindControl(L"lblName")->Caption());
    const auto& entry = support::library::Log().back();
    EXPECT_EQ(L"CLang.DumpControls", entry.procedure);
    EXPECT_EQ(75, entry.errorNumber);
  }
}

TEST_F(Dump, NoDumpsWithoutTheSwitchAndAUserControlIsDumpedUnderItsName) {
  Write("t.lng", LangFile("EN", {"[Tanvelo.texts]", "IDS_X = \"x\"", "[Tanvelo.frmDump]"}, "texts",
                          "frmDump"));
  ASSERT_TRUE(lang.Init(ProgramPath("t.lng"), L"Tanvelo"));
  frmDump form(lang);
  form.Load();
  EXPECT_FALSE(mFileUtils::DirExists(ProgramPath("Dump")));

  Load(3);
  auto& controls = form.Controls();
  lang.LocalizeUserControl(L"ucBar", *controls[0], {controls[2]});
  EXPECT_EQ(
      Ansi(Join({L"[Tanvelo.ucBar]", L"; (Label)", L".Caption\t\t\t=\"Lin\u00E9 one\\nC:\\\\x\"",
                 L"; optMode(1)(OptionButton)", L"optMode(1)\t\t\t=\"Two\""})),
      win32::files::ReadAll(ProgramFile("Dump\\ucBar.txt")));
}

}  // namespace
