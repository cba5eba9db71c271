#include "ZipStorage.h"

#include <algorithm>
#include <cstring>

#include "ZipException.h"
#include "ZipHost.h"

// ------------------------------------------------------------- volume names

u16string PathExtension(const u16string& path)
{
    std::size_t sep = path.find_last_of(u"\\/");
    std::size_t dot = path.rfind(u'.');
    if (dot == u16string::npos || (sep != u16string::npos && dot < sep)) return u16string();
    return path.substr(dot + 1);
}

u16string ReplacePathExtension(const u16string& path, const u16string& ext)
{
    std::size_t sep = path.find_last_of(u"\\/");
    std::size_t dot = path.rfind(u'.');
    u16string base = path;
    if (dot != u16string::npos && (sep == u16string::npos || dot > sep)) base = path.substr(0, dot);
    return ext.empty() ? base : base + u"." + ext;
}

void CZipRegularSplitNamesHandler::Initialize(const u16string& archivePath)
{
    m_szExt = PathExtension(archivePath);
}

u16string CZipRegularSplitNamesHandler::GetVolumeName(const u16string& archivePath, std::uint32_t volume,
                                                      int flags) const
{
    u16string ext;
    if (flags & flLast) ext = m_szExt;
    else WideFormat(ext, volume < 100 ? "z%.2u" : "z%u", volume);
    return ReplacePathExtension(archivePath, ext);
}

u16string CZipBinSplitNamesHandler::GetVolumeName(const u16string& archivePath, std::uint32_t volume,
                                                  int flags) const
{
    u16string number;
    WideFormat(number, volume < 1000 ? "%.3u" : "%u", volume);
    if (flags & flExisting) return ReplacePathExtension(archivePath, number);
    return archivePath + u"." + number;
}

std::uint32_t CZipBinSplitNamesHandler::GetVolumeNumber(const u16string& path) const
{
    u16string ext = PathExtension(path);
    if (ext.size() < 3 || ext.size() > 19) return 0;
    std::uint64_t value = 0;
    for (char16_t c : ext) {
        if (c < u'0' || c > u'9') return 0;
        value = value * 10 + static_cast<std::uint64_t>(c - u'0');
    }
    if (value < 1 || value > 0xFFFFFFFFull) return 0;
    return static_cast<std::uint32_t>(value & 0xFFFF);
}

// ------------------------------------------------------------------ storage

CZipStorage::CZipStorage() = default;

CZipStorage::~CZipStorage()
{
    try {
        m_internalfile.Close();
    } catch (...) {
    }
}

void CZipStorage::ThrowError(int code) const
{
    CZipException::Throw(code, m_pFile ? m_pFile->GetFilePath() : u16string());
}

bool CZipStorage::IsClosed(bool file) const
{
    if (!file) return !IsOpen();
    return (m_iState & stateAutoClose) && (!m_pFile || m_pFile->IsClosed());
}

u16string CZipStorage::GetArchivePath() const
{
    if (!m_szArchiveName.empty()) return m_szArchiveName;
    return m_pFile ? m_pFile->GetFilePath() : u16string();
}

void CZipStorage::Open(CZipAbstractFile& file, int mode, bool autoClose)
{
    m_pWriteBuffer.Allocate(m_iWriteBufferSize);
    m_uBytesInWriteBuffer = 0;
    m_uBytesWritten = 0;
    m_iState = stateOpened | (autoClose ? stateAutoClose : 0);
    m_pFile = &file;
    m_szArchiveName.clear();
    m_uCurrentVolume = 0;
    m_uSplitData = 0;
    if (!(mode & zipCreate)) {
        m_iState |= stateExisting;
        if ((mode & 3) == zipOpenReadOnly) m_iState |= stateReadOnly;
        m_pFile->SeekToBegin();
    } else if (mode == zipCreateAppend) {
        m_pFile->SeekToEnd();
    } else {
        m_pFile->SetLength(0);
        m_pFile->SeekToBegin();
    }
}

void CZipStorage::OpenFile(const u16string& path, unsigned flags)
{
    m_internalfile.Open(path, flags, true);
    m_pFile = &m_internalfile;
}

