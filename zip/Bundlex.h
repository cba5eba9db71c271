// The ZIP archive: opens or creates an archive on a disk file or on a
// caller's file object, lists, extracts and adds entries, and writes the
// central directory when it is closed. At most one entry is open at a time.
#pragma once

#include <cstdint>
#include <memory>

#include "ZipAutoBuffer.h"
#include "ZipCentralDir.h"
#include "ZipCompressor.h"
#include "ZipCryptograph.h"
#include "ZipException.h"
#include "ZipFile.h"
#include "ZipFileHeader.h"
#include "ZipStorage.h"

class CBundlex;

// One request to add an entry.
class CZipAddRequest {
public:
    CZipAddRequest(CZipAbstractFile* source, const u16string& nameInZip) : m_pFile(source), m_szFileNameInZip(nameInZip) {}
    CZipAddRequest(const u16string& path, const u16string& nameInZip) : m_szFilePath(path), m_szFileNameInZip(nameInZip) {}

    CZipAbstractFile* m_pFile = nullptr;
    u16string m_szFilePath;
    u16string m_szFileNameInZip;
    bool m_bFullPath = true;
    int m_iComprLevel = -1;
    int m_iSmartLevel = 7;
    std::uint16_t m_uReplaceIndex = 0xFFFF;
    std::uint32_t m_nBufSize = 65536;
    // The entry's DOS date and time; both 0: the time of the addition (for a
    // file object) or the file's own time.
    std::uint16_t m_uDosDate = 0;
    std::uint16_t m_uDosTime = 0;
};

// Suspends the archive's password for one entry.
class CZipPasswordSuspender {
public:
    explicit CZipPasswordSuspender(CBundlex& archive);
    ~CZipPasswordSuspender();
    CZipPasswordSuspender(const CZipPasswordSuspender&) = delete;
    CZipPasswordSuspender& operator=(const CZipPasswordSuspender&) = delete;

private:
    CBundlex& m_archive;
    u16string m_password;
};

class CBundlex {
public:
    enum OpenMode : int {
        zipOpen = 1,
        zipOpenReadOnly = 3,
        zipCreate = 4,
        zipCreateAppend = 12,
        zipCreateSplit = zipCreate | CZipStorage::zipModeSplit,
        zipCreateBinSplit = zipCreate | CZipStorage::zipModeBinSplit,
        zipCreateSpan = zipCreate | CZipStorage::zipModeSpan,
        zipOpenSplit = zipOpenReadOnly | CZipStorage::zipModeSplit,
        zipOpenBinSplit = zipOpenReadOnly | CZipStorage::zipModeBinSplit,
    };
    enum CloseMode : int { afNoException = 0, afWriteDir = 1, afAfterException = 2 };
    enum Smartness : int {
        zipsmCPassDir = 1,
        zipsmCPFile0 = 2,
        zipsmNotCompSmall = 4,
        zipsmCheckForEff = 8,
        zipsmMemoryFlag = 16,
        zipsmInternal01 = 0xF000,
    };
    enum : int { encNone = 255, encStandard = 0 };

    CBundlex();
    virtual ~CBundlex();
    CBundlex(const CBundlex&) = delete;
    CBundlex& operator=(const CBundlex&) = delete;

    bool Open(const u16string& path, int mode = zipOpen, std::uint64_t volumeSize = 0);
    bool OpenAbstractFile(CZipAbstractFile& file, int mode = zipOpen, bool autoClose = false);
    u16string Close(int mode = afNoException, bool updateTimeStamp = false);
    bool IsClosed(bool archive = true) const;

    std::uint32_t GetCount() const { return m_centralDir.GetCount(); }
    std::uint16_t GetCount16() const { return static_cast<std::uint16_t>(GetCount()); }
    CZipFileHeader* GetFileHeader(std::uint16_t index);
    bool CopyFileHeader(CZipFileHeader& target, std::uint16_t index);

    bool ExtractFile(std::uint16_t index, CZipAbstractFile& target, bool rewind = true, std::uint32_t bufferSize = 65536);
    // Extracts to a disk file at exactly the given path (never a path made from the entry's name).
    bool ExtractFile(std::uint16_t index, const u16string& targetPath, std::uint32_t bufferSize = 65536);
    bool OpenEntryForExtract(std::uint16_t index);
    // Reads decompressed data of the entry open for reading; 0 at its end.
    std::uint32_t ReadFile(void* buffer, std::uint32_t size);
    // The whole data of the entry opened for extraction, exactly `size`
    // bytes, in one call; false when it cannot be had so (the entry must then
    // be closed after an exception, opened again and read with ReadFile).
    bool ReadWholeFile(void* buffer, std::uint32_t size);
    int CloseEntryForExtract(const char16_t* filePath = nullptr, bool afterException = false);

