// The root of every SWF tag object and its two families: control tags (FCT)
// and definition tags (FDT), plus raw pre-encoded tags (FFragment).
//
// Objects handed to the model as raw pointers belong to the receiver from
// the call on, also when the call throws (see FOwnership.h).
#pragma once

#include <cstdint>

class FSWFStream;

class FObj {
  public:
    virtual ~FObj() = default;
    virtual void WriteToSWFStream(FSWFStream* stream) = 0;
    virtual bool IsShowFrame() { return false; }
};

// A control tag.  The base writes nothing.
class FCT : public FObj {
  public:
    void WriteToSWFStream(FSWFStream*) override {}
};

// A definition tag: a character with its own ID, taken from
// FObjCollection::Increment() when it is constructed.  The base has ID 0 and
// writes nothing.
class FDT : public FObj {
  public:
    virtual uint16_t ID() { return 0; }
    void WriteToSWFStream(FSWFStream*) override {}
};

// Caller-owned bytes that already form whole tags (headers included),
// emitted as they are without being copied.  The bytes must outlive the
// stream the fragment is written to.
class FFragment : public FObj {
  public:
    FFragment(const void* data, int32_t length);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    const uint8_t* m_data;
    int32_t m_length;
};
