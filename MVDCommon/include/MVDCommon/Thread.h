// A thread object whose run() executes on its own operating-system thread.
#pragma once

#include <thread>

#include "MVDCommon/Object.h"

class Thread : public virtual Object {
  public:
    // priority and policy are scheduling hints.  The disk thread asks for
    // priority 15 under policy 2, which is round-robin (SCHED_RR) in the
    // numbering of the platform the recorder came from.  Real-time policies
    // need privileges on Linux, so the thread runs under the default policy
    // and the values are kept only for inspection.
    Thread(int priority, int policy);
    ~Thread() override;

    // Runs run() and then cleanup() on a new thread.
    void start();
    // Waits for the thread started by start() to return; no effect when it
    // was never started or has been joined already.
    void join();

    int priority() const { return m_priority; }
    int policy() const { return m_policy; }

  protected:
    virtual void run() = 0;
    virtual void cleanup() {}

  private:
    int m_priority;
    int m_policy;
    std::thread m_thread;
};