    bool AddNewFile(CZipAbstractFile& source, const u16string& nameInZip, int level = -1,
                    int smartLevel = zipsmNotCompSmall | zipsmCPFile0 | zipsmCPassDir, std::uint32_t bufferSize = 65536);
    bool AddNewFile(const u16string& path, const u16string& nameInZip, int level = -1,
                    int smartLevel = zipsmNotCompSmall | zipsmCPFile0 | zipsmCPassDir, std::uint32_t bufferSize = 65536);
    bool AddNewFile(CZipAddRequest& request);
    bool OpenNewFile(CZipFileHeader& header, int level = -1, const char16_t* filePath = nullptr,
                     std::uint16_t replaceIndex = 0xFFFF);
    bool WriteNewFileData(const void* buffer, std::uint32_t size);
    // The whole data of the new entry at once (nothing written to it before).
    bool WriteNewFileWhole(const void* buffer, std::uint32_t size);
    bool CloseNewFile(bool afterException = false);
    bool WriteDirectoryAndFlush(bool onlyIfAuto = false);

    bool CopyEntryFrom(CBundlex& source, std::uint16_t index, const char16_t* newName = nullptr,
                       std::uint16_t replaceIndex = 0xFFFF, bool convertSystem = true);
    bool RemoveLastEntry(bool removeAlways = false);
    // Gives an entry a new name; in commit mode 1 the local record is rewritten at once.
    bool RenameFile(std::uint16_t index, const u16string& newName);
    bool ApplyPendingHeaderChanges();

    // The name index: lookups by name in logarithmic time.
    void EnableFindFast(bool enable = true);
    // Index of the entry with the name, or 0xFFFF.
    std::uint16_t FindFile(const u16string& name);

    bool SetPassword(const char16_t* password, unsigned codePage = 0xFFFFFFFF);
    u16string GetPassword() const;
    bool WillEncryptNextEntry() const { return m_pszPassword.GetSize() != 0 && m_iEncryptionMethod != encNone; }
    bool SetEncryptionMethod(int method);
    int GetEncryptionMethod() const { return m_iEncryptionMethod; }
    bool SetCompressionMethod(std::uint16_t method);
    bool SetArchiveSystem(int system);
    int GetArchiveSystem() const { return m_iArchiveSystCompatib; }
    void SetRootPath(const char16_t* path);
    u16string GetArchivePath() const;
    void SetTempPath(const u16string& path) { m_szTempPath = path; }
    void SetSplitCallback(CZipSegmCallback* callback) { m_storage.m_pSplitChangeVolumeFunc = callback; }
    void SetSpanCallback(CZipSegmCallback* callback) { m_storage.m_pSpanChangeVolumeFunc = callback; }
    void SetCompressionOptions(const CZipCompressor::COptions& options);
    bool CanModify() const;
    int GetOpenEntryState() const { return m_iFileOpened; }

    u16string MakeNameInArchive(const u16string& path, bool fullPath, int kind) const;
    u16string StripRootPath(const CZipPathComponent& path) const;
    bool RemovePathPrefix(const u16string& root, u16string& path) const;

    CZipCentralDir& GetCentralDir() { return m_centralDir; }
    CZipStorage& GetStorage() { return m_storage; }
    CZipCompressor* GetCompressor() { return m_pCompressor.get(); }

    bool m_bRemoveDriveLetter = true;
    bool m_bExhaustiveRead = false;
    bool m_bCaseSensitive = false;
    bool m_bAutoFlush = false;
    int m_iCommitMode = 1;
    std::uint32_t m_iBufferSize = 65536;

protected:
    virtual void CreateCryptograph(int method);
    virtual void CreateCompressor(std::uint16_t method);

private:
    friend class CZipPasswordSuspender;
    void OpenInternal(int mode);
    void OpenInternalOrClose(int mode);
    void InitOnOpen(int system, const CZipCentralDir* source = nullptr);
    [[noreturn]] void ThrowArchiveError(int code) const;
    bool CheckReplaceIndex(std::uint16_t& index);
    void ResizeReplacedEntry(std::uint16_t index, std::uint64_t total);
    void MoveDataBlock(std::uint64_t start, std::uint64_t end, std::uint64_t distance, bool towardsEnd);
    bool AddNewFileCore(CZipAddRequest& request);
    bool IsSegmentedExisting() const { return m_storage.IsExistingSegmented(); }
    void ConvertSystem(CZipFileHeader& header) const;

    ZipNameCompare m_pCompare;
    CZipStorage m_storage;
    CZipCentralDir m_centralDir;
    int m_iFileOpened = 0;
    u16string m_szRootPath;
    u16string m_szTempPath;
    int m_iArchiveSystCompatib = 0;
    CZipAutoBuffer m_pszPassword;
    std::unique_ptr<CZipCryptograph> m_pCryptograph;
    std::unique_ptr<CZipCompressor> m_pCompressor;
    int m_iEncryptionMethod = encStandard;
    std::uint16_t m_uCompressionMethod = 8;
    CZipAutoBuffer m_pBuffer;
    CZipCompressor::COptionsMap m_compressorsOptions;
};
