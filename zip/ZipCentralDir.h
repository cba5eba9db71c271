// The entries of an open archive, the end record, and the optional index
// of the entries sorted by name.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ZipAutoBuffer.h"
#include "ZipFileHeader.h"

class CBundlex;
class CZipStorage;

using ZipNameCompare = int (*)(const u16string&, const u16string&);

class CZipCentralDir {
public:
    enum : std::uint32_t {
        checkNone = 0,
        checkCRC = 0x01,
        checkLocalMethod = 0x02,
        checkLocalSizes = 0x04,
        checkLocalCRC = 0x08,
        checkLocalFlag = 0x10,
        checkDataDescriptor = 0x100,
        checkVolumeEntries = 0x200,
    };
    static constexpr std::uint32_t EndSignature = 0x06054b50;
    static constexpr std::uint32_t Zip64LocatorSignature = 0x07064b50;

    struct CZipFindFast {
        CZipFileHeader* m_pHeader;
        std::uint16_t m_uIndex;
    };

    // The directory's values, shared by directory objects that show the same archive.
    struct CInfo {
        std::uint64_t m_uEndOffset = 0;
        std::uint16_t m_uThisVolume = 0;
        std::uint16_t m_uVolumeWithCD = 0;
        std::uint16_t m_uVolumeEntriesNo = 0;
        std::uint16_t m_uEntriesNumber = 0;
        std::uint32_t m_uSize = 0;
        std::uint32_t m_uOffset = 0;
        bool m_bInArchive = false;
        CZipAutoBuffer m_pszComment;
        bool m_bCaseSensitive = false;
        bool m_bFindFastEnabled = false;
        ZipNameCompare m_pCompare = nullptr;
        std::vector<std::unique_ptr<CZipFileHeader>> m_headers;
        std::vector<CZipFindFast> m_findArray;
    };

    CZipCentralDir();
    virtual ~CZipCentralDir();
    CZipCentralDir(const CZipCentralDir&) = delete;
    CZipCentralDir& operator=(const CZipCentralDir&) = delete;

    void AttachArchive(CBundlex* archive, CZipStorage* storage);
    void Reset(const CZipCentralDir* source = nullptr);
    void Read(bool exhaustive);
    void Write();
    void Close();
    void OpenEntry(std::uint16_t index);
    void CloseEntry(bool skipDescriptorCheck);
    CZipFileHeader* AddEntry(const CZipFileHeader& header, std::uint16_t replaceIndex, int level,
                             bool copySizes);
    void FinishNewEntry();
    void RemoveEntry(CZipFileHeader* header, std::uint16_t index, bool shift);
    void RemoveLastEntry(CZipFileHeader* header = nullptr, std::uint16_t index = 0xFFFF);
    void DetachFromFile();
    bool IsValidIndex(std::uint32_t index) const;
    bool HasRenamedEntries() const;
    std::uint16_t FindInNameIndex(const u16string& name) const;
    void BuildNameIndex(bool caseSensitive);
    void InsertIntoNameIndex(CZipFileHeader* header, std::uint16_t index);
    void RemoveFromNameIndex(const CZipFileHeader* header, bool shift);
    bool AllowRename(CZipFileHeader* header);
    bool AllowAttributeChange();
    [[noreturn]] void ThrowError(int code) const;
    static ZipNameCompare PickNameComparison(bool caseSensitive, bool collate);

    std::uint32_t GetCount() const { return m_pInfo ? static_cast<std::uint32_t>(m_pInfo->m_headers.size()) : 0; }
    CZipFileHeader* GetAt(std::uint32_t i) const { return m_pInfo->m_headers[i].get(); }
    CZipStorage* GetStorage() const { return m_pStorage; }
    CInfo* GetInfo() const { return m_pInfo.get(); }
    const CZipFindFast& GetFindFastAt(std::uint32_t i) const { return m_pInfo->m_findArray.at(i); }
    // The archive's comment.
    u16string GetComment() const;
    void SetComment(const u16string& comment);

    CZipFileHeader* m_pOpenedFile = nullptr;
    std::uint32_t m_iIgnoredChecks = checkDataDescriptor | checkVolumeEntries;

private:
    void ReadHeaders(bool exhaustive);
    void WriteHeaders(bool oneVolume);
    void WriteEndRecord();
    bool RemoveDataDescriptors(bool fromBuffer);
    void SortHeaders();

    CBundlex* m_pArchive = nullptr;
    CZipStorage* m_pStorage = nullptr;
    std::shared_ptr<CInfo> m_pInfo;
};
