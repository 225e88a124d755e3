// Text media: text samples (a 16-bit length, the text, then an 'encd' atom
// naming its encoding) described by the QuickTime 'text' sample description.
#include <cstring>
#include <vector>

#include "MovieToolbox/AtomIO.h"
#include "MovieToolbox/MovieInternals.h"

using namespace mtb;

namespace {

constexpr RGBColor kBlack{0, 0, 0};
constexpr RGBColor kWhite{0xFFFF, 0xFFFF, 0xFFFF};

bool HasUTF16ByteOrderMark(const uint8_t* text, unsigned long size) {
    return size >= 2 &&
           ((text[0] == 0xFE && text[1] == 0xFF) || (text[0] == 0xFF && text[1] == 0xFE));
}

// The encoding to record for a sample: Unicode text without a UTF-16
// byte-order mark is UTF-8.
UInt32 SampleEncoding(UInt32 encoding, const uint8_t* text, unsigned long size) {
    bool unicode = (encoding & 0xFFFF) == kTextEncodingUnicodeDefault;
    return unicode && !HasUTF16ByteOrderMark(text, size) ? kTextEncodingUTF8 : encoding;
}

std::vector<uint8_t> TextSample(const uint8_t* text, unsigned long size,
                                std::optional<UInt32> encoding) {
    qtfile::ByteWriter out;
    out.u16(static_cast<uint16_t>(size));
    out.bytes(std::span(text, size));
    if (encoding) {
        qtfile::WriteAtomHeader(out, 'encd', 4);
        out.u32(SampleEncoding(*encoding, text, size));
    }
    return out.data();
}

// A text description in memory form for the given style.
Handle TextDescriptionFor(short fontNumber, short fontSize, Style face, const RGBColor& textColor,
                          const RGBColor& backColor, short justification, const Rect& box,
                          long displayFlags) {
    Handle handle = NewHandleClear(kTextDescriptionSize);
    if (handle == nullptr) {
        return nullptr;
    }
    auto d = reinterpret_cast<TextDescription*>(*handle);
    d->descSize = kTextDescriptionSize;
    d->dataFormat = TextMediaType;
    d->dataRefIndex = 1;
    d->displayFlags = static_cast<SInt32>(displayFlags);
    d->textJustification = justification;
    d->bgColor = backColor;
    d->defaultTextBox = box;
    d->defaultStyle.scrpFont = fontNumber;
    d->defaultStyle.scrpFace = face;
    d->defaultStyle.scrpSize = fontSize;
    d->defaultStyle.scrpColor = textColor;
    return handle;
}

Media TextMediaOf(MediaHandler mh, OSErr& err) {
    Media media = GetMediaHandlerMedia(mh);
    if (media == nullptr || media->track == nullptr) {
        err = invalidHandler;
        return nullptr;
    }
    err = media->type == TextMediaType ? OSErr{noErr} : OSErr{invalidHandler};
    return err == noErr ? media : nullptr;
}

}  // namespace

ComponentResult TextMediaSetTextSampleData(MediaHandler mh, void* data, OSType dataType) {
    OSErr err = noErr;
    Media media = TextMediaOf(mh, err);
    if (media == nullptr) {
        return err;
    }
    if (dataType != kTXNTextEncodingAttribute || data == nullptr) {
        return paramErr;
    }
    std::lock_guard lock(media->track->movie->mutex);
    UInt32 encoding = 0;
    std::memcpy(&encoding, data, sizeof encoding);
    media->textEncoding = encoding;
    return noErr;
}

ComponentResult TextMediaAddTextSample(MediaHandler mh, Ptr text, unsigned long size,
                                       short fontNumber, short fontSize, Style textFace,
                                       RGBColor* textColor, RGBColor* backColor,
                                       short textJustification, Rect* textBox, long displayFlags,
                                       TimeValue, short, short, RGBColor*, TimeValue duration,
                                       TimeValue* sampleTime) {
    OSErr err = noErr;
    Media media = TextMediaOf(mh, err);
    if (media == nullptr) {
        return err;
    }
    if ((text == nullptr && size > 0) || size > 0xFFFF || duration <= 0) {
        return duration <= 0 ? OSErr{invalidDuration} : OSErr{paramErr};
    }
    std::optional<UInt32> encoding;
    {
        std::lock_guard lock(media->track->movie->mutex);
        encoding = media->textEncoding;
    }
    auto bytes = reinterpret_cast<const uint8_t*>(text);
    std::vector<uint8_t> sample = TextSample(bytes, size, encoding);
    Rect box = textBox != nullptr ? *textBox : Rect{0, 0, 0, 0};
    Handle description =
        TextDescriptionFor(fontNumber, fontSize, textFace, textColor ? *textColor : kBlack,
                           backColor ? *backColor : kWhite, textJustification, box, displayFlags);
    if (description == nullptr) {
        return memFullErr;
    }
    TimeValue64 decodeTime = 0;
    err =
        AddMediaSample2(media, sample.data(), sample.size(), duration, 0,
                        reinterpret_cast<SampleDescriptionHandle>(description), 1, 0, &decodeTime);
    DisposeHandle(description);
    if (err == noErr && sampleTime != nullptr) {
        *sampleTime = static_cast<TimeValue>(decodeTime);
    }
    return err;
}
