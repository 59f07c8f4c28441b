// The extended controls group: panels, timers, page controls, status bars,
// tree and list views with their nodes, items and columns.

#include <array>
#include <string>
#include <vector>

#include "gui/comctrls.h"
#include "gui/extctrls.h"
#include "runtime/exceptions.h"
#include "script/classes_rtti_internal.h"
#include "script/event_bridges.h"
#include "script/gui_rtti.h"

namespace script::extctrls {

namespace {

using classes::ClassRow;
using classes::DefaultIndexed;
using classes::EnumRow;
using classes::Event;
using classes::HostCall;
using classes::Indexed;
using classes::MemberRow;
using classes::Method;
using classes::ObjectValue;
using classes::Prop;
using gui::TListItem;
using gui::TListItems;
using gui::TTreeNode;
using gui::TTreeNodes;
using runtime::Variant;

constexpr EnumRow kEnums[] = {
    {"TShapeType", "stRectangle, stSquare, stRoundRect, stRoundSquare,stEllipse, stCircle"},
    {"TBevelStyle", "bsLowered, bsRaised"},
    {"TBevelShape", "bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine,bsRightLine, bsSpacer"},
    {"TResizeStyle", "rsNone, rsLine, rsUpdate, rsPattern"},
    {"TButtonLayout", "blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom"},
    {"TButtonState", "bsUp, bsDisabled, bsDown, bsExclusive"},
    {"TButtonStyle", "bsAutoDetect, bsWin31, bsNew"},
    {"TBitBtnKind",
     "bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo,bkClose, bkAbort, bkRetry, bkIgnore, bkAll"},
    {"TTabPosition", "tpTop, tpBottom, tpLeft, tpRight"},
    {"TTabStyle", "tsTabs, tsButtons, tsFlatButtons"},
    {"TStatusPanelStyle", "psText, psOwnerDraw"},
    {"TStatusPanelBevel", "pbNone, pbLowered, pbRaised"},
    {"TSortType", "stNone, stData, stText, stBoth"},
    {"TTrackBarOrientation", "trHorizontal, trVertical"},
    {"TTickMark", "tmBottomRight, tmTopLeft, tmBoth"},
    {"TTickStyle", "tsNone, tsAuto, tsManual"},
    {"TProgressBarOrientation", "pbHorizontal, pbVertical"},
    {"TIconArrangement", "iaTop, iaLeft"},
    {"TListArrangement",
     "arAlignBottom, arAlignLeft, arAlignRight,arAlignTop, arDefault, arSnapToGrid"},
    {"TViewStyle", "vsIcon, vsSmallIcon, vsList, vsReport"},
    {"TToolButtonStyle", "tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider"},
    {"TDateTimeKind", "dtkDate, dtkTime"},
    {"TDTDateMode", "dmComboBox, dmUpDown"},
    {"TDTDateFormat", "dfShort, dfLong"},
    {"TDTCalAlignment", "dtaLeft, dtaRight"},
    {"TCalDayOfWeek",
     "dowMonday, dowTuesday, dowWednesday, dowThursday,dowFriday, dowSaturday, dowSunday, "
     "dowLocaleDefault"},
};
static_assert(std::size(kEnums) == 26);

[[noreturn]] void IndexError(int index) {
    throw runtime::EListError("List index out of bounds (" + std::to_string(index) + ")");
}

// A pointer the host keeps for the program, as scripts see it: the number.
Variant PointerValue(void* data) {
    const auto value = reinterpret_cast<intptr_t>(data);
    if (value == static_cast<int32_t>(value)) return Variant(static_cast<int32_t>(value));
    return Variant(static_cast<int64_t>(value));
}

void* PointerOf(const Variant& value) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(value.AsInt64()));
}

// ---- page controls and status bars ------------------------------------------------------

Variant TabSheetPageControl(const HostCall& call) {
    return ObjectValue(call.Self<gui::TTabSheet>().PageControl());
}

Variant TabSheetSetPageControl(const HostCall& call) {
    gui::TTabSheet& sheet = call.Self<gui::TTabSheet>();
    sheet.SetPageControl(HostCall::ObjectOf<gui::TPageControl>(call.Value()));
    return Variant();
}

Variant PageControlSelectNextPage(const HostCall& call) {
    call.Self<gui::TPageControl>().SelectNextPage(call.Arg(0).AsBoolean());
    return Variant();
}

