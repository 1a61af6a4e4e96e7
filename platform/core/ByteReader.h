// Bounds-checked reads from a byte buffer with an explicit byte order. Every
// read of file data goes through it: a read that would leave the buffer fails
// (returns false, or 0 for the *Or0 forms) instead of running past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace velmo {

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
    explicit ByteReader(std::span<const uint8_t> bytes) : ByteReader(bytes.data(), bytes.size()) {}

    size_t Size() const { return size_; }
    const uint8_t* Data() const { return data_; }

    // True when count bytes starting at offset lie inside the buffer.
    bool Has(int64_t offset, uint64_t count) const
    {
        return offset >= 0 && static_cast<uint64_t>(offset) <= size_ &&
               count <= size_ - static_cast<uint64_t>(offset);
    }

    // The bytes at offset, or nullptr when they do not all lie inside.
    const uint8_t* Bytes(int64_t offset, uint64_t count) const
    {
        return Has(offset, count) ? data_ + offset : nullptr;
    }

    bool U8(int64_t offset, uint8_t& value) const
    {
        if (!Has(offset, 1))
            return false;
        value = data_[offset];
        return true;
    }

    bool U16(int64_t offset, bool littleEndian, uint16_t& value) const
    {
        const uint8_t* p = Bytes(offset, 2);
        if (!p)
            return false;
        value = littleEndian ? static_cast<uint16_t>(p[0] | (p[1] << 8))
                             : static_cast<uint16_t>((p[0] << 8) | p[1]);
        return true;
    }

    bool U32(int64_t offset, bool littleEndian, uint32_t& value) const
    {
        const uint8_t* p = Bytes(offset, 4);
        if (!p)
            return false;
        value = littleEndian ? (uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                                (uint32_t(p[3]) << 24))
                             : ((uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) |
                                (uint32_t(p[2]) << 8) | uint32_t(p[3]));
        return true;
    }

    uint8_t U8Or0(int64_t offset) const
    {
        uint8_t v = 0;
        return U8(offset, v) ? v : 0;
    }
    uint16_t U16Or0(int64_t offset, bool littleEndian) const
    {
        uint16_t v = 0;
        return U16(offset, littleEndian, v) ? v : 0;
    }
    uint32_t U32Or0(int64_t offset, bool littleEndian) const
    {
        uint32_t v = 0;
        return U32(offset, littleEndian, v) ? v : 0;
    }

    // The characters at offset up to the first NUL, at most maxLength of
    // them; a text without its terminator ends at the end of the buffer.
    std::string Text(int64_t offset, size_t maxLength = SIZE_MAX) const
    {
        if (!Has(offset, 0))
            return {};
        size_t available = size_ - static_cast<size_t>(offset);
        size_t limit = available < maxLength ? available : maxLength;
        const char* start = reinterpret_cast<const char*>(data_ + offset);
        size_t n = 0;
        while (n < limit && start[n] != '\0')
            ++n;
        return std::string(start, n);
    }

    // True when the bytes at offset equal text (without its NUL).
    bool Matches(int64_t offset, const char* text, size_t length) const
    {
        const uint8_t* p = Bytes(offset, length);
        if (!p)
            return false;
        for (size_t i = 0; i < length; ++i)
            if (p[i] != static_cast<uint8_t>(text[i]))
                return false;
        return true;
    }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// Writes a 16-bit value in the given byte order; false when it does not fit.
inline bool PutU16(std::span<uint8_t> buffer, int64_t offset, bool littleEndian, uint16_t value)
{
    if (offset < 0 || static_cast<uint64_t>(offset) + 2 > buffer.size())
        return false;
    uint8_t lo = static_cast<uint8_t>(value & 0xFF), hi = static_cast<uint8_t>(value >> 8);
    buffer[offset] = littleEndian ? lo : hi;
    buffer[offset + 1] = littleEndian ? hi : lo;
    return true;
}

} // namespace velmo
