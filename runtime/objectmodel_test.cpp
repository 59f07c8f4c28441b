// Class information, published properties, events, components and script
// handles.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/classinfo.h"
#include "runtime/exceptions.h"
#include "runtime/handles.h"
#include "runtime/objectmodel_test_classes.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace objtest {
namespace {

// A class that declares no class information of its own.
class TUndeclared : public TSample {
  public:
    using TSample::TSample;
};

// Records its destruction into a shared log.
class TLogged : public TComponent {
  public:
    TLogged(TComponent* owner, std::vector<std::string>* log) : TComponent(owner), log_(log) {}
    ~TLogged() override { log_->push_back(Name()); }

  private:
    std::vector<std::string>* log_;
};

// A component whose constructor fails after the component part was made.
class TFailing : public TComponent {
  public:
    explicit TFailing(TComponent* owner) : TComponent(owner) { throw EAbort("no"); }
};

template <typename E>
bool Raises(const std::function<void()>& access) {
    try {
        access();
    } catch (const E&) {
        return true;
    } catch (...) {
    }
    return false;
}

class ObjectModel : public ::testing::Test {
  protected:
    void SetUp() override { RegisterTestClasses(); }
};

std::vector<std::string> PropertyNames(const TClassInfo& info, bool declared) {
    std::vector<std::string> names;
    for (const TPropInfo* prop : declared ? info.PropertiesInDeclarationOrder() : info.Properties())
        names.push_back(prop->Name());
    return names;
}

// ---- class information and registry ----------------------------------------------------

TEST_F(ObjectModel, ClassInformationNamesParentsAndAncestry) {
    TSampleRoot root(nullptr);
    TUndeclared undeclared(nullptr);
    EXPECT_EQ(root.ClassName(), "TSampleRoot");
    EXPECT_EQ(root.ClassInfo().Parent()->Name(), "TSampleContainer");
    EXPECT_TRUE(root.InheritsFrom(ClassInfoOf<TComponent>()));
    EXPECT_TRUE(root.InheritsFrom(ClassInfoOf<TObject>()));
    EXPECT_FALSE(TSample(nullptr).InheritsFrom(ClassInfoOf<TSampleContainer>()));
    // Without a declaration of its own a class reports its nearest ancestor's.
    EXPECT_EQ(undeclared.ClassName(), "TSample");
    EXPECT_EQ(TObject().ClassName(), "TObject");
    EXPECT_EQ(ClassInfoOf<TComponent>().Parent()->Name(), "TPersistent");
}

TEST_F(ObjectModel, RegistryFindsClassesByNameWithoutCase) {
    EXPECT_EQ(FindClass("tsampleROOT"), &ClassInfoOf<TSampleRoot>());
    EXPECT_EQ(FindClass("TNoSuchClass"), nullptr);
    EXPECT_THROW(GetClass("TNoSuchClass"), EClassNotFound);
    EXPECT_NO_THROW(RegisterClassInfo<TSample>());  // again: nothing
    // Another class under a taken name is refused.
    static const TClassInfo impostor = TClassBuilder<TUndeclared, TSample>("TSample").Build();
    EXPECT_THROW(RegisterClassInfo(impostor), EStreamError);
    EXPECT_EQ(FindClass("TSample"), &ClassInfoOf<TSample>());
}

TEST_F(ObjectModel, FactoriesMakeConstructedObjects) {
    const TClassInfo& sample = GetClass("TSample");
    std::unique_ptr<TObject> unowned = sample.Create();
    auto* created = dynamic_cast<TSample*>(unowned.get());
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->Width(), 120);  // constructor ran
    EXPECT_EQ(created->Font()->Name(), "Tahoma");
    EXPECT_EQ(created->Owner(), nullptr);

    TSampleRoot root(nullptr);
    TComponent& owned = sample.CreateComponent(root);
    EXPECT_EQ(owned.Owner(), &root);
    EXPECT_EQ(root.Components(0), &owned);