Variant PageControlPageCount(const HostCall& call) {
    return Variant(int32_t{call.Self<gui::TPageControl>().PageCount()});
}

Variant PageControlPages(const HostCall& call) {
    const gui::TPageControl& pages = call.Self<gui::TPageControl>();
    const int index = call.IntArg(0);
    if (index < 0 || index >= pages.PageCount()) IndexError(index);
    return ObjectValue(pages.Pages(index));
}

Variant StatusPanelsAdd(const HostCall& call) {
    return ObjectValue(call.Self<gui::TStatusPanels>().Add());
}

Variant StatusPanelsItems(const HostCall& call) {
    return ObjectValue(call.Self<gui::TStatusPanels>().Items(call.IntArg(0)));
}

// ---- tree views ---------------------------------------------------------------------------

Variant TreeNodeDelete(const HostCall& call) {
    call.Self<TTreeNode>().Delete();
    return Variant();
}

Variant TreeNodeEditText(const HostCall& call) {
    return Variant(call.Self<TTreeNode>().EditText());
}

Variant TreeNodeCount(const HostCall& call) {
    return Variant(int32_t{call.Self<TTreeNode>().Count()});
}

template <typename T>
Variant Data(const HostCall& call) {
    return PointerValue(call.Self<T>().Data());
}

template <typename T>
Variant SetData(const HostCall& call) {
    call.Self<T>().SetData(PointerOf(call.Value()));
    return Variant();
}

template <typename T>
Variant ImageIndex(const HostCall& call) {
    return Variant(int32_t{call.Self<T>().ImageIndex()});
}

template <typename T>
Variant SetImageIndex(const HostCall& call) {
    call.Self<T>().SetImageIndex(call.Value().AsInteger());
    return Variant();
}

template <typename T>
Variant StateIndex(const HostCall& call) {
    return Variant(int32_t{call.Self<T>().StateIndex()});
}

template <typename T>
Variant SetStateIndex(const HostCall& call) {
    call.Self<T>().SetStateIndex(call.Value().AsInteger());
    return Variant();
}

Variant TreeNodeSelectedIndex(const HostCall& call) {
    return Variant(int32_t{call.Self<TTreeNode>().SelectedIndex()});
}

Variant TreeNodeSetSelectedIndex(const HostCall& call) {
    call.Self<TTreeNode>().SetSelectedIndex(call.Value().AsInteger());
    return Variant();
}

Variant TreeNodeText(const HostCall& call) {
    return Variant(call.Self<TTreeNode>().Text());
}

Variant TreeNodeSetText(const HostCall& call) {
    call.Self<TTreeNode>().SetText(call.Value().AsString());
    return Variant();
}

Variant TreeNodesAdd(const HostCall& call) {
    TTreeNodes& nodes = call.Self<TTreeNodes>();
    return ObjectValue(nodes.Add(call.ObjectArg<TTreeNode>(0), call.StrArg(1)));
}

Variant TreeNodesAddChild(const HostCall& call) {
    TTreeNodes& nodes = call.Self<TTreeNodes>();
    return ObjectValue(nodes.AddChild(call.ObjectArg<TTreeNode>(0), call.StrArg(1)));
}

Variant TreeNodesBeginUpdate(const HostCall& call) {
    call.Self<TTreeNodes>().BeginUpdate();
    return Variant();
}

Variant TreeNodesClear(const HostCall& call) {
    call.Self<TTreeNodes>().Clear();
    return Variant();
}

Variant TreeNodesDelete(const HostCall& call) {
    TTreeNodes& nodes = call.Self<TTreeNodes>();
    nodes.Delete(call.ObjectArg<TTreeNode>(0));
    return Variant();
}

Variant TreeNodesEndUpdate(const HostCall& call) {
    call.Self<TTreeNodes>().EndUpdate();
    return Variant();
}

Variant TreeNodesCount(const HostCall& call) {
    return Variant(int32_t{call.Self<TTreeNodes>().Count()});
}

// The node at an index counted over the whole tree, parents before their
// children.
Variant TreeNodesItem(const HostCall& call) {
    const TTreeNodes& nodes = call.Self<TTreeNodes>();
    const int index = call.IntArg(0);
    if (index < 0) IndexError(index);
    int position = 0;
    std::vector<TTreeNode*> pending;
    for (int i = nodes.TopCount() - 1; i >= 0; --i) pending.push_back(nodes.TopItem(i));
    while (!pending.empty()) {
        TTreeNode* node = pending.back();
        pending.pop_back();
        if (position++ == index) return ObjectValue(node);
        for (int i = node->Count() - 1; i >= 0; --i) pending.push_back(node->Item(i));
    }
    IndexError(index);
}

