// The base of every action record: one instruction of SWF byte code.
#pragma once

class FSWFStream;

class FActionRecord {
  public:
    virtual ~FActionRecord() = default;
    virtual void WriteToSWFStream(FSWFStream* stream) = 0;
};
