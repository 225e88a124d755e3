#include "MVDCommon/Object.h"

void Object::acceptVisitor(Visitor*, void*, void*) {}

void Object::retain() {
    m_retainCount.fetch_add(1, std::memory_order_relaxed);
}

void Object::release() {
    // The thread that drops the last hold sees every write made by the
    // others before their release, hence acq_rel.
    if (m_retainCount.fetch_sub(1, std::memory_order_acq_rel) <= 1) {
        delete this;
    }
}