void CZipStorage::CreateNamesHandler()
{
    if (IsBinarySplit()) m_pSplitNames = std::make_unique<CZipBinSplitNamesHandler>();
    else m_pSplitNames = std::make_unique<CZipRegularSplitNamesHandler>();
    m_pSplitNames->Initialize(m_szArchiveName);
}

void CZipStorage::Open(const u16string& path, int mode, std::uint64_t volumeSize)
{
    m_uCurrentVolume = 0xFFFF;
    m_pWriteBuffer.Allocate(m_iWriteBufferSize);
    m_uBytesInWriteBuffer = 0;
    m_uBytesWritten = 0;
    m_iState = stateOpened | stateAutoClose;
    m_szArchiveName = path;
    m_pChangeVolumeFunc = nullptr;
    m_pFile = &m_internalfile;
    try {
        if (mode & zipCreate) {
            if (!(mode & (zipModeSplit | zipModeBinSplit | zipModeSpan))) {
                unsigned flags = CZipFile::modeReadWrite | CZipFile::shareDenyWrite;
                flags |= (mode & 0x0F) == zipCreateAppend ? CZipFile::modeNoTruncate : CZipFile::modeCreate;
                OpenFile(path, flags);
                m_uCurrentVolume = 0;
                if ((mode & 0x0F) == zipCreateAppend) m_pFile->SeekToEnd();
                return;
            }
            if (mode & zipModeSpan) {
                if (!m_pSpanChangeVolumeFunc) ThrowError(CZipException::noCallback);
                if (!ZipHost::IsRemovableDrive(path)) ThrowError(CZipException::nonRemovable);
                m_iState |= stateSpan;
                m_pChangeVolumeFunc = m_pSpanChangeVolumeFunc;
            } else {
                if (volumeSize == 0) ThrowError(CZipException::noVolumeSize);
                m_uSplitData = volumeSize;
                if (mode & zipModeBinSplit) {
                    m_iState |= stateBinarySplit;
                    m_pCachedSizes = std::make_unique<std::vector<std::uint64_t>>();
                } else {
                    m_iState |= stateSplit;
                }
                CreateNamesHandler();
                m_pChangeVolumeFunc = m_pSplitChangeVolumeFunc;
            }
            StartNextVolume(4);
            std::uint8_t sig[4] = {0x50, 0x4B, 0x07, 0x08};
            Write(sig, 4, true);
            return;
        }
        m_iState |= stateExisting;
        bool readOnly = (mode & 3) == zipOpenReadOnly;
        if (readOnly) m_iState |= stateReadOnly;
        OpenFile(path, CZipFile::modeNoTruncate | CZipFile::shareDenyNone |
                           (readOnly ? CZipFile::modeRead : CZipFile::modeReadWrite));
        m_uCurrentVolume = 0;
        if (mode & zipModeSpan) {
            m_iState |= stateSpan;
            m_pChangeVolumeFunc = m_pSpanChangeVolumeFunc;
        } else if (mode & zipModeBinSplit) {
            m_iState |= stateBinarySplit;
            CreateNamesHandler();
            std::uint32_t number = m_pSplitNames->GetVolumeNumber(path);
            if (number == 0) ThrowError(CZipException::badZipFile);
            m_uCurrentVolume = number - 1;
            if (number == 1) {
                m_pSplitNames.reset();
                m_iState &= ~0xF0;
            } else {
                m_pChangeVolumeFunc = m_pSplitChangeVolumeFunc;
                m_uSplitData = number - 1;
                m_pCachedSizes = std::make_unique<std::vector<std::uint64_t>>(number);
                for (std::uint32_t v = number; v-- > 0;) {
                    SwitchVolume(v);
                    (*m_pCachedSizes)[v] = m_pFile->GetLength();
                }
                SwitchVolume(number - 1);
            }
        } else if (mode & zipModeSplit) {
            m_iState |= stateSplit;
            CreateNamesHandler();
            m_pChangeVolumeFunc = m_pSplitChangeVolumeFunc;
        }
    } catch (...) {
        Close(true);
        throw;
    }
}

