// Class information of the library classes that do not declare their own.

#include <gtest/gtest.h>

#include "runtime/classinfo.h"
#include "runtime/collection.h"
#include "runtime/list.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"

namespace runtime {
namespace {

class TMyStringList : public TStringList {};

TEST(LibraryClasses, LibraryObjectsKnowTheirClasses) {
    RegisterRuntimeClasses();
    TStringList strings;
    TMyStringList mine;
    TMemoryStream memory;
    TList list;
    EXPECT_EQ(strings.ClassName(), "TStringList");
    EXPECT_TRUE(strings.InheritsFrom(ClassInfoOf<TStrings>()));
    EXPECT_EQ(mine.ClassName(), "TStringList");  // derived without its own: the library class's
    EXPECT_EQ(memory.ClassName(), "TMemoryStream");
    EXPECT_TRUE(memory.InheritsFrom(GetClass("TStream")));
    EXPECT_EQ(list.ClassName(), "TList");
    EXPECT_FALSE(GetClass("TStream").CanCreate());

    std::unique_ptr<TObject> created = GetClass("tstringlist").Create();
    ASSERT_NE(dynamic_cast<TStringList*>(created.get()), nullptr);
    EXPECT_EQ(created->ClassName(), "TStringList");
}

}  // namespace
}  // namespace runtime
