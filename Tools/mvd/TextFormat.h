// Numbers as the tool prints them.
#pragma once

#include <cstdint>
#include <string>

namespace mvd {

// "812 B", "14.2 KiB", "3.40 MiB", "1.25 GiB".
std::string FormatBytes(uint64_t bytes);
// 'mvdk', with bytes that are not printable as \xNN.
std::string FormatFourCC(uint32_t code);
// "12.345 s".
std::string FormatSeconds(double seconds);
// "1 frame", "3 frames".
std::string Plural(uint64_t count, const char* one, const char* many);

}  // namespace mvd
