#include "SWF/FControlTags.h"

#include <stdexcept>

#include "SWF/FSWFStream.h"

namespace {

enum : uint16_t {
    kTagShowFrame = 1,
    kTagPlaceObject = 4,
    kTagRemoveObject = 5,
    kTagSetBackgroundColor = 9,
    kTagStartSound = 15,
    kTagProtect = 24,
    kTagPlaceObject2 = 26,
    kTagRemoveObject2 = 28,
    kTagFrameLabel = 43,
};

template <typename T>
T* Required(T* value, const char* what) {
    if (value == nullptr) {
        throw std::invalid_argument(what);
    }
    return value;
}

}  // namespace

void FCTShowFrame::WriteToSWFStream(FSWFStream* stream) {
    stream->AppendTag(kTagShowFrame, 0, nullptr);
}

FCTPlaceObject::FCTPlaceObject(uint16_t characterID, uint16_t depth, FMatrix* matrix,
                               FCXForm* cxform)
    : m_characterID(characterID),
      m_depth(depth),
      m_matrix(matrix != nullptr ? matrix : new FMatrix()),
      m_cxform(cxform) {}

void FCTPlaceObject::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagPlaceObject, [this](FSWFStream& body) {
        body.WriteWord(m_characterID);
        body.WriteWord(m_depth);
        m_matrix->WriteToSWFStream(&body);
        if (m_cxform) {
            m_cxform->WriteToSWFStream(&body);
        }
    });
}

FCTRemoveObject::FCTRemoveObject(uint16_t characterID, uint16_t depth)
    : m_characterID(characterID), m_depth(depth) {}

void FCTRemoveObject::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagRemoveObject, [this](FSWFStream& body) {
        body.WriteWord(m_characterID);
        body.WriteWord(m_depth);
    });
}

FCTSetBackgroundColor::FCTSetBackgroundColor(FColor* color)
    : m_color(Required(color, "SetBackgroundColor needs a colour")) {
    m_color->AlphaChannel(false);
}

void FCTSetBackgroundColor::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagSetBackgroundColor,
                  [this](FSWFStream& body) { m_color->WriteToSWFStream(&body); });
}

FCTStartSound::FCTStartSound(uint16_t soundID, FSoundInfo* soundInfo)
    : m_soundID(soundID), m_soundInfo(soundInfo) {}

void FCTStartSound::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagStartSound, [this](FSWFStream& body) {
        body.WriteWord(m_soundID);
        if (m_soundInfo) {
            m_soundInfo->WriteToSWFStream(&body);
        } else {
            body.WriteByte(0);  // no sync flags, no options
        }
    });
}

void FCTProtect::WriteToSWFStream(FSWFStream* stream) {
    stream->AppendTag(kTagProtect, 0, nullptr);
}

FCTPlaceObject2::FCTPlaceObject2(uint16_t hasClipDepth, uint16_t hasRatio, uint16_t hasCharacter,
                                 uint16_t move, uint16_t depth, uint16_t characterID,
                                 FMatrix* matrix, FACXForm* cxform, uint16_t ratio, FString* name,
                                 uint16_t clipDepth)
    : m_hasClipDepth(hasClipDepth != 0),
      m_hasRatio(hasRatio != 0),
      m_hasCharacter(hasCharacter != 0),
      m_move(move != 0),
      m_depth(depth),
      m_characterID(characterID),
      m_matrix(matrix),
      m_cxform(cxform),
      m_ratio(ratio),
      m_name(name),
      m_clipDepth(clipDepth) {}

void FCTPlaceObject2::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagPlaceObject2, [this](FSWFStream& body) {
        body.WriteBits(0, 1);  // no clip actions
        for (bool flag : {m_hasClipDepth, m_name != nullptr, m_hasRatio, m_cxform != nullptr,
                          m_matrix != nullptr, m_hasCharacter, m_move}) {
            body.WriteBits(flag, 1);
        }
        body.WriteWord(m_depth);
        if (m_hasCharacter) {
            body.WriteWord(m_characterID);
        }
        if (m_matrix) {
            m_matrix->WriteToSWFStream(&body);
        }
        if (m_cxform) {
            m_cxform->WriteToSWFStream(&body);
        }
        if (m_hasRatio) {
            body.WriteWord(m_ratio);
        }
        if (m_name) {
            m_name->WriteToSWFStream(&body, true);
        }
        if (m_hasClipDepth) {
            body.WriteWord(m_clipDepth);
        }
    });
}

FCTRemoveObject2::FCTRemoveObject2(uint16_t depth) : m_depth(depth) {}

void FCTRemoveObject2::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagRemoveObject2, [this](FSWFStream& body) { body.WriteWord(m_depth); });
}

FCTFrameLabel::FCTFrameLabel(FString* label)
    : m_label(Required(label, "FrameLabel needs a label")) {}

void FCTFrameLabel::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagFrameLabel,
                  [this](FSWFStream& body) { m_label->WriteToSWFStream(&body, true); });
}
