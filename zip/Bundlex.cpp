#include "Bundlex.h"

#include <algorithm>
#include <ctime>
#include <optional>

#include "ZipHost.h"
#include "celvo/bytes.h"

// ---------------------------------------------------------- password suspender

CZipPasswordSuspender::CZipPasswordSuspender(CBundlex& archive) : m_archive(archive)
{
    m_password = archive.GetPassword();
    if (!m_password.empty() && archive.m_iFileOpened == 0) archive.SetPassword(nullptr);
}

CZipPasswordSuspender::~CZipPasswordSuspender()
{
    if (!m_password.empty() && m_archive.m_iFileOpened == 0) m_archive.SetPassword(m_password.c_str());
}

// ------------------------------------------------------------------- archive

CBundlex::CBundlex() : m_pCompare(CZipCentralDir::PickNameComparison(false, true))
{
    m_centralDir.AttachArchive(this, &m_storage);
}

CBundlex::~CBundlex() = default;

void CBundlex::ThrowArchiveError(int code) const
{
    CZipException::Throw(code, m_storage.m_pFile ? m_storage.m_pFile->GetFilePath() : u16string());
}

bool CBundlex::IsClosed(bool archive) const
{
    if (archive) return !m_storage.IsOpen();
    return m_storage.IsClosed(true);
}

bool CBundlex::CanModify() const
{
    return m_storage.IsOpen() && !m_storage.IsReadOnly() && !m_storage.IsExistingSegmented() && m_iFileOpened == 0;
}

u16string CBundlex::GetArchivePath() const
{
    if (!m_storage.m_pFile || m_storage.IsClosed(true)) return u16string();
    return m_storage.GetArchivePath();
}

void CBundlex::InitOnOpen(int system, const CZipCentralDir* source)
{
    m_pszPassword.Release();
    m_iFileOpened = 0;
    m_szRootPath.clear();
    m_centralDir.Reset(source);
    m_iArchiveSystCompatib = system;
}

void CBundlex::OpenInternal(int mode)
{
    InitOnOpen(ZipHost::PlatformSystem);
    if (mode & 1) {
        m_centralDir.Read(m_bExhaustiveRead);
        if (GetCount() > 0) {
            int system = m_centralDir.GetAt(0)->GetSystemCompatibility();
            if (CZipFileHeader::IsSystemSupported(system)) m_iArchiveSystCompatib = system;
        }
    }
}

void CBundlex::OpenInternalOrClose(int mode)
{
    try {
        OpenInternal(mode);
    } catch (...) {
        // A failed open leaves the archive closed.
        m_centralDir.Close();
        m_storage.Close(true);
        throw;
    }
}

bool CBundlex::Open(const u16string& path, int mode, std::uint64_t volumeSize)
{
    if (m_storage.IsOpen()) return false;
    m_storage.Open(path, mode, volumeSize);
    OpenInternalOrClose(mode);
    return true;
}

bool CBundlex::OpenAbstractFile(CZipAbstractFile& file, int mode, bool autoClose)
{
    if (m_storage.IsOpen()) return false;
    if (mode != zipOpen && mode != zipOpenReadOnly && mode != zipCreate && mode != zipCreateAppend) return false;
    m_storage.Open(file, mode, autoClose);
    OpenInternalOrClose(mode);
    return true;
}

u16string CBundlex::Close(int mode, bool updateTimeStamp)
{
    if (!m_storage.IsOpen()) return u16string();
    if (m_iFileOpened == -1) CloseEntryForExtract(nullptr, mode != afNoException);
    else if (m_iFileOpened == 1) CloseNewFile(mode != afNoException);
    if (mode == afNoException) ApplyPendingHeaderChanges();
    bool write = mode != afWriteDir && !m_storage.IsReadOnly() && !m_storage.IsExistingSegmented() &&
                 m_storage.m_pFile && !m_storage.IsClosed(true);
    if (write) m_centralDir.Write();
    std::int64_t newest = 0;
    if (updateTimeStamp)
        for (std::uint32_t i = 0; i < GetCount(); ++i) newest = std::max(newest, m_centralDir.GetAt(i)->GetModificationTime());
    m_centralDir.Close();
    m_pszPassword.Release();
    u16string path = m_storage.Close(!write);
    if (updateTimeStamp && !path.empty()) ZipHost::SetModificationTime(path, newest);
    return path;
}

CZipFileHeader* CBundlex::GetFileHeader(std::uint16_t index)
{
    if (IsClosed() || !m_centralDir.IsValidIndex(index)) return nullptr;
    return m_centralDir.GetAt(index);
}

bool CBundlex::CopyFileHeader(CZipFileHeader& target, std::uint16_t index)
{
    CZipFileHeader* h = GetFileHeader(index);
    if (!h) return false;
    target = *h;
    target.m_pCentralDir = nullptr;
    return true;
}

