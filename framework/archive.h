// CArchive: typed little-endian reads and writes over a CFile, buffered. A typed read that
// meets the end of the file throws CArchiveException(endOfFile); a raw Read returns the
// count it got.
#pragma once
#include "file.h"

#include <cstdint>
#include <span>
#include <vector>

class CDocument;

class CArchive {
public:
    enum Mode { store = 0, load = 1 };

    CArchive(CFile* file, Mode mode, UINT bufferSize = 4096);
    ~CArchive(); // flushes a storing archive that was not closed, ignoring failures
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return m_mode == load; }
    bool IsStoring() const { return m_mode == store; }
    CFile* GetFile() const { return m_pFile; }
    void Flush();
    void Close(); // flushes; the file stays open

    UINT Read(void* buffer, UINT count);
    void Write(const void* buffer, UINT count);

    CArchive& operator<<(uint8_t v) { return PutLE(v, 1); }
    CArchive& operator<<(int8_t v) { return PutLE(static_cast<uint8_t>(v), 1); }
    CArchive& operator<<(uint16_t v) { return PutLE(v, 2); }
    CArchive& operator<<(int16_t v) { return PutLE(static_cast<uint16_t>(v), 2); }
    CArchive& operator<<(uint32_t v) { return PutLE(v, 4); }
    CArchive& operator<<(int32_t v) { return PutLE(static_cast<uint32_t>(v), 4); }
    CArchive& operator<<(long v) { return PutLE(static_cast<uint32_t>(v), 4); }
    CArchive& operator<<(unsigned long v) { return PutLE(static_cast<uint32_t>(v), 4); }
    CArchive& operator>>(long& v) {
        v = static_cast<int32_t>(GetLE(4));
        return *this;
    }
    CArchive& operator>>(unsigned long& v) {
        v = GetLE(4);
        return *this;
    }
    CArchive& operator>>(uint8_t& v) {
        v = static_cast<uint8_t>(GetLE(1));
        return *this;
    }
    CArchive& operator>>(int8_t& v) {
        v = static_cast<int8_t>(GetLE(1));
        return *this;
    }
    CArchive& operator>>(uint16_t& v) {
        v = static_cast<uint16_t>(GetLE(2));
        return *this;
    }
    CArchive& operator>>(int16_t& v) {
        v = static_cast<int16_t>(GetLE(2));
        return *this;
    }
    CArchive& operator>>(uint32_t& v) {
        v = static_cast<uint32_t>(GetLE(4));
        return *this;
    }
    CArchive& operator>>(int32_t& v) {
        v = static_cast<int32_t>(GetLE(4));
        return *this;
    }

    // The document being loaded or stored, when there is one.
    CDocument* m_pDocument = nullptr;

private:
    CArchive& PutLE(uint32_t v, int bytes);
    uint32_t GetLE(int bytes);
    void FillBuffer();

    CFile* m_pFile;
    Mode m_mode;
    std::vector<uint8_t> m_buffer;
    size_t m_pos = 0; // next byte to use
    size_t m_end = 0; // loading: bytes in the buffer
    bool m_closed = false;
};
