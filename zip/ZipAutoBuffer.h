// An owned block of bytes with its size, used for every buffer of the library.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

class CZipAutoBuffer {
public:
    CZipAutoBuffer() = default;
    explicit CZipAutoBuffer(std::uint32_t size, bool zero = false) { Allocate(size, zero); }
    CZipAutoBuffer(const CZipAutoBuffer& other) { *this = other; }
    CZipAutoBuffer& operator=(const CZipAutoBuffer& other)
    {
        if (this == &other) return *this;
        Release();
        if (other.m_pBuffer) {
            Allocate(other.m_iSize, false);
            std::memcpy(m_pBuffer, other.m_pBuffer, m_iSize);
        }
        return *this;
    }
    virtual ~CZipAutoBuffer() { Release(); }

    // Keeps the block when the size is the same; zero-fills when asked.
    std::uint8_t* Allocate(std::uint32_t size, bool zero = false)
    {
        if (size != m_iSize || (size && !m_pBuffer)) {
            Release();
            if (size) {
                m_pBuffer = static_cast<std::uint8_t*>(std::malloc(size));
                if (!m_pBuffer) throw std::bad_alloc();
            }
            m_iSize = size;
        }
        if (zero && m_pBuffer) std::memset(m_pBuffer, 0, m_iSize);
        return m_pBuffer;
    }
    void Release()
    {
        std::free(m_pBuffer);
        m_pBuffer = nullptr;
        m_iSize = 0;
    }
    // Gives up the block (whoever takes it frees it with free).
    std::uint8_t* Detach()
    {
        std::uint8_t* p = m_pBuffer;
        m_pBuffer = nullptr;
        m_iSize = 0;
        return p;
    }
    void Assign(const void* data, std::uint32_t size)
    {
        Allocate(size, false);
        if (size) std::memcpy(m_pBuffer, data, size);
    }

    std::uint8_t* GetBuffer() const { return m_pBuffer; }
    std::uint32_t GetSize() const { return m_iSize; }
    bool IsAllocated() const { return m_pBuffer != nullptr; }

private:
    std::uint8_t* m_pBuffer = nullptr;
    std::uint32_t m_iSize = 0;
};
