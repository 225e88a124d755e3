#include "MVDCommon/LinkedList.h"

Object* LinkedListIterator::current() {
    return m_index < m_list->m_objects.size() ? m_list->m_objects[m_index] : nullptr;
}

void LinkedListIterator::advance() {
    if (m_index < m_list->m_objects.size()) {
        ++m_index;
    }
}

LinkedList::~LinkedList() {
    for (Object* object : m_objects) {
        object->release();
    }
}

void LinkedList::addObject(Object* object) {
    if (object == nullptr) {
        return;
    }
    object->retain();
    m_objects.push_back(object);
}

LinkedListIterator* LinkedList::newIterator() {
    m_iterators.push_back(std::unique_ptr<LinkedListIterator>(new LinkedListIterator(this)));
    return m_iterators.back().get();
}

Object* LinkedList::objectAtIndex(size_t index) const {
    return index < m_objects.size() ? m_objects[index] : nullptr;
}