// ---------------------------------------------------------------- extraction

bool CBundlex::OpenEntryForExtract(std::uint16_t index)
{
    if (IsClosed() || !m_centralDir.IsValidIndex(index) || m_storage.IsNewSegmented() || m_iFileOpened) return false;
    m_centralDir.OpenEntry(index);
    CZipFileHeader* h = m_centralDir.m_pOpenedFile;
    if (h->m_uMethod != 0 && h->m_uMethod != 8) {
        m_centralDir.CloseEntry(true);
        return false;
    }
    if (h->m_uEncryptionMethod == CZipFileHeader::encNone) {
        m_pCryptograph.reset();
    } else {
        bool ok = m_pszPassword.GetSize() != 0;
        if (ok) {
            CreateCryptograph(h->m_uEncryptionMethod);
            ok = m_pCryptograph->InitDecode(m_pszPassword, *h, m_storage);
        }
        if (!ok) {
            m_centralDir.CloseEntry(true);
            ThrowArchiveError(CZipException::badPassword);
        }
    }
    CreateCompressor(h->m_uMethod);
    m_pCompressor->InitDecompression(h, m_pCryptograph.get());
    m_iFileOpened = -1;
    return true;
}

std::uint32_t CBundlex::ReadFile(void* buffer, std::uint32_t size)
{
    if (m_iFileOpened != -1) return 0;
    return m_pCompressor->Decompress(buffer, size);
}

bool CBundlex::ReadWholeFile(void* buffer, std::uint32_t size)
{
    if (m_iFileOpened != -1) return false;
    return m_pCompressor->DecompressWhole(buffer, size);
}

int CBundlex::CloseEntryForExtract(const char16_t* filePath, bool afterException)
{
    if (m_iFileOpened != -1) return 0;
    CZipFileHeader* h = m_centralDir.m_pOpenedFile;
    int ret = 1;
    if (!afterException) {
        if (m_pCompressor->HasUnreadData()) {
            ret = -1;
        } else {
            // The data ended before the size that the entry declares.
            if (m_pCompressor->GetUncomprLeft() > 0) ThrowArchiveError(CZipException::badZipFile);
            if (!(m_centralDir.m_iIgnoredChecks & CZipCentralDir::checkCRC) && !h->m_bIgnoreCrc32 &&
                m_pCompressor->GetCrc() != h->m_uCrc32)
                ThrowArchiveError(CZipException::badCrc);
        }
        m_pCompressor->FinishDecompression(false);
        if (filePath) {
            if (!ZipHost::SetModificationTime(filePath, h->GetModificationTime())) ret = -2;
            if (!ZipHost::SetAttributes(filePath, h->GetHostAttributes())) ret = -2;
        }
        if (m_pCryptograph) m_pCryptograph->FinishDecode(*h, m_storage);
    } else {
        m_pCompressor->FinishDecompression(true);
    }
    m_centralDir.CloseEntry(afterException || ret == -1);
    m_iFileOpened = 0;
    m_pCryptograph.reset();
    return ret;
}

bool CBundlex::ExtractFile(std::uint16_t index, CZipAbstractFile& target, bool rewind, std::uint32_t bufferSize)
{
    if (bufferSize == 0 || IsClosed() || !m_centralDir.IsValidIndex(index)) return false;
    if (m_centralDir.GetAt(index)->IsDirectory()) return false;
    if (!OpenEntryForExtract(index)) return false;
    CZipAutoBuffer buffer(bufferSize);
    std::uint64_t saved = rewind ? target.GetPosition() : 0;
    while (m_iFileOpened == -1) {
        std::uint32_t n = m_pCompressor->Decompress(buffer.GetBuffer(), bufferSize);
        if (n == 0) break;
        target.Write(buffer.GetBuffer(), n);
    }
    bool ok = CloseEntryForExtract(nullptr, false) == 1;
    if (rewind) target.SeekSigned(saved, true);
    return ok;
}

bool CBundlex::ExtractFile(std::uint16_t index, const u16string& targetPath, std::uint32_t bufferSize)
{
    if (bufferSize == 0 || IsClosed() || !m_centralDir.IsValidIndex(index)) return false;
    if (m_centralDir.GetAt(index)->IsDirectory()) return false;
    CZipFile file;
    file.Open(targetPath, CZipFile::modeCreate | CZipFile::modeWrite | CZipFile::shareDenyWrite, true);
    if (!OpenEntryForExtract(index)) return false;
    CZipAutoBuffer buffer(bufferSize);
    for (;;) {
        std::uint32_t n = m_pCompressor->Decompress(buffer.GetBuffer(), bufferSize);
        if (n == 0) break;
        file.Write(buffer.GetBuffer(), n);
    }
    file.Close();
    return CloseEntryForExtract(targetPath.c_str(), false) == 1;
}

// -------------------------------------------------------------------- adding

