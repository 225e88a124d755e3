#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Components/ComponentDispatch.h"
#include "Components/Components.h"
#include "Components/Resources.h"

namespace {

constexpr OSType kTestType = 'tstA';

struct Globals {
    ComponentInstance self = nullptr;
    ComponentInstance target = nullptr;
    ComponentInstance delegate = nullptr;
    long lastSum = 0;
};

int g_opens = 0;
int g_closes = 0;
ComponentResult g_openResult = noErr;
bool g_openDelegate = false;

ComponentResult Test_Open(Globals* /*none*/, ComponentInstance self) {
    ++g_opens;
    if (g_openResult != noErr) {
        return g_openResult;
    }
    auto* glob = new Globals;
    glob->self = self;
    glob->target = self;
    SetComponentInstanceStorage(self, reinterpret_cast<Handle>(glob));
    if (g_openDelegate) {
        return OpenADefaultComponent(kTestType, 'dele', &glob->delegate);
    }
    return noErr;
}

ComponentResult Test_Close(Globals* glob, ComponentInstance /*self*/) {
    ++g_closes;
    if (glob != nullptr && glob->delegate != nullptr) {
        CloseComponent(glob->delegate);
    }
    delete glob;
    return noErr;
}

ComponentResult Test_CanDo(Globals* glob, SInt16 selector);
ComponentResult Test_Version(Globals* /*glob*/) {
    return 0x00030001;
}
ComponentResult Test_Target(Globals* glob, ComponentInstance target) {
    glob->target = target;
    return noErr;
}

// Selector 0: typed arguments of several widths, in call order.
ComponentResult Test_Mix(Globals* glob, SInt16 a, UInt8 b, long c, const char* text, long* out) {
    glob->lastSum = a + b + c + static_cast<long>(std::strlen(text));
    *out = glob->lastSum;
    return noErr;
}

const ComponentDispatchEntry kStandard[] = {
    ComponentCall(Test_Target),   // -6
    kComponentError,              // -5
    ComponentCall(Test_Version),  // -4
    ComponentCall(Test_CanDo),    // -3
    ComponentCall(Test_Close),    // -2
    ComponentCall(Test_Open),     // -1
};
const ComponentDispatchEntry kOwn[] = {
    ComponentCall(Test_Mix),  // 0
    kComponentError,          // 1
    kComponentDelegate,       // 2
    kComponentError,          // 3
};
const ComponentDispatchRange kRanges[] = {{-6, kStandard}, {0, kOwn}};

ComponentResult Test_CanDo(Globals* glob, SInt16 selector) {
    return cdhRangeCanDo(kRanges, selector, glob->delegate);
}

ComponentResult TestDispatch(ComponentParameters* params, Handle storage) {
    auto* glob = reinterpret_cast<Globals*>(storage);
    return cdhRangeDispatch(params, storage, kRanges, glob != nullptr ? glob->delegate : nullptr);
}

// The delegate: answers selectors 2 and 4 with their number times ten.
ComponentResult DelegateDispatch(ComponentParameters* params, Handle /*storage*/) {
    switch (params->what) {
        case kComponentOpenSelect:
        case kComponentCloseSelect:
            return noErr;
        case kComponentCanDoSelect:
            return params->params[0] == 2 || params->params[0] == 4;
        case 2:
        case 4:
            return params->what * 10;
        default:
            return badComponentSelector;
    }
}

ComponentDescription Describe(OSType subtype, OSType maker = 'mkr1', UInt32 flags = 0) {
    return {kTestType, subtype, maker, flags, 0};
}

class ComponentManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_opens = g_closes = 0;
        g_openResult = noErr;
        g_openDelegate = false;
    }
    void TearDown() override {
        for (Component c : m_registered) {
            EXPECT_EQ(UnregisterComponent(c), noErr);
        }
        const ComponentDescription any{kTestType, 0, 0, 0, 0};
        EXPECT_EQ(CountComponents(&any), 0);
    }
    Component Register(const ComponentDescription& cd, ComponentRoutineUPP entry = TestDispatch,
                       SInt16 global = 0) {
        Component c = RegisterComponent(&cd, entry, global, nullptr, nullptr, nullptr);
        if (c != nullptr) {
            m_registered.push_back(c);
        }
        return c;
    }
    std::vector<Component> m_registered;
};

