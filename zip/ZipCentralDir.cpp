#include "ZipCentralDir.h"

#include <algorithm>
#include <cstring>

#include "Bundlex.h"
#include "ZipException.h"
#include "ZipStorage.h"
#include "celvo/bytes.h"

namespace {
int compareCase(const u16string& a, const u16string& b) { return a.compare(b); }
int compareNoCase(const u16string& a, const u16string& b) { return celvo::compareNoCase(a, b); }
}  // namespace

CZipCentralDir::CZipCentralDir() = default;
CZipCentralDir::~CZipCentralDir() = default;

void CZipCentralDir::AttachArchive(CBundlex* archive, CZipStorage* storage)
{
    m_pArchive = archive;
    m_pStorage = storage;
}

ZipNameCompare CZipCentralDir::PickNameComparison(bool caseSensitive, bool)
{
    return caseSensitive ? &compareCase : &compareNoCase;
}

void CZipCentralDir::ThrowError(int code) const
{
    CZipException::Throw(code, m_pStorage ? m_pStorage->GetArchivePath() : u16string());
}

void CZipCentralDir::Reset(const CZipCentralDir* source)
{
    m_iIgnoredChecks = checkDataDescriptor | checkVolumeEntries;
    m_pOpenedFile = nullptr;
    m_pInfo.reset();
    if (!source) {
        m_pInfo = std::make_shared<CInfo>();
        m_pInfo->m_pCompare = PickNameComparison(false, true);
    } else {
        m_pInfo = source->m_pInfo;
        m_pStorage->SetVolumeMode(m_pInfo->m_uThisVolume);
        m_pStorage->m_uBytesBeforeZip = source->m_pStorage->m_uBytesBeforeZip;
    }
}

void CZipCentralDir::Close()
{
    m_pOpenedFile = nullptr;
    m_pInfo.reset();
}

u16string CZipCentralDir::GetComment() const
{
    if (!m_pInfo) return u16string();
    const CZipAutoBuffer& c = m_pInfo->m_pszComment;
    return celvo::utf8ToUtf16(std::string(reinterpret_cast<const char*>(c.GetBuffer()), c.GetSize()));
}

