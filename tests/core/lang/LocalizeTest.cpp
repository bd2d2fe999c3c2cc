// Dialogs localised from their form section: keys of every shape, the values they set, the
// log entries of keys that cannot be applied, and the reload of a file saved while running.
#include <memory>

#include "LangTestUtil.h"
#include "core/CLang.h"
#include "core/Main.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/win32/Clock.h"

using namespace langtest;

namespace {

class frmTest : public forms::Form {
 public:
  explicit frmTest(CLang& lang, const std::wstring& name = L"frmTest")
      : forms::Form(name), m_lang(lang) {}
  std::shared_ptr<forms::Label> lblName;
  std::shared_ptr<forms::TextBox> txtName;
  std::shared_ptr<forms::CommandButton> cmdOK, cmdCancel;
  std::shared_ptr<forms::OptionButton> optMode[3];
  std::shared_ptr<forms::Line> linSep;
  std::shared_ptr<forms::Image> imgLogo;

 protected:
  void Design() override {
    SetCaption(L"Designed");
    lblName = Add<forms::Label>(L"lblName");
    lblName->SetCaption(L"Name:");
    txtName = Add<forms::TextBox>(L"txtName");
    txtName->SetToolTipText(L"Your name");
    cmdOK = Add<forms::CommandButton>(L"cmdOK");
    cmdOK->SetCaption(L"OK");
    cmdCancel = Add<forms::CommandButton>(L"cmdCancel");
    cmdCancel->SetCaption(L"Cancel");
    cmdCancel->SetLeft(3000);
    cmdCancel->SetTop(600);
    const wchar_t* modes[] = {L"One", L"Two", L"Three"};
    for (int i = 0; i < 3; ++i) {
      optMode[i] = Add<forms::OptionButton>(L"optMode", nullptr, i);
      optMode[i]->SetCaption(modes[i]);
    }
    linSep = Add<forms::Line>(L"linSep");
    imgLogo = Add<forms::Image>(L"imgLogo");
  }
  void Form_Load() override { m_lang.LocalizeForm(*this); }

 private:
  CLang& m_lang;
};

class Localize : public LangTest {
 protected:
  CLang lang;

