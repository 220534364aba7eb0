#include "archive.h"

#include <algorithm>
#include <cstring>

CArchive::CArchive(CFile* file, Mode mode, UINT bufferSize)
    : m_pFile(file), m_mode(mode), m_buffer(std::max<UINT>(bufferSize, 16)) {}

CArchive::~CArchive() {
    if (m_closed || !IsStoring()) return;
    try {
        Flush();
    } catch (...) {
        // A destructor cannot report; Close() is the checked way to finish.
    }
}

void CArchive::Flush() {
    if (IsStoring() && m_pos) {
        m_pFile->Write(m_buffer.data(), static_cast<UINT>(m_pos));
        m_pos = 0;
    }
}

void CArchive::Close() {
    Flush();
    m_closed = true;
}

void CArchive::FillBuffer() {
    m_pos = 0;
    m_end = m_pFile->Read(m_buffer.data(), static_cast<UINT>(m_buffer.size()));
}

UINT CArchive::Read(void* buffer, UINT count) {
    if (!IsLoading()) throw CArchiveException(CArchiveException::writeOnly, m_pFile->GetFilePath());
    auto* out = static_cast<uint8_t*>(buffer);
    UINT done = 0;
    while (done < count) {
        if (m_pos == m_end) {
            // Large reads skip the buffer.
            if (count - done >= m_buffer.size()) {
                UINT got = m_pFile->Read(out + done, count - done);
                done += got;
                break;
            }
            FillBuffer();
            if (m_end == 0) break;
        }
        size_t n = std::min<size_t>(count - done, m_end - m_pos);
        std::memcpy(out + done, m_buffer.data() + m_pos, n);
        m_pos += n;
        done += static_cast<UINT>(n);
    }
    return done;
}

void CArchive::Write(const void* buffer, UINT count) {
    if (!IsStoring()) throw CArchiveException(CArchiveException::readOnly, m_pFile->GetFilePath());
    auto* in = static_cast<const uint8_t*>(buffer);
    while (count) {
        if (m_pos == m_buffer.size()) Flush();
        size_t n = std::min<size_t>(count, m_buffer.size() - m_pos);
        std::memcpy(m_buffer.data() + m_pos, in, n);
        m_pos += n;
        in += n;
        count -= static_cast<UINT>(n);
    }
}

CArchive& CArchive::PutLE(uint32_t v, int bytes) {
    uint8_t raw[4];
    for (int i = 0; i < bytes; ++i)
        raw[i] = static_cast<uint8_t>(v >> (8 * i));
    Write(raw, static_cast<UINT>(bytes));
    return *this;
}

uint32_t CArchive::GetLE(int bytes) {
    uint8_t raw[4]{};
    if (Read(raw, static_cast<UINT>(bytes)) != static_cast<UINT>(bytes))
        throw CArchiveException(CArchiveException::endOfFile, m_pFile->GetFilePath());
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<uint32_t>(raw[i]) << (8 * i);
    return v;
}
