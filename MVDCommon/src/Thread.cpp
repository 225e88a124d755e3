#include "MVDCommon/Thread.h"

Thread::Thread(int priority, int policy) : m_priority(priority), m_policy(policy) {}

Thread::~Thread() {
    // A thread still running when its object dies would use freed memory;
    // wait for it instead of letting std::thread terminate the process.
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id()) {
            m_thread.detach();
        } else {
            m_thread.join();
        }
    }
}

void Thread::start() {
    if (m_thread.joinable()) {
        return;
    }
    m_thread = std::thread([this] {
        run();
        cleanup();
    });
}

void Thread::join() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) {
        m_thread.join();
    }
}
