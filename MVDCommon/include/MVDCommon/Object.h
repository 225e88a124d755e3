// Reference-counted base of writers, tracks, lists and threads.
#pragma once

#include <atomic>

class Visitor;

// A new object has no holders.  retain() adds one; release() drops one and
// destroys the object when none remain, so objects live on the heap and are
// released, never deleted.  Both calls are safe from several threads.
class Object {
  public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;

    virtual void acceptVisitor(Visitor* visitor, void* arg1, void* arg2);

    void retain();
    void release();
    int retainCount() const { return m_retainCount.load(std::memory_order_acquire); }

  private:
    std::atomic<int> m_retainCount{0};
};
