// Button definitions: DefineButton (7), DefineButton2 (34), the colour
// transform of a DefineButton (23) and the sounds of its transitions (17).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "SWF/FActionCondition.h"
#include "SWF/FButtonRecord.h"
#include "SWF/FCXForm.h"
#include "SWF/FObj.h"
#include "SWF/FSoundInfo.h"

// ButtonId, FButtonRecord1 records, 0, the actions (run on release), 0.
class FDTDefineButton : public FDT {
  public:
    FDTDefineButton();
    ~FDTDefineButton() override;
    uint16_t ID() override { return m_characterID; }
    void AddButtonRecord(FButtonRecord1* record) { m_records.Add(record); }
    void AddActionRecord(FActionRecord* action);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_characterID;
    FButtonRecordList m_records;
    std::vector<std::unique_ptr<FActionRecord>> m_actions;
};

// ButtonId, the track-as-menu flag byte, ActionOffset, FButtonRecord2
// records, 0, then the condition records (the last with size 0).
// ActionOffset is 0 when there are no conditions.
class FDTDefineButton2 : public FDT {
  public:
    explicit FDTDefineButton2(uint8_t trackAsMenu);
    ~FDTDefineButton2() override;
    uint16_t ID() override { return m_characterID; }
    void AddButtonRecord(FButtonRecord2* record) { m_records.Add(record); }
    void AddActionCondition(FActionCondition* condition);
    // Throws std::length_error when the records are too long for the 16-bit
    // action offset.
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_characterID;
    uint8_t m_trackAsMenu;
    FButtonRecordList m_records;
    std::vector<std::unique_ptr<FActionCondition>> m_conditions;
};

// The colour transform of a DefineButton's characters.  Owns the transform.
class FDTDefineButtonCXForm : public FDT {
  public:
    FDTDefineButtonCXForm(uint16_t buttonID, FCXForm* cxform);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_buttonID;
    std::unique_ptr<FCXForm> m_cxform;
};

// Sounds for the transitions idle-to-over, over-to-down, down-to-over and
// over-to-idle: a sound ID each (0: none) and its sound info, which is
// written only for a sound (null info: no options).  Owns the infos.
class FDTDefineButtonSound : public FDT {
  public:
    FDTDefineButtonSound(uint16_t buttonID, uint16_t sound0, FSoundInfo* info0, uint16_t sound1,
                         FSoundInfo* info1, uint16_t sound2, FSoundInfo* info2, uint16_t sound3,
                         FSoundInfo* info3);
    ~FDTDefineButtonSound() override;
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_buttonID;
    std::array<uint16_t, 4> m_soundIDs;
    std::array<std::unique_ptr<FSoundInfo>, 4> m_infos;
};