Variant TreeViewFullCollapse(const HostCall& call) {
    call.Self<gui::TTreeView>().FullCollapse();
    return Variant();
}

Variant TreeViewFullExpand(const HostCall& call) {
    call.Self<gui::TTreeView>().FullExpand();
    return Variant();
}

Variant TreeViewItems(const HostCall& call) {
    return ObjectValue(&call.Self<gui::TTreeView>().Items());
}

Variant TreeViewSelected(const HostCall& call) {
    return ObjectValue(call.Self<gui::TTreeView>().Selected());
}

Variant TreeViewSetSelected(const HostCall& call) {
    call.Self<gui::TTreeView>().SetSelected(HostCall::ObjectOf<TTreeNode>(call.Value()));
    return Variant();
}

Variant TreeViewTopItem(const HostCall& call) {
    return ObjectValue(call.Self<gui::TTreeView>().TopItem());
}

Variant TreeViewSetTopItem(const HostCall& call) {
    call.Self<gui::TTreeView>().SetTopItem(HostCall::ObjectOf<TTreeNode>(call.Value()));
    return Variant();
}

// ---- list views ---------------------------------------------------------------------------

Variant ListColumnsAdd(const HostCall& call) {
    return ObjectValue(call.Self<gui::TListColumns>().Add());
}

Variant ListColumnsItems(const HostCall& call) {
    return ObjectValue(call.Self<gui::TListColumns>().Items(call.IntArg(0)));
}

Variant ListItemDelete(const HostCall& call) {
    call.Self<TListItem>().Delete();
    return Variant();
}

Variant ListItemEditCaption(const HostCall& call) {
    return Variant(call.Self<TListItem>().EditCaption());
}

Variant ListItemCaption(const HostCall& call) {
    return Variant(call.Self<TListItem>().Caption());
}

Variant ListItemSetCaption(const HostCall& call) {
    call.Self<TListItem>().SetCaption(call.Value().AsString());
    return Variant();
}

Variant ListItemChecked(const HostCall& call) {
    return Variant(call.Self<TListItem>().Checked());
}

Variant ListItemSetChecked(const HostCall& call) {
    call.Self<TListItem>().SetChecked(call.Value().AsBoolean());
    return Variant();
}

Variant ListItemSelected(const HostCall& call) {
    return Variant(call.Self<TListItem>().Selected());
}

Variant ListItemSetSelected(const HostCall& call) {
    call.Self<TListItem>().SetSelected(call.Value().AsBoolean());
    return Variant();
}

Variant ListItemSubItems(const HostCall& call) {
    return ObjectValue(call.Self<TListItem>().SubItems());
}

Variant ListItemsAdd(const HostCall& call) {
    return ObjectValue(call.Self<TListItems>().Add());
}

Variant ListItemsBeginUpdate(const HostCall& call) {
    call.Self<TListItems>().BeginUpdate();
    return Variant();
}

Variant ListItemsClear(const HostCall& call) {
    call.Self<TListItems>().Clear();
    return Variant();
}

Variant ListItemsDelete(const HostCall& call) {
    call.Self<TListItems>().Delete(call.IntArg(0));
    return Variant();
}

Variant ListItemsEndUpdate(const HostCall& call) {
    call.Self<TListItems>().EndUpdate();
    return Variant();
}

Variant ListItemsCount(const HostCall& call) {
    return Variant(int32_t{call.Self<TListItems>().Count()});
}

Variant ListItemsItem(const HostCall& call) {
    return ObjectValue(call.Self<TListItems>().Item(call.IntArg(0)));
}

Variant ListViewItems(const HostCall& call) {
    return ObjectValue(&call.Self<gui::TListView>().Items());
}

// ---- tables ----------------------------------------------------------------------------------

constexpr MemberRow kListViewMembers[] = {
    // Published by the class library scripts are written for; ours keeps
    // it as a plain member.
    Prop("Items", "TListItems", ListViewItems),
};

constexpr MemberRow kPaintBoxMembers[] = {
    Event("OnPaint", &NewEventBridge<TscNotifyEvent>),
};

constexpr MemberRow kTimerMembers[] = {
    Event("OnTimer", &NewEventBridge<TscNotifyEvent>),
};