u16string CZipStorage::Close(bool afterException)
{
    if (!afterException && IsOpen()) {
        FlushBuffer();
        if (IsNewSegmented()) EndSegmentedWrite();
    }
    if ((m_iState & stateAutoClose) && m_pFile) {
        if (afterException) {
            try {
                m_pFile->Close();
            } catch (...) {
            }
        } else {
            m_pFile->Close();
        }
    }
    u16string path = GetArchivePath();
    m_pWriteBuffer.Release();
    m_uBytesInWriteBuffer = 0;
    m_uBytesWritten = 0;
    m_uCurrentVolume = 0xFFFF;
    m_iState = 0;
    m_pFile = nullptr;
    m_uBytesBeforeZip = 0;
    m_pSplitNames.reset();
    m_pCachedSizes.reset();
    m_szArchiveName.clear();
    return path;
}

// ------------------------------------------------------------------ writing

void CZipStorage::FlushBuffer()
{
    if (m_uBytesInWriteBuffer == 0) return;
    m_pFile->Write(m_pWriteBuffer.GetBuffer(), m_uBytesInWriteBuffer);
    m_uBytesWritten += m_uBytesInWriteBuffer;
    m_uBytesInWriteBuffer = 0;
}

void CZipStorage::WriteInternalBuffer(const std::uint8_t* data, std::uint32_t size)
{
    if (!m_pWriteBuffer.IsAllocated()) m_pWriteBuffer.Allocate(m_iWriteBufferSize ? m_iWriteBufferSize : 65536);
    std::uint32_t cap = m_pWriteBuffer.GetSize();
    while (size > 0) {
        std::uint32_t n = std::min(size, cap - m_uBytesInWriteBuffer);
        std::memcpy(m_pWriteBuffer.GetBuffer() + m_uBytesInWriteBuffer, data, n);
        m_uBytesInWriteBuffer += n;
        data += n;
        size -= n;
        if (m_uBytesInWriteBuffer == cap) FlushBuffer();
    }
}

std::uint64_t CZipStorage::FreeOnVolume() const
{
    std::uint64_t used = m_uBytesInWriteBuffer + (IsSpanned() ? 0 : m_uBytesWritten);
    return m_uCurrentVolSize > used ? m_uCurrentVolSize - used : 0;
}

void CZipStorage::Write(const void* buffer, std::uint32_t size, bool atOnce)
{
    const auto* data = static_cast<const std::uint8_t*>(buffer);
    if (!IsSegmented()) {
        WriteInternalBuffer(data, size);
        return;
    }
    std::uint64_t needed = (atOnce && !IsBinarySplit()) ? size : 1;
    std::uint32_t done = 0;
    while (done < size) {
        while (FreeOnVolume() < needed) {
            if (IsSplit() && m_uBytesWritten == 0 && m_uBytesInWriteBuffer == 0)
                m_uCurrentVolSize = needed;
            else
                StartNextVolume(needed);
        }
        auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(FreeOnVolume(), size - done));
        WriteInternalBuffer(data + done, n);
        done += n;
    }
}

void CZipStorage::Flush()
{
    FlushBuffer();
    if (IsSpanned()) m_uCurrentVolSize = ZipHost::FreeSpaceOf(m_pFile->GetFilePath()) + m_uBytesWritten;
}

void CZipStorage::FlushFile()
{
    if (m_pFile && !IsReadOnly()) m_pFile->Flush();
}

void CZipStorage::EnsureFree(std::uint64_t needed)
{
    while (FreeOnVolume() < needed) {
        if (IsSplit() && m_uBytesWritten == 0 && m_uBytesInWriteBuffer == 0) m_uCurrentVolSize = needed;
        else StartNextVolume(needed);
    }
}

bool CZipStorage::CallCallback(std::uint64_t progress, int code, const u16string& fileName)
{
    if (!m_pChangeVolumeFunc) return true;
    m_pChangeVolumeFunc->m_szExternalFile = fileName;
    m_pChangeVolumeFunc->m_uVolumeNeeded = m_uCurrentVolume + 1;
    m_pChangeVolumeFunc->m_iCode = code;
    return m_pChangeVolumeFunc->Callback(progress);
}