bool CBundlex::AddNewFile(CZipAbstractFile& source, const u16string& nameInZip, int level, int smartLevel,
                          std::uint32_t bufferSize)
{
    CZipAddRequest request(&source, nameInZip);
    request.m_iComprLevel = level;
    request.m_iSmartLevel = smartLevel;
    request.m_nBufSize = bufferSize;
    return AddNewFileCore(request);
}

bool CBundlex::AddNewFile(const u16string& path, const u16string& nameInZip, int level, int smartLevel,
                          std::uint32_t bufferSize)
{
    CZipAddRequest request(path, nameInZip);
    request.m_iComprLevel = level;
    request.m_iSmartLevel = smartLevel;
    request.m_nBufSize = bufferSize;
    return AddNewFileCore(request);
}

bool CBundlex::AddNewFile(CZipAddRequest& request) { return AddNewFileCore(request); }

bool CBundlex::AddNewFileCore(CZipAddRequest& req)
{
    if (m_iBufferSize == 0) return false;
    if (req.m_pFile) {
        req.m_szFilePath = req.m_pFile->GetFilePath();
    } else {
        CZipPathComponent::RemoveTrailingSeparators(req.m_szFilePath);
        if (req.m_szFilePath.empty()) return false;
    }
    std::uint16_t replaceIndex = req.m_uReplaceIndex;
    if (!CheckReplaceIndex(replaceIndex)) return false;
    bool replacing = replaceIndex != 0xFFFF;
    bool segmented = m_storage.IsSegmented();

    std::uint32_t attributes;
    std::int64_t mtime;
    if (req.m_pFile) {
        attributes = ZipHost::FileAttribute();
        mtime = static_cast<std::int64_t>(std::time(nullptr));
    } else {
        if (!ZipHost::GetAttributes(req.m_szFilePath, attributes)) ThrowArchiveError(CZipException::fileError);
        ZipHost::GetModificationTime(req.m_szFilePath, mtime);
    }
    CZipFileHeader header;
    header.SetSystemCompatibility(m_iArchiveSystCompatib);
    header.SetHostAttributes(attributes);
    u16string name = req.m_szFileNameInZip;
    if (name.empty()) name = MakeNameInArchive(req.m_szFilePath, req.m_bFullPath, header.IsDirectory() ? 0 : 1);
    header.SetFileName(name);
    header.SetModificationTime(mtime);
    if (req.m_uDosDate || req.m_uDosTime) {
        header.m_uModDate = req.m_uDosDate;
        header.m_uModTime = req.m_uDosTime;
    }
    bool internal = (req.m_iSmartLevel & zipsmInternal01) != 0;

    if (header.IsDirectory()) {
        std::optional<CZipPasswordSuspender> suspend;
        if (req.m_iSmartLevel & zipsmCPassDir) suspend.emplace(*this);
        bool ok = OpenNewFile(header, 0, nullptr, replaceIndex);
        if (ok) CloseNewFile(false);
        return ok;
    }

    int level = req.m_iComprLevel;
    if (m_uCompressionMethod == 0) level = 0;
    bool efficient = level != 0;
    bool checkEfficiency = (req.m_iSmartLevel & zipsmCheckForEff) && efficient && !internal;
    bool checkEmpty = (req.m_iSmartLevel & zipsmCPFile0) && WillEncryptNextEntry();
    bool checkSmall = (req.m_iSmartLevel & zipsmNotCompSmall) && efficient;
    bool needTemp = (checkEfficiency && segmented) || (replacing && efficient);
    std::optional<CZipPasswordSuspender> suspend;
    if (checkSmall || checkEmpty || needTemp) {
        std::uint64_t length = 0;
        bool known = true;
        if (req.m_pFile) length = req.m_pFile->GetLength();
        else known = GetFileSizeByPath(req.m_szFilePath, length);
        if (!known) {
            checkEfficiency = false;
        } else {
            if (checkEmpty && length == 0) suspend.emplace(*this);
            if (checkSmall && length < 5) level = 0;
        }
    }
    bool inMemory = checkEfficiency && (req.m_iSmartLevel & zipsmMemoryFlag);
    u16string tempPath;
    if (needTemp && !inMemory) {
        tempPath = ZipHost::MakeTempFile(m_szTempPath, 0);
        if (tempPath.empty()) needTemp = false;
    }
    std::uint32_t bufferSize = req.m_nBufSize ? req.m_nBufSize : 65536;

    auto redoStored = [&]() {
        CZipAddRequest again = req;
        again.m_iComprLevel = 0;
        again.m_iSmartLevel = zipsmInternal01;
        again.m_szFileNameInZip = name;
        again.m_uReplaceIndex = replaceIndex;
        return AddNewFileCore(again);
    };

    if (!needTemp) {
        CZipFile diskFile;
        CZipAbstractFile* source = req.m_pFile;
        if (source) source->SeekToBegin();
        else {
            diskFile.Open(req.m_szFilePath, CZipFile::modeRead | CZipFile::shareDenyNone, true);
            source = &diskFile;
        }
        std::uint64_t length = source->GetLength();
        if (length > 0xFFFFFFFFull) ThrowArchiveError(CZipException::tooBigSize);
        header.m_uLocalUncomprSize = static_cast<std::uint32_t>(length);
        if (!efficient) header.m_uLocalComprSize = static_cast<std::uint32_t>(length);
        if (!OpenNewFile(header, level, nullptr, replacing ? replaceIndex : 0xFFFF)) return false;
        if (auto* memory = dynamic_cast<CZipMemFile*>(source)) {
            // Bytes in memory are compressed in one piece.
            WriteNewFileWhole(memory->GetBuffer(), static_cast<std::uint32_t>(length));
        } else {
            CZipAutoBuffer buffer(bufferSize);
            for (;;) {
                std::uint32_t n = source->Read(buffer.GetBuffer(), bufferSize);
                if (n) WriteNewFileData(buffer.GetBuffer(), n);
                if (n < bufferSize) break;
            }
        }
        CloseNewFile(false);
        if (checkEfficiency) {
            diskFile.Close();
            if (RemoveLastEntry(false)) return redoStored();
        }
        return true;
    }

    // Through a temporary archive: the entry is compressed there first, then
    // copied here with its sizes known.
    CZipMemFile tempMem;
    CBundlex temp;
    struct Cleanup {
        CBundlex& archive;
        const u16string& path;
        ~Cleanup()
        {
            try {
                archive.Close(afAfterException);
            } catch (...) {
            }
            if (!path.empty()) ZipHost::DeletePath(path, false);
        }
    } cleanup{temp, tempPath};
    if (inMemory) temp.OpenAbstractFile(tempMem, zipCreate, false);
    else temp.Open(tempPath, zipCreate, 0);
    temp.m_szRootPath = m_szRootPath;
    temp.m_pszPassword = m_pszPassword;
    temp.m_iEncryptionMethod = m_iEncryptionMethod;
    temp.m_iArchiveSystCompatib = m_iArchiveSystCompatib;
    CZipAddRequest inner = req;
    inner.m_iSmartLevel = 0;
    inner.m_uReplaceIndex = 0xFFFF;
    inner.m_iComprLevel = level;
    inner.m_szFileNameInZip = name;
    if (!temp.AddNewFileCore(inner)) return false;
    if (checkEfficiency && !temp.GetFileHeader(0)->IsCompressionEfficient()) return redoStored();
    temp.m_storage.Flush();
    m_pBuffer.Allocate(m_iBufferSize);
    bool ok = CopyEntryFrom(temp, 0, nullptr, replaceIndex, true);
    m_pBuffer.Release();
    return ok;
}

