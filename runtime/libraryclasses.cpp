// Class information of the library classes that do not declare their own
// (lists, string lists, collections, streams), so that scripts and streams
// can name them, and the registration of the runtime's classes.

#include "runtime/classinfo.h"
#include "runtime/collection.h"
#include "runtime/component.h"
#include "runtime/list.h"
#include "runtime/persistent.h"
#include "runtime/properties.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"

namespace runtime {

namespace {

template <typename C, typename P>
TClassInfo BuildLibraryClass(const char* name) {
    return TClassBuilder<C, P>(name).Build();
}

}  // namespace

const TClassInfo& ExternalClassInfo(const TList*) {
    static const TClassInfo info = BuildLibraryClass<TList, TObject>("TList");
    return info;
}

const TClassInfo& ExternalClassInfo(const TStrings*) {
    static const TClassInfo info = BuildLibraryClass<TStrings, TPersistent>("TStrings");
    return info;
}

const TClassInfo& ExternalClassInfo(const TStringList*) {
    static const TClassInfo info = BuildLibraryClass<TStringList, TStrings>("TStringList");
    return info;
}

const TClassInfo& ExternalClassInfo(const TCollection*) {
    static const TClassInfo info = BuildLibraryClass<TCollection, TPersistent>("TCollection");
    return info;
}

const TClassInfo& ExternalClassInfo(const TCollectionItem*) {
    static const TClassInfo info =
        BuildLibraryClass<TCollectionItem, TPersistent>("TCollectionItem");
    return info;
}

const TClassInfo& ExternalClassInfo(const TStream*) {
    static const TClassInfo info = BuildLibraryClass<TStream, TObject>("TStream");
    return info;
}

const TClassInfo& ExternalClassInfo(const TMemoryStream*) {
    static const TClassInfo info = BuildLibraryClass<TMemoryStream, TStream>("TMemoryStream");
    return info;
}

const TClassInfo& ExternalClassInfo(const TFileStream*) {
    static const TClassInfo info = BuildLibraryClass<TFileStream, TStream>("TFileStream");
    return info;
}

const TClassInfo* LibraryClassInfoOf(const TObject& object) {
    // Most derived first within each family.
    if (dynamic_cast<const TStringList*>(&object)) return &ClassInfoOf<TStringList>();
    if (dynamic_cast<const TStrings*>(&object)) return &ClassInfoOf<TStrings>();
    if (dynamic_cast<const TList*>(&object)) return &ClassInfoOf<TList>();
    if (dynamic_cast<const TCollectionItem*>(&object)) return &ClassInfoOf<TCollectionItem>();
    if (dynamic_cast<const TCollection*>(&object)) return &ClassInfoOf<TCollection>();
    if (dynamic_cast<const TFileStream*>(&object)) return &ClassInfoOf<TFileStream>();
    if (dynamic_cast<const TMemoryStream*>(&object)) return &ClassInfoOf<TMemoryStream>();
    if (dynamic_cast<const TStream*>(&object)) return &ClassInfoOf<TStream>();
    return nullptr;
}

void RegisterRuntimeClasses() {
    for (const TClassInfo* info :
         {&ClassInfoOf<TObject>(), &ClassInfoOf<TPersistent>(), &ClassInfoOf<TComponent>(),
          &ClassInfoOf<TList>(), &ClassInfoOf<TStrings>(), &ClassInfoOf<TStringList>(),
          &ClassInfoOf<TCollection>(), &ClassInfoOf<TCollectionItem>(), &ClassInfoOf<TStream>(),
          &ClassInfoOf<TMemoryStream>(), &ClassInfoOf<TFileStream>()})
        RegisterClassInfo(*info);
}

}  // namespace runtime
