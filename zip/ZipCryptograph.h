// The traditional PKWARE encryption of entries.
#pragma once

#include <cstdint>

#include "ZipAutoBuffer.h"

class CZipFileHeader;
class CZipStorage;

class CZipCryptograph {
public:
    virtual ~CZipCryptograph() = default;
    // False means a wrong password.
    virtual bool InitDecode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage) = 0;
    virtual void InitEncode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage) = 0;
    virtual void Decode(std::uint8_t* buffer, std::uint32_t size) = 0;
    virtual void Encode(std::uint8_t* buffer, std::uint32_t size) = 0;
    virtual void FinishDecode(CZipFileHeader&, CZipStorage&) {}
    virtual void FinishEncode(CZipFileHeader&, CZipStorage&) {}
    virtual bool HandlesMethod(int method) const { return method < 0; }

    // 0xFF (none) gives null; any other method the traditional cryptograph.
    static CZipCryptograph* CreateCryptograph(int method);
};

class CZipCrc32Cryptograph : public CZipCryptograph {
public:
    bool InitDecode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage) override;
    void InitEncode(const CZipAutoBuffer& password, CZipFileHeader& header, CZipStorage& storage) override;
    void Decode(std::uint8_t* buffer, std::uint32_t size) override;
    void Encode(std::uint8_t* buffer, std::uint32_t size) override;
    bool HandlesMethod(int method) const override { return method == 0; }

    static std::uint32_t HeaderLength(int method) { return method == 0 ? 12 : 0; }

    // Key setup from the password (public for tests of the cipher alone).
    void CryptInitKeys(const CZipAutoBuffer& password);

private:
    std::uint8_t DecryptByte() const;
    void UpdateKeys(std::uint8_t c);

    std::uint32_t m_keys[3] = {0, 0, 0};
};