    EXPECT_TRUE(ClassInfoOf<TPersistent>().Create() != nullptr);
    // TCollection needs an item factory: it has no class factory.
    const TClassInfo& collection = GetClass("TCollection");
    EXPECT_FALSE(collection.CanCreate());
    EXPECT_THROW(collection.Create(), EInvalidOperation);
    EXPECT_THROW(ClassInfoOf<TPersistent>().CreateComponent(root), EInvalidOperation);
}

// ---- published properties ----------------------------------------------------------------

TEST_F(ObjectModel, PropertiesAreListedAlphabeticallyWithInheritedOnes) {
    const std::vector<std::string> sorted = PropertyNames(ClassInfoOf<TSampleRoot>(), false);
    EXPECT_EQ(sorted,
              (std::vector<std::string>{
                  "Align",      "Big",         "Buddy",     "Caption", "Count",      "Data",
                  "Flags",      "Font",        "Letter",    "Name",    "OnClick",    "OnCloseQuery",
                  "OnKeyPress", "OnMouseDown", "Options",   "Ratio",   "Scale",      "Small",
                  "Tag",        "Text",        "Transient", "Visible", "WideLetter", "Width"}));
    // Declaration order keeps ancestors first.
    const std::vector<std::string> declared = PropertyNames(ClassInfoOf<TSample>(), true);
    EXPECT_EQ(declared[0], "Name");
    EXPECT_EQ(declared[1], "Tag");
    EXPECT_EQ(declared[2], "Width");

    const TPropInfo* width = ClassInfoOf<TSampleRoot>().FindProperty("WIDTH");
    ASSERT_NE(width, nullptr);
    EXPECT_EQ(width->Name(), "Width");
    EXPECT_EQ(&width->DeclaringClass(), &ClassInfoOf<TSample>());
    EXPECT_EQ(ClassInfoOf<TSample>().FindProperty("Nope"), nullptr);
}

TEST_F(ObjectModel, PropertyKindsAndTypeInformation) {
    const TClassInfo& info = ClassInfoOf<TSample>();
    struct Row {
        const char* prop;
        TTypeKind kind;
        const char* typeName;
    };
    const Row rows[] = {
        {"Width", tkInteger, "Integer"},
        {"Small", tkInteger, "SmallInt"},
        {"Flags", tkInteger, "Cardinal"},
        {"Big", tkInt64, "Int64"},
        {"Letter", tkChar, "Char"},
        {"WideLetter", tkWChar, "WideChar"},
        {"Align", tkEnumeration, "TSampleAlign"},
        {"Visible", tkEnumeration, "Boolean"},
        {"Options", tkSet, "TSampleOptions"},
        {"Ratio", tkFloat, "Double"},
        {"Scale", tkFloat, "Single"},
        {"Caption", tkLString, "string"},
        {"Text", tkWString, "WideString"},
        {"Data", tkVariant, "Variant"},
        {"Buddy", tkClass, "TSample"},
        {"Font", tkClass, "TSampleFont"},
        {"OnClick", tkMethod, "TNotifyEvent"},
        {"OnMouseDown", tkMethod, "TMouseEvent"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.prop);
        const TPropInfo* prop = info.FindProperty(row.prop);
        ASSERT_NE(prop, nullptr);
        EXPECT_EQ(prop->Kind(), row.kind);
        EXPECT_EQ(prop->PropType().Name(), row.typeName);
    }
    const TTypeInfo& align = info.FindProperty("Align")->PropType();
    EXPECT_EQ(align.EnumNames(),
              (std::vector<std::string>{"saNone", "saTop", "saBottom", "saClient"}));
    EXPECT_EQ(align.EnumValue("SACLIENT"), 3);
    EXPECT_EQ(info.FindProperty("Options")->PropType().ElementType()->Name(), "TSampleOption");
    const TTypeInfo& mouse = info.FindProperty("OnMouseDown")->PropType();
    ASSERT_EQ(mouse.Params().size(), 5u);
    EXPECT_EQ(mouse.Params()[2].Name, "Shift");
    EXPECT_EQ(mouse.Params()[2].Type->Name(), "TShiftState");
    const TTypeInfo& key = info.FindProperty("OnKeyPress")->PropType();
    EXPECT_TRUE(key.Params()[1].IsVar);
    EXPECT_FALSE(key.Params()[0].IsVar);
    EXPECT_FALSE(info.FindProperty("Count")->IsWritable());
}