void CZipStorage::StartNextVolume(std::uint64_t needed)
{
    for (;;) {
        FlushBuffer();
        bool advanced = false;
        if (m_uCurrentVolume == 0xFFFF) {
            m_uCurrentVolume = 0;
        } else if (m_uBytesWritten > 0) {
            ++m_uCurrentVolume;
            advanced = true;
            if (m_uCurrentVolume >= (IsSpanned() ? 999u : 65535u))
                ThrowError(CZipException::tooManyVolumes);
        }
        if (!m_pFile->IsClosed()) {
            m_pFile->Flush();
            if (IsBinarySplit() && advanced && m_pCachedSizes) m_pCachedSizes->push_back(m_pFile->GetLength());
            m_pFile->Close();
        }
        u16string name = IsSpanned() ? m_szArchiveName
                                     : m_pSplitNames->GetVolumeName(m_szArchiveName, m_uCurrentVolume + 1, 0);
        if (m_pChangeVolumeFunc) {
            if (!CallCallback(needed, CZipSegmCallback::scVolumeNeededForWrite, name))
                ThrowError(CZipException::aborted);
            name = m_pChangeVolumeFunc->m_szExternalFile;
            while (ZipHost::PathKind(name) == 1) {
                if (!CallCallback(needed, CZipSegmCallback::scFileNameDuplicated, name))
                    ThrowError(CZipException::aborted);
                name = m_pChangeVolumeFunc->m_szExternalFile;
            }
        }
        OpenFile(name, CZipFile::modeCreate | CZipFile::modeReadWrite | CZipFile::shareDenyWrite);
        m_uBytesWritten = 0;
        m_uCurrentVolSize = IsSpanned() ? ZipHost::FreeSpaceOf(name) : m_uSplitData;
        // A split volume always takes at least the block that must not be cut.
        if (!IsSpanned() && m_uCurrentVolSize < needed) m_uCurrentVolSize = needed;
        if (FreeOnVolume() >= needed) return;
    }
}

void CZipStorage::EndSegmentedWrite()
{
    if (!IsNewSegmented()) return;
    FlushBuffer();
    if (IsSplit() && m_pSplitNames) {
        u16string current = m_pFile->GetFilePath();
        u16string last = m_pSplitNames->GetVolumeName(m_szArchiveName, m_uCurrentVolume + 1,
                                                      CZipSplitNamesHandler::flLast);
        if (last != current) {
            if (m_pChangeVolumeFunc) {
                if (!CallCallback(0, CZipSegmCallback::scVolumeNeededForWrite, last))
                    ThrowError(CZipException::aborted);
                last = m_pChangeVolumeFunc->m_szExternalFile;
                while (ZipHost::PathKind(last) == 1) {
                    if (!CallCallback(0, CZipSegmCallback::scFileNameDuplicated, last))
                        ThrowError(CZipException::aborted);
                    last = m_pChangeVolumeFunc->m_szExternalFile;
                }
            } else if (ZipHost::PathKind(last) == 1) {
                ZipHost::DeletePath(last, true);
            }
            m_pFile->Close();
            ZipHost::MovePath(current, last, true);
            OpenFile(last, CZipFile::modeReadWrite | CZipFile::modeNoTruncate | CZipFile::shareDenyWrite);
        }
    }
    if (IsBinarySplit() && m_uCurrentVolume > 0) {
        if (!m_pCachedSizes) ThrowError(CZipException::outOfBounds);
        m_pCachedSizes->push_back(m_pFile->GetLength());
    }
    m_iState |= stateExisting;
    if (m_uCurrentVolume == 0) {
        m_pSplitNames.reset();
        m_pCachedSizes.reset();
        m_iState &= ~0xF0;
    } else {
        m_uSplitData = m_uCurrentVolume;
    }
}

// ------------------------------------------------------------------ reading

std::uint32_t CZipStorage::ReadFromFile(void* buffer, std::uint32_t size)
{
    return m_pFile->Read(buffer, size);
}

