#include "SWF/FButtonRecord.h"

#include <stdexcept>

#include "SWF/FOwnership.h"
#include "SWF/FSWFStream.h"

FButtonRecord1::FButtonRecord1(uint8_t hitTest, uint8_t down, uint8_t over, uint8_t up,
                               uint16_t characterID, uint16_t layer, FMatrix* matrix)
    : m_states(static_cast<uint8_t>((hitTest != 0) << 3 | (down != 0) << 2 | (over != 0) << 1 |
                                    (up != 0))),
      m_characterID(characterID),
      m_layer(layer),
      m_matrix(matrix != nullptr ? matrix : new FMatrix()) {}

void FButtonRecord1::WriteCommon(FSWFStream* stream) {
    stream->WriteByte(m_states);  // four reserved zero bits, then the states
    stream->WriteWord(m_characterID);
    stream->WriteWord(m_layer);
    m_matrix->WriteToSWFStream(stream);
}

void FButtonRecord1::WriteToSWFStream(FSWFStream* stream) {
    WriteCommon(stream);
}

FButtonRecord2::FButtonRecord2(uint8_t hitTest, uint8_t down, uint8_t over, uint8_t up,
                               uint16_t characterID, uint16_t layer, FMatrix* matrix,
                               FACXForm* cxform)
    : FButtonRecord1(hitTest, down, over, up, characterID, layer, matrix), m_cxform(cxform) {}

void FButtonRecord2::WriteToSWFStream(FSWFStream* stream) {
    WriteCommon(stream);
    if (m_cxform) {
        m_cxform->WriteToSWFStream(stream);
    } else {
        FCXFormWAlpha(0, 0, 0, 0, 0, 0, 0, 0, 0, 0).WriteToSWFStream(stream);
    }
}

FButtonRecordList::FButtonRecordList() = default;
FButtonRecordList::~FButtonRecordList() = default;

void FButtonRecordList::Add(FAButtonRecord* record) {
    m_records.push_back(Adopt(record, "null button record"));
}

void FButtonRecordList::WriteToSWFStream(FSWFStream* stream) {
    for (const std::unique_ptr<FAButtonRecord>& record : m_records) {
        record->WriteToSWFStream(stream);
    }
}