TEST_F(ComponentManagerTest, RegistersFindsAndDescribes) {
    Handle name = NewHandle(5);
    std::memcpy(*name, "\x04Test", 5);
    const ComponentDescription cd = Describe('one ', 'mkr1', 0x0005);
    Component one = RegisterComponent(&cd, TestDispatch, 0, name, nullptr, nullptr);
    ASSERT_NE(one, nullptr);
    m_registered.push_back(one);
    DisposeHandle(name);
    Component two = Register(Describe('two ', 'mkr2', 0x0003));

    const ComponentDescription anyTest{kTestType, 0, 0, 0, 0};
    EXPECT_EQ(CountComponents(&anyTest), 2);
    const ComponentDescription bySubtype{kTestType, 'two ', 0, 0, 0};
    EXPECT_EQ(FindNextComponent(nullptr, &bySubtype), two);
    EXPECT_EQ(FindNextComponent(two, &bySubtype), nullptr);
    // Flags are compared under the searcher's mask only.
    const ComponentDescription flag4{kTestType, 0, 0, 0x0004, 0x0004};
    EXPECT_EQ(FindNextComponent(nullptr, &flag4), one);
    EXPECT_EQ(FindNextComponent(one, &flag4), nullptr);

    ComponentDescription got{};
    Handle gotName = NewHandle(0);
    ASSERT_EQ(GetComponentInfo(one, &got, gotName, nullptr, nullptr), noErr);
    EXPECT_EQ(got.componentSubType, static_cast<OSType>('one '));
    EXPECT_EQ(got.componentFlags, 0x0005u);
    ASSERT_EQ(GetHandleSize(gotName), 5);
    EXPECT_EQ(std::memcmp(*gotName, "\x04Test", 5), 0);
    DisposeHandle(gotName);

    // The default component of a subtype, whatever its manufacturer.
    ComponentInstance ci = nullptr;
    ASSERT_EQ(OpenADefaultComponent(kTestType, 'two ', &ci), noErr);
    EXPECT_EQ(CloseComponent(ci), noErr);
    EXPECT_EQ(OpenADefaultComponent(kTestType, 'none', &ci), invalidComponentID);
    EXPECT_EQ(ci, nullptr);
}

TEST_F(ComponentManagerTest, SearchOrderAndDuplicates) {
    Component first = Register(Describe('same'));
    Component newer = Register(Describe('same'));
    Component later = Register(Describe('same'), TestDispatch, registerComponentAfterExisting);
    const ComponentDescription same{kTestType, 'same', 0, 0, 0};
    // Newer registrations come first unless asked to come after.
    EXPECT_EQ(FindNextComponent(nullptr, &same), newer);
    EXPECT_EQ(FindNextComponent(newer, &same), first);
    EXPECT_EQ(FindNextComponent(first, &same), later);
    EXPECT_EQ(Register(Describe('same'), TestDispatch, registerComponentNoDuplicates), nullptr);
    EXPECT_EQ(CountComponents(&same), 3);
    // A component that wants the register message may refuse to be registered.
    const ComponentDescription refusing = Describe('refu', 'mkr1', cmpWantsRegisterMessage);
    EXPECT_EQ(Register(refusing,
                       [](ComponentParameters* params, Handle) -> ComponentResult {
                           return params->what == kComponentRegisterSelect ? 1 : noErr;
                       }),
              nullptr);
    const ComponentDescription refu{kTestType, 'refu', 0, 0, 0};
    EXPECT_EQ(CountComponents(&refu), 0);
}

TEST_F(ComponentManagerTest, OpensCallsAndCloses) {
    Component c = Register(Describe('call'));
    ComponentInstance ci = nullptr;
    ASSERT_EQ(OpenAComponent(c, &ci), noErr);
    ASSERT_NE(ci, nullptr);
    EXPECT_EQ(g_opens, 1);
    EXPECT_EQ(CountComponentInstances(c), 1);
    auto* glob = reinterpret_cast<Globals*>(GetComponentInstanceStorage(ci));
    ASSERT_NE(glob, nullptr);
    EXPECT_EQ(glob->self, ci);

    // Arguments arrive in order with their own types: a negative short, a
    // byte, a long and a pointer.
    long out = 0;
    EXPECT_EQ(CallComponentWith(ci, 0, SInt16{-7}, UInt8{200}, 100000L, "abcd", &out), noErr);
    EXPECT_EQ(out, -7 + 200 + 100000 + 4);

    // A block with fewer arguments than the handler takes is refused.
    ComponentParameters shortBlock{};
    shortBlock.paramSize = 2 * kComponentParameterSlotSize;
    shortBlock.what = 0;
    EXPECT_EQ(CallComponentDispatch(ci, &shortBlock), paramErr);
    ComponentParameters oddSize{};
    oddSize.paramSize = 3;
    EXPECT_EQ(CallComponentDispatch(ci, &oddSize), paramErr);

    EXPECT_EQ(UnregisterComponent(c), validInstancesExist);
    EXPECT_EQ(CloseComponent(ci), noErr);
    EXPECT_EQ(g_closes, 1);
    EXPECT_EQ(CountComponentInstances(c), 0);
    // The instance is gone: calls, storage and a second close are refused.
    EXPECT_EQ(CallComponentWith(ci, kComponentVersionSelect), badComponentInstance);
    EXPECT_EQ(GetComponentInstanceStorage(ci), nullptr);
    EXPECT_EQ(CloseComponent(ci), invalidComponentID);

    // A failed open is closed and forgotten.
    g_openResult = memFullErr;
    EXPECT_EQ(OpenAComponent(c, &ci), memFullErr);
    EXPECT_EQ(ci, nullptr);
    EXPECT_EQ(g_closes, 2);
    EXPECT_EQ(CountComponentInstances(c), 0);
    EXPECT_EQ(OpenComponent(reinterpret_cast<Component>(0x7FFFFFF0)), nullptr);
}

