#pragma once

// The general classes group of the host-class bridges: the class library's
// lists, string lists, collections, streams and components, and the engine's
// own small XML tree, made usable from scripts.
//
// TFunctions is a registration module (script/script.h): constructed on a
// script (GlobalScript, after the built-in functions), it declares there the
// stream mode and seek constants, the TDuplicates and TPrinterOrientation
// enumerations and, in this order, TObject, TPersistent, TCollectionItem,
// TCollection, TList, TStrings, TStringList, TStream, TFileStream,
// TMemoryStream, TComponent, TscXMLItem and TscXMLDocument with their
// methods, constructors and properties. Each class also has its published
// properties as members (TComponent's Name and Tag).
//
// Each member is bound to its host operation when it is declared, so a call
// reaches the operation without a look-up by name. What the bridge adds to
// the plain host call:
//   - constructors receive a fully constructed instance of the class the
//     script named (never a zero-filled one); a class that cannot be made
//     without arguments (an abstract one) is refused with EInvalidOperation;
//   - Free frees only what a script created (EInvalidOperation for an
//     object the host owns); Free of nil does nothing;
//   - every instance and object argument is a checked handle of an object of
//     the member's class (EInvalidCast otherwise); calling a member of nil
//     raises EInvalidOperation;
//   - TStream.Read reads at most what the stream still holds and never
//     allocates the count a script asks for beyond that; Write refuses a
//     count beyond its buffer; negative counts move nothing;
//   - an XML element a script created and then adds to a tree becomes the
//     tree's, so the script can no longer free it.
// The lists scripts see hold TObject items (a TList's Items are objects).

#include "script/script.h"

namespace script::classes {

class TFunctions : public TscRTTIModule {
  public:
    explicit TFunctions(TscScript& script);
};

// Appends TFunctions to ModuleClassList (again: nothing); script::init()
// calls it after the built-in functions module.
void RegisterClassesModule();

}  // namespace script::classes
