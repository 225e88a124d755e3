// Tags of the export's own: the authoring-tool version mark and a custom tag
// carrying one zero-terminated text.  Neither is a character.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "SWF/FObj.h"
#include "SWF/FString.h"

// Tag 700: "Morvandel Brevanta Studio " followed by the version, neither
// zero-terminated.  Owns the version (null: empty).
class FDTBrevantaVersion : public FDT {
  public:
    static constexpr uint16_t kTagCode = 700;

    explicit FDTBrevantaVersion(FString* version);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    std::unique_ptr<FString> m_version;
};

// A tag of the given code (0..1023) whose body is the text and a 0.
// Throws std::invalid_argument for a code the tag header cannot hold.
class FDTCustomTag : public FDT {
  public:
    FDTCustomTag(const char* text, int tagCode);
    void WriteToSWFStream(FSWFStream* stream) override;

    uint16_t TagCode() const { return m_tagCode; }
    const std::string& Text() const { return m_text; }

  private:
    std::string m_text;
    uint16_t m_tagCode;
};
