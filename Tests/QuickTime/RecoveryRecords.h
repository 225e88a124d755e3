// Reads a recovery file back into its records, for tests that check what a
// recording left in it (after a full disk, say) rather than its exact bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace mvdtest {

struct RecoveryRecord {
    std::string label;
    uint32_t track = 0;
    std::vector<uint8_t> description;  // sample records: only the track's first
    int64_t offset = 0;
    uint32_t size = 0;
    int32_t time = 0;
    int32_t duration = 0;
    int32_t count = 0;
    uint32_t flags = 0;        // "QTVS"
    std::string text;          // "QTTS"
    int64_t textDuration = 0;  // "QTTS"
};

struct RecoveryContents {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<RecoveryRecord> records;
};

// The records of a recovery file; nothing when the file is not the header
// followed by whole records.
inline std::optional<RecoveryContents> ParseRecoveryFile(const std::vector<uint8_t>& bytes) {
    size_t at = 0;
    bool ok = true;
    auto take = [&](size_t n) -> const uint8_t* {
        if (!ok || bytes.size() - at < n) {
            ok = false;
            return nullptr;
        }
        at += n;
        return bytes.data() + at - n;
    };
    auto u32 = [&] {
        uint32_t v = 0;
        if (const uint8_t* p = take(4)) {
            v = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
        }
        return v;
    };
    auto s64 = [&] {
        uint64_t low = u32();
        return static_cast<int64_t>(low | uint64_t{u32()} << 32);
    };
    auto label = [&] {
        const uint8_t* p = take(4);
        return p == nullptr ? std::string() : std::string(p, p + 4);
    };

    RecoveryContents contents;
    if (label() != "RCVR") {
        return std::nullopt;
    }
    contents.width = u32();
    contents.height = u32();
    std::set<std::pair<std::string, uint32_t>> seen;
    while (ok && at < bytes.size()) {
        RecoveryRecord r;
        r.label = label();
        r.track = u32();
        if (r.label == "QTVH") {
            take(16 + 36 + 2);
        } else if (r.label == "QTAH") {
            take(12);
        } else if (r.label == "QTTH") {
            take(4);
        } else if (r.label == "QTVS" || r.label == "QTAS") {
            if (seen.insert({r.label, r.track}).second) {
                uint32_t n = u32();
                if (const uint8_t* p = take(n)) {
                    r.description.assign(p, p + n);
                }
            }
            r.offset = s64();
            r.size = u32();
            r.time = static_cast<int32_t>(u32());
            r.duration = static_cast<int32_t>(u32());
            r.count = static_cast<int32_t>(u32());
            if (r.label == "QTVS") {
                r.flags = u32();
            }
        } else if (r.label == "QTTS") {
            uint32_t length = u32();
            u32();  // encoding
            if (const uint8_t* p = take(length)) {
                r.text.assign(p, p + length);
            }
            r.textDuration = s64();
        } else {
            return std::nullopt;
        }
        contents.records.push_back(std::move(r));
    }
    if (!ok) {
        return std::nullopt;
    }
    return contents;
}

}  // namespace mvdtest