TEST_F(ComponentManagerTest, DelegatesAndAnswersCanDo) {
    Register(Describe('dele'), DelegateDispatch);
    Register(Describe('main'));
    g_openDelegate = true;
    ComponentInstance ci = OpenDefaultComponent(kTestType, 'main');
    ASSERT_NE(ci, nullptr);

    // Own handler, empty entry (delegated), error marker, outside every range.
    EXPECT_EQ(CallComponentCanDo(ci, 0), 1);
    EXPECT_EQ(CallComponentCanDo(ci, 2), 1);
    EXPECT_EQ(CallComponentCanDo(ci, 3), 0);
    EXPECT_EQ(CallComponentCanDo(ci, 4), 1);
    EXPECT_EQ(CallComponentCanDo(ci, 5), 0);
    EXPECT_EQ(CallComponentWith(ci, 2), 20);
    EXPECT_EQ(CallComponentWith(ci, 3), badComponentSelector);
    EXPECT_EQ(CallComponentWith(ci, 4), 40);
    EXPECT_EQ(CallComponentWith(ci, 9), badComponentSelector);
    EXPECT_EQ(CallComponentWith(ci, kComponentRegisterSelect), badComponentSelector);
    EXPECT_EQ(CloseComponent(ci), noErr);
}

TEST_F(ComponentManagerTest, ResourcesByTypeAndIdAndAsResourceFile) {
    const char kText[] = "hello";
    const UInt8 kBytes[] = {1, 2, 3};
    const ComponentResourceEntry resources[] = {
        {'TEXT', 128, kText, 5},
        {'DATA', 128, kBytes, 3},
    };
    const ComponentDescription cd = Describe('rsrc');
    Component c = RegisterComponentWithResources(&cd, TestDispatch, 0, nullptr, nullptr, nullptr,
                                                 resources, 2);
    ASSERT_NE(c, nullptr);
    m_registered.push_back(c);

    Handle h = nullptr;
    ASSERT_EQ(GetComponentResource(c, 'DATA', 128, &h), noErr);
    ASSERT_EQ(GetHandleSize(h), 3);
    EXPECT_EQ(std::memcmp(*h, kBytes, 3), 0);
    DisposeHandle(h);
    EXPECT_EQ(GetComponentResource(c, 'DATA', 129, &h), resNotFound);
    EXPECT_EQ(h, nullptr);

    // An instance stands for its component; the resource file is current
    // only while used, and closing it leaves no current file behind.
    ComponentInstance ci = OpenComponent(c);
    ASSERT_NE(ci, nullptr);
    const ResFileRefNum saved = CurResFile();
    const ResFileRefNum file = OpenComponentResFile(reinterpret_cast<Component>(ci));
    ASSERT_GT(file, 0);
    EXPECT_EQ(GetResource('TEXT', 128), nullptr);
    EXPECT_EQ(ResError(), resNotFound);
    UseResFile(file);
    Handle text = GetResource('TEXT', 128);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(*text, 5), "hello");
    ReleaseResource(text);
    UseResFile(saved);
    EXPECT_EQ(CurResFile(), saved);
    UseResFile(file);
    EXPECT_EQ(CloseComponentResFile(file), noErr);
    EXPECT_EQ(CurResFile(), 0);
    EXPECT_EQ(CloseComponentResFile(file), resFNotFound);
    UseResFile(file);
    EXPECT_EQ(ResError(), resFNotFound);
    CloseComponent(ci);
}

}  // namespace
