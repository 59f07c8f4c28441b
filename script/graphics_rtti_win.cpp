// The graphics group: colours, fonts, pens, brushes, canvases and pictures.

#include <array>
#include <string>

#include "gui/colors.h"
#include "gui/graphic.h"
#include "gui/graphics.h"
#include "runtime/strings.h"
#include "script/classes_rtti_internal.h"
#include "script/gui_rtti.h"

namespace script::graphics {

namespace {

using classes::ClassRow;
using classes::Ctor;
using classes::EnumRow;
using classes::HostCall;
using classes::Indexed;
using classes::MemberRow;
using classes::Method;
using classes::NoValue;
using classes::ObjectValue;
using classes::Prop;
using gui::TCanvas;
using gui::TGraphic;
using gui::TPicture;
using runtime::Variant;

// The standard colour names, in the order scripts get them.
constexpr std::string_view kColorNames[] = {
    "clBlack",
    "clMaroon",
    "clGreen",
    "clOlive",
    "clNavy",
    "clPurple",
    "clTeal",
    "clGray",
    "clSilver",
    "clRed",
    "clLime",
    "clYellow",
    "clBlue",
    "clFuchsia",
    "clAqua",
    "clWhite",
    "clMoneyGreen",
    "clSkyBlue",
    "clCream",
    "clMedGray",
    "clActiveBorder",
    "clActiveCaption",
    "clAppWorkSpace",
    "clBackground",
    "clBtnFace",
    "clBtnHighlight",
    "clBtnShadow",
    "clBtnText",
    "clCaptionText",
    "clDefault",
    "clGradientActiveCaption",
    "clGradientInactiveCaption",
    "clGrayText",
    "clHighlight",
    "clHighlightText",
    "clHotLight",
    "clInactiveBorder",
    "clInactiveCaption",
    "clInactiveCaptionText",
    "clInfoBk",
    "clInfoText",
    "clMenu",
    "clMenuBar",
    "clMenuHighlight",
    "clMenuText",
    "clNone",
    "clScrollBar",
    "cl3DDkShadow",
    "cl3DLight",
    "clWindow",
    "clWindowFrame",
    "clWindowText",
};
static_assert(std::size(kColorNames) == 52);

constexpr EnumRow kSets[] = {
    {"TFontStyles", "fsBold, fsItalic, fsUnderline, fsStrikeout"},
};

constexpr EnumRow kEnums[] = {
    {"TFontPitch", "fpDefault, fpVariable, fpFixed"},
    {"TPenStyle", "psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame"},
    {"TPenMode",
     "pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, "
     "pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor"},
    {"TBrushStyle",
     "bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, "
     "bsDiagCross"},
};

// ---- constructors --------------------------------------------------------------------------

gui::TRect RectArgs(const HostCall& call, int first) {
    return {call.IntArg(first), call.IntArg(first + 1), call.IntArg(first + 2),
            call.IntArg(first + 3)};
}

// ---- TCanvas ------------------------------------------------------------------------------

Variant CanvasDraw(const HostCall& call) {
    TCanvas& canvas = call.Self<TCanvas>();
    canvas.Draw(call.IntArg(0), call.IntArg(1), call.RequiredArg<TGraphic>(2));
    return Variant();
}

Variant CanvasEllipse(const HostCall& call) {
    call.Self<TCanvas>().Ellipse(RectArgs(call, 0));
    return Variant();
}

Variant CanvasLineTo(const HostCall& call) {
    call.Self<TCanvas>().LineTo(call.IntArg(0), call.IntArg(1));
    return Variant();
}

Variant CanvasMoveTo(const HostCall& call) {
    call.Self<TCanvas>().MoveTo(call.IntArg(0), call.IntArg(1));
    return Variant();
}

Variant CanvasRectangle(const HostCall& call) {
    call.Self<TCanvas>().Rectangle(RectArgs(call, 0));
    return Variant();
}

Variant CanvasRoundRect(const HostCall& call) {
    TCanvas& canvas = call.Self<TCanvas>();
    canvas.RoundRect(RectArgs(call, 0), call.IntArg(4), call.IntArg(5));
    return Variant();
}

Variant CanvasStretchDraw(const HostCall& call) {
    TCanvas& canvas = call.Self<TCanvas>();
    canvas.StretchDraw(RectArgs(call, 0), call.RequiredArg<TGraphic>(4));
    return Variant();
}

Variant CanvasTextHeight(const HostCall& call) {
    return Variant(int32_t{call.Self<TCanvas>().TextHeight(call.StrArg(0))});
}

Variant CanvasTextOut(const HostCall& call) {
    TCanvas& canvas = call.Self<TCanvas>();
    canvas.TextOut(call.IntArg(0), call.IntArg(1), std::string_view(call.StrArg(2)));
    return Variant();
}

Variant CanvasTextWidth(const HostCall& call) {
    return Variant(int32_t{call.Self<TCanvas>().TextWidth(call.StrArg(0))});
}

Variant CanvasPixelsGet(const HostCall& call) {
    TCanvas& canvas = call.Self<TCanvas>();
    return Variant(static_cast<int32_t>(canvas.Pixel(call.IntArg(0), call.IntArg(1))));
}

Variant CanvasPixelsSet(const HostCall& call) {
    TCanvas& canvas = call.Self<TCanvas>();
    canvas.SetPixel(call.IntArg(0), call.IntArg(1),
                    static_cast<gui::TColor>(call.Value().AsInteger()));
    return Variant();
}

// The canvas keeps its font, pen and brush; writing one copies it in.
template <typename T, T& (TCanvas::*Get)()>
Variant CanvasObject(const HostCall& call) {
    return ObjectValue(&(call.Self<TCanvas>().*Get)());
}

template <typename T, T& (TCanvas::*Get)()>
Variant CanvasSetObject(const HostCall& call) {
    TCanvas& canvas = call.Self<TCanvas>();
    (canvas.*Get)().Assign(HostCall::ObjectOf<T>(call.Value()));
    return Variant();
}

// ---- TGraphic, TPicture, TBitmap --------------------------------------------------------

template <typename T>
Variant LoadFromFile(const HostCall& call) {
    call.Self<T>().LoadFromFile(runtime::AnsiToWide(call.StrArg(0)));
    return Variant();
}

template <typename T>
Variant SaveToFile(const HostCall& call) {
    call.Self<T>().SaveToFile(runtime::AnsiToWide(call.StrArg(0)));
    return Variant();
}

template <typename T>
Variant Height(const HostCall& call) {
    return Variant(int32_t{call.Self<T>().Height()});
}

template <typename T>
Variant Width(const HostCall& call) {
    return Variant(int32_t{call.Self<T>().Width()});
}

Variant GraphicSetHeight(const HostCall& call) {
    call.Self<TGraphic>().SetHeight(call.Value().AsInteger());
    return Variant();
}

Variant GraphicSetWidth(const HostCall& call) {
    call.Self<TGraphic>().SetWidth(call.Value().AsInteger());
    return Variant();
}

Variant BitmapCanvas(const HostCall& call) {
    return ObjectValue(&call.Self<gui::TBitmap>().Canvas());
}

// ---- tables ----------------------------------------------------------------------------------

constexpr MemberRow kCreateMembers[] = {
    Ctor("constructor Create", classes::ConstructedInstance),
};

constexpr MemberRow kCanvasMembers[] = {
    Ctor("constructor Create", classes::ConstructedInstance),
    Method("procedure Draw(X, Y: Integer; Graphic: TGraphic)", CanvasDraw),
    Method("procedure Ellipse(X1, Y1, X2, Y2: Integer)", CanvasEllipse),
    Method("procedure LineTo(X, Y: Integer)", CanvasLineTo),
    Method("procedure MoveTo(X, Y: Integer)", CanvasMoveTo),
    Method("procedure Rectangle(X1, Y1, X2, Y2: Integer)", CanvasRectangle),
    Method("procedure RoundRect(X1, Y1, X2, Y2, X3, Y3: Integer)", CanvasRoundRect),
    Method("procedure StretchDraw(X1, Y1, X2, Y2: Integer; Graphic: TGraphic)", CanvasStretchDraw),
    Method("function TextHeight(const Text: string): Integer", CanvasTextHeight),
    Method("procedure TextOut(X, Y: Integer; const Text: string)", CanvasTextOut),
    Method("function TextWidth(const Text: string): Integer", CanvasTextWidth),
    Indexed("Pixels", "Integer, Integer", "TColor", CanvasPixelsGet, CanvasPixelsSet),
    // Published by the class library scripts are written for; ours keeps
    // them as plain members.
    Prop("Brush", "TBrush", CanvasObject<gui::TBrush, &TCanvas::Brush>,
         CanvasSetObject<gui::TBrush, &TCanvas::Brush>),
    Prop("Font", "TFont", CanvasObject<gui::TFont, &TCanvas::Font>,
         CanvasSetObject<gui::TFont, &TCanvas::Font>),
    Prop("Pen", "TPen", CanvasObject<gui::TPen, &TCanvas::Pen>,
         CanvasSetObject<gui::TPen, &TCanvas::Pen>),
};

constexpr MemberRow kGraphicMembers[] = {
    Ctor("constructor Create", classes::ConstructedInstance),
    Method("procedure LoadFromFile(const Filename: string)", LoadFromFile<TGraphic>),
    Method("procedure SaveToFile(const Filename: string)", SaveToFile<TGraphic>),
    Prop("Height", "Integer", Height<TGraphic>, GraphicSetHeight),
    Prop("Width", "Integer", Width<TGraphic>, GraphicSetWidth),
};

constexpr MemberRow kPictureMembers[] = {
    Method("procedure LoadFromFile(const Filename: string)", LoadFromFile<TPicture>),
    Method("procedure SaveToFile(const Filename: string)", SaveToFile<TPicture>),
    Prop("Height", "Integer", Height<TPicture>),
    Prop("Width", "Integer", Width<TPicture>),
};

constexpr MemberRow kMetafileCanvasMembers[] = {
    Ctor("constructor Create(AMetafile: TMetafile; ReferenceDevice: Integer)",
         classes::NotInClassLibrary),
};

constexpr MemberRow kBitmapMembers[] = {
    Prop("Canvas", "TCanvas", BitmapCanvas),
};

const runtime::TClassInfo& MetafileInfo() {
    static const auto info = classes::NameOnlyClass("TMetafile", TGraphic::StaticClassInfo());
    return *info;
}

const runtime::TClassInfo& MetafileCanvasInfo() {
    static const auto info = classes::NameOnlyClass("TMetafileCanvas", TCanvas::StaticClassInfo());
    return *info;
}

const ClassRow kClasses[] = {
    {&runtime::ClassInfoOf<gui::TFont>, "TPersistent", kCreateMembers},
    {&runtime::ClassInfoOf<gui::TPen>, "TPersistent", kCreateMembers},
    {&runtime::ClassInfoOf<gui::TBrush>, "TPersistent", kCreateMembers},
    {&runtime::ClassInfoOf<TCanvas>, "TPersistent", kCanvasMembers},
    {&runtime::ClassInfoOf<TGraphic>, "TPersistent", kGraphicMembers},
    {&runtime::ClassInfoOf<TPicture>, "TPersistent", kPictureMembers},
    {&MetafileInfo, "TGraphic", {}},
    {&MetafileCanvasInfo, "TCanvas", kMetafileCanvasMembers},
    {&runtime::ClassInfoOf<gui::TBitmap>, "TGraphic", kBitmapMembers},
};

}  // namespace

TFunctions::TFunctions(TscScript& script) : TscRTTIModule(script) {
    for (std::string_view name : kColorNames) DeclareColorConst(name);
    classes::DeclareEnumSets(script, kSets);
    classes::DeclareEnums(script, kEnums);
    classes::DeclareClasses(script, kClasses);
}

void TFunctions::DeclareColorConst(std::string_view name) {
    gui::TColor color{};
    if (!gui::IdentToColor(name, color))
        throw runtime::EInvalidOperation("No colour is named " + std::string(name));
    Script.DeclareConst(name, "Integer", Variant(static_cast<int32_t>(color)));
}

}  // namespace script::graphics
