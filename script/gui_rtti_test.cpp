// The graphics, forms and extended-controls groups under Wine: a real form
// with controls declared to a script, driven from it and checked through the
// class library; script handlers on the controls' events fired by posted
// input and a running timer; and OLE Automation objects Wine provides,
// reached by late binding from scripts.
#include "script/gui_rtti.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "gui/comctrls.h"
#include "gui/extctrls.h"
#include "gui/forms.h"
#include "gui/stdctrls.h"
#include "gui/testing.h"
#include "runtime/handles.h"
#include "runtime/strings.h"
#include "script/engine_test_support.h"

namespace script {
namespace {

using testing::ClassesHost;
using testing::RunRows;
using testing::Text;

// Builds the host before any script module exists, so that the forms group
// finds the program's Application object.
ClassesHost& NewHost() {
    gui::testing::EnsureGui();
    return *new ClassesHost();
}

// A form with one control of each kind the tests drive, named as a
// designer would.
class GuiRttiTest : public ::testing::Test {
  protected:
    GuiRttiTest() : host(NewHost()) {
        form = new gui::TForm(nullptr);
        form->SetName("Form1");
        form->SetBounds(10, 10, 480, 360);
        Button = Add<gui::TButton>("Button1", 8, 8, 80, 24);
        Edit = Add<gui::TEdit>("Edit1", 100, 8, 120, 22);
        List = Add<gui::TListBox>("ListBox1", 8, 40, 120, 80);
        Tree = Add<gui::TTreeView>("TreeView1", 140, 40, 150, 120);
        View = Add<gui::TListView>("ListView1", 300, 40, 160, 120);
        Status = Add<gui::TStatusBar>("StatusBar1", 0, 0, 0, 0);
        Timer = new gui::TTimer(form);
        Timer->SetName("Timer1");
        Timer->SetEnabled(false);
        Timer->SetInterval(10);
        host.global.DeclareForm(*form);
    }
    ~GuiRttiTest() override {
        host.script.Clear();
        delete form;
        delete &host;
        gui::testing::Pump();
    }

    template <typename T>
    T* Add(const char* name, int left, int top, int width, int height) {
        auto* control = new T(form);
        control->SetName(name);
        control->SetParent(form);
        if (width > 0) control->SetBounds(left, top, width, height);
        return control;
    }

    void ShowForm() {
        form->Show();
        gui::testing::Pump();
    }

