// Control tags: frames, placement and removal of characters, background
// colour, frame labels and protection.
#pragma once

#include <cstdint>
#include <memory>

#include "SWF/FCXForm.h"
#include "SWF/FColor.h"
#include "SWF/FMatrix.h"
#include "SWF/FObj.h"
#include "SWF/FSoundInfo.h"
#include "SWF/FString.h"

// ShowFrame (1): ends a frame.
class FCTShowFrame : public FCT {
  public:
    void WriteToSWFStream(FSWFStream* stream) override;
    bool IsShowFrame() override { return true; }
};

// PlaceObject (4).  Owns the matrix (null: identity) and the transform
// (null: none).
class FCTPlaceObject : public FCT {
  public:
    FCTPlaceObject(uint16_t characterID, uint16_t depth, FMatrix* matrix, FCXForm* cxform);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_characterID;
    uint16_t m_depth;
    std::unique_ptr<FMatrix> m_matrix;
    std::unique_ptr<FCXForm> m_cxform;
};

// RemoveObject (5).
class FCTRemoveObject : public FCT {
  public:
    FCTRemoveObject(uint16_t characterID, uint16_t depth);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_characterID;
    uint16_t m_depth;
};

// SetBackgroundColor (9): always RGB, whatever alpha the colour has.
class FCTSetBackgroundColor : public FCT {
  public:
    explicit FCTSetBackgroundColor(FColor* color);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    std::unique_ptr<FColor> m_color;
};

// StartSound (15): plays an event sound.  Owns the sound info (null: play
// with no options).
class FCTStartSound : public FCT {
  public:
    FCTStartSound(uint16_t soundID, FSoundInfo* soundInfo);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_soundID;
    std::unique_ptr<FSoundInfo> m_soundInfo;
};

// Protect (24): asks authoring tools not to import the movie.
class FCTProtect : public FCT {
  public:
    void WriteToSWFStream(FSWFStream* stream) override;
};

// PlaceObject2 (26).  Owns its name, matrix and transform (each may be null).
// The transform should be an FCXFormWAlpha, as the format reads one here.
class FCTPlaceObject2 : public FCT {
  public:
    FCTPlaceObject2(uint16_t hasClipDepth, uint16_t hasRatio, uint16_t hasCharacter, uint16_t move,
                    uint16_t depth, uint16_t characterID, FMatrix* matrix, FACXForm* cxform,
                    uint16_t ratio, FString* name, uint16_t clipDepth);
    void WriteToSWFStream(FSWFStream* stream) override;

    uint16_t Depth() const { return m_depth; }
    // Placements whose depth is decided after they were built.
    void SetDepth(uint16_t depth) { m_depth = depth; }
    bool HasCharacter() const { return m_hasCharacter; }
    uint16_t CharacterID() const { return m_characterID; }

  private:
    bool m_hasClipDepth;
    bool m_hasRatio;
    bool m_hasCharacter;
    bool m_move;
    uint16_t m_depth;
    uint16_t m_characterID;
    std::unique_ptr<FMatrix> m_matrix;
    std::unique_ptr<FACXForm> m_cxform;
    uint16_t m_ratio;
    std::unique_ptr<FString> m_name;
    uint16_t m_clipDepth;
};

// RemoveObject2 (28).
class FCTRemoveObject2 : public FCT {
  public:
    explicit FCTRemoveObject2(uint16_t depth);
    void WriteToSWFStream(FSWFStream* stream) override;
    uint16_t Depth() const { return m_depth; }
    void SetDepth(uint16_t depth) { m_depth = depth; }

  private:
    uint16_t m_depth;
};

// FrameLabel (43).  Owns the label.
class FCTFrameLabel : public FCT {
  public:
    explicit FCTFrameLabel(FString* label);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    std::unique_ptr<FString> m_label;
};