bool CBundlex::OpenNewFile(CZipFileHeader& header, int level, const char16_t* filePath, std::uint16_t replaceIndex)
{
    if (!CanModify()) return false;
    if (GetCount() >= 0xFFFF) return false;
    if (filePath) {
        std::uint32_t attributes;
        std::int64_t mtime;
        if (!ZipHost::GetAttributes(filePath, attributes)) ThrowArchiveError(CZipException::fileError);
        ZipHost::GetModificationTime(filePath, mtime);
        header.SetModificationTime(mtime);
        header.SetSystemCompatibility(m_iArchiveSystCompatib);
        header.SetHostAttributes(attributes);
    } else {
        if (header.GetSystemCompatibility() != m_iArchiveSystCompatib) ConvertSystem(header);
        if (header.m_uModTime == 0 && header.m_uModDate == 0)
            header.SetModificationTime(static_cast<std::int64_t>(std::time(nullptr)));
    }
    u16string name = header.GetFileName();
    bool directory = header.IsDirectory();
    if (directory && (name.empty() || !CZipPathComponent::IsSeparator(name.back()))) {
        name += u'\\';
        header.SetFileName(name);
    }
    if (name.empty()) {
        WideFormat(name, "file%u", GetCount());
        header.SetFileName(name);
    }
    if (WillEncryptNextEntry()) {
        header.m_uEncryptionMethod = static_cast<std::uint8_t>(m_iEncryptionMethod);
        CreateCryptograph(m_iEncryptionMethod);
    } else {
        header.m_uEncryptionMethod = CZipFileHeader::encNone;
        m_pCryptograph.reset();
    }
    if (level < -1 || level > 9) level = -1;
    header.m_uMethod = m_uCompressionMethod;
    if (level == 0) header.m_uMethod = 0;
    if (m_uCompressionMethod == 0) level = 0;
    if (directory) {
        level = 0;
        header.m_uMethod = 0;
    }
    CreateCompressor(header.m_uMethod);
    CZipFileHeader* h = m_centralDir.AddEntry(header, replaceIndex, level, false);
    if (replaceIndex != 0xFFFF) {
        h->EncodeTextFields();
        std::uint64_t total = static_cast<std::uint64_t>(h->LocalRecordLength(false)) + h->m_uLocalComprSize +
                              h->GetDataDescriptorSizeIn(&m_storage);
        m_pBuffer.Allocate(m_iBufferSize);
        ResizeReplacedEntry(replaceIndex, total);
        m_pBuffer.Release();
    }
    h->WriteLocalRecord(&m_storage);
    if (m_pCryptograph) m_pCryptograph->InitEncode(m_pszPassword, *h, m_storage);
    m_pCompressor->InitCompression(level, h, m_pCryptograph.get());
    m_iFileOpened = 1;
    return true;
}

