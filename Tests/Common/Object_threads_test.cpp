#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "MVDCommon/LinkedList.h"
#include "MVDCommon/Object.h"

namespace {

struct Counted : public virtual Object {
    explicit Counted(std::atomic<int>* destroyed) : m_destroyed(destroyed) {}
    ~Counted() override { m_destroyed->fetch_add(1); }
    std::atomic<int>* m_destroyed;
};

TEST(Object, RetainReleaseFromManyThreads) {
    std::atomic<int> destroyed{0};
    auto* object = new Counted(&destroyed);
    object->retain();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([object] {
            for (int i = 0; i < 10000; ++i) {
                object->retain();
                object->release();
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(object->retainCount(), 1);
    object->release();
    EXPECT_EQ(destroyed, 1);
}

TEST(LinkedList, HoldsObjectsUntilDestroyedAndIterates) {
    std::atomic<int> destroyed{0};
    auto* first = new Counted(&destroyed);
    auto* second = new Counted(&destroyed);
    {
        LinkedList list;
        list.addObject(first);
        list.addObject(second);
        LinkedListIterator* it = list.newIterator();
        EXPECT_EQ(it->current(), static_cast<Object*>(first));
        it->advance();
        EXPECT_EQ(it->current(), static_cast<Object*>(second));
        it->advance();
        EXPECT_EQ(it->current(), nullptr);
        it->advance();
        EXPECT_EQ(it->current(), nullptr);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 2);
}

}  // namespace