constexpr MemberRow kCheckListBoxMembers[] = {
    Indexed("Checked", "Integer", "Boolean", classes::NotInClassLibrary,
            classes::NotInClassLibrary),
};

constexpr MemberRow kTabSheetMembers[] = {
    Prop("PageControl", "TPageControl", TabSheetPageControl, TabSheetSetPageControl),
};

constexpr MemberRow kPageControlMembers[] = {
    Method("procedure SelectNextPage(GoForward: Boolean)", PageControlSelectNextPage),
    Prop("PageCount", "Integer", PageControlPageCount),
    Indexed("Pages", "Integer", "TTabSheet", PageControlPages),
};

constexpr MemberRow kStatusPanelsMembers[] = {
    Method("function Add: TStatusPanel", StatusPanelsAdd),
    Indexed("Items", "Integer", "TStatusPanel", StatusPanelsItems),
};

constexpr MemberRow kTreeNodeMembers[] = {
    Method("procedure Delete", TreeNodeDelete),
    Method("function EditText: Boolean", TreeNodeEditText),
    Prop("Count", "Integer", TreeNodeCount),
    Prop("Data", "Pointer", Data<TTreeNode>, SetData<TTreeNode>),
    Prop("ImageIndex", "Integer", ImageIndex<TTreeNode>, SetImageIndex<TTreeNode>),
    Prop("SelectedIndex", "Integer", TreeNodeSelectedIndex, TreeNodeSetSelectedIndex),
    Prop("StateIndex", "Integer", StateIndex<TTreeNode>, SetStateIndex<TTreeNode>),
    Prop("Text", "String", TreeNodeText, TreeNodeSetText),
};

constexpr MemberRow kTreeNodesMembers[] = {
    Method("function Add(Node: TTreeNode; const S: string): TTreeNode", TreeNodesAdd),
    Method("function AddChild(Node: TTreeNode; const S: string): TTreeNode", TreeNodesAddChild),
    Method("procedure BeginUpdate", TreeNodesBeginUpdate),
    Method("procedure Clear", TreeNodesClear),
    Method("procedure Delete(Node: TTreeNode)", TreeNodesDelete),
    Method("procedure EndUpdate", TreeNodesEndUpdate),
    Prop("Count", "Integer", TreeNodesCount),
    DefaultIndexed("Item", "Integer", "TTreeNode", TreeNodesItem),
};

constexpr MemberRow kTreeViewMembers[] = {
    Method("procedure FullCollapse", TreeViewFullCollapse),
    Method("procedure FullExpand", TreeViewFullExpand),
    Prop("Items", "TTreeNodes", TreeViewItems),
    Prop("Selected", "TTreeNode", TreeViewSelected, TreeViewSetSelected),
    Prop("TopItem", "TTreeNode", TreeViewTopItem, TreeViewSetTopItem),
};

constexpr MemberRow kListColumnsMembers[] = {
    Method("function Add: TListColumn", ListColumnsAdd),
    DefaultIndexed("Items", "Integer", "TListColumn", ListColumnsItems),
};

constexpr MemberRow kListItemMembers[] = {
    Method("procedure Delete", ListItemDelete),
    Method("function EditCaption: Boolean", ListItemEditCaption),
    Prop("Caption", "String", ListItemCaption, ListItemSetCaption),
    Prop("Checked", "Boolean", ListItemChecked, ListItemSetChecked),
    Prop("Data", "Pointer", Data<TListItem>, SetData<TListItem>),
    Prop("ImageIndex", "Integer", ImageIndex<TListItem>, SetImageIndex<TListItem>),
    Prop("Selected", "Boolean", ListItemSelected, ListItemSetSelected),
    Prop("StateIndex", "Integer", StateIndex<TListItem>, SetStateIndex<TListItem>),
    Prop("SubItems", "TStrings", ListItemSubItems),
};

constexpr MemberRow kListItemsMembers[] = {
    Method("function Add: TListItem", ListItemsAdd),
    Method("procedure BeginUpdate", ListItemsBeginUpdate),
    Method("procedure Clear", ListItemsClear),
    Method("procedure Delete(Index: Integer)", ListItemsDelete),
    Method("procedure EndUpdate", ListItemsEndUpdate),
    Prop("Count", "Integer", ListItemsCount),
    DefaultIndexed("Item", "Integer", "TListItem", ListItemsItem),
};

template <typename T>
const runtime::TClassInfo& Info() {
    return runtime::ClassInfoOf<T>();
}

