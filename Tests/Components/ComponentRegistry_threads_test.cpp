#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "Components/ComponentCalls.h"
#include "Components/Components.h"

namespace {

constexpr OSType kThreadType = 'thrd';

std::atomic<long> g_open{0};

// Each instance keeps a counter as its storage; selector 0 adds to it.
ComponentResult CounterDispatch(ComponentParameters* params, Handle storage) {
    switch (params->what) {
        case kComponentOpenSelect: {
            auto self = reinterpret_cast<ComponentInstance>(params->params[0]);
            SetComponentInstanceStorage(self, reinterpret_cast<Handle>(new long(0)));
            ++g_open;
            return noErr;
        }
        case kComponentCloseSelect:
            delete reinterpret_cast<long*>(storage);
            --g_open;
            return noErr;
        case 0:
            *reinterpret_cast<long*>(storage) += params->params[0];
            return *reinterpret_cast<long*>(storage);
        default:
            return badComponentSelector;
    }
}

// Two threads register, find, open, call and close their own components
// while a third keeps counting and searching the registry.
TEST(ComponentRegistryThreads, ConcurrentRegistrationAndUse) {
    constexpr int kRounds = 300;
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};

    auto worker = [&](OSType subtype) {
        for (int round = 0; round < kRounds; ++round) {
            const ComponentDescription cd{kThreadType, subtype, 'test', 0, 0};
            Component c = RegisterComponent(&cd, CounterDispatch, 0, nullptr, nullptr, nullptr);
            ComponentInstance a = nullptr;
            ComponentInstance b = nullptr;
            if (c == nullptr || OpenADefaultComponent(kThreadType, subtype, &a) != noErr ||
                OpenAComponent(c, &b) != noErr) {
                ++failures;
                continue;
            }
            // Each instance has its own storage.
            if (CallComponentWith(a, 0, 5L) != 5 || CallComponentWith(a, 0, 2L) != 7 ||
                CallComponentWith(b, 0, 1L) != 1) {
                ++failures;
            }
            if (CloseComponent(a) != noErr || CloseComponent(b) != noErr ||
                UnregisterComponent(c) != noErr) {
                ++failures;
            }
        }
    };
    std::thread reader([&] {
        const ComponentDescription any{kThreadType, 0, 0, 0, 0};
        while (!stop) {
            long seen = 0;
            for (Component c = FindNextComponent(nullptr, &any); c != nullptr;
                 c = FindNextComponent(c, &any)) {
                ++seen;
            }
            if (seen > 2 || CountComponents(&any) > 2) {
                ++failures;
            }
        }
    });
    std::thread first(worker, 'one ');
    std::thread second(worker, 'two ');
    first.join();
    second.join();
    stop = true;
    reader.join();

    EXPECT_EQ(failures, 0);
    EXPECT_EQ(g_open, 0);
    const ComponentDescription any{kThreadType, 0, 0, 0, 0};
    EXPECT_EQ(CountComponents(&any), 0);
}

}  // namespace