bool CBundlex::WriteNewFileData(const void* buffer, std::uint32_t size)
{
    if (m_iFileOpened != 1) return false;
    m_pCompressor->Compress(buffer, size);
    return true;
}

bool CBundlex::WriteNewFileWhole(const void* buffer, std::uint32_t size)
{
    if (m_iFileOpened != 1) return false;
    m_pCompressor->CompressWhole(buffer, size);
    return true;
}

bool CBundlex::CloseNewFile(bool afterException)
{
    if (m_iFileOpened != 1) return false;
    m_pCompressor->FinishCompression(afterException);
    if (!afterException) {
        if (m_pCryptograph) m_pCryptograph->FinishEncode(*m_centralDir.m_pOpenedFile, m_storage);
        m_centralDir.FinishNewEntry();
    } else {
        m_centralDir.m_pOpenedFile = nullptr;
    }
    m_iFileOpened = 0;
    m_pCryptograph.reset();
    if (!afterException && m_bAutoFlush) WriteDirectoryAndFlush(false);
    return true;
}

bool CBundlex::WriteDirectoryAndFlush(bool onlyIfAuto)
{
    if (onlyIfAuto && !m_bAutoFlush) return false;
    if (IsClosed() || m_storage.IsReadOnly() || IsSegmentedExisting() || m_centralDir.HasRenamedEntries()) return false;
    m_centralDir.Write();
    m_storage.Flush();
    m_storage.FlushFile();
    if (m_storage.IsNewSegmented()) m_storage.EndSegmentedWrite();
    return true;
}

void CBundlex::ConvertSystem(CZipFileHeader& header) const
{
    if (header.GetSystemCompatibility() == m_iArchiveSystCompatib) return;
    std::uint32_t attributes = header.GetHostAttributes();
    header.SetSystemCompatibility(m_iArchiveSystCompatib);
    header.SetHostAttributes(attributes);
}

// ------------------------------------------------------- replacing and moving

bool CBundlex::CheckReplaceIndex(std::uint16_t& index)
{
    if (index >= 0xFFFF) {
        index = 0xFFFF;
        return true;
    }
    if (m_storage.IsSegmented() || !m_centralDir.IsValidIndex(index)) return false;
    if (index + 1u == GetCount()) {
        RemoveLastEntry(true);
        index = 0xFFFF;
    }
    return true;
}

bool CBundlex::RemoveLastEntry(bool removeAlways)
{
    std::uint32_t count = GetCount();
    if (count == 0) return false;
    CZipFileHeader* h = m_centralDir.GetAt(count - 1);
    if (!removeAlways && h->IsCompressionEfficient()) return false;
    m_centralDir.RemoveLastEntry(h, static_cast<std::uint16_t>(count - 1));
    return true;
}

void CBundlex::MoveDataBlock(std::uint64_t start, std::uint64_t end, std::uint64_t distance, bool towardsEnd)
{
    if (distance == 0 || end <= start) return;
    CZipAbstractFile* file = m_storage.m_pFile;
    std::uint64_t before = m_storage.m_uBytesBeforeZip;
    if (!m_pBuffer.IsAllocated()) m_pBuffer.Allocate(m_iBufferSize ? m_iBufferSize : 65536);
    std::uint32_t chunk = m_pBuffer.GetSize();
    auto seek = [file, before](std::uint64_t pos) { file->Seek(static_cast<std::int64_t>(pos + before), CZipAbstractFile::begin); };
    if (towardsEnd) {
        std::uint64_t pos = end;
        while (pos > start) {
            auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(chunk, pos - start));
            pos -= n;
            seek(pos);
            if (file->Read(m_pBuffer.GetBuffer(), n) != n) ThrowArchiveError(CZipException::internalError);
            seek(pos + distance);
            file->Write(m_pBuffer.GetBuffer(), n);
        }
    } else {
        if (distance > start) ThrowArchiveError(CZipException::internalError);
        std::uint64_t pos = start;
        while (pos < end) {
            auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(chunk, end - pos));
            seek(pos);
            if (file->Read(m_pBuffer.GetBuffer(), n) != n) ThrowArchiveError(CZipException::internalError);
            seek(pos - distance);
            file->Write(m_pBuffer.GetBuffer(), n);
            pos += n;
        }
    }
}

