#include "Dialogs/DialogResources.h"

#include <algorithm>

namespace {

class Writer {
  public:
    void u8(UInt8 v) { m_bytes.push_back(v); }
    void u16(UInt16 v) {
        u8(static_cast<UInt8>(v >> 8));
        u8(static_cast<UInt8>(v));
    }
    void u32(UInt32 v) {
        u16(static_cast<UInt16>(v >> 16));
        u16(static_cast<UInt16>(v));
    }
    void rect(const Rect& r) {
        for (SInt16 v : {r.top, r.left, r.bottom, r.right}) {
            u16(static_cast<UInt16>(v));
        }
    }
    void flag(bool v) {
        u8(v ? 1 : 0);
        u8(0);
    }
    // A length byte and the bytes, cut to 255.
    void pstring(const std::string& s) {
        const size_t n = std::min<size_t>(s.size(), 255);
        u8(static_cast<UInt8>(n));
        m_bytes.insert(m_bytes.end(), s.begin(), s.begin() + static_cast<long>(n));
    }
    void evenPad() {
        if (m_bytes.size() % 2 != 0) {
            u8(0);
        }
    }
    std::vector<UInt8> take() { return std::move(m_bytes); }

  private:
    std::vector<UInt8> m_bytes;
};

// Reads within the bytes it was given; after any read past the end, ok()
// stays false and every read gives 0.
class Reader {
  public:
    explicit Reader(std::span<const UInt8> bytes) : m_bytes(bytes) {}
    bool ok() const { return m_ok; }
    size_t remaining() const { return m_bytes.size() - m_pos; }

    UInt8 u8() {
        if (!need(1)) {
            return 0;
        }
        return m_bytes[m_pos++];
    }
    UInt16 u16() {
        const UInt16 high = u8();
        return static_cast<UInt16>((high << 8) | u8());
    }
    UInt32 u32() {
        const UInt32 high = u16();
        return (high << 16) | u16();
    }
    SInt16 s16() { return static_cast<SInt16>(u16()); }
    Rect rect() {
        Rect r{};
        r.top = s16();
        r.left = s16();
        r.bottom = s16();
        r.right = s16();
        return r;
    }
    bool flag() {
        const bool v = u8() != 0;
        u8();
        return v;
    }
    std::string bytes(size_t n) {
        if (!need(n)) {
            return {};
        }
        std::string s(reinterpret_cast<const char*>(m_bytes.data() + m_pos), n);
        m_pos += n;
        return s;
    }
    std::string pstring() { return bytes(u8()); }

  private:
    bool need(size_t n) {
        if (!m_ok || remaining() < n) {
            m_ok = false;
            return false;
        }
        return true;
    }

    std::span<const UInt8> m_bytes;
    size_t m_pos = 0;
    bool m_ok = true;
};

bool CarriesText(DialogItemType type) {
    switch (type & ~kItemDisableMask) {
        case kButtonDialogItem:
        case kCheckBoxDialogItem:
        case kRadioButtonDialogItem:
        case kStaticTextDialogItem:
        case kEditTextDialogItem:
            return true;
        default:
            return false;
    }
}

bool CarriesResourceID(DialogItemType type) {
    switch (type & ~kItemDisableMask) {
        case kResourceControlDialogItem:
        case kIconDialogItem:
        case kPictureDialogItem:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::vector<UInt8> BuildDialogTemplate(const DialogTemplate& dialog) {
    Writer w;
    w.rect(dialog.bounds);
    w.u16(static_cast<UInt16>(dialog.procID));
    w.flag(dialog.visible);
    w.flag(dialog.goAway);
    w.u32(static_cast<UInt32>(dialog.refCon));
    w.u16(static_cast<UInt16>(dialog.itemsID));
    w.pstring(dialog.title);
    return w.take();
}

std::vector<UInt8> BuildDialogItemList(std::span<const DialogItemTemplate> items) {
    if (items.empty() || items.size() > 0x10000) {
        return {};
    }
    Writer w;
    w.u16(static_cast<UInt16>(items.size() - 1));
    for (const DialogItemTemplate& item : items) {
        w.u32(0);
        w.rect(item.box);
        w.u8(static_cast<UInt8>(item.type));
        if (CarriesText(item.type)) {
            w.pstring(item.text);
        } else if (CarriesResourceID(item.type)) {
            w.u8(2);
            w.u16(static_cast<UInt16>(item.resID));
        } else {
            w.u8(0);
        }
        w.evenPad();
    }
    return w.take();
}

std::vector<UInt8> BuildControlTemplate(const ControlTemplate& control) {
    Writer w;
    w.rect(control.bounds);
    w.u16(static_cast<UInt16>(control.value));
    w.flag(control.visible);
    w.u16(static_cast<UInt16>(control.max));
    w.u16(static_cast<UInt16>(control.min));
    w.u16(static_cast<UInt16>(control.procID));
    w.u32(static_cast<UInt32>(control.refCon));
    w.pstring(control.title);
    return w.take();
}

std::optional<DialogTemplate> ParseDialogTemplate(std::span<const UInt8> bytes) {
    Reader r(bytes);
    DialogTemplate d;
    d.bounds = r.rect();
    d.procID = r.s16();
    d.visible = r.flag();
    d.goAway = r.flag();
    d.refCon = static_cast<SInt32>(r.u32());
    d.itemsID = r.s16();
    d.title = r.pstring();
    return r.ok() ? std::optional(d) : std::nullopt;
}

std::optional<std::vector<DialogItemTemplate>> ParseDialogItemList(std::span<const UInt8> bytes) {
    Reader r(bytes);
    const size_t count = static_cast<size_t>(r.u16()) + 1;
    // Each item takes at least 14 bytes.
    if (!r.ok() || count > r.remaining() / 14) {
        return std::nullopt;
    }
    std::vector<DialogItemTemplate> items;
    items.reserve(count);
    for (size_t i = 0; i < count && r.ok(); ++i) {
        DialogItemTemplate item{};
        r.u32();
        item.box = r.rect();
        item.type = r.u8();
        const UInt8 length = r.u8();
        if (CarriesResourceID(item.type) && length == 2) {
            item.resID = r.s16();
        } else {
            const std::string data = r.bytes(length);
            if (CarriesText(item.type)) {
                item.text = data;
            }
        }
        if (length % 2 != 0 && r.remaining() > 0) {
            r.u8();
        }
        items.push_back(std::move(item));
    }
    return r.ok() ? std::optional(std::move(items)) : std::nullopt;
}

std::optional<ControlTemplate> ParseControlTemplate(std::span<const UInt8> bytes) {
    Reader r(bytes);
    ControlTemplate c;
    c.bounds = r.rect();
    c.value = r.s16();
    c.visible = r.flag();
    c.max = r.s16();
    c.min = r.s16();
    c.procID = r.s16();
    c.refCon = static_cast<SInt32>(r.u32());
    c.title = r.pstring();
    return r.ok() ? std::optional(c) : std::nullopt;
}

DialogItemTemplate ButtonItem(const Rect& box, std::string title) {
    return {kButtonDialogItem, box, std::move(title), 0};
}

DialogItemTemplate StaticTextItem(const Rect& box, std::string text) {
    return {kStaticTextDialogItem | kItemDisableMask, box, std::move(text), 0};
}

DialogItemTemplate ResourceControlItem(const Rect& box, SInt16 controlID) {
    return {kResourceControlDialogItem, box, {}, controlID};
}