// The classes the class library lacks, each known by name below the class
// of ours that stands nearest.
template <const char* Name, typename Parent>
const runtime::TClassInfo& NameOnly() {
    static const auto info = classes::NameOnlyClass(Name, runtime::ClassInfoOf<Parent>());
    return *info;
}
constexpr char kShape[] = "TShape";
constexpr char kSpeedButton[] = "TSpeedButton";
constexpr char kBitBtn[] = "TBitBtn";
constexpr char kTabControl[] = "TTabControl";
constexpr char kTrackBar[] = "TTrackBar";
constexpr char kDateTimePicker[] = "TDateTimePicker";
constexpr char kMonthCalendar[] = "TMonthCalendar";
constexpr char kCustomRichEdit[] = "TCustomRichEdit";
constexpr char kRichEdit[] = "TRichEdit";
constexpr char kIconOptions[] = "TIconOptions";
constexpr char kMonthCalColors[] = "TMonthCalColors";
constexpr char kCheckListBox[] = "TCheckListBox";

const runtime::TClassInfo& RichEditInfo() {
    static const auto info =
        classes::NameOnlyClass(kRichEdit, NameOnly<kCustomRichEdit, gui::TWinControl>());
    return *info;
}

const ClassRow kClasses[] = {
    {&NameOnly<kShape, gui::TGraphicControl>, "TGraphicControl", {}},
    {&Info<gui::TImage>, "TGraphicControl", {}},
    {&Info<gui::TBevel>, "TGraphicControl", {}},
    {&Info<gui::TSplitter>, "TGraphicControl", {}},
    {&NameOnly<kSpeedButton, gui::TGraphicControl>, "TGraphicControl", {}},
    {&Info<gui::TPanel>, "TCustomControl", {}},
    {&NameOnly<kBitBtn, gui::TButton>, "TButton", {}},
    {&NameOnly<kTabControl, gui::TWinControl>, "TWinControl", {}},
    {&Info<gui::TStatusBar>, "TWinControl", {}},
    {&NameOnly<kTrackBar, gui::TWinControl>, "TWinControl", {}},
    {&Info<gui::TProgressBar>, "TWinControl", {}},
    {&Info<gui::TListView>, "TWinControl", kListViewMembers},
    {&Info<gui::TToolBar>, "TWinControl", {}},
    {&NameOnly<kDateTimePicker, gui::TWinControl>, "TWinControl", {}},
    {&NameOnly<kMonthCalendar, gui::TWinControl>, "TWinControl", {}},
    {&NameOnly<kCustomRichEdit, gui::TWinControl>, "TWinControl", {}},
    {&RichEditInfo, "TCustomRichEdit", {}},
    {&Info<gui::TStatusPanel>, "TPersistent", {}},
    {&Info<gui::TListColumn>, "TPersistent", {}},
    {&NameOnly<kIconOptions, runtime::TPersistent>, "TPersistent", {}},
    {&NameOnly<kMonthCalColors, runtime::TPersistent>, "TPersistent", {}},
    {&Info<gui::TToolButton>, "TGraphicControl", {}},
    {&Info<gui::TPaintBox>, "TGraphicControl", kPaintBoxMembers},
    {&Info<gui::TTimer>, "TComponent", kTimerMembers},
    {&NameOnly<kCheckListBox, gui::TCustomListBox>, "TCustomListBox", kCheckListBoxMembers},
    {&Info<gui::TTabSheet>, "TWinControl", kTabSheetMembers},
    {&Info<gui::TPageControl>, "TWinControl", kPageControlMembers},
    {&Info<gui::TStatusPanels>, "TPersistent", kStatusPanelsMembers},
    {&Info<TTreeNode>, "TPersistent", kTreeNodeMembers},
    {&Info<TTreeNodes>, "TPersistent", kTreeNodesMembers},
    {&Info<gui::TTreeView>, "TWinControl", kTreeViewMembers},
    {&Info<gui::TListColumns>, "TPersistent", kListColumnsMembers},
    {&Info<TListItem>, "TPersistent", kListItemMembers},
    {&Info<TListItems>, "TPersistent", kListItemsMembers},
};

}  // namespace

TFunctions::TFunctions(TscScript& script) : TscRTTIModule(script) {
    classes::DeclareEnums(script, kEnums);
    script.DeclareType("TNumGlyphs", fskInt);
    classes::DeclareClasses(script, kClasses);
}

}  // namespace script::extctrls