void CBundlex::ResizeReplacedEntry(std::uint16_t index, std::uint64_t total)
{
    CZipAbstractFile* file = m_storage.m_pFile;
    m_storage.Flush();
    std::uint64_t before = m_storage.m_uBytesBeforeZip;
    std::uint64_t start = file->GetPosition() - before;
    std::uint64_t fileLength = file->GetLength();
    std::uint64_t dataEnd = fileLength - before;
    std::uint64_t end = dataEnd;
    for (std::uint32_t i = 0; i < GetCount(); ++i) {
        if (i == index) continue;
        std::uint64_t off = m_centralDir.GetAt(i)->m_uOffset;
        if (off > start && off < end) end = off;
    }
    std::uint64_t oldSize = end - start;
    if (oldSize == total) return;
    bool grow = total > oldSize;
    std::uint64_t diff = grow ? total - oldSize : oldSize - total;
    if (grow) {
        file->SetLength(fileLength + diff);
        MoveDataBlock(end, dataEnd, diff, true);
    } else {
        MoveDataBlock(end, dataEnd, diff, false);
        file->SetLength(fileLength - diff);
    }
    m_storage.Seek(start);
    for (std::uint32_t i = 0; i < GetCount(); ++i) {
        CZipFileHeader* h = m_centralDir.GetAt(i);
        if (i == index || h->m_uOffset <= start) continue;
        h->m_uOffset = static_cast<std::uint32_t>(grow ? h->m_uOffset + diff : h->m_uOffset - diff);
    }
}

bool CBundlex::CopyEntryFrom(CBundlex& source, std::uint16_t index, const char16_t* newName,
                             std::uint16_t replaceIndex, bool convertSystem)
{
    if (&source == this || IsClosed() || source.IsClosed() || m_iFileOpened || source.m_iFileOpened ||
        IsSegmentedExisting() || !CanModify() || !source.m_centralDir.IsValidIndex(index))
        return false;
    CZipFileHeader* sourceHeader = source.m_centralDir.GetAt(index);
    if (!sourceHeader->ReadLocalRecord(&source.m_centralDir)) source.ThrowArchiveError(CZipException::badZipFile);
    CZipFileHeader header;
    source.CopyFileHeader(header, index);
    if (header.NeedsDataDescriptor()) {
        if (header.m_uLocalComprSize == 0) header.m_uLocalComprSize = header.m_uComprSize;
        if (header.m_uLocalUncomprSize == 0) header.m_uLocalUncomprSize = header.m_uUncomprSize;
    }
    std::uint32_t sourceEnc = header.GetEncryptedInfoSize();
    header.m_uLocalComprSize -= std::min(header.m_uLocalComprSize, sourceEnc);
    if (newName) header.SetFileName(newName);
    if (convertSystem) ConvertSystem(header);
    if (!CheckReplaceIndex(replaceIndex)) return false;
    if (replaceIndex != 0xFFFF && m_storage.IsSegmented()) return false;
    bool encryptNow = !header.IsEncrypted() && WillEncryptNextEntry();
    if (encryptNow) {
        header.m_uEncryptionMethod = static_cast<std::uint8_t>(m_iEncryptionMethod);
        CreateCryptograph(m_iEncryptionMethod);
    } else {
        m_pCryptograph.reset();
    }
    CZipFileHeader* h = m_centralDir.AddEntry(header, replaceIndex, header.LevelFromFlag(), true);
    if (replaceIndex != 0xFFFF) {
        std::uint64_t total = static_cast<std::uint64_t>(h->LocalRecordLength(false)) + h->m_uComprSize +
                              (encryptNow ? 12 : 0) + h->GetDataDescriptorSizeIn(&m_storage);
        if (!m_pBuffer.IsAllocated()) m_pBuffer.Allocate(m_iBufferSize);
        ResizeReplacedEntry(replaceIndex, total);
    }
    h->WriteLocalRecord(&m_storage);
    if (m_pCryptograph) m_pCryptograph->InitEncode(m_pszPassword, *h, m_storage);
    if (!m_pBuffer.IsAllocated()) m_pBuffer.Allocate(m_iBufferSize ? m_iBufferSize : 65536);
    std::uint64_t left = sourceHeader->m_uComprSize;
    while (left > 0) {
        auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(m_pBuffer.GetSize(), left));
        source.m_storage.Read(m_pBuffer.GetBuffer(), n, false);
        if (m_pCryptograph) m_pCryptograph->Encode(m_pBuffer.GetBuffer(), n);
        m_storage.Write(m_pBuffer.GetBuffer(), n, false);
        left -= n;
    }
    m_centralDir.m_pOpenedFile = nullptr;
    if (m_pCryptograph) m_pCryptograph->FinishEncode(*h, m_storage);
    h->PatchLocalRecord(&m_storage);
    h->WriteDescriptor(&m_storage);
    m_storage.Flush();
    m_pCryptograph.reset();
    return true;
}