TEST_F(ObjectModel, WideKeyPressCarriesTheWholeCharacter) {
    const TTypeInfo& wide = TWideKeyPressEvent::StaticTypeInfo();
    EXPECT_EQ(wide.Name(), "TWideKeyPressEvent");
    ASSERT_EQ(wide.Params().size(), 2u);
    EXPECT_EQ(wide.Params()[1].Type->Name(), "WideChar");
    EXPECT_TRUE(wide.Params()[1].IsVar);

    TWideKeyPressEvent onKey = [](TObject*, char16_t& key) { key = WideUpChar(key); };
    char16_t key = u'\u0436';  // outside every 8-bit reach of code page 1252
    onKey(nullptr, key);
    EXPECT_EQ(key, u'\u0416');

    // Handlers of the 8-bit event do not fit, and the other way round.
    TKeyPressEvent narrow = [](TObject*, char&) {};
    EXPECT_THROW(TWideKeyPressEvent{narrow.ToMethod()}, EPropertyError);
    EXPECT_THROW(TKeyPressEvent{onKey.ToMethod()}, EPropertyError);
}

TEST_F(ObjectModel, PropertiesReadAndWriteThroughVariants) {
    TSample sample(nullptr);
    TSample other(nullptr);
    struct Row {
        const char* prop;
        Variant written;
        Variant expected;
    };
    const Row rows[] = {
        {"Width", Variant(int32_t{-7}), Variant(int32_t{-7})},
        {"Small", Variant("1234"), Variant(int32_t{1234})},
        {"Flags", Variant(int64_t{4000000000}), Variant(uint32_t{4000000000u})},
        {"Big", Variant(int64_t{1} << 40), Variant(int64_t{1} << 40)},
        {"Letter", Variant("xyz"), Variant("x")},
        {"Letter", Variant(int32_t{66}), Variant("B")},
        {"WideLetter", Variant(u"\u0416"), Variant(u"\u0416")},
        {"Align", Variant(int32_t{2}), Variant(int32_t{2})},
        {"Align", Variant("saClient"), Variant(int32_t{3})},
        {"Visible", Variant(false), Variant(false)},
        {"Options", Variant(int32_t{5}), Variant(int32_t{5})},
        {"Options", Variant("[soItalic, soUnderline]"), Variant(int32_t{6})},
        {"Ratio", Variant(2.5), Variant(2.5)},
        {"Scale", Variant(0.5), Variant(0.5)},
        {"Caption", Variant(u"wide to 8-bit"), Variant("wide to 8-bit")},
        {"Text", Variant("8-bit to wide"), Variant(u"8-bit to wide")},
        {"Data", Variant(u"anything"), Variant(u"anything")},
        {"Buddy", Variant(HandleOf(&other)), Variant(HandleOf(&other))},
        {"Buddy", Variant(), Variant(kNilHandle)},
        {"Tag", Variant(int32_t{9}), Variant(int32_t{9})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.prop);
        SetPropValue(sample, row.prop, row.written);
        const Variant read = GetPropValue(sample, row.prop);
        EXPECT_EQ(read.Type(), row.expected.Type());
        EXPECT_TRUE(read == row.expected) << VarToStr(read);
    }
    EXPECT_EQ(sample.Options(), (TSampleOptions{soItalic, soUnderline}));
    EXPECT_EQ(GetEnumProp(sample, RequirePropInfo(sample, "Align")), "saClient");
    EXPECT_EQ(GetSetProp(sample, RequirePropInfo(sample, "Options")), "soItalic,soUnderline");
    EXPECT_EQ(GetPropValue(sample, "Count").AsInteger(), 42);
}