std::uint32_t CZipStorage::Read(void* buffer, std::uint32_t size, bool atOnce)
{
    if (size == 0) return 0;
    auto* p = static_cast<std::uint8_t*>(buffer);
    std::uint32_t got = ReadFromFile(p, size);
    if (got == 0) {
        if (!IsSegmented() || m_uCurrentVolume >= GetLastVolume()) ThrowError(CZipException::badZipFile);
        SwitchVolume(m_uCurrentVolume + 1);
        got = ReadFromFile(p, size);
    }
    if (got < size) {
        if ((atOnce && !IsBinarySplit()) || !IsSegmented()) ThrowError(CZipException::badZipFile);
        while (got < size) {
            if (m_uCurrentVolume >= GetLastVolume()) ThrowError(CZipException::badZipFile);
            SwitchVolume(m_uCurrentVolume + 1);
            std::uint32_t n = ReadFromFile(p + got, size - got);
            if (n == 0) ThrowError(CZipException::badZipFile);
            got += n;
        }
    }
    return got;
}

std::uint64_t CZipStorage::VolumeStart(std::uint32_t volume) const
{
    std::uint64_t start = 0;
    if (!m_pCachedSizes) return 0;
    for (std::uint32_t v = 0; v < volume && v < m_pCachedSizes->size(); ++v) start += (*m_pCachedSizes)[v];
    return start;
}

std::uint64_t CZipStorage::GetPosition() const
{
    std::uint64_t pos = m_pFile->GetPosition() + m_uBytesInWriteBuffer;
    if (m_uCurrentVolume == 0 || !IsSegmented()) pos -= std::min(pos, m_uBytesBeforeZip);
    if (IsBinarySplit()) pos += VolumeStart(m_uCurrentVolume);
    return pos;
}

void CZipStorage::Seek(std::uint64_t offset)
{
    if (IsBinarySplit()) {
        SeekAcrossVolumes(static_cast<std::int64_t>(offset), true);
        return;
    }
    std::uint64_t before = (m_uCurrentVolume == 0 || !IsSegmented()) ? m_uBytesBeforeZip : 0;
    if (offset > static_cast<std::uint64_t>(INT64_MAX) - before) ThrowError(CZipException::badZipFile);
    m_pFile->Seek(static_cast<std::int64_t>(offset + before), CZipAbstractFile::begin);
}

void CZipStorage::SeekAcrossVolumes(std::int64_t offset, bool fromStart)
{
    std::int64_t target = fromStart ? offset : static_cast<std::int64_t>(GetPosition()) + offset;
    if (target < 0 || !m_pCachedSizes) ThrowError(CZipException::genericError);
    auto t = static_cast<std::uint64_t>(target);
    std::uint32_t v = 0;
    std::uint64_t start = 0;
    std::uint32_t count = static_cast<std::uint32_t>(m_pCachedSizes->size());
    // The current volume of an archive being written is not in the list yet.
    while (v < count && t >= start + (*m_pCachedSizes)[v] && v + 1 <= GetLastVolume()) {
        start += (*m_pCachedSizes)[v];
        ++v;
    }
    if (v > GetLastVolume() && IsExisting()) ThrowError(CZipException::genericError);
    SwitchVolume(v);
    std::uint64_t within = t - start + (v == 0 ? m_uBytesBeforeZip : 0);
    m_pFile->Seek(static_cast<std::int64_t>(within), CZipAbstractFile::begin);
}

std::int64_t CZipStorage::FindInFile(const std::uint8_t signature[4], std::uint64_t maxDepth)
{
    std::uint64_t length = m_pFile->GetLength();
    std::uint64_t depth = std::min(maxDepth, length);
    std::uint32_t chunkSize = m_iLocateBufferSize ? m_iLocateBufferSize : 32768;
    CZipAutoBuffer buffer(chunkSize);
    std::uint64_t pos = length;
    int matched = 0;
    while (depth > 0) {
        auto chunk = static_cast<std::uint32_t>(std::min<std::uint64_t>(chunkSize, depth));
        pos -= chunk;
        depth -= chunk;
        m_pFile->Seek(static_cast<std::int64_t>(pos), CZipAbstractFile::begin);
        if (m_pFile->Read(buffer.GetBuffer(), chunk) != chunk) ThrowError(CZipException::badZipFile);
        for (std::uint32_t i = chunk; i-- > 0;) {
            std::uint8_t b = buffer.GetBuffer()[i];
            if (b == signature[3 - matched]) {
                if (++matched == 4) return static_cast<std::int64_t>(pos + i);
            } else {
                matched = (b == signature[3]) ? 1 : 0;
            }
        }
    }
    return -1;
}

