#pragma once

// The host-class bridges of the Windows class library (gui/), built only in
// the Windows tree: three registration modules, each a TFunctions
// (script/script.h) that GlobalScript loads after the general classes group
// (script/classes_rtti.h), in this order:
//   - graphics::TFunctions: the 52 colour constants, the font, pen and brush
//     enumerations, TFont, TPen, TBrush, TCanvas, TGraphic, TPicture,
//     TMetafile, TMetafileCanvas and TBitmap;
//   - forms::TFunctions: modal results, cursors, border styles, key codes
//     and alignments, the forms' enumerations and sets, the controls from
//     TControl to TForm, TDataModule, TApplication and the object
//     "Application";
//   - extctrls::TFunctions: the extended controls' enumerations, panels,
//     timers, page controls, status bars, tree and list views with their
//     nodes, items and columns, and the other extended controls.
// Every class also has its published properties as members. The events of
// the controls, forms, paint boxes and timers are bridged to script
// procedures (script/event_bridges.h).
//
// What the bridges add to the plain host calls:
//   - every member, constructor and object argument of these classes is
//     refused to scripts running on another thread than the main one
//     (script/main_thread_objects.h): windows and what draws on them belong
//     to it;
//   - Free refuses what the script did not create (a host's form);
//   - classes the class library lacks (TBitBtn, TSpeedButton, TShape,
//     TTabControl, TTrackBar, TDateTimePicker, TMonthCalendar, TRichEdit
//     and TCustomRichEdit, TCheckListBox, TIconOptions, TMonthCalColors,
//     TMetafile, TMetafileCanvas, TScrollingWinControl, TControlScrollBar)
//     are known by name: scripts that name them compile and reach their
//     ancestors' members, and making one is refused;
//   - where the class library keeps a property unpublished, the bridge
//     declares it (TCanvas's Brush, Font and Pen; TListView's Items).

#include <string_view>

#include "script/script.h"

namespace script {

namespace graphics {
class TFunctions : public TscRTTIModule {
  public:
    explicit TFunctions(TscScript& script);

    // The constant of a standard colour name ("clBtnFace"), its value
    // looked up by name.
    void DeclareColorConst(std::string_view name);
};
}  // namespace graphics

namespace forms {
class TFunctions : public TscRTTIModule {
  public:
    explicit TFunctions(TscScript& script);
};
}  // namespace forms

namespace extctrls {
class TFunctions : public TscRTTIModule {
  public:
    explicit TFunctions(TscScript& script);
};
}  // namespace extctrls

// Appends the three modules to ModuleClassList and installs the test of
// the main thread's objects; script::init() calls it after the general
// classes group (Windows only).
void RegisterGuiClassModules();

}  // namespace script
