// The byte layer under an archive: buffered writing, reading that must be
// whole, positions relative to the archive's start, and the volumes of
// split and spanned archives.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ZipAutoBuffer.h"
#include "ZipFile.h"

// The caller's answer when a volume must be inserted, created or replaced.
class CZipSegmCallback {
public:
    enum {
        scVolumeNeededForRead = 0,
        scVolumeNeededForWrite = 1,
        scFileNameDuplicated = 2,
        scCannotSetVolLabel = 3,
        scFileCreationFailure = 4,
        scFileNotFound = 5,
    };
    virtual ~CZipSegmCallback() = default;
    // False aborts the volume change. The callback may change m_szExternalFile.
    virtual bool Callback(std::uint64_t progress) = 0;

    u16string m_szExternalFile;
    std::uint32_t m_uVolumeNeeded = 0;
    int m_iCode = 0;
};

class CZipSplitNamesHandler {
public:
    enum { flLast = 0x01, flExisting = 0x02 };
    virtual ~CZipSplitNamesHandler() = default;
    virtual void Initialize(const u16string& archivePath) { (void)archivePath; }
    virtual u16string GetVolumeName(const u16string& archivePath, std::uint32_t volume, int flags) const = 0;
    virtual std::uint32_t GetVolumeNumber(const u16string& path) const
    {
        (void)path;
        return 0;
    }
};

// archive.z01, archive.z02, ..., the last volume keeps the archive's name.
class CZipRegularSplitNamesHandler : public CZipSplitNamesHandler {
public:
    void Initialize(const u16string& archivePath) override;
    u16string GetVolumeName(const u16string& archivePath, std::uint32_t volume, int flags) const override;

private:
    u16string m_szExt = u"zip";
};

// archive.zip.001, archive.zip.002, ... (or archive.001 with flExisting).
class CZipBinSplitNamesHandler : public CZipSplitNamesHandler {
public:
    u16string GetVolumeName(const u16string& archivePath, std::uint32_t volume, int flags) const override;
    std::uint32_t GetVolumeNumber(const u16string& path) const override;
};

// The extension of the last path component (without the dot), and the path
// with it replaced.
u16string PathExtension(const u16string& path);
u16string ReplacePathExtension(const u16string& path, const u16string& ext);

class CZipStorage {
public:
    enum State : int {
        stateOpened = 0x01,
        stateReadOnly = 0x02,
        stateAutoClose = 0x04,
        stateExisting = 0x08,
        stateSegmented = 0x10,
        stateSplit = 0x20 | stateSegmented,
        stateBinarySplit = 0x40 | stateSplit,
        stateSpan = 0x80 | stateSegmented,
    };
    // Open modes given by the archive.
    enum : int {
        zipCreate = 0x04,
        zipOpenReadOnly = 0x03,
        zipOpen = 0x01,
        zipCreateAppend = 0x0C,
        zipModeSplit = 0x100,
        zipModeBinSplit = 0x200,
        zipModeSpan = 0x400,
    };
    static constexpr std::uint32_t SignatureSegmented = 0x08074b50;

    CZipStorage();
    virtual ~CZipStorage();
    CZipStorage(const CZipStorage&) = delete;
    CZipStorage& operator=(const CZipStorage&) = delete;

    void Open(CZipAbstractFile& file, int mode, bool autoClose);
    void Open(const u16string& path, int mode, std::uint64_t volumeSize);
    u16string Close(bool afterException);

    std::uint32_t Read(void* buffer, std::uint32_t size, bool atOnce);
    void Write(const void* buffer, std::uint32_t size, bool atOnce);
    void Flush();
    // Flushes the file itself (not only the buffer).
    void FlushFile();
    std::uint64_t GetPosition() const;
    void Seek(std::uint64_t offset);
    void SeekAcrossVolumes(std::int64_t offset, bool fromStart);
    std::int64_t FindSignatureFromEnd(const std::uint8_t signature[4], std::uint64_t maxDepth);
    std::uint64_t FreeOnVolume() const;
    void EnsureFree(std::uint64_t needed);
    void SwitchVolume(std::uint32_t volume);
    void SetVolumeMode(std::uint32_t lastVolume);
    void StartNextVolume(std::uint64_t needed);
    void EndSegmentedWrite();
    [[noreturn]] void ThrowError(int code) const;