    ClassesHost& host;
    gui::TForm* form = nullptr;
    gui::TButton* Button = nullptr;
    gui::TEdit* Edit = nullptr;
    gui::TListBox* List = nullptr;
    gui::TTreeView* Tree = nullptr;
    gui::TListView* View = nullptr;
    gui::TStatusBar* Status = nullptr;
    gui::TTimer* Timer = nullptr;
};

TEST_F(GuiRttiTest, ConstantsEnumerationsAndSetsOfTheThreeGroups) {
    RunRows(
        host,
        {
            {"colours",
             "begin Trace(clRed); Trace(clBlue); Trace(clWindow); Trace(clBtnFace); "
             "Trace(clNone); Trace(clDefault); Trace(clMedGray) end.",
             "255 16711680 -16777211 -16777201 536870911 536870912 10789024"},
            {"font styles combine as a set",
             "begin Trace(fsBold or fsItalic); Trace(fsStrikeout) end.", "3 8"},
            {"pens and brushes",
             "begin Trace(psInsideFrame); Trace(pmNotXor); Trace(bsDiagCross) end.", "6 15 7"},
            {"modal results and cursors",
             "begin Trace(mrYesToAll); Trace(crSize); Trace(crSizeAll); Trace(crHandPoint) end.",
             "10 -22 -22 -21"},
            {"key codes",
             "begin Trace(VK_RETURN); Trace(VK_NUMPAD9); Trace(VK_F1); Trace(VK_F3); "
             "Trace(VK_F12); Trace(VK_SCROLL) end.",
             "13 105 112 114 123 145"},
            {"forms' sets and enumerations",
             "begin Trace(ssDouble); Trace(akBottom); Trace(biHelp); Trace(alClient); "
             "Trace(caMinimize); Trace(fsStayOnTop); Trace(poDesktopCenter); Trace(taCenter) end.",
             "64 8 8 5 3 3 5 2"},
            {"extended controls' enumerations, names written without a space",
             "begin Trace(stEllipse); Trace(stCircle); Trace(bsRightLine); Trace(bkClose); "
             "Trace(vsReport); Trace(dowThursday); Trace(dowLocaleDefault); Trace(tbsDivider) end.",
             "4 5 5 6 3 3 7 4"},
            {"integer types",
             "var b: TFormBorderStyle; n: TNumGlyphs; begin b := 3; n := 2; "
             "Trace(b + n) end.",
             "5"},
        });
}

TEST_F(GuiRttiTest, AScriptDrivesTheFormsControls) {
    ShowForm();
    // Members declared by the groups and published properties alike.
    EXPECT_EQ(
        host.Run(Text({
            "begin",
            "  Form1.Caption := 'Ranks';",
            "  Form1.Button1.Caption := 'Go';",
            "  Form1.Edit1.Text := 'example.com';",
            "  Form1.Button1.SetBounds(20, 30, 90, 26);",
            "  Trace(Form1.Button1.Left + Form1.Button1.Top); Trace(Form1.Button1.Parent.Name);",
            "  Form1.ListBox1.Items.Add('one'); Form1.ListBox1.Items.Add('two');",
            "  Form1.ListBox1.ItemIndex := 1; Trace(Form1.ListBox1.Selected[1]);",
            "  Trace(Form1.ListBox1.SelCount);",
            "  Form1.Edit1.Hide; Trace(Form1.Edit1.Visible);",
            "  Trace(Form1.Canvas.ClassName);",
            "  Trace(Copy(Application.ExeName, Length(Application.ExeName) - 3, 4));",
            "  Form1.ModalResult := mrOk; Trace(Form1.ModalResult);",
            "end.",
        })),
        "50 Form1 True 1 False TCanvas .exe 1");
    EXPECT_EQ(form->Text(), "Ranks");
    EXPECT_EQ(Button->Text(), "Go");
    EXPECT_EQ(Edit->Text(), "example.com");
    EXPECT_EQ(Button->Width(), 90);
    EXPECT_EQ(List->Items()->Count(), 2);
    EXPECT_EQ(List->ItemIndex(), 1);
    EXPECT_FALSE(Edit->Visible());
    EXPECT_FALSE(IsWindowVisible(Edit->Handle()));
    form->SetModalResult(gui::mrNone);

    // Trees, list views and status bars with their nodes, items and panels.
    EXPECT_EQ(
        host.Run(Text({
            "var root, child: TTreeNode; item: TListItem;",
            "begin",
            "  root := Form1.TreeView1.Items.AddChild(nil, 'google.com');",
            "  child := Form1.TreeView1.Items.AddChild(root, 'seo tools');",
            "  Form1.TreeView1.Items.Add(root, 'bing.com');",
            "  child.Data := 1234; child.ImageIndex := 2; child.SelectedIndex := 3;",
            "  Form1.TreeView1.FullExpand; Form1.TreeView1.Selected := child;",
            "  Trace(Form1.TreeView1.Items.Count); Trace(Form1.TreeView1.Items[1].Text);",
            "  Trace(Form1.TreeView1.Items.Item[2].Text); Trace(root.Count);",
            "  Trace(Form1.TreeView1.Selected.Data);",
            "  Form1.ListView1.ViewStyle := vsReport; Form1.ListView1.Checkboxes := True;",
            "  Form1.ListView1.Columns.Add.Caption := 'Keyword';",
            "  item := Form1.ListView1.Items.Add; item.Caption := 'seo';",
            "  item.SubItems.Add('3'); item.Checked := True;",
            "  Form1.ListView1.Items.Add.Caption := 'rank';",
            "  Form1.ListView1.Items.Delete(1);",
            "  Trace(Form1.ListView1.Items.Count); Trace(Form1.ListView1.Items[0].SubItems[0]);",
            "  Form1.StatusBar1.Panels.Add.Text := 'ready';",
            "  Trace(Form1.StatusBar1.Panels.Items[0].Text);",
            "end.",
        })),
        "3 seo tools bing.com 1 1234 1 3 ready");
    ASSERT_EQ(Tree->Items().Count(), 3);
    gui::TTreeNode* child = Tree->Items().TopItem(0)->Item(0);
    EXPECT_EQ(child->Text(), "seo tools");
    EXPECT_EQ(child->Data(), reinterpret_cast<void*>(1234));
    EXPECT_EQ(child->SelectedIndex(), 3);
    EXPECT_EQ(Tree->Selected(), child);
    EXPECT_TRUE(child->Parent()->Expanded());
    ASSERT_EQ(View->Items().Count(), 1);
    EXPECT_EQ(View->Items().Item(0)->Caption(), "seo");
    EXPECT_TRUE(View->Items().Item(0)->Checked());
    EXPECT_EQ(View->Columns()->Count(), 1);
    EXPECT_EQ(Status->Panels()->Items(0)->Text(), "ready");
}

TEST_F(GuiRttiTest, PagesCombosCanvasesAndPictures) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "serplow_gui_rtti_test.bmp";
    std::filesystem::remove(file);
    host.global.DeclareConst("FileName", "String", runtime::Variant(file.string()));
    ShowForm();
    EXPECT_EQ(host.Run(Text({
                  "var pages: TPageControl; sheet: TTabSheet; combo: TComboBox;",
                  "    bmp: TBitmap; image: TImage; i: Integer;",
                  "begin",
                  "  pages := TPageControl.Create(Form1); pages.Parent := Form1;",
                  "  pages.SetBounds(8, 170, 200, 120);",
                  "  for i := 1 to 3 do begin",
                  "    sheet := TTabSheet.Create(Form1); sheet.Caption := 'Page ' + IntToStr(i);",
                  "    sheet.PageControl := pages;",
                  "  end;",
                  "  Trace(pages.PageCount); Trace(pages.Pages[2].Caption);",
                  "  pages.ActivePage := pages.Pages[0]; pages.SelectNextPage(True);",
                  "  Trace(pages.ActivePage.Caption); pages.SelectNextPage(False);",
                  "  pages.SelectNextPage(False); Trace(pages.ActivePage.Caption);",
                  "  Trace(pages.Pages[1].PageControl = pages);",
                  "  combo := TComboBox.Create(Form1); combo.Parent := Form1;",
                  "  combo.Items.Add('daily'); combo.Items.Add('weekly');",
                  "  combo.ItemIndex := 1; Trace(combo.ItemIndex); Trace(combo.Text);",
                  "  bmp := TBitmap.Create; bmp.Width := 40; bmp.Height := 20;",
                  "  bmp.Canvas.Brush.Color := clWhite; bmp.Canvas.Pen.Color := clBlue;",
                  "  bmp.Canvas.Rectangle(0, 0, 40, 20);",
                  "  bmp.Canvas.MoveTo(0, 10); bmp.Canvas.LineTo(40, 10);",
                  "  Trace(bmp.Canvas.Pixels[20, 10]); Trace(bmp.Canvas.Pixels[20, 5]);",
                  "  Trace(bmp.Canvas.TextHeight('Ag') > 0);",
                  "  bmp.SaveToFile(FileName); bmp.Free;",
                  "  image := TImage.Create(Form1); image.Parent := Form1;",
                  "  image.Picture.LoadFromFile(FileName);",
                  "  Trace(image.Picture.Width); Trace(image.Picture.Height);",
                  "end.",
              })),
              "3 Page 3 Page 2 Page 3 True 1 weekly 16711680 16777215 True 40 20");
    std::filesystem::remove(file);
    RunRows(
        host,
        {
            {"a page out of range", "begin Trace(TPageControl.Create(Form1).Pages[0]) end.",
             "EListError: List index out of bounds (0)"},
            {"a tree node index out of range", "begin Trace(Form1.TreeView1.Items[5].Text) end.",
             "EListError: List index out of bounds (5)"},
        });
}

TEST_F(GuiRttiTest, APaintBoxPaintsThroughItsScriptHandler) {
    ShowForm();
    ASSERT_EQ(host.Run(Text({
                  "var box: TPaintBox;",
                  "procedure BoxPaint(Sender: TObject);",
                  "begin Trace('paint ' + TPaintBox(Sender).Name) end;",
                  "begin",
                  "  box := TPaintBox.Create(Form1); box.Name := 'Box'; box.Parent := Form1;",
                  "  box.SetBounds(300, 200, 40, 40); box.OnPaint := 'BoxPaint';",
                  "end.",
              })),
              "");
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(gui::testing::PumpUntil([&] { return !host.trace.empty(); }));
    EXPECT_EQ(host.trace.empty() ? "" : host.trace.front(), "paint Box");
}

TEST_F(GuiRttiTest, ObjectsScriptsMakeAreFullyConstructed) {
    ShowForm();
    EXPECT_EQ(host.Run(Text({
                  "var b: TButton; f: TFont; bmp, other: TBitmap; p: TPen;",
                  "begin",
                  "  b := TButton.Create(Form1); b.Name := 'Made'; b.Parent := Form1;",
                  "  b.Caption := 'Made by a script'; b.SetBounds(8, 200, 120, 24);",
                  "  f := TFont.Create; f.Size := 14; f.Style := fsBold; Trace(f.Size);",
                  "  b.Font.Assign(f); f.Free;",
                  "  p := TPen.Create; Trace(p.Width); p.Free;",
                  "  bmp := TBitmap.Create; bmp.Width := 20; bmp.Height := 10;",
                  "  bmp.Canvas.Brush.Color := clRed; bmp.Canvas.Rectangle(0, 0, 20, 10);",
                  "  bmp.Canvas.Pixels[5, 6] := clLime;",
                  "  Trace(bmp.Canvas.Pixels[5, 6]); Trace(bmp.Canvas.Pixels[10, 3]);",
                  "  other := TBitmap.Create; other.Width := 30; other.Height := 30;",
                  "  other.Canvas.Draw(2, 2, bmp); Trace(other.Canvas.Pixels[7, 8]);",
                  "  bmp.Free; other.Free;",
                  "end.",
              })),
              "14 1 65280 255 65280");
    auto* made = dynamic_cast<gui::TButton*>(form->FindComponent("Made"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Parent(), form);
    EXPECT_EQ(made->Text(), "Made by a script");
    EXPECT_TRUE(IsWindow(made->Handle()));
    EXPECT_EQ(made->Font()->Size(), 14);
}

TEST_F(GuiRttiTest, CallsThatWouldHarmTheHostAreRefused) {
    RunRows(host, {
                      {"the host's form", "begin Form1.Free end.",
                       "EInvalidOperation: Cannot free TForm: the object is owned by the host"},
                      {"a control of the host's form", "begin Form1.Button1.Free end.",
                       "EInvalidOperation: Cannot free TButton: the object is owned by the host"},
                      {"a class the class library lacks",
                       "var b: TBitBtn; begin b := TBitBtn.Create(Form1) end.",
                       "EInvalidOperation: Cannot create an instance of an abstract class"},
                      {"the MDI styles", "begin Form1.FormStyle := fsMDIChild end.",
                       "EInvalidOperation: MDI forms are not supported"},
                      {"a handler that is no procedure",
                       "var x: Integer; begin Form1.Button1.OnClick := 'x' end.",
                       "Exception: Event handler must be a procedure"},
                  });
    EXPECT_NE(form->FindComponent("Button1"), nullptr);

    // Windows belong to the main thread: a script elsewhere is refused them.
    std::string error;
    testing::OnScriptThread([&] { error = host.Run("begin Form1.Button1.Caption := 'x' end."); });
    EXPECT_NE(error.find("main thread"), std::string::npos) << error;
    EXPECT_EQ(Button->Text(), "");
}

TEST_F(GuiRttiTest, HandlersFireOnClicksTimersAndTreeEvents) {
    ShowForm();
    ASSERT_EQ(
        host.Run(Text({
            "procedure ButtonClick(Sender: TObject);",
            "begin Trace('click ' + TButton(Sender).Name) end;",
            "procedure TimerTick(Sender: TObject);",
            "begin Trace('tick'); Form1.Timer1.Enabled := False end;",
            "procedure TreeDown(Sender: TObject; Button, Shift, X, Y: Integer);",
            "begin Trace('down ' + TTreeView(Sender).Name + ' ' + IntToStr(Button) + ' ' +",
            "  IntToStr(X) + ',' + IntToStr(Y)) end;",
            "procedure EditKey(Sender: TObject; var Key: Char);",
            "begin if Key = 'a' then Key := 'b' end;",
            "begin",
            "  Form1.Button1.OnClick := 'ButtonClick'; Form1.Timer1.OnTimer := 'TimerTick';",
            "  Form1.TreeView1.OnMouseDown := 'TreeDown'; Form1.Edit1.OnKeyPress := 'EditKey';",
            "end.",
        })),
        "");
    gui::testing::Click(*Button);
    EXPECT_EQ(host.Joined(), "click Button1");

    host.trace.clear();
    Timer->SetEnabled(true);
    EXPECT_TRUE(gui::testing::PumpUntil([&] { return !host.trace.empty(); }));
    EXPECT_EQ(host.Joined(), "tick");
    EXPECT_FALSE(Timer->Enabled());

    host.trace.clear();
    gui::testing::Click(*Tree, gui::TPoint{12, 34}, runtime::mbRight);
    EXPECT_EQ(host.Joined(), "down TreeView1 1 12,34");

    Edit->SetFocus();
    gui::testing::TypeText(u"abc", Edit);
    EXPECT_EQ(Edit->Text(), "bbc");

    // Clearing the script frees its bridges and detaches them: the host's
    // events fire into nothing.
    host.script.Clear();
    host.trace.clear();
    gui::testing::Click(*Button);
    EXPECT_FALSE(Button->OnClick);
    EXPECT_TRUE(host.trace.empty());
}

// A form's close asks its script first and lets the script choose what the
// close does: the first close is refused, the second hides the form.
TEST_F(GuiRttiTest, CloseQueryAndCloseHandlersDecideTheClose) {
    ShowForm();
    ASSERT_EQ(host.Run(Text({
                  "var Asked: Integer;",
                  "procedure FormCloseQuery(Sender: TObject; var CanClose: Boolean);",
                  "begin Asked := Asked + 1; Trace('query'); CanClose := Asked > 1 end;",
                  "procedure FormClose(Sender: TObject; var Action: TCloseAction);",
                  "begin Trace('close'); Action := caHide end;",
                  "begin Form1.OnCloseQuery := 'FormCloseQuery'; Form1.OnClose := 'FormClose' end.",
              })),
              "");
    form->Close();
    gui::testing::Pump();
    EXPECT_EQ(host.Joined(), "query");
    EXPECT_TRUE(form->Showing());
    form->Close();
    gui::testing::Pump();
    EXPECT_EQ(host.Joined(), "query query close");
    EXPECT_FALSE(form->Showing());
}

TEST(GuiRttiOleTest, ScriptsReachAutomationObjectsByName) {
    ClassesHost& host = NewHost();
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "serplow_ole_test.txt";
    std::filesystem::remove(file);
    host.global.DeclareConst("FileName", "String", runtime::Variant(file.string()));
    EXPECT_EQ(host.Run(Text({
                  "var d, fs, t: Variant;",
                  "begin",
                  "  d := CreateOleObject('Scripting.Dictionary');",
                  "  d.CompareMode := 1;",
                  "  d.Add('google', 3); d.Add('Bing', 'seven');",
                  "  Trace(d.Count); Trace(d.Item('GOOGLE')); Trace(d.Exists('bing'));",
                  "  d.Item('google') := 4; Trace(d.Item('google'));",
                  "  d.Remove('bing'); Trace(d.Count);",
                  "  fs := CreateOleObject('Scripting.FileSystemObject');",
                  "  t := fs.CreateTextFile(FileName, True, False);",
                  "  t.WriteLine('ranks'); t.Close;",
                  "  Trace(fs.FileExists(FileName));",
                  "  Trace(fs.BuildPath('c:\\dir', 'name.txt'));",
                  "end.",
              })),
              "2 3 True 4 1 True c:\\dir\\name.txt");
    std::ifstream in(file);
    const std::string written((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    EXPECT_TRUE(written == "ranks\r\n" || written == "ranks\n") << written;
    in.close();
    std::filesystem::remove(file);

    const std::string error = host.Run(Text({
        "var d: Variant;",
        "begin d := CreateOleObject('Scripting.Dictionary'); Trace(d.NoSuchMember(1, 2)) end.",
    }));
    // Never invoked: the lookup's failure names the member.
    EXPECT_EQ(error, "Exception: OLE error 80020003: NoSuchMember: Member not found.");
    delete &host;
}

}  // namespace
}  // namespace script