std::int64_t CZipStorage::FindSignatureFromEnd(const std::uint8_t signature[4], std::uint64_t maxDepth)
{
    if (!IsBinarySplit()) return FindInFile(signature, maxDepth);
    for (std::uint32_t v = GetLastVolume() + 1; v-- > 0;) {
        SwitchVolume(v);
        std::uint64_t size = m_pFile->GetLength();
        std::int64_t r = FindInFile(signature, maxDepth);
        if (r >= 0) return static_cast<std::int64_t>(VolumeStart(v)) + r;
        if (maxDepth <= size) return -1;
        maxDepth -= size;
    }
    ThrowError(CZipException::genericError);
}

// ------------------------------------------------------------------ volumes

void CZipStorage::SetVolumeMode(std::uint32_t lastVolume)
{
    if (!IsBinarySplit()) m_uCurrentVolume = lastVolume;
    if (lastVolume == 0 && !IsBinarySplit()) {
        m_iState &= ~0xF0;
        m_pSplitNames.reset();
        return;
    }
    // Volumes are files beside an archive opened by path; an archive in a
    // caller's file that claims other volumes is damaged.
    if (m_pFile != &m_internalfile) ThrowError(CZipException::badZipFile);
    if (!IsSegmented()) {
        if (ZipHost::IsRemovableDrive(m_szArchiveName)) {
            m_iState |= stateSpan;
            if (!m_pSpanChangeVolumeFunc) ThrowError(CZipException::noCallback);
            m_pChangeVolumeFunc = m_pSpanChangeVolumeFunc;
        } else {
            m_iState |= stateSplit;
            CreateNamesHandler();
            m_pChangeVolumeFunc = m_pSplitChangeVolumeFunc;
        }
    }
    if (!IsBinarySplit()) m_uSplitData = lastVolume;
    m_pWriteBuffer.Release();
}

u16string CZipStorage::ChangeVolumeName(std::uint32_t volume, bool reading)
{
    int flags = volume == GetLastVolume() ? CZipSplitNamesHandler::flLast : 0;
    if (IsBinarySplit() && IsExisting()) flags |= CZipSplitNamesHandler::flExisting;
    u16string name = m_pSplitNames->GetVolumeName(m_szArchiveName, volume + 1, flags);
    if (m_pChangeVolumeFunc && reading) {
        if (!CallCallback(0, CZipSegmCallback::scVolumeNeededForRead, name)) ThrowError(CZipException::aborted);
        name = m_pChangeVolumeFunc->m_szExternalFile;
        while (ZipHost::PathKind(name) != 1) {
            if (!CallCallback(0, CZipSegmCallback::scFileNotFound, name)) ThrowError(CZipException::aborted);
            name = m_pChangeVolumeFunc->m_szExternalFile;
        }
    }
    return name;
}

void CZipStorage::SwitchVolume(std::uint32_t volume)
{
    if (volume == m_uCurrentVolume || !IsSegmented()) return;
    if (volume > GetLastVolume() && IsExisting()) ThrowError(CZipException::badZipFile);
    u16string name;
    if (IsSpanned()) {
        m_pFile->Close();
        name = m_szArchiveName;
        m_uCurrentVolume = volume;
        if (!CallCallback(0, CZipSegmCallback::scVolumeNeededForRead, name)) ThrowError(CZipException::aborted);
    } else {
        name = ChangeVolumeName(volume, true);
        m_pFile->Close();
        m_uCurrentVolume = volume;
    }
    OpenFile(name, CZipFile::modeRead | CZipFile::shareDenyWrite | CZipFile::modeNoTruncate);
}
