// An ordered list of reference-counted objects.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "MVDCommon/Object.h"

class LinkedList;

// Walks a list: current() is the element under the cursor, null past the
// end; advance() moves to the next one.  Iterators belong to their list and
// are freed with it, so callers never free them.
class LinkedListIterator {
  public:
    virtual Object* current();
    virtual void advance();
    virtual ~LinkedListIterator() = default;

  private:
    friend class LinkedList;
    explicit LinkedListIterator(const LinkedList* list) : m_list(list) {}
    const LinkedList* m_list;
    size_t m_index = 0;
};

// The list retains each object added and releases them all when the list
// itself is destroyed.
class LinkedList {
  public:
    LinkedList() = default;
    LinkedList(const LinkedList&) = delete;
    LinkedList& operator=(const LinkedList&) = delete;
    virtual ~LinkedList();

    void addObject(Object* object);
    LinkedListIterator* newIterator();
    size_t count() const { return m_objects.size(); }
    Object* objectAtIndex(size_t index) const;

  private:
    friend class LinkedListIterator;
    std::vector<Object*> m_objects;
    std::vector<std::unique_ptr<LinkedListIterator>> m_iterators;
};