TEST_F(ObjectModel, BadPropertyAccessIsRefused) {
    TSample sample(nullptr);
    TSampleFont font;
    const TObjectHandle fontHandle = HandleOf(&font);
    const struct {
        const char* what;
        std::function<void()> access;
        bool (*raises)(const std::function<void()>&);
    } cases[] = {
        {"unknown property", [&] { GetPropValue(sample, "Nope"); }, Raises<EPropertyError>},
        {"read-only property", [&] { SetPropValue(sample, "Count", Variant(int32_t{1})); },
         Raises<EPropertyError>},
        {"event through Variant", [&] { GetPropValue(sample, "OnClick"); }, Raises<EPropertyError>},
        {"string as ordinal", [&] { GetOrdProp(sample, RequirePropInfo(sample, "Caption")); },
         Raises<EPropertyError>},
        {"property of another class", [&] { GetOrdProp(font, RequirePropInfo(sample, "Width")); },
         Raises<EPropertyError>},
        {"SmallInt out of range", [&] { SetPropValue(sample, "Small", Variant(int32_t{40000})); },
         Raises<ERangeError>},
        {"enumeration out of range", [&] { SetPropValue(sample, "Align", Variant(int32_t{4})); },
         Raises<ERangeError>},
        {"set beyond its elements", [&] { SetPropValue(sample, "Options", Variant(int32_t{8})); },
         Raises<ERangeError>},
        {"unknown enumeration name", [&] { SetPropValue(sample, "Align", Variant("saLeft")); },
         Raises<EPropertyConvertError>},
        {"unknown set element", [&] { SetPropValue(sample, "Options", Variant("[soBold, soX]")); },
         Raises<EPropertyConvertError>},
        {"object of another class", [&] { SetPropValue(sample, "Buddy", Variant(fontHandle)); },
         Raises<EInvalidCast>},
        {"forged handle", [&] { SetPropValue(sample, "Buddy", Variant(int32_t{12345})); },
         Raises<EInvalidCast>},
        {"Single overflow", [&] { SetPropValue(sample, "Scale", Variant(1e300)); },
         Raises<EOverflow>},
    };
    for (const auto& c : cases) EXPECT_TRUE(c.raises(c.access)) << c.what;
    // Nothing was changed by the refused writes.
    EXPECT_EQ(sample.Small(), 0);
    EXPECT_EQ(sample.Align(), saNone);
    EXPECT_EQ(sample.Buddy(), nullptr);
}

// ---- events ---------------------------------------------------------------------------------

TEST_F(ObjectModel, EventsAreSetCalledAndClearedByName) {
    TSampleRoot root(nullptr);
    TSample& button = NewComponent<TSample>(root);
    button.SetName("Button1");

    SetMethodProp(button, "onclick", TNotifyEvent(&root, &TSampleRoot::SampleClick).ToMethod());
    ASSERT_TRUE(button.OnClick);
    button.OnClick(&button);
    EXPECT_EQ(root.Log, (std::vector<std::string>{"click Button1"}));
    EXPECT_EQ(GetMethodProp(button, "OnClick").Data(), &root);

    // A var parameter travels back to the caller.
    SetMethodProp(button, "OnKeyPress",
                  TKeyPressEvent(&root, &TSampleRoot::SampleKeyPress).ToMethod());
    char key = 'q';
    button.OnKeyPress(&button, key);
    EXPECT_EQ(key, 'Z');

    ClearMethodProp(button, "OnClick");
    EXPECT_FALSE(button.OnClick);
    EXPECT_FALSE(GetMethodProp(button, "OnClick").IsAssigned());

    // A handler of another parameter list is refused and the event kept.
    EXPECT_THROW(SetMethodProp(button, "OnKeyPress",
                               TNotifyEvent(&root, &TSampleRoot::SampleClick).ToMethod()),
                 EPropertyError);
    EXPECT_TRUE(button.OnKeyPress);
    // Handlers match by parameter list: a notify handler fits any notify-shaped event.
    TNotifyEvent lambda([&](TObject*) { root.Log.push_back("lambda"); });
    SetMethodProp(button, "OnClick", lambda.ToMethod());
    button.OnClick(nullptr);
    EXPECT_EQ(root.Log.back(), "lambda");
}

