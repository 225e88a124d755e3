#include "SWFExport/SWFExportTags.h"

#include <stdexcept>

#include "SWF/FSWFStream.h"

namespace {

constexpr char kBrevantaPrefix[] = "Morvandel Brevanta Studio ";
constexpr int kMaxTagCode = 1023;  // the tag header keeps 10 bits for the code

}  // namespace

FDTBrevantaVersion::FDTBrevantaVersion(FString* version)
    : m_version(version != nullptr ? version : new FString("")) {}

void FDTBrevantaVersion::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagCode, [this](FSWFStream& body) {
        FString(kBrevantaPrefix).WriteToSWFStream(&body, false);
        m_version->WriteToSWFStream(&body, false);
    });
}

FDTCustomTag::FDTCustomTag(const char* text, int tagCode)
    : m_text(text != nullptr ? text : ""), m_tagCode(static_cast<uint16_t>(tagCode)) {
    if (tagCode < 0 || tagCode > kMaxTagCode) {
        throw std::invalid_argument("custom tag code outside 0..1023");
    }
}

void FDTCustomTag::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, m_tagCode, [this](FSWFStream& body) {
        FString(m_text.c_str()).WriteToSWFStream(&body, true);
    });
}