// ------------------------------------------------------------------ renaming

bool CBundlex::RenameFile(std::uint16_t index, const u16string& newName)
{
    CZipFileHeader* h = GetFileHeader(index);
    if (!h || !h->SetFileName(newName)) return false;
    if (m_iCommitMode == 1) return ApplyPendingHeaderChanges();
    return true;
}

bool CBundlex::ApplyPendingHeaderChanges()
{
    if (!m_storage.IsOpen() || m_storage.IsReadOnly() || m_storage.IsSegmented() || m_iFileOpened || GetCount() == 0)
        return true;
    if (!m_centralDir.HasRenamedEntries()) return true;
    std::vector<CZipFileHeader*> order;
    for (std::uint32_t i = 0; i < GetCount(); ++i) order.push_back(m_centralDir.GetAt(i));
    std::stable_sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->m_uOffset < b->m_uOffset; });
    std::size_t first = 0;
    while (!order[first]->IsModified()) ++first;

    m_centralDir.DetachFromFile();
    CZipAbstractFile* file = m_storage.m_pFile;
    std::uint64_t before = m_storage.m_uBytesBeforeZip;
    std::uint64_t start = order[first]->m_uOffset;
    std::uint64_t dataEnd = file->GetLength() - before;
    if (start > dataEnd || dataEnd - start > 0xFFFFFFFFull) ThrowArchiveError(CZipException::badZipFile);
    std::vector<std::uint8_t> region(static_cast<std::size_t>(dataEnd - start));
    file->Seek(static_cast<std::int64_t>(start + before), CZipAbstractFile::begin);
    if (!region.empty() && file->Read(region.data(), static_cast<std::uint32_t>(region.size())) != region.size())
        ThrowArchiveError(CZipException::badZipFile);
    std::vector<std::uint8_t> out;
    out.reserve(region.size());
    for (std::size_t k = first; k < order.size(); ++k) {
        CZipFileHeader* h = order[k];
        std::uint64_t rel = h->m_uOffset - start;
        std::uint64_t next = (k + 1 < order.size() ? order[k + 1]->m_uOffset : dataEnd) - start;
        if (rel + 30 > next || next > region.size()) ThrowArchiveError(CZipException::badZipFile);
        const std::uint8_t* local = region.data() + rel;
        std::uint32_t oldName = celvo::getU16(local + 26), oldExtra = celvo::getU16(local + 28);
        std::uint64_t oldHeader = 30u + oldName + oldExtra;
        if (rel + oldHeader > next) ThrowArchiveError(CZipException::badZipFile);
        std::uint64_t newOffset = start + out.size();
        if (h->IsModified()) {
            const CZipAutoBuffer& name = h->GetFileNameBytes();
            if (name.GetSize() >= 0x10000) ThrowArchiveError(CZipException::tooLongData);
            std::size_t at = out.size();
            out.insert(out.end(), local, local + 30);
            std::uint16_t flag = celvo::getU16(local + 6);
            flag = static_cast<std::uint16_t>((flag & ~CZipFileHeader::flagUtf8) | (h->m_uFlag & CZipFileHeader::flagUtf8));
            celvo::putU16(out.data() + at + 6, flag);
            celvo::putU16(out.data() + at + 26, static_cast<std::uint16_t>(name.GetSize()));
            out.insert(out.end(), name.GetBuffer(), name.GetBuffer() + name.GetSize());
            out.insert(out.end(), local + 30 + oldName, local + oldHeader);
            h->m_uLocalFileNameSize = static_cast<std::uint16_t>(name.GetSize());
            h->m_uLocalHeaderSize = 30 + name.GetSize() + oldExtra;
            h->m_state &= ~CZipFileHeader::sfModified;
        } else {
            out.insert(out.end(), local, local + oldHeader);
        }
        out.insert(out.end(), local + oldHeader, static_cast<const std::uint8_t*>(region.data()) + next);
        if (newOffset > 0xFFFFFFFFull) ThrowArchiveError(CZipException::tooBigSize);
        h->m_uOffset = static_cast<std::uint32_t>(newOffset);
    }
    file->Seek(static_cast<std::int64_t>(start + before), CZipAbstractFile::begin);
    if (!out.empty()) file->Write(out.data(), static_cast<std::uint32_t>(out.size()));
    file->SetLength(start + before + out.size());
    file->SeekToEnd();
    if (m_bAutoFlush) m_centralDir.Write();
    return true;
}

// ---------------------------------------------------------------- name index