TEST_F(ObjectModel, DestroyingAHolderClearsTheHandlersItAttached) {
    TSample button(nullptr);
    auto holder = std::make_unique<TSampleRoot>(nullptr);
    SetMethodProp(button, "OnClick",
                  TNotifyEvent(holder.get(), &TSampleRoot::SampleClick).ToMethod());
    SetMethodProp(button, "OnMouseDown",
                  TMouseEvent(holder.get(), &TSampleRoot::SampleMouseDown).ToMethod());
    holder.reset();
    EXPECT_FALSE(button.OnClick);
    EXPECT_FALSE(button.OnMouseDown);
    button.OnClick(&button);  // nothing to call: no crash

    // A handler replaced by another holder's stays when the first holder dies.
    auto first = std::make_unique<TSampleRoot>(nullptr);
    TSampleRoot second(nullptr);
    SetMethodProp(button, "OnClick",
                  TNotifyEvent(first.get(), &TSampleRoot::SampleClick).ToMethod());
    SetMethodProp(button, "OnClick", TNotifyEvent(&second, &TSampleRoot::SampleClick).ToMethod());
    first.reset();
    ASSERT_TRUE(button.OnClick);
    button.OnClick(&button);
    EXPECT_EQ(second.Log.size(), 1u);

    // The target may die first; the holder's end then touches nothing.
    auto target = std::make_unique<TSample>(nullptr);
    SetMethodProp(*target, "OnClick", TNotifyEvent(&second, &TSampleRoot::SampleClick).ToMethod());
    target.reset();
}

// ---- components -------------------------------------------------------------------------------

TEST_F(ObjectModel, OwnerKeepsOrderFindsByNameAndFreesLastToFirst) {
    std::vector<std::string> log;
    {
        TSampleRoot root(nullptr);
        for (const char* name : {"First", "Second", "Third"})
            NewComponent<TLogged>(root, &log).SetName(name);
        ASSERT_EQ(root.ComponentCount(), 3);
        EXPECT_EQ(root.Components(1)->Name(), "Second");
        EXPECT_EQ(root.Components(2)->ComponentIndex(), 2);
        EXPECT_EQ(root.FindComponent("THIRD"), root.Components(2));
        EXPECT_EQ(root.FindComponent(""), nullptr);
        EXPECT_THROW(root.Components(3), EListError);
        EXPECT_THROW(root.Components(1)->SetName("first"), EComponentError);
        EXPECT_THROW(root.Components(1)->SetName("1st"), EComponentError);
        EXPECT_EQ(root.Components(1)->Name(), "Second");
        root.Components(1)->SetName("SECOND");  // only its own name in another case
    }
    EXPECT_EQ(log, (std::vector<std::string>{"Third", "SECOND", "First"}));
}

TEST_F(ObjectModel, ReferencesAreClearedWhenTheReferencedComponentGoes) {
    TSampleRoot root(nullptr);
    TSample& a = NewComponent<TSample>(root);
    auto* b = &NewComponent<TSample>(root);
    a.SetBuddy(b);
    delete b;  // leaves its owner, whose components hear of it
    EXPECT_EQ(a.Buddy(), nullptr);
    EXPECT_EQ(root.ComponentCount(), 1);

    // Across owners through FreeNotification.
    auto elsewhere = std::make_unique<TSample>(nullptr);
    a.SetBuddy(elsewhere.get());
    elsewhere.reset();
    EXPECT_EQ(a.Buddy(), nullptr);

    // Removing hands ownership back; inserting takes it again.
    std::unique_ptr<TComponent> removed = root.RemoveComponent(a);
    EXPECT_EQ(removed->Owner(), nullptr);
    EXPECT_EQ(root.ComponentCount(), 0);
    TSampleRoot other(nullptr);
    other.InsertComponent(std::move(removed));
    EXPECT_EQ(a.Owner(), &other);
    EXPECT_THROW(root.RemoveComponent(a), EComponentError);
}

