#include "SWF/FDTButtons.h"

#include <stdexcept>

#include "SWF/FObjCollection.h"
#include "SWF/FOwnership.h"
#include "SWF/FSWFStream.h"

namespace {

enum : uint16_t {
    kTagDefineButton = 7,
    kTagDefineButtonSound = 17,
    kTagDefineButtonCxform = 23,
    kTagDefineButton2 = 34,
};

constexpr uint32_t kEndOfRecords = 0;

}  // namespace

FDTDefineButton::FDTDefineButton() : m_characterID(FObjCollection::Increment()) {}
FDTDefineButton::~FDTDefineButton() = default;

void FDTDefineButton::AddActionRecord(FActionRecord* action) {
    m_actions.push_back(Adopt(action, "null button action"));
}

void FDTDefineButton::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagDefineButton, [this](FSWFStream& body) {
        body.WriteWord(m_characterID);
        m_records.WriteToSWFStream(&body);
        body.WriteByte(kEndOfRecords);
        for (const std::unique_ptr<FActionRecord>& action : m_actions) {
            action->WriteToSWFStream(&body);
        }
        body.FlushBits();
        body.WriteByte(0);
    });
}

FDTDefineButton2::FDTDefineButton2(uint8_t trackAsMenu)
    : m_characterID(FObjCollection::Increment()), m_trackAsMenu(trackAsMenu) {}

FDTDefineButton2::~FDTDefineButton2() = default;

void FDTDefineButton2::AddActionCondition(FActionCondition* condition) {
    m_conditions.push_back(Adopt(condition, "null button condition"));
}

void FDTDefineButton2::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagDefineButton2, [this](FSWFStream& body) {
        FSWFStream records;
        m_records.WriteToSWFStream(&records);
        records.WriteByte(kEndOfRecords);
        // The offset counts from the offset field itself to the conditions.
        const uint32_t actionOffset = m_conditions.empty() ? 0 : records.Size() + 2;
        if (actionOffset > 0xFFFF) {
            throw std::length_error("button records longer than a 16-bit action offset");
        }
        body.WriteWord(m_characterID);
        body.WriteByte(m_trackAsMenu != 0 ? 1 : 0);
        body.WriteWord(actionOffset);
        body.Append(&records);
        for (size_t i = 0; i < m_conditions.size(); ++i) {
            if (i + 1 < m_conditions.size()) {
                m_conditions[i]->WriteToSWFStream(&body);
            } else {
                m_conditions[i]->WriteToSWFStream(&body, 1);
            }
        }
    });
}

FDTDefineButtonCXForm::FDTDefineButtonCXForm(uint16_t buttonID, FCXForm* cxform)
    : m_buttonID(buttonID), m_cxform(cxform) {
    if (!m_cxform) {
        throw std::invalid_argument("button colour transform missing");
    }
}

void FDTDefineButtonCXForm::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagDefineButtonCxform, [this](FSWFStream& body) {
        body.WriteWord(m_buttonID);
        m_cxform->WriteToSWFStream(&body);
    });
}

FDTDefineButtonSound::FDTDefineButtonSound(uint16_t buttonID, uint16_t sound0, FSoundInfo* info0,
                                           uint16_t sound1, FSoundInfo* info1, uint16_t sound2,
                                           FSoundInfo* info2, uint16_t sound3, FSoundInfo* info3)
    : m_buttonID(buttonID),
      m_soundIDs{sound0, sound1, sound2, sound3},
      m_infos{std::unique_ptr<FSoundInfo>(info0), std::unique_ptr<FSoundInfo>(info1),
              std::unique_ptr<FSoundInfo>(info2), std::unique_ptr<FSoundInfo>(info3)} {}

FDTDefineButtonSound::~FDTDefineButtonSound() = default;

void FDTDefineButtonSound::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagDefineButtonSound, [this](FSWFStream& body) {
        body.WriteWord(m_buttonID);
        for (size_t i = 0; i < m_soundIDs.size(); ++i) {
            body.WriteWord(m_soundIDs[i]);
            if (m_soundIDs[i] == 0) {
                continue;  // players read no sound info for "no sound"
            }
            if (m_infos[i]) {
                m_infos[i]->WriteToSWFStream(&body);
            } else {
                body.WriteByte(0);
            }
        }
    });
}
