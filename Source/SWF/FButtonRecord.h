// Button records: which character a button shows in which of its states.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "SWF/FCXForm.h"
#include "SWF/FMatrix.h"

class FSWFStream;

class FAButtonRecord {
  public:
    virtual ~FAButtonRecord() = default;
    virtual void WriteToSWFStream(FSWFStream* stream) = 0;
};

// Four zero bits, the hit-test, down, over and up flags, CharacterId,
// PlaceDepth, MATRIX.  Owns the matrix (null: identity).
class FButtonRecord1 : public FAButtonRecord {
  public:
    FButtonRecord1(uint8_t hitTest, uint8_t down, uint8_t over, uint8_t up, uint16_t characterID,
                   uint16_t layer, FMatrix* matrix);
    void WriteToSWFStream(FSWFStream* stream) override;

  protected:
    void WriteCommon(FSWFStream* stream);

  private:
    uint8_t m_states;  // hit-test, down, over, up in the low four bits
    uint16_t m_characterID;
    uint16_t m_layer;
    std::unique_ptr<FMatrix> m_matrix;
};

// As FButtonRecord1, then a colour transform with alpha (null: none).
class FButtonRecord2 : public FButtonRecord1 {
  public:
    FButtonRecord2(uint8_t hitTest, uint8_t down, uint8_t over, uint8_t up, uint16_t characterID,
                   uint16_t layer, FMatrix* matrix, FACXForm* cxform);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    std::unique_ptr<FACXForm> m_cxform;
};

class FButtonRecordList {
  public:
    FButtonRecordList();
    ~FButtonRecordList();
    void Add(FAButtonRecord* record);
    bool Empty() const { return m_records.empty(); }
    void WriteToSWFStream(FSWFStream* stream);

  private:
    std::vector<std::unique_ptr<FAButtonRecord>> m_records;
};