void CBundlex::EnableFindFast(bool enable)
{
    if (IsClosed()) return;
    m_centralDir.GetInfo()->m_bFindFastEnabled = enable;
    if (enable) m_centralDir.BuildNameIndex(m_bCaseSensitive);
    else m_centralDir.GetInfo()->m_findArray.clear();
}

std::uint16_t CBundlex::FindFile(const u16string& name)
{
    if (IsClosed()) return 0xFFFF;
    if (!m_centralDir.GetInfo()->m_bFindFastEnabled || m_centralDir.GetInfo()->m_bCaseSensitive != m_bCaseSensitive)
        EnableFindFast(true);
    u16string wanted = name;
    for (auto& c : wanted)
        if (c == u'/') c = u'\\';
    std::uint16_t pos = m_centralDir.FindInNameIndex(wanted);
    return pos == 0xFFFF ? 0xFFFF : m_centralDir.GetFindFastAt(pos).m_uIndex;
}

// ----------------------------------------------------------------- settings

bool CBundlex::SetPassword(const char16_t* password, unsigned)
{
    if (m_iFileOpened) return false;
    u16string text = password ? password : u"";
    if (text.empty()) {
        m_pszPassword.Release();
        return true;
    }
    std::string bytes = celvo::utf16ToUtf8(text);
    m_pszPassword.Assign(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return true;
}

u16string CBundlex::GetPassword() const
{
    return celvo::utf8ToUtf16(std::string(reinterpret_cast<const char*>(m_pszPassword.GetBuffer()), m_pszPassword.GetSize()));
}

bool CBundlex::SetEncryptionMethod(int method)
{
    if (m_iFileOpened == 1 || (method != encStandard && method != encNone)) return false;
    m_iEncryptionMethod = method;
    return true;
}

bool CBundlex::SetCompressionMethod(std::uint16_t method)
{
    if (m_iFileOpened == 1 || (method != 0 && method != 8)) return false;
    m_uCompressionMethod = method;
    return true;
}

bool CBundlex::SetArchiveSystem(int system)
{
    if (IsClosed() || m_iFileOpened == 1 || !CZipFileHeader::IsSystemSupported(system)) return false;
    m_iArchiveSystCompatib = system;
    return true;
}

void CBundlex::SetRootPath(const char16_t* path)
{
    if (IsClosed() || m_iFileOpened) return;
    m_szRootPath = path ? path : u"";
    CZipPathComponent::RemoveTrailingSeparators(m_szRootPath);
}

void CBundlex::SetCompressionOptions(const CZipCompressor::COptions& options)
{
    m_compressorsOptions[options.GetType()].reset(options.Clone());
}

void CBundlex::CreateCryptograph(int method)
{
    if (m_pCryptograph && m_pCryptograph->HandlesMethod(method)) return;
    m_pCryptograph.reset(CZipCryptograph::CreateCryptograph(method));
}

void CBundlex::CreateCompressor(std::uint16_t method)
{
    if (!m_pCompressor || !m_pCompressor->CanProcess(method))
        m_pCompressor.reset(CZipCompressor::CreateForMethod(method, &m_storage));
    if (m_pCompressor) m_pCompressor->UpdateOptions(m_compressorsOptions);
}

// ------------------------------------------------------ names from disk paths

u16string CBundlex::MakeNameInArchive(const u16string& path, bool fullPath, int kind) const
{
    if (path.empty()) return u16string();
    bool trailing = kind == 0 ? true : kind == 1 ? false : CZipPathComponent::IsSeparator(path.back());
    u16string p = path;
    CZipPathComponent::RemoveTrailingSeparators(p);
    if (p.empty()) return u16string();
    CZipPathComponent split(p);
    u16string name;
    if (fullPath) {
        name = m_bRemoveDriveLetter ? split.GetPathWithoutDrive() : p;
        // An entry name never starts at the root of the file system.
        if (m_bRemoveDriveLetter) CZipPathComponent::RemoveLeadingSeparators(name);
    } else {
        name = StripRootPath(split);
    }
    if (trailing) CZipPathComponent::AppendSeparator(name);
    return name;
}

u16string CBundlex::StripRootPath(const CZipPathComponent& path) const
{
    if (m_szRootPath.empty()) return path.GetFileName();
    u16string full = path.GetFullPath();
    if (RemovePathPrefix(m_szRootPath, full)) return full;
    return path.GetFileName();
}

bool CBundlex::RemovePathPrefix(const u16string& rootPath, u16string& path) const
{
    u16string root = rootPath;
    CZipPathComponent::RemoveTrailingSeparators(root);
    if (root.empty() || path.size() < root.size() || m_pCompare(path.substr(0, root.size()), root) != 0) return false;
    if (path.size() == root.size()) {
        path.clear();
        return true;
    }
    if (!CZipPathComponent::IsSeparator(path[root.size()])) return false;
    path.erase(0, root.size());
    CZipPathComponent::RemoveLeadingSeparators(path);
    return true;
}