void CZipCentralDir::SetComment(const u16string& comment)
{
    std::string bytes = celvo::utf16ToUtf8(comment);
    if (bytes.size() > 0xFFFF) ThrowError(CZipException::tooLongData);
    m_pInfo->m_pszComment.Assign(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    DetachFromFile();
}

// ------------------------------------------------------------------ reading

void CZipCentralDir::Read(bool exhaustive)
{
    const std::uint8_t endSig[4] = {0x50, 0x4B, 0x05, 0x06};
    std::int64_t found = m_pStorage->FindSignatureFromEnd(endSig, 0xFFFF + 22);
    if (found < 0) ThrowError(CZipException::cdirNotFound);
    CInfo& info = *m_pInfo;
    info.m_uEndOffset = static_cast<std::uint64_t>(found);
    auto seekRaw = [this](std::uint64_t pos) {
        if (m_pStorage->IsBinarySplit()) m_pStorage->SeekAcrossVolumes(static_cast<std::int64_t>(pos), true);
        else m_pStorage->m_pFile->Seek(static_cast<std::int64_t>(pos), CZipAbstractFile::begin);
    };
    seekRaw(info.m_uEndOffset + 4);
    std::uint8_t buf[18];
    m_pStorage->Read(buf, 18, true);
    info.m_uThisVolume = celvo::getU16(buf);
    info.m_uVolumeWithCD = celvo::getU16(buf + 2);
    info.m_uVolumeEntriesNo = celvo::getU16(buf + 4);
    info.m_uEntriesNumber = celvo::getU16(buf + 6);
    info.m_uSize = celvo::getU32(buf + 8);
    info.m_uOffset = celvo::getU32(buf + 12);
    std::uint16_t commentSize = celvo::getU16(buf + 16);
    info.m_pszComment.Allocate(commentSize);
    if (commentSize) m_pStorage->Read(info.m_pszComment.GetBuffer(), commentSize, true);

    if ((info.m_uThisVolume == 0xFFFF || info.m_uVolumeWithCD == 0xFFFF || info.m_uVolumeEntriesNo == 0xFFFF ||
         info.m_uEntriesNumber == 0xFFFF || info.m_uSize == 0xFFFFFFFF || info.m_uOffset == 0xFFFFFFFF) &&
        info.m_uEndOffset >= 20) {
        seekRaw(info.m_uEndOffset - 20);
        std::uint8_t loc[4];
        m_pStorage->Read(loc, 4, true);
        if (celvo::getU32(loc) == Zip64LocatorSignature) ThrowError(CZipException::noZip64);
    }
    if (!(m_iIgnoredChecks & checkVolumeEntries) && info.m_uThisVolume == 0 &&
        (info.m_uEntriesNumber != info.m_uVolumeEntriesNo || info.m_uVolumeWithCD != 0))
        ThrowError(CZipException::badZipFile);
    m_pStorage->SetVolumeMode(info.m_uThisVolume);
    std::uint64_t dirEnd = static_cast<std::uint64_t>(info.m_uOffset) + info.m_uSize;
    if (!m_pStorage->IsSegmented() && info.m_uEndOffset < dirEnd) ThrowError(CZipException::badZipFile);
    if (m_pStorage->m_uBytesBeforeZip == 0 && info.m_uThisVolume == 0 && info.m_uEndOffset >= dirEnd)
        m_pStorage->m_uBytesBeforeZip = info.m_uEndOffset - dirEnd;
    if ((info.m_uSize == 0) != (info.m_uEntriesNumber == 0)) ThrowError(CZipException::badZipFile);
    info.m_bInArchive = true;
    m_pStorage->SwitchVolume(info.m_uVolumeWithCD);
    if (info.m_uSize != 0) ReadHeaders(exhaustive);
}

void CZipCentralDir::ReadHeaders(bool exhaustive)
{
    CInfo& info = *m_pInfo;
    m_pStorage->Seek(info.m_uOffset);
    info.m_headers.clear();
    info.m_findArray.clear();
    for (std::uint32_t i = 0; i < info.m_uEntriesNumber; ++i) {
        auto h = std::make_unique<CZipFileHeader>(this);
        if (!h->ReadCentralRecord(true)) ThrowError(CZipException::badZipFile);
        info.m_headers.push_back(std::move(h));
    }
    if (!m_pStorage->IsSegmented() || m_pStorage->IsBinarySplit() ||
        m_pStorage->GetCurrentVolume() == info.m_uThisVolume) {
        std::uint64_t end = info.m_uEndOffset - std::min(info.m_uEndOffset, m_pStorage->m_uBytesBeforeZip);
        auto moreFollow = [&] {
            if (m_pStorage->GetPosition() + 4 > end) return false;
            std::uint8_t sig[4];
            m_pStorage->Read(sig, 4, true);
            return celvo::getU32(sig) == CZipFileHeader::CentralSignature;
        };
        while (exhaustive && info.m_headers.size() < 0xFFFF && moreFollow()) {
            auto h = std::make_unique<CZipFileHeader>(this);
            if (!h->ReadCentralRecord(false)) ThrowError(CZipException::badZipFile);
            info.m_headers.push_back(std::move(h));
        }
        // More entries than the end record counts (its 16-bit count wrapped
        // past 65,535): the archive is refused rather than cut short.
        if (!exhaustive && moreFollow()) ThrowError(CZipException::tooManyFiles);
        if (exhaustive && info.m_headers.size() >= 0xFFFF && moreFollow()) ThrowError(CZipException::tooManyFiles);
    }
    SortHeaders();
    if (info.m_bFindFastEnabled) BuildNameIndex(info.m_bCaseSensitive);
}

void CZipCentralDir::SortHeaders()
{
    auto& hs = m_pInfo->m_headers;
    std::stable_sort(hs.begin(), hs.end(), [](const auto& a, const auto& b) {
        if (a->m_uVolumeStart != b->m_uVolumeStart) return a->m_uVolumeStart < b->m_uVolumeStart;
        return a->m_uOffset < b->m_uOffset;
    });
    for (std::size_t i = 1; i < hs.size(); ++i)
        if (hs[i]->m_uVolumeStart == hs[i - 1]->m_uVolumeStart && hs[i]->m_uOffset == hs[i - 1]->m_uOffset)
            ThrowError(CZipException::badZipFile);
}

// ------------------------------------------------------------------ writing

void CZipCentralDir::Write()
{
    CInfo& info = *m_pInfo;
    if (info.m_bInArchive) return;
    info.m_uEntriesNumber = static_cast<std::uint16_t>(info.m_headers.size());
    if (!m_pStorage->IsSegmented()) {
        m_pStorage->Flush();
        m_pStorage->m_pFile->SeekToEnd();
    }
    info.m_uSize = 0;
    bool oneVolume = false;
    if (m_pStorage->IsNewSegmented()) {
        std::uint64_t needed = 22 + info.m_pszComment.GetSize();
        for (const auto& h : info.m_headers) needed += h->CentralRecordLength();
        if (m_pStorage->GetCurrentVolume() == 0) {
            std::uint64_t single = needed > 4 ? needed - 4 : 0;
            for (const auto& h : info.m_headers)
                if (!h->IsEncrypted()) single -= std::min<std::uint64_t>(single, h->DataDescriptorLength(true));
            if (m_pStorage->FreeOnVolume() >= single) {
                bool inBuffer = m_pStorage->GetBytesWritten() == 0;
                if (!inBuffer) m_pStorage->Flush();
                oneVolume = RemoveDataDescriptors(inBuffer);
            }
        }
        if (!oneVolume && !m_pStorage->IsBinarySplit()) m_pStorage->EnsureFree(needed);
    }
    try {
        WriteHeaders(oneVolume);
        WriteEndRecord();
        if (oneVolume && m_pStorage->GetCurrentVolume() != 0) ThrowError(CZipException::badZipFile);
    } catch (...) {
        if (oneVolume) {
            m_pStorage->EndSegmentedWrite();
            info.m_uThisVolume = 0;
        }
        throw;
    }
    info.m_bInArchive = true;
}

void CZipCentralDir::WriteHeaders(bool)
{
    CInfo& info = *m_pInfo;
    bool binary = m_pStorage->IsBinarySplit();
    info.m_uVolumeEntriesNo = 0;
    info.m_uVolumeWithCD = static_cast<std::uint16_t>(binary ? 0 : m_pStorage->GetCurrentVolume());
    info.m_uOffset = static_cast<std::uint32_t>(m_pStorage->GetPosition());
    for (std::size_t i = 0; i < info.m_headers.size(); ++i) {
        std::uint32_t volume = m_pStorage->GetCurrentVolume();
        info.m_uSize += info.m_headers[i]->WriteCentralRecord(m_pStorage);
        if (!binary && m_pStorage->GetCurrentVolume() != volume) {
            info.m_uVolumeEntriesNo = 1;
            if (i == 0) {
                info.m_uOffset = 0;
                info.m_uVolumeWithCD = static_cast<std::uint16_t>(m_pStorage->GetCurrentVolume());
            }
        } else {
            ++info.m_uVolumeEntriesNo;
        }
    }
}

void CZipCentralDir::WriteEndRecord()
{
    CInfo& info = *m_pInfo;
    std::uint32_t commentSize = info.m_pszComment.GetSize();
    std::uint32_t before = m_pStorage->GetCurrentVolume();
    if (m_pStorage->IsSegmented() && !m_pStorage->IsBinarySplit()) {
        m_pStorage->EnsureFree(22 + commentSize);
        info.m_uThisVolume = static_cast<std::uint16_t>(m_pStorage->GetCurrentVolume());
    } else {
        if (m_pStorage->IsBinarySplit()) m_pStorage->EnsureFree(1);
        info.m_uThisVolume = 0;
    }
    if (!m_pStorage->IsBinarySplit() && m_pStorage->GetCurrentVolume() != before) info.m_uVolumeEntriesNo = 0;
    std::vector<std::uint8_t> rec(22);
    std::uint8_t* b = rec.data();
    celvo::putU32(b, EndSignature);
    celvo::putU16(b + 4, info.m_uThisVolume);
    celvo::putU16(b + 6, info.m_uVolumeWithCD);
    celvo::putU16(b + 8, info.m_uVolumeEntriesNo);
    celvo::putU16(b + 10, info.m_uEntriesNumber);
    celvo::putU32(b + 12, info.m_uSize);
    celvo::putU32(b + 16, info.m_uOffset);
    celvo::putU16(b + 20, static_cast<std::uint16_t>(commentSize));
    rec.insert(rec.end(), info.m_pszComment.GetBuffer(), info.m_pszComment.GetBuffer() + commentSize);
    m_pStorage->Write(rec.data(), static_cast<std::uint32_t>(rec.size()), true);
}

// Turns a segmented archive that fits on its first volume into an ordinary
// one: the leading signature and the data descriptors of entries that do not
// need them are cut out and the local records completed.
bool CZipCentralDir::RemoveDataDescriptors(bool inBuffer)
{
    std::vector<std::uint8_t> fileBytes;
    std::uint8_t* bytes;
    std::uint64_t length;
    CZipAbstractFile* file = m_pStorage->m_pFile;
    if (inBuffer) {
        bytes = m_pStorage->GetWriteBuffer().GetBuffer();
        length = m_pStorage->GetBytesInWriteBuffer();
    } else {
        length = file->GetLength();
        if (length > 0xFFFFFFFFull) return false;
        fileBytes.resize(static_cast<std::size_t>(length));
        file->SeekToBegin();
        if (length && file->Read(fileBytes.data(), static_cast<std::uint32_t>(length)) != length) return false;
        bytes = fileBytes.data();
    }
    auto& hs = m_pInfo->m_headers;
    std::uint64_t shift = 4, written = 0;
    for (std::size_t i = 0; i < hs.size(); ++i) {
        CZipFileHeader& h = *hs[i];
        std::uint64_t offset = h.m_uOffset;
        std::uint64_t end = i + 1 < hs.size() ? hs[i + 1]->m_uOffset : length;
        if (offset < written || end < offset || end > length || offset + 30 > end) return false;
        std::uint64_t remove = 0;
        if (!h.IsEncrypted()) {
            remove = h.DataDescriptorLength(true);
            h.m_uFlag = static_cast<std::uint16_t>(h.m_uFlag & ~CZipFileHeader::flagDataDescriptor);
            h.m_uLocalComprSize = h.m_uComprSize;
            h.m_uLocalUncomprSize = h.m_uUncomprSize;
            std::uint8_t* local = bytes + offset;
            celvo::putU16(local + 6, h.m_uFlag);
            celvo::putU32(local + 14, h.m_bIgnoreCrc32 ? 0 : h.m_uCrc32);
            celvo::putU32(local + 18, h.m_uComprSize);
            celvo::putU32(local + 22, h.m_uUncomprSize);
        }
        std::uint64_t span = end - offset;
        if (remove > span) return false;
        std::memmove(bytes + written, bytes + offset, static_cast<std::size_t>(span - remove));
        h.m_uOffset = static_cast<std::uint32_t>(offset - shift);
        written += span - remove;
        shift += remove;
    }
    if (hs.empty() && length >= 4) {
        std::memmove(bytes, bytes + 4, static_cast<std::size_t>(length - 4));
        written = length - 4;
    }
    if (inBuffer) {
        m_pStorage->SetBytesInWriteBuffer(static_cast<std::uint32_t>(written));
    } else {
        file->SeekToBegin();
        file->Write(bytes, static_cast<std::uint32_t>(written));
        file->SetLength(written);
        file->Seek(static_cast<std::int64_t>(written), CZipAbstractFile::begin);
        m_pStorage->SetBytesWritten(written);
    }
    return true;
}

// ------------------------------------------------------------------ entries

void CZipCentralDir::OpenEntry(std::uint16_t index)
{
    CZipFileHeader* h = GetAt(index);
    if (!h->ReadLocalRecord(this)) ThrowError(CZipException::badZipFile);
    m_pOpenedFile = h;
}

void CZipCentralDir::CloseEntry(bool skipDescriptorCheck)
{
    if (!skipDescriptorCheck && !(m_iIgnoredChecks & checkDataDescriptor) && m_pOpenedFile &&
        !m_pOpenedFile->VerifyDescriptor(m_pStorage))
        ThrowError(CZipException::badZipFile);
    m_pOpenedFile = nullptr;
}

CZipFileHeader* CZipCentralDir::AddEntry(const CZipFileHeader& t, std::uint16_t replaceIndex, int level,
                                         bool copySizes)
{
    auto h = std::make_unique<CZipFileHeader>(this);
    h->m_uMethod = t.m_uMethod;
    h->m_uModTime = t.m_uModTime;
    h->m_uModDate = t.m_uModDate;
    h->m_uExternalAttr = t.m_uExternalAttr;
    h->m_uLocalComprSize = t.m_uLocalComprSize;
    h->m_uLocalUncomprSize = t.m_uLocalUncomprSize;
    h->m_uLocalHeaderSize = t.m_uLocalHeaderSize;
    h->m_pszFileNameBuffer = t.m_pszFileNameBuffer;
    h->m_pszFileName = t.m_pszFileName;
    h->m_pszCommentBuffer = t.m_pszCommentBuffer;
    h->m_pszComment = t.m_pszComment;
    h->m_aLocalExtraData = t.m_aLocalExtraData;
    h->m_aCentralExtraData = t.m_aCentralExtraData;
    h->m_aCentralExtraData.RemoveInternalHeaders({0x0001, 0x9901, 0x7075, 0x6375, 0x5A4C});
    h->m_iSystemCompatibility = t.m_iSystemCompatibility;
    h->m_uEncryptionMethod = t.m_uEncryptionMethod;
    h->m_uFlag = t.m_uFlag & CZipFileHeader::flagUtf8;
    h->GetComment();
    DetachFromFile();
    auto& hs = m_pInfo->m_headers;
    bool replace = replaceIndex != 0xFFFF && replaceIndex < hs.size();
    h->PrepareForWrite(level, m_pStorage->IsSegmented());
    if (copySizes) {
        h->m_uCrc32 = t.m_uCrc32;
        h->m_uComprSize = t.m_uComprSize;
        h->m_uUncomprSize = t.m_uUncomprSize;
    }
    CZipFileHeader* raw = h.get();
    if (replace) {
        h->EncodeTextFields();
        if (h->m_pszFileNameBuffer.GetSize() >= 0x10000 || h->m_pszCommentBuffer.GetSize() >= 0x10000 ||
            h->m_aLocalExtraData.GetTotalSize() >= 0x10000)
            ThrowError(CZipException::tooLongData);
        m_pStorage->Seek(hs[replaceIndex]->m_uOffset);
        RemoveEntry(nullptr, replaceIndex, false);
        hs.insert(hs.begin() + replaceIndex, std::move(h));
        m_pOpenedFile = raw;
        if (m_pInfo->m_bFindFastEnabled) InsertIntoNameIndex(raw, replaceIndex);
    } else {
        hs.push_back(std::move(h));
        m_pOpenedFile = raw;
        m_pStorage->m_pFile->SeekToEnd();
        if (m_pInfo->m_bFindFastEnabled) InsertIntoNameIndex(raw, static_cast<std::uint16_t>(hs.size() - 1));
    }
    return raw;
}

void CZipCentralDir::FinishNewEntry()
{
    m_pOpenedFile->PatchLocalRecord(m_pStorage);
    m_pOpenedFile->WriteDescriptor(m_pStorage);
    m_pStorage->Flush();
    m_pOpenedFile = nullptr;
}

void CZipCentralDir::DetachFromFile()
{
    CInfo& info = *m_pInfo;
    if (info.m_bInArchive) {
        // The old directory is cut off: the next data and the new directory take its place.
        std::uint64_t at = m_pStorage->m_uBytesBeforeZip + info.m_uOffset;
        if (!m_pStorage->IsSegmented()) m_pStorage->m_pFile->SetLength(at);
        m_pStorage->m_pFile->Seek(static_cast<std::int64_t>(at), CZipAbstractFile::begin);
        info.m_bInArchive = false;
    } else {
        m_pStorage->Flush();
    }
}

void CZipCentralDir::RemoveEntry(CZipFileHeader* header, std::uint16_t index, bool shift)
{
    auto& hs = m_pInfo->m_headers;
    if (index == 0xFFFF) {
        for (std::size_t i = 0; i < hs.size(); ++i)
            if (hs[i].get() == header) index = static_cast<std::uint16_t>(i);
        if (index == 0xFFFF) return;
    }
    if (index >= hs.size()) return;
    if (!header) header = hs[index].get();
    if (m_pInfo->m_bFindFastEnabled) RemoveFromNameIndex(header, shift);
    hs.erase(hs.begin() + index);
}

void CZipCentralDir::RemoveLastEntry(CZipFileHeader* header, std::uint16_t index)
{
    auto& hs = m_pInfo->m_headers;
    if (hs.empty()) return;
    if (index >= 0xFFFF || index >= hs.size()) index = static_cast<std::uint16_t>(hs.size() - 1);
    if (!header) header = hs[index].get();
    std::uint64_t newEnd = m_pStorage->m_uBytesBeforeZip + header->m_uOffset;
    RemoveEntry(header, index, true);
    m_pStorage->Flush();
    m_pStorage->m_pFile->SetLength(newEnd);
    m_pStorage->m_pFile->Seek(static_cast<std::int64_t>(newEnd), CZipAbstractFile::begin);
    m_pInfo->m_bInArchive = false;
}

bool CZipCentralDir::IsValidIndex(std::uint32_t index) const { return index < GetCount() && index < 0xFFFF; }

bool CZipCentralDir::HasRenamedEntries() const
{
    if (!m_pInfo) return false;
    for (const auto& h : m_pInfo->m_headers)
        if (h->IsModified()) return true;
    return false;
}

bool CZipCentralDir::AllowRename(CZipFileHeader* header)
{
    if (!m_pArchive || !m_pArchive->CanModify()) return false;
    if (m_pArchive->m_iCommitMode != 1 && m_pStorage->IsNewSegmented()) return false;
    if (m_pInfo->m_bFindFastEnabled) {
        RemoveFromNameIndex(header, false);
        for (std::size_t i = 0; i < m_pInfo->m_headers.size(); ++i)
            if (m_pInfo->m_headers[i].get() == header) InsertIntoNameIndex(header, static_cast<std::uint16_t>(i));
    }
    return true;
}

bool CZipCentralDir::AllowAttributeChange()
{
    if (!m_pArchive || !m_pArchive->CanModify()) return false;
    DetachFromFile();
    return true;
}

// --------------------------------------------------------------- name index

void CZipCentralDir::BuildNameIndex(bool caseSensitive)
{
    CInfo& info = *m_pInfo;
    info.m_findArray.clear();
    info.m_bCaseSensitive = caseSensitive;
    info.m_pCompare = PickNameComparison(caseSensitive, true);
    for (std::size_t i = 0; i < info.m_headers.size(); ++i)
        info.m_findArray.push_back({info.m_headers[i].get(), static_cast<std::uint16_t>(i)});
    ZipNameCompare cmp = info.m_pCompare;
    std::stable_sort(info.m_findArray.begin(), info.m_findArray.end(), [cmp](const CZipFindFast& a, const CZipFindFast& b) {
        return cmp(a.m_pHeader->GetFileName(), b.m_pHeader->GetFileName()) < 0;
    });
}

std::uint16_t CZipCentralDir::FindInNameIndex(const u16string& name) const
{
    const auto& arr = m_pInfo->m_findArray;
    std::size_t lo = 0, hi = arr.size();
    while (lo < hi) {
        std::size_t mid = (lo + hi) / 2;
        int c = m_pInfo->m_pCompare(arr[mid].m_pHeader->GetFileName(), name);
        if (c == 0) return static_cast<std::uint16_t>(mid);
        if (c > 0) hi = mid;
        else lo = mid + 1;
    }
    return 0xFFFF;
}

void CZipCentralDir::InsertIntoNameIndex(CZipFileHeader* header, std::uint16_t index)
{
    auto& arr = m_pInfo->m_findArray;
    if (index >= 0xFFFF) index = static_cast<std::uint16_t>(m_pInfo->m_headers.size() - 1);
    ZipNameCompare cmp = m_pInfo->m_pCompare;
    const u16string& name = header->GetFileName();
    auto pos = std::lower_bound(arr.begin(), arr.end(), name, [cmp](const CZipFindFast& e, const u16string& n) {
        return cmp(e.m_pHeader->GetFileName(), n) < 0;
    });
    arr.insert(pos, {header, index});
}

void CZipCentralDir::RemoveFromNameIndex(const CZipFileHeader* header, bool shift)
{
    auto& arr = m_pInfo->m_findArray;
    for (std::size_t i = 0; i < arr.size(); ++i) {
        if (arr[i].m_pHeader != header) continue;
        std::uint16_t removed = arr[i].m_uIndex;
        arr.erase(arr.begin() + static_cast<std::ptrdiff_t>(i));
        for (auto& e : arr)
            if (e.m_uIndex > removed) e.m_uIndex = static_cast<std::uint16_t>(e.m_uIndex - (shift ? 1 : 0));
        return;
    }
}