  void Load(const std::vector<std::string>& formLines, const std::string& forms = "frmTest") {
    std::vector<std::string> body = {"[Tanvelo.texts]", "IDS_X = \"x\"", "[Tanvelo.frmTest]"};
    body.insert(body.end(), formLines.begin(), formLines.end());
    Write("t.lng", LangFile("EN", body, "texts", forms));
    ASSERT_TRUE(lang.Init(ProgramPath("t.lng"), L"Tanvelo"));
    mark = support::library::Log().size();
  }
  size_t mark = 0;
  std::vector<std::wstring> NewLog() { return LogTextsFrom(mark); }
  bool NewlyLogged(const std::wstring& text) {
    for (const auto& t : NewLog())
      if (t == text) return true;
    return false;
  }
};

TEST_F(Localize, KeysOfEveryShapeSetTheirPropertyAndMissingOnesKeepTheDesign) {
  vb::Screen().TwipsPerPixelX = 12;
  vb::Screen().TwipsPerPixelY = 20;
  Load({".caption = \"Localised\"", "lblName = \"Your &name:\"", "CMDOK.CAPTION = \"Okay\"",
        "txtName.ToolTipText = \"Type it\\there\"", "optMode(2) = \"Third\"",
        "optmode(1).Caption = \"Second \"\"two\"\"\"", "cmdCancel.dleft = \"-10\"",
        "cmdCancel.dtop = \"3\"", "cmdCancel.Width = \" 2000 \"", "cmdCancel.dwidth = \"5\"",
        "linSep.x1 = \"15\"", "linSep.Y2 = \"-30\"", "lblName.height = \"12.5\""});
  frmTest form(lang);
  form.Load();

  EXPECT_EQ(L"Localised", form.Caption());
  EXPECT_EQ(L"Your &name:", form.lblName->Caption());
  EXPECT_EQ(L"Okay", form.cmdOK->Caption());
  EXPECT_EQ(L"Type it\there", form.txtName->ToolTipText());
  EXPECT_EQ(L"One", form.optMode[0]->Caption());
  EXPECT_EQ(L"Second \"two\"", form.optMode[1]->Caption());
  EXPECT_EQ(L"Third", form.optMode[2]->Caption());
  EXPECT_EQ(L"Cancel", form.cmdCancel->Caption());
  EXPECT_EQ(3000 - 10 * 12, form.cmdCancel->Left()) << "pixels, at this screen's resolution";
  EXPECT_EQ(600 + 3 * 20, form.cmdCancel->Top());
  EXPECT_EQ(2000 + 5 * 12, form.cmdCancel->Width()) << "keys apply in file order";
  EXPECT_EQ(12, form.lblName->Height()) << "halves round to even";
  EXPECT_EQ(15, form.linSep->X1);
  EXPECT_EQ(-30, form.linSep->Y2);
  EXPECT_EQ(0, form.linSep->X2);
  EXPECT_TRUE(NewLog().empty()) << Ansi(NewLog().front());
}

TEST_F(Localize, KeysThatCannotBeAppliedLeaveOneEntryEachAndTheDesign) {
  Load({"optMode(x).caption = \"bad index\"", "optMode(7) = \"no such member\"",
        "optMode() = \"empty index\"", "lblMissing = \"gone\"", "cmdOK.caption.x = \"two points\"",
        "cmdOK.Font = \"Arial\"", "imgLogo.Picture = \"C:\\\\logo.bmp\"",
        "txtName.caption = \"no caption\"", "cmdOK.width = \"wide\"",
        "cmdOK.left = \"99999999999\"", "linSep.tooltiptext = \"tip\"",
        "imgLogo.picture = \"missing.bmp\"", "lblName = \"still applied\""});
  frmTest form(lang);
  form.Load();

  std::wstring on = L" control does not exist on 'frmTest' form";
  std::vector<std::wstring> expected = {
      L"invalid key 'optmode(x).caption' for form 'frmTest'",
      L"'optmode'" + on,
      L"Control array element '7' doesn't exist",
      L"'optmode(7)'" + on,
      L"invalid key 'optmode()' for form 'frmTest'",
      L"'optmode'" + on,
      L"'lblmissing'" + on,
      L"'caption.x' property does not supported",
      L"'font' property does not supported",
      L"You should specify a relative file path for frmTest.imglogo.picture",
  };
  EXPECT_EQ(expected, NewLog());
  for (size_t i = mark; i < support::library::Log().size(); ++i) {
    const auto& e = support::library::Log()[i];
    EXPECT_EQ(L"CLang.LocalizeControls", e.procedure);
    EXPECT_EQ(e.text.find(L"Control array") == 0 ? 340 : 0, e.errorNumber);
  }
  EXPECT_EQ(L"still applied", form.lblName->Caption());
  EXPECT_EQ(L"OK", form.cmdOK->Caption());
  EXPECT_EQ(1215, form.cmdOK->Width());
  EXPECT_EQ(0, form.cmdOK->Left());
  EXPECT_EQ(nullptr, form.imgLogo->Picture());
  EXPECT_EQ(0, vb::Err().Number());
}

TEST_F(Localize, APictureLoadsFromBelowTheProgramFolder) {
  Write("res\\logo.bmp", BitmapFile());
  Load({"imgLogo.picture = \"res\\\\logo.bmp\""});
  frmTest form(lang);
  form.Load();
  ASSERT_NE(nullptr, form.imgLogo->Picture());
  EXPECT_EQ(win32::PICTYPE_BITMAP, form.imgLogo->Picture()->Type());
  EXPECT_EQ(ProgramFile("res\\logo.bmp"), form.imgLogo->Picture()->Image()->resource);
}

TEST_F(Localize, AFormWithoutASectionAndAUserControl) {
  Load({"lblName = \"x\""});
  frmTest other(lang, L"frmOther");
  other.Load();
  EXPECT_EQ(std::vector<std::wstring>{L"Locale for 'frmOther' form not exists"}, NewLog());
  EXPECT_EQ(L"Name:", other.lblName->Caption());

  // A user control: its own name, object and controls, with the same key rules.
  Write("t.lng",
        LangFile("EN",
                 {"[Tanvelo.texts]", "IDS_X = \"x\"", "[Tanvelo.ucBar]", ".Caption = \"Bar\"",
                  "lblPart(1) = \"Part one\"", "linEdge.x2 = \"45\"", "lblName = \"not mine\""},
                 "texts", "ucBar"));
  ASSERT_TRUE(lang.Init(ProgramPath("t.lng"), L"Tanvelo"));
  mark = support::library::Log().size();
  forms::Frame bar;
  auto part = std::make_shared<forms::Label>();
  auto edge = std::make_shared<forms::Line>();
  class Host : public forms::Form {
   public:
    Host() : forms::Form(L"Host") {}
    std::vector<std::shared_ptr<forms::Control>> inner;

   protected:
    void Design() override {
      inner = {Add<forms::Label>(L"lblPart", nullptr, 1), Add<forms::Line>(L"linEdge"),
               Add<forms::Frame>(L"fraBar")};
    }
  } host;
  host.Load();
  auto& ctl = host.inner;
  lang.LocalizeUserControl(L"ucBar", *ctl[2], {ctl[0], ctl[1]});
  EXPECT_EQ(L"Bar", ctl[2]->Caption());
  EXPECT_EQ(L"Part one", ctl[0]->Caption());
  EXPECT_EQ(45, std::static_pointer_cast<forms::Line>(ctl[1])->X2);
  EXPECT_EQ(std::vector<std::wstring>{L"'lblname' control does not exist on 'ucBar' form"},
            NewLog());
}

TEST_F(Localize, AFileSavedWhileRunningIsReloadedByTheNextDialog) {
  Load({"cmdOK = \"First\""});
  std::wstring path = ProgramPath("t.lng");
  auto save = [&](const std::string& caption) {
    Write("t.lng",
          LangFile("EN", {"[Tanvelo.frmTest]", "cmdOK = \"" + caption + "\""}, "", "frmTest"));
  };
  auto caption = [&] {
    frmTest form(lang);
    form.Load();
    return form.cmdOK->Caption();
  };
  const std::wstring reloading =
      L"last modification time of file '" + path + L"' was changed, reloading file...";

  save("Same second");  // the time is read to the second: no change seen
  EXPECT_EQ(L"First", caption());
  EXPECT_FALSE(NewlyLogged(reloading));

  win32::clock::Advance(2000);
  save("Second");
  EXPECT_EQ(L"Second", caption());
  EXPECT_TRUE(NewlyLogged(reloading));
  mark = support::library::Log().size();
  EXPECT_EQ(L"Second", caption());
  EXPECT_FALSE(NewlyLogged(reloading)) << "reloaded once";

  // A saved file that cannot be read keeps the texts read before; the next dialog asks again.
  win32::clock::Advance(2000);
  save("Third");
  win32::files::FailNextRead(win32::ERROR_READ_FAULT);
  EXPECT_EQ(L"Second", caption());
  EXPECT_EQ(path, lang.Filename());
  EXPECT_EQ(L"Third", caption());

  // A file that no longer loads empties the object until the add-in starts again.
  win32::clock::Advance(2000);
  Write("t.lng", "[version]\r\n");
  EXPECT_EQ(L"OK", caption());
  EXPECT_EQ(L"", lang.Filename());
  EXPECT_TRUE(NewlyLogged(L"Locale for 'frmTest' form not exists"));
  win32::clock::Advance(2000);
  save("Mended");
  mark = support::library::Log().size();
  EXPECT_EQ(L"OK", caption());
  EXPECT_FALSE(NewlyLogged(reloading));
  EXPECT_TRUE(NewlyLogged(L"Locale for 'frmTest' form not exists"));
}

}  // namespace
