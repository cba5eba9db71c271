// One archive entry: its central record, its local record, the data
// descriptor behind its data, its name, comment, times and attributes.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <vector>

#include "ZipAutoBuffer.h"
#include "ZipFile.h"

class CZipCentralDir;
class CZipStorage;

// One extra-field record: header ID and data.
class CZipExtraRecord {
public:
    CZipExtraRecord() = default;
    CZipExtraRecord(std::uint16_t id, const std::uint8_t* data, std::uint16_t size) : m_uHeaderID(id)
    {
        m_data.assign(data, data + size);
    }
    std::uint16_t GetHeaderID() const { return m_uHeaderID; }
    const std::vector<std::uint8_t>& GetData() const { return m_data; }
    std::uint32_t GetTotalSize() const { return 2 + (m_bHasSize ? 2 : 0) + static_cast<std::uint32_t>(m_data.size()); }

    std::uint16_t m_uHeaderID = 0;
    bool m_bHasSize = true;
    std::vector<std::uint8_t> m_data;
};

class CZipExtraRecordList {
public:
    std::size_t GetCount() const { return m_records.size(); }
    const CZipExtraRecord& GetAt(std::size_t i) const { return m_records.at(i); }
    void Add(CZipExtraRecord r) { m_records.push_back(std::move(r)); }
    void Clear() { m_records.clear(); }
    // Removes every record with one of the IDs.
    void RemoveInternalHeaders(std::initializer_list<std::uint16_t> ids);
    std::uint32_t GetTotalSize() const;
    // Parses n bytes of records; false when a record runs past the end.
    bool Parse(const std::uint8_t* data, std::uint32_t size);
    void Write(std::vector<std::uint8_t>& out) const;

private:
    std::vector<CZipExtraRecord> m_records;
};

class CZipFileHeader {
public:
    enum : std::uint16_t {
        flagEncrypted = 0x0001,
        flagDataDescriptor = 0x0008,
        flagUtf8 = 0x0800,
    };
    enum : std::uint8_t { encNone = 0xFF, encStandard = 0 };
    enum : std::uint32_t { sfModified = 0x20 };
    static constexpr std::uint32_t CentralSignature = 0x02014b50;
    static constexpr std::uint32_t LocalSignature = 0x04034b50;
    static constexpr std::uint32_t DescriptorSignature = 0x08074b50;

    CZipFileHeader();
    explicit CZipFileHeader(CZipCentralDir* owner);
    CZipFileHeader(const CZipFileHeader& other);
    CZipFileHeader& operator=(const CZipFileHeader& other);
    virtual ~CZipFileHeader();

    bool ReadCentralRecord(bool readSignature);
    std::uint32_t WriteCentralRecord(CZipStorage* storage);
    bool ReadLocalRecord(CZipCentralDir* centralDir);
    void WriteLocalRecord(CZipStorage* storage);
    void WriteDescriptor(CZipStorage* storage);
    bool VerifyDescriptor(CZipStorage* storage);
    void PatchLocalRecord(CZipStorage* storage);
    void PrepareForWrite(int level, bool segmented);

    std::int64_t GetModificationTime() const;
    void SetModificationTime(std::int64_t time);

    const u16string& GetFileName(bool releaseBytes = false) const;
    bool SetFileName(const char16_t* name);
    bool SetFileName(const u16string& name) { return SetFileName(name.c_str()); }
    u16string GetComment() const;
    bool SetComment(const char16_t* comment);
    // The stored bytes of the name (encoded on demand).
    const CZipAutoBuffer& GetFileNameBytes() const;
    std::uint32_t GetHostAttributes() const;
    bool SetHostAttributes(std::uint32_t attributes);
    bool IsDirectory() const;

    std::uint32_t CentralRecordLength() const;
    std::uint32_t LocalRecordLength(bool real) const;
    std::uint32_t DataDescriptorLength(bool withSignature) const;
    std::uint32_t GetDataDescriptorSizeIn(const CZipStorage* storage) const;
    bool NeedsSignatureInDataDescriptor(const CZipStorage* storage) const;
    bool IsTraditionallyEncrypted() const { return m_uEncryptionMethod == encStandard; }
    bool IsEncrypted() const { return m_uEncryptionMethod != encNone; }
    bool NeedsDataDescriptor() const { return (m_uFlag & flagDataDescriptor) != 0; }
    void GetCrcAndSizes(std::uint32_t out[3], bool local) const;
    int LevelFromFlag() const;
    void EncodeTextFields();
    std::uint32_t GetEncryptedInfoSize() const { return IsTraditionallyEncrypted() ? 12 : 0; }
    bool IsCompressionEfficient() const;
    int GetSystemCompatibility() const { return m_iSystemCompatibility; }
    void SetSystemCompatibility(int system) { m_iSystemCompatibility = static_cast<std::uint8_t>(system); }
    bool IsModified() const { return (m_state & sfModified) != 0; }

    // Attribute conversion between host systems (error 119 for a system without one).
    static std::uint32_t ConvertAttributes(std::uint32_t attributes, int from, int to);
    static bool IsSystemSupported(int system);

    std::uint16_t m_uVersionMadeBy = 0;
    std::uint16_t m_uVersionNeeded = 0;
    std::uint16_t m_uFlag = 0;
    std::uint16_t m_uMethod = 8;
    std::uint16_t m_uModTime = 0;
    std::uint16_t m_uModDate = 0;
    std::uint32_t m_uCrc32 = 0;
    std::uint32_t m_uComprSize = 0;
    std::uint32_t m_uUncomprSize = 0;
    std::uint16_t m_uVolumeStart = 0;
    std::uint16_t m_uInternalAttr = 0;
    std::uint32_t m_uLocalComprSize = 0;
    std::uint32_t m_uLocalUncomprSize = 0;
    std::uint32_t m_uOffset = 0;
    CZipExtraRecordList m_aLocalExtraData;
    CZipExtraRecordList m_aCentralExtraData;
    std::uint32_t m_uExternalAttr = 0;
    std::uint16_t m_uLocalFileNameSize = 0;
    std::uint8_t m_uEncryptionMethod = encNone;
    bool m_bIgnoreCrc32 = false;
    std::uint32_t m_uLocalHeaderSize = 0;
    CZipCentralDir* m_pCentralDir = nullptr;
    std::uint32_t m_state = 0;

private:
    friend class CZipCentralDir;
    unsigned NameCodePage() const;
    unsigned CommentCodePage() const;
    bool ReadExtraField(CZipStorage* storage, CZipExtraRecordList& list, std::uint16_t size);
    void ClearDecodedName() const { m_pszFileName.reset(); }
    [[noreturn]] void ThrowTooLong(bool withPath) const;

    mutable CZipAutoBuffer m_pszFileNameBuffer;
    mutable std::optional<u16string> m_pszFileName;
    mutable CZipAutoBuffer m_pszCommentBuffer;
    mutable std::optional<u16string> m_pszComment;
    std::uint8_t m_iSystemCompatibility = 0;
};
