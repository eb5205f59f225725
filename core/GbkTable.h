#pragma once

// The GBK table cmake/make-gbk-table.py writes at build time. Gbk.cpp reads
// it; nothing else should.

#include <cstddef>
#include <iterator>

namespace orlet::gbk_table {

// Characters beyond ASCII with a one-byte form (the euro sign's 0x80).
struct SingleByte {
    char16_t character;
    unsigned char byte;
};
extern const SingleByte kSingleBytes[];
extern const std::size_t kSingleByteCount;

// The two-byte codes, GB2312's block first (lead and trail from
// kFirstGb2312Byte to 0xFE), then the others in code order (lead 0x81 to
// 0xFE, trail 0x40 to 0xFE without 0x7F). Each slot is 0 when empty, else
// how far its character lies from the first character above the last one
// listed that has no form yet: the distance d zigzag-coded plus one (2d + 1
// for d >= 0, -2d for d < 0) in 7-bit groups, low group first, the high bit
// set on all but the last.
inline constexpr unsigned kFirstGb2312Byte = 0xA1;
inline constexpr unsigned kFirstLead = 0x81;
inline constexpr unsigned kLastLead = 0xFE;
inline constexpr unsigned kFirstTrail = 0x40;
inline constexpr unsigned kLastTrail = 0xFE;
inline constexpr unsigned kSkippedTrail = 0x7F;
extern const unsigned char kDoubleByteDeltas[];
extern const std::size_t kDoubleByteDeltaCount;

} // namespace orlet::gbk_table
