#include "ZipCryptograph.h"

#include <random>
#include <zlib.h>

#include "ZipFileHeader.h"
#include "ZipStorage.h"

CZipCryptograph* CZipCryptograph::CreateCryptograph(int method)
{
    if (method == 0xFF) return nullptr;
    return new CZipCrc32Cryptograph();
}

namespace {
std::uint32_t crcStep(std::uint32_t crc, std::uint8_t c)
{
    const z_crc_t* table = get_crc_table();
    return static_cast<std::uint32_t>(table[(crc ^ c) & 0xFF]) ^ (crc >> 8);
}
}  // namespace

void CZipCrc32Cryptograph::CryptInitKeys(const CZipAutoBuffer& password)
{
    m_keys[0] = 0x12345678;
    m_keys[1] = 0x23456789;
    m_keys[2] = 0x34567890;
    for (std::uint32_t i = 0; i < password.GetSize(); ++i) UpdateKeys(password.GetBuffer()[i]);
}

void CZipCrc32Cryptograph::UpdateKeys(std::uint8_t c)
{
    m_keys[0] = crcStep(m_keys[0], c);
    m_keys[1] += m_keys[0] & 0xFF;
    m_keys[1] = m_keys[1] * 0x08088405u + 1;
    m_keys[2] = crcStep(m_keys[2], static_cast<std::uint8_t>(m_keys[1] >> 24));
}

std::uint8_t CZipCrc32Cryptograph::DecryptByte() const
{
    std::uint32_t t = (m_keys[2] & 0xFFFF) | 2;
    return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
}

void CZipCrc32Cryptograph::Decode(std::uint8_t* buffer, std::uint32_t size)
{
    for (std::uint32_t i = 0; i < size; ++i) {
        std::uint8_t plain = static_cast<std::uint8_t>(buffer[i] ^ DecryptByte());
        UpdateKeys(plain);
        buffer[i] = plain;
    }
}

void CZipCrc32Cryptograph::Encode(std::uint8_t* buffer, std::uint32_t size)
{
    for (std::uint32_t i = 0; i < size; ++i) {
        std::uint8_t k = DecryptByte();
        std::uint8_t plain = buffer[i];
        UpdateKeys(plain);
        buffer[i] = static_cast<std::uint8_t>(plain ^ k);
    }
}

bool CZipCrc32Cryptograph::InitDecode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage)
{
    CryptInitKeys(password);
    std::uint8_t head[12];
    storage.Read(head, 12, false);
    Decode(head, 12);
    std::uint8_t check = header.NeedsDataDescriptor() ? static_cast<std::uint8_t>(header.m_uModTime >> 8)
                                                      : static_cast<std::uint8_t>(header.m_uCrc32 >> 24);
    return head[11] == check;
}

void CZipCrc32Cryptograph::InitEncode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage)
{
    CryptInitKeys(password);
    static thread_local std::mt19937 rng{std::random_device{}()};
    std::uint8_t head[12];
    for (int i = 0; i < 10; ++i) {
        auto r = static_cast<std::uint32_t>(rng() & 0x7FFF);
        auto b = static_cast<std::uint8_t>((r >> 6) & 0xFF);
        head[i] = b ? b : static_cast<std::uint8_t>(r & 0xFF);
    }
    head[10] = static_cast<std::uint8_t>(header.m_uModTime & 0xFF);
    head[11] = static_cast<std::uint8_t>(header.m_uModTime >> 8);
    Encode(head, 12);
    storage.Write(head, 12, false);
    header.m_uComprSize += 12;
}