    bool IsOpen() const { return (m_iState & stateOpened) != 0; }
    bool IsReadOnly() const { return (m_iState & stateReadOnly) != 0; }
    bool IsExisting() const { return (m_iState & stateExisting) != 0; }
    bool IsSegmented() const { return (m_iState & stateSegmented) != 0; }
    bool IsSplit() const { return (m_iState & stateSplit) == stateSplit; }
    bool IsBinarySplit() const { return (m_iState & stateBinarySplit) == stateBinarySplit; }
    bool IsSpanned() const { return (m_iState & stateSpan) == stateSpan; }
    bool IsExistingSegmented() const { return IsExisting() && IsSegmented(); }
    bool IsNewSegmented() const { return !IsExisting() && IsSegmented(); }
    int GetState() const { return m_iState; }
    // The storage closes the file with the archive, and it is already closed.
    bool IsClosed(bool file) const;

    u16string GetArchivePath() const;
    std::uint32_t GetCurrentVolume() const { return m_uCurrentVolume; }
    std::uint32_t GetLastVolume() const { return static_cast<std::uint32_t>(m_uSplitData); }
    // Bytes already sent to the current volume's file, and waiting in the buffer.
    std::uint64_t GetBytesWritten() const { return m_uBytesWritten; }
    void SetBytesWritten(std::uint64_t n) { m_uBytesWritten = n; }
    std::uint32_t GetBytesInWriteBuffer() const { return m_uBytesInWriteBuffer; }
    CZipAutoBuffer& GetWriteBuffer() { return m_pWriteBuffer; }
    void SetBytesInWriteBuffer(std::uint32_t n) { m_uBytesInWriteBuffer = n; }
    // Drops what waits in the write buffer.
    void EmptyWriteBuffer() { m_uBytesInWriteBuffer = 0; }

    CZipAbstractFile* m_pFile = nullptr;
    std::uint64_t m_uBytesBeforeZip = 0;
    std::uint32_t m_iWriteBufferSize = 65536;
    std::uint32_t m_iLocateBufferSize = 32768;
    CZipSegmCallback* m_pSpanChangeVolumeFunc = nullptr;
    CZipSegmCallback* m_pSplitChangeVolumeFunc = nullptr;
    // Called with the volume size of a split archive's new volume (tests use small values).
    std::vector<std::uint64_t>* GetCachedSizes() { return m_pCachedSizes.get(); }

private:
    void WriteInternalBuffer(const std::uint8_t* data, std::uint32_t size);
    void FlushBuffer();
    std::uint32_t ReadFromFile(void* buffer, std::uint32_t size);
    u16string ChangeVolumeName(std::uint32_t volume, bool reading);
    bool CallCallback(std::uint64_t progress, int code, const u16string& fileName);
    void OpenFile(const u16string& path, unsigned flags);
    void CreateNamesHandler();
    std::int64_t FindInFile(const std::uint8_t signature[4], std::uint64_t maxDepth);
    std::uint64_t VolumeStart(std::uint32_t volume) const;

    std::uint64_t m_uSplitData = 0;
    std::uint32_t m_uBytesInWriteBuffer = 0;
    std::uint64_t m_uCurrentVolSize = 0;
    CZipAutoBuffer m_pWriteBuffer;
    std::uint64_t m_uBytesWritten = 0;
    std::uint32_t m_uCurrentVolume = 0xFFFF;
    CZipSegmCallback* m_pChangeVolumeFunc = nullptr;
    int m_iState = 0;
    u16string m_szArchiveName;
    CZipFile m_internalfile;
    std::unique_ptr<CZipSplitNamesHandler> m_pSplitNames;
    std::unique_ptr<std::vector<std::uint64_t>> m_pCachedSizes;
};