TEST_F(ObjectModel, AFailedConstructorLeavesNothingInTheOwner) {
    TSampleRoot root(nullptr);
    EXPECT_THROW(NewComponent<TFailing>(root), EAbort);
    EXPECT_EQ(root.ComponentCount(), 0);
}

// ---- handles ------------------------------------------------------------------------------------

TEST_F(ObjectModel, HandlesResolveLiveObjectsOnly) {
    EXPECT_EQ(HandleOf(nullptr), kNilHandle);
    EXPECT_EQ(ObjectOfHandle(kNilHandle), nullptr);

    auto sample = std::make_unique<TSample>(nullptr);
    const TObjectHandle handle = HandleOf(sample.get());
    EXPECT_GT(handle, 0);
    EXPECT_EQ(HandleOf(sample.get()), handle);  // one handle per object
    EXPECT_EQ(ObjectOfHandle(handle), sample.get());
    EXPECT_EQ(ObjectOfHandleAs<TComponent>(handle), sample.get());
    EXPECT_THROW(ObjectOfHandleAs<TSampleFont>(handle), EInvalidCast);

    sample.reset();
    EXPECT_THROW(ObjectOfHandle(handle), EInvalidCast);  // dangling
    // A new object in the same slot gets another handle; the old one stays dead.
    TSample next(nullptr);
    const TObjectHandle nextHandle = HandleOf(&next);
    EXPECT_NE(nextHandle, handle);
    EXPECT_THROW(ObjectOfHandle(handle), EInvalidCast);

    // Numbers that never were handles, and values no handle can have, whole.
    for (int64_t forged : {int64_t{1}, int64_t{-1}, int64_t{12345}, int64_t{INT32_MAX},
                           int64_t{nextHandle} + (int64_t{1} << 32), int64_t{nextHandle} + 1})
        EXPECT_THROW(ObjectOfHandle(forged), EInvalidCast) << forged;
}

TEST_F(ObjectModel, ScriptsFreeOnlyWhatTheyCreated) {
    TSample host(nullptr);
    const TObjectHandle hostHandle = HandleOf(&host);
    EXPECT_THROW(FreeScriptObject(hostHandle), EInvalidOperation);
    EXPECT_EQ(ObjectOfHandle(hostHandle), &host);
    EXPECT_NO_THROW(FreeScriptObject(kNilHandle));

    const TObjectHandle created = AdoptScriptObject(GetClass("TSample").Create());
    EXPECT_TRUE(IsScriptOwned(*ObjectOfHandle(created)));
    FreeScriptObject(created);
    EXPECT_THROW(ObjectOfHandle(created), EInvalidCast);
    EXPECT_THROW(FreeScriptObject(created), EInvalidCast);  // freed twice

    // Taken over by the host, the object is no longer the script's to free.
    const TObjectHandle taken = AdoptScriptObject(GetClass("TSample").Create());
    std::unique_ptr<TObject> owned = TakeScriptObject(taken);
    EXPECT_EQ(ObjectOfHandle(taken), owned.get());
    EXPECT_THROW(FreeScriptObject(taken), EInvalidOperation);
    EXPECT_THROW(TakeScriptObject(taken), EInvalidOperation);

    // A component a script created with an owner: freeable by the script,
    // and leaves its owner when freed.
    TSampleRoot root(nullptr);
    const TObjectHandle child = AdoptScriptComponent(GetClass("TSample").CreateComponent(root));
    EXPECT_THROW(TakeScriptObject(child), EInvalidOperation);
    FreeScriptObject(child);
    EXPECT_EQ(root.ComponentCount(), 0);
}

}  // namespace
}  // namespace objtest
