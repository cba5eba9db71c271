#include "ZipFileHeader.h"

#include <cstring>

#include "ZipCentralDir.h"
#include "ZipException.h"
#include "ZipHost.h"
#include "ZipStorage.h"
#include "celvo/bytes.h"

namespace {

bool isUnicodeSystem(int system) { return system == 3 || system == 7 || system == 20; }

bool endsWithSeparator(const u16string& s)
{
    return !s.empty() && CZipPathComponent::IsSeparator(s.back());
}

std::uint32_t dosFromUnix(std::uint32_t mode)
{
    std::uint32_t attr;
    if (mode & 0x4000) attr = 0x10;
    else attr = (mode & 0x40) ? 0 : 0x20;
    if (!(mode & 0x80)) attr |= 0x01;
    if (!(mode & 0x100)) attr |= 0x02;
    return attr;
}

std::uint32_t unixFromDos(std::uint32_t attr)
{
    bool hidden = attr & 0x02, readOnly = attr & 0x01;
    std::uint32_t mode = (!hidden && !readOnly) ? 0664 : (readOnly && !hidden) ? 0444 : (hidden && !readOnly) ? 0220 : 0;
    mode |= (attr & 0x10) ? 0x4049u : 0x8000u;
    return mode;
}

std::uint32_t toDos(std::uint32_t attr, int system)
{
    switch (system) {
    case 0: case 6: return attr;
    case 7: return attr & 0x11;
    case 3: return dosFromUnix(attr);
    default: CZipException::Throw(CZipException::platfNotSupp);
    }
}

std::uint32_t fromDos(std::uint32_t attr, int system)
{
    switch (system) {
    case 0: case 6: return attr;
    case 7: return attr & 0x11;
    case 3: return unixFromDos(attr);
    default: CZipException::Throw(CZipException::platfNotSupp);
    }
}

}  // namespace

// --------------------------------------------------------------- extra fields

void CZipExtraRecordList::RemoveInternalHeaders(std::initializer_list<std::uint16_t> ids)
{
    std::vector<CZipExtraRecord> kept;
    for (auto& r : m_records) {
        bool drop = false;
        for (auto id : ids) drop = drop || r.m_uHeaderID == id;
        if (!drop) kept.push_back(std::move(r));
    }
    m_records.swap(kept);
}

std::uint32_t CZipExtraRecordList::GetTotalSize() const
{
    std::uint32_t total = 0;
    for (const auto& r : m_records) total += r.GetTotalSize();
    return total;
}

bool CZipExtraRecordList::Parse(const std::uint8_t* data, std::uint32_t size)
{
    m_records.clear();
    std::uint32_t pos = 0;
    while (pos < size) {
        if (size - pos < 4) return false;
        std::uint16_t id = celvo::getU16(data + pos);
        std::uint16_t n = celvo::getU16(data + pos + 2);
        pos += 4;
        if (n > size - pos) return false;
        m_records.emplace_back(id, data + pos, n);
        pos += n;
    }
    return true;
}

void CZipExtraRecordList::Write(std::vector<std::uint8_t>& out) const
{
    for (const auto& r : m_records) {
        std::uint8_t b[4];
        celvo::putU16(b, r.m_uHeaderID);
        celvo::putU16(b + 2, static_cast<std::uint16_t>(r.m_data.size()));
        out.insert(out.end(), b, b + (r.m_bHasSize ? 4 : 2));
        out.insert(out.end(), r.m_data.begin(), r.m_data.end());
    }
}

// --------------------------------------------------------------------- header

CZipFileHeader::CZipFileHeader() = default;
CZipFileHeader::CZipFileHeader(CZipCentralDir* owner) : m_pCentralDir(owner) {}
CZipFileHeader::CZipFileHeader(const CZipFileHeader& other) { *this = other; }
CZipFileHeader::~CZipFileHeader() = default;

CZipFileHeader& CZipFileHeader::operator=(const CZipFileHeader& o)
{
    if (this == &o) return *this;
    bool keepIgnore = m_bIgnoreCrc32;
    m_uVersionMadeBy = o.m_uVersionMadeBy;
    m_uVersionNeeded = o.m_uVersionNeeded;
    m_uFlag = o.m_uFlag;
    m_uMethod = o.m_uMethod;
    m_uModTime = o.m_uModTime;
    m_uModDate = o.m_uModDate;
    m_uCrc32 = o.m_uCrc32;
    m_uComprSize = o.m_uComprSize;
    m_uUncomprSize = o.m_uUncomprSize;
    m_uVolumeStart = o.m_uVolumeStart;
    m_uInternalAttr = o.m_uInternalAttr;
    m_uLocalComprSize = o.m_uLocalComprSize;
    m_uLocalUncomprSize = o.m_uLocalUncomprSize;
    m_uOffset = o.m_uOffset;
    m_aLocalExtraData = o.m_aLocalExtraData;
    m_aCentralExtraData = o.m_aCentralExtraData;
    m_uExternalAttr = o.m_uExternalAttr;
    m_uLocalFileNameSize = o.m_uLocalFileNameSize;
    m_uEncryptionMethod = o.m_uEncryptionMethod;
    m_uLocalHeaderSize = o.m_uLocalHeaderSize;
    m_pCentralDir = o.m_pCentralDir;
    m_state = o.m_state;
    m_pszFileNameBuffer = o.m_pszFileNameBuffer;
    m_pszFileName = o.m_pszFileName;
    m_pszCommentBuffer = o.m_pszCommentBuffer;
    m_pszComment = o.m_pszComment;
    m_iSystemCompatibility = o.m_iSystemCompatibility;
    m_bIgnoreCrc32 = keepIgnore;
    return *this;
}

// ------------------------------------------------------------------ DOS time

std::int64_t CZipFileHeader::GetModificationTime() const
{
    struct tm t {};
    t.tm_sec = (m_uModTime & 0x1F) * 2;
    t.tm_min = (m_uModTime >> 5) & 0x3F;
    t.tm_hour = m_uModTime >> 11;
    t.tm_mday = m_uModDate & 0x1F;
    t.tm_mon = ((m_uModDate >> 5) & 0x0F) - 1;
    t.tm_year = (m_uModDate >> 9) + 80;
    t.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&t));
}

void CZipFileHeader::SetModificationTime(std::int64_t time)
{
    time_t tt = static_cast<time_t>(time);
    struct tm t {};
    if (!localtime_r(&tt, &t)) {
        m_uModDate = (1 << 5) + 1;
        m_uModTime = 0;
        return;
    }
    int year = t.tm_year + 1900;
    unsigned offset = year > 1980 ? static_cast<unsigned>(year - 1980) : 0u;
    m_uModDate = static_cast<std::uint16_t>((((offset << 4) + static_cast<unsigned>(t.tm_mon) + 1) << 5) +
                                            static_cast<unsigned>(t.tm_mday));
    m_uModTime = static_cast<std::uint16_t>((((static_cast<unsigned>(t.tm_hour) << 6) + static_cast<unsigned>(t.tm_min)) << 5) +
                                            (static_cast<unsigned>(t.tm_sec) >> 1));
}

// ---------------------------------------------------------- level and flags

void CZipFileHeader::PrepareForWrite(int level, bool segmented)
{
    m_uFlag = 0;
    m_uInternalAttr = 0;
    m_uCrc32 = 0;
    m_uComprSize = 0;
    m_uUncomprSize = 0;
    m_uVersionMadeBy = 20;
    if (m_uMethod == 8 && level >= 1 && level <= 9) {
        if (level == 1) m_uFlag |= 6;
        else if (level == 2) m_uFlag |= 4;
        else if (level >= 8) m_uFlag |= 2;
    }
    if (segmented || m_uEncryptionMethod == encStandard) m_uFlag |= flagDataDescriptor;
    if (m_uEncryptionMethod < encNone) m_uFlag |= flagEncrypted;
    m_uLocalComprSize += GetEncryptedInfoSize();
    m_uVersionNeeded = IsDirectory() ? 10 : 20;
}

int CZipFileHeader::LevelFromFlag() const
{
    if (m_uMethod == 0) return 0;
    bool b1 = m_uFlag & 2, b2 = m_uFlag & 4;
    if (b1 && b2) return 1;
    if (b2) return 2;
    if (b1) return 9;
    return -1;
}

// ---------------------------------------------------------- names, comments

unsigned CZipFileHeader::NameCodePage() const
{
    if ((m_uFlag & flagUtf8) || isUnicodeSystem(m_iSystemCompatibility)) return ZipHost::CodePageUtf8;
    if (m_iSystemCompatibility == 0 || m_iSystemCompatibility == 11) return ZipHost::CodePageOem;
    return ZipHost::CodePageAnsi;
}

unsigned CZipFileHeader::CommentCodePage() const
{
    if ((m_uFlag & flagUtf8) || isUnicodeSystem(m_iSystemCompatibility)) return ZipHost::CodePageUtf8;
    return ZipHost::CodePageAnsi;
}

const u16string& CZipFileHeader::GetFileName(bool releaseBytes) const
{
    if (!m_pszFileName) {
        u16string name;
        std::string bytes(reinterpret_cast<const char*>(m_pszFileNameBuffer.GetBuffer()),
                          m_pszFileNameBuffer.GetSize());
        if (ZipHost::DecodeBytes(bytes, name, NameCodePage()) < 0) name.clear();
        for (auto& c : name)
            if (c == u'/') c = u'\\';
        m_pszFileName = std::move(name);
    }
    if (releaseBytes) m_pszFileNameBuffer.Release();
    return *m_pszFileName;
}

const CZipAutoBuffer& CZipFileHeader::GetFileNameBytes() const
{
    const_cast<CZipFileHeader*>(this)->EncodeTextFields();
    return m_pszFileNameBuffer;
}

u16string CZipFileHeader::GetComment() const
{
    if (!m_pszComment) {
        u16string text;
        std::string bytes(reinterpret_cast<const char*>(m_pszCommentBuffer.GetBuffer()),
                          m_pszCommentBuffer.GetSize());
        if (ZipHost::DecodeBytes(bytes, text, CommentCodePage()) < 0) text.clear();
        m_pszComment = std::move(text);
    }
    return *m_pszComment;
}

bool CZipFileHeader::SetComment(const char16_t* comment)
{
    m_pszCommentBuffer.Release();
    m_pszComment = u16string(comment ? comment : u"");
    return true;
}

void CZipFileHeader::EncodeTextFields()
{
    bool nonAscii = false;
    auto encode = [&nonAscii](const std::optional<u16string>& text, CZipAutoBuffer& bytes, bool slashes) {
        if (bytes.GetSize() != 0 || !text) return;
        u16string copy = *text;
        if (slashes)
            for (auto& c : copy)
                if (c == u'\\') c = u'/';
        std::string out;
        if (ZipHost::EncodeWide(copy, out, ZipHost::CodePageUtf8) < 0) out.clear();
        for (unsigned char c : out) nonAscii = nonAscii || c >= 0x80;
        bytes.Assign(out.data(), static_cast<std::uint32_t>(std::min<std::size_t>(out.size(), 0xFFFFFFFFu)));
    };
    encode(m_pszFileName, m_pszFileNameBuffer, true);
    encode(m_pszComment, m_pszCommentBuffer, false);
    // Text that is not plain ASCII is stored as UTF-8 and marked so, so
    // that every reader decodes it the same way.
    if (nonAscii) m_uFlag |= flagUtf8;
}

bool CZipFileHeader::SetFileName(const char16_t* nameText)
{
    u16string name = nameText ? nameText : u"";
    if (!m_pCentralDir) {
        m_pszFileNameBuffer.Release();
        m_pszFileName = std::move(name);
        return true;
    }
    u16string old = GetFileName();
    CZipPathComponent::RemoveTrailingSeparators(name);
    if (IsDirectory()) name += u'\\';
    if (name == old) return true;
    CZipAutoBuffer oldBytes = m_pszFileNameBuffer;
    m_pszFileNameBuffer.Release();
    m_pszFileName = name;
    if (m_pCentralDir->AllowRename(this)) {
        m_state |= sfModified;
        return true;
    }
    m_pszFileNameBuffer = oldBytes;
    m_pszFileName = old;
    return false;
}

// ---------------------------------------------------------------- attributes

bool CZipFileHeader::IsSystemSupported(int system)
{
    return system == 0 || system == 3 || system == 6 || system == 7 || system == 11 || system == 15 ||
           system == 20;
}

std::uint32_t CZipFileHeader::ConvertAttributes(std::uint32_t attributes, int from, int to)
{
    if (from == to || from >= 11 || to >= 11) return attributes;
    return fromDos(toDos(attributes, from), to);
}

std::uint32_t CZipFileHeader::GetHostAttributes() const
{
    const u16string& name = GetFileName();
    int system = m_iSystemCompatibility;
    if (!IsSystemSupported(system)) return endsWithSeparator(name) ? 0x10 : 0x20;
    std::uint32_t attr = system == 3 ? (m_uExternalAttr >> 16) : (m_uExternalAttr & 0xFFFF);
    if (attr == 0 && endsWithSeparator(name)) return 0x10;
    return ConvertAttributes(attr, system, ZipHost::PlatformSystem);
}

bool CZipFileHeader::SetHostAttributes(std::uint32_t attributes)
{
    std::uint32_t value;
    int system = m_iSystemCompatibility;
    if (system == 3) {
        value = (ConvertAttributes(attributes, ZipHost::PlatformSystem, 3) << 16) | (attributes & 0x10);
    } else {
        value = ConvertAttributes(attributes, ZipHost::PlatformSystem, system) |
                (ConvertAttributes(attributes, ZipHost::PlatformSystem, 3) << 16);
    }
    if (value != m_uExternalAttr && m_pCentralDir && !m_pCentralDir->AllowAttributeChange()) return false;
    m_uExternalAttr = value;
    return true;
}

bool CZipFileHeader::IsDirectory() const { return (GetHostAttributes() & 0x10) != 0; }

// -------------------------------------------------------------------- sizes

std::uint32_t CZipFileHeader::CentralRecordLength() const
{
    const_cast<CZipFileHeader*>(this)->EncodeTextFields();
    return 46 + m_pszFileNameBuffer.GetSize() + m_pszCommentBuffer.GetSize() + m_aCentralExtraData.GetTotalSize();
}

std::uint32_t CZipFileHeader::LocalRecordLength(bool real) const
{
    if (real) return m_uLocalHeaderSize;
    const_cast<CZipFileHeader*>(this)->EncodeTextFields();
    return 30 + m_pszFileNameBuffer.GetSize() + m_aLocalExtraData.GetTotalSize();
}

std::uint32_t CZipFileHeader::DataDescriptorLength(bool withSignature) const
{
    if (!NeedsDataDescriptor()) return 0;
    return withSignature ? 16 : 12;
}

bool CZipFileHeader::NeedsSignatureInDataDescriptor(const CZipStorage* storage) const
{
    return (storage && storage->IsSegmented()) || IsEncrypted();
}

std::uint32_t CZipFileHeader::GetDataDescriptorSizeIn(const CZipStorage* storage) const
{
    return DataDescriptorLength(NeedsSignatureInDataDescriptor(storage));
}

void CZipFileHeader::GetCrcAndSizes(std::uint32_t out[3], bool local) const
{
    out[0] = m_bIgnoreCrc32 ? 0 : m_uCrc32;
    out[1] = local ? m_uLocalComprSize : m_uComprSize;
    out[2] = local ? m_uLocalUncomprSize : m_uUncomprSize;
}

bool CZipFileHeader::IsCompressionEfficient() const
{
    std::uint32_t enc = GetEncryptedInfoSize();
    std::uint32_t packed = m_uComprSize > enc ? m_uComprSize - enc : 0;
    return packed <= m_uUncomprSize;
}

void CZipFileHeader::ThrowTooLong(bool withPath) const
{
    if (withPath && m_pCentralDir) m_pCentralDir->ThrowError(CZipException::tooLongData);
    CZipException::Throw(CZipException::tooLongData);
}

// ------------------------------------------------------------------ records

bool CZipFileHeader::ReadExtraField(CZipStorage* storage, CZipExtraRecordList& list, std::uint16_t size)
{
    if (size == 0) return true;
    list.Clear();
    CZipAutoBuffer buf(size);
    storage->Read(buf.GetBuffer(), size, true);
    return list.Parse(buf.GetBuffer(), size);
}

bool CZipFileHeader::ReadCentralRecord(bool readSignature)
{
    CZipStorage* storage = m_pCentralDir->GetStorage();
    std::uint8_t buf[46];
    std::uint32_t start = readSignature ? 0 : 4;
    storage->Read(buf + start, 46 - start, true);
    if (readSignature && celvo::getU32(buf) != CentralSignature) return false;
    m_uVersionMadeBy = celvo::getU16(buf + 4);
    m_uVersionNeeded = celvo::getU16(buf + 6);
    m_uFlag = celvo::getU16(buf + 8);
    m_uMethod = celvo::getU16(buf + 10);
    m_uModTime = celvo::getU16(buf + 12);
    m_uModDate = celvo::getU16(buf + 14);
    m_uCrc32 = celvo::getU32(buf + 16);
    m_uComprSize = celvo::getU32(buf + 20);
    m_uUncomprSize = celvo::getU32(buf + 24);
    std::uint16_t nameSize = celvo::getU16(buf + 28);
    std::uint16_t extraSize = celvo::getU16(buf + 30);
    std::uint16_t commentSize = celvo::getU16(buf + 32);
    m_uVolumeStart = celvo::getU16(buf + 34);
    m_uInternalAttr = celvo::getU16(buf + 36);
    m_uExternalAttr = celvo::getU32(buf + 38);
    m_uOffset = celvo::getU32(buf + 42);
    m_uEncryptionMethod = (m_uFlag & flagEncrypted) ? encStandard : encNone;
    m_iSystemCompatibility = static_cast<std::uint8_t>(m_uVersionMadeBy >> 8);
    m_uVersionMadeBy &= 0xFF;
    std::uint32_t volume = storage->GetCurrentVolume();

    m_pszFileName.reset();
    m_pszFileNameBuffer.Allocate(nameSize);
    if (nameSize) storage->Read(m_pszFileNameBuffer.GetBuffer(), nameSize, true);
    if (!ReadExtraField(storage, m_aCentralExtraData, extraSize)) return false;
    m_pszComment.reset();
    m_pszCommentBuffer.Allocate(commentSize);
    if (commentSize) storage->Read(m_pszCommentBuffer.GetBuffer(), commentSize, true);
    m_aCentralExtraData.RemoveInternalHeaders({0x0001, 0x9901, 0x7075, 0x6375, 0x5A4C});
    return storage->IsBinarySplit() || storage->GetCurrentVolume() == volume;
}

std::uint32_t CZipFileHeader::WriteCentralRecord(CZipStorage* storage)
{
    m_aCentralExtraData.RemoveInternalHeaders({0x0001, 0x9901, 0x7075, 0x6375, 0x5A4C});
    EncodeTextFields();
    std::uint32_t nameSize = m_pszFileNameBuffer.GetSize();
    std::uint32_t commentSize = m_pszCommentBuffer.GetSize();
    std::uint32_t extraSize = m_aCentralExtraData.GetTotalSize();
    if (nameSize >= 0x10000 || commentSize >= 0x10000 || extraSize >= 0x10000) ThrowTooLong(false);
    std::vector<std::uint8_t> rec(46);
    std::uint8_t* b = rec.data();
    std::uint32_t crcSizes[3];
    GetCrcAndSizes(crcSizes, false);
    celvo::putU32(b, CentralSignature);
    celvo::putU16(b + 4, static_cast<std::uint16_t>((m_iSystemCompatibility << 8) | (m_uVersionMadeBy & 0xFF)));
    celvo::putU16(b + 6, m_uVersionNeeded);
    celvo::putU16(b + 8, m_uFlag);
    celvo::putU16(b + 10, m_uMethod);
    celvo::putU16(b + 12, m_uModTime);
    celvo::putU16(b + 14, m_uModDate);
    celvo::putU32(b + 16, crcSizes[0]);
    celvo::putU32(b + 20, crcSizes[1]);
    celvo::putU32(b + 24, crcSizes[2]);
    celvo::putU16(b + 28, static_cast<std::uint16_t>(nameSize));
    celvo::putU16(b + 30, static_cast<std::uint16_t>(extraSize));
    celvo::putU16(b + 32, static_cast<std::uint16_t>(commentSize));
    celvo::putU16(b + 34, m_uVolumeStart);
    celvo::putU16(b + 36, m_uInternalAttr);
    celvo::putU32(b + 38, m_uExternalAttr);
    celvo::putU32(b + 42, m_uOffset);
    rec.insert(rec.end(), m_pszFileNameBuffer.GetBuffer(), m_pszFileNameBuffer.GetBuffer() + nameSize);
    m_aCentralExtraData.Write(rec);
    rec.insert(rec.end(), m_pszCommentBuffer.GetBuffer(), m_pszCommentBuffer.GetBuffer() + commentSize);
    storage->Write(rec.data(), static_cast<std::uint32_t>(rec.size()), true);
    m_aCentralExtraData.RemoveInternalHeaders({0x0001, 0x9901, 0x7075, 0x6375, 0x5A4C});
    ClearDecodedName();
    return static_cast<std::uint32_t>(rec.size());
}

bool CZipFileHeader::ReadLocalRecord(CZipCentralDir* centralDir)
{
    CZipStorage* storage = centralDir->GetStorage();
    std::uint32_t ignored = centralDir->m_iIgnoredChecks;
    storage->SwitchVolume(m_uVolumeStart);
    storage->Seek(m_uOffset);
    std::uint8_t buf[30];
    storage->Read(buf, 30, true);
    if (celvo::getU32(buf) != LocalSignature) return false;
    std::uint16_t flag = celvo::getU16(buf + 6);
    std::uint16_t method = celvo::getU16(buf + 8);
    if (!(ignored & CZipCentralDir::checkLocalFlag) && (flag & 0xF) != (m_uFlag & 0xF)) return false;
    m_uLocalFileNameSize = celvo::getU16(buf + 26);
    std::uint16_t extraSize = celvo::getU16(buf + 28);
    storage->Seek(storage->GetPosition() + m_uLocalFileNameSize);
    m_uLocalHeaderSize = 30u + m_uLocalFileNameSize + extraSize;
    std::uint32_t volume = storage->GetCurrentVolume();
    if (!ReadExtraField(storage, m_aLocalExtraData, extraSize)) return false;
    std::uint32_t crc = celvo::getU32(buf + 14);
    m_uLocalComprSize = celvo::getU32(buf + 18);
    m_uLocalUncomprSize = celvo::getU32(buf + 22);
    if (method == 99 && m_uEncryptionMethod < encNone) centralDir->ThrowError(CZipException::noAES);
    if (!(ignored & CZipCentralDir::checkLocalMethod) && method != m_uMethod) return false;
    if (!(flag & flagDataDescriptor)) {
        if (!(ignored & CZipCentralDir::checkLocalCRC) && crc != m_uCrc32) return false;
        if (!(ignored & CZipCentralDir::checkLocalSizes) &&
            ((m_uLocalComprSize != 0 && m_uLocalComprSize != m_uComprSize) || m_uLocalUncomprSize != m_uUncomprSize))
            return false;
    }
    return storage->IsBinarySplit() || storage->GetCurrentVolume() == volume;
}

void CZipFileHeader::WriteLocalRecord(CZipStorage* storage)
{
    m_aLocalExtraData.RemoveInternalHeaders({0x9901, 0x7075, 0x6375});
    if (NeedsDataDescriptor()) {
        m_uLocalComprSize = 0;
        if (m_uEncryptionMethod < 1 || m_uEncryptionMethod > 3) m_uLocalUncomprSize = 0;
    }
    EncodeTextFields();
    std::uint32_t nameSize = m_pszFileNameBuffer.GetSize();
    std::uint32_t extraSize = m_aLocalExtraData.GetTotalSize();
    if (nameSize >= 0x10000 || m_pszCommentBuffer.GetSize() >= 0x10000 || extraSize >= 0x10000) ThrowTooLong(true);
    m_uLocalFileNameSize = static_cast<std::uint16_t>(nameSize);
    m_uLocalHeaderSize = 30 + nameSize + extraSize;
    std::vector<std::uint8_t> rec(30);
    std::uint8_t* b = rec.data();
    celvo::putU32(b, LocalSignature);
    celvo::putU16(b + 4, m_uVersionNeeded);
    celvo::putU16(b + 6, m_uFlag);
    celvo::putU16(b + 8, m_uMethod);
    celvo::putU16(b + 10, m_uModTime);
    celvo::putU16(b + 12, m_uModDate);
    celvo::putU32(b + 14, m_bIgnoreCrc32 ? 0 : m_uCrc32);
    celvo::putU32(b + 18, m_uLocalComprSize);
    celvo::putU32(b + 22, m_uLocalUncomprSize);
    celvo::putU16(b + 26, static_cast<std::uint16_t>(nameSize));
    celvo::putU16(b + 28, static_cast<std::uint16_t>(extraSize));
    rec.insert(rec.end(), m_pszFileNameBuffer.GetBuffer(), m_pszFileNameBuffer.GetBuffer() + nameSize);
    m_aLocalExtraData.Write(rec);
    storage->Write(rec.data(), static_cast<std::uint32_t>(rec.size()), true);
    m_uVolumeStart = static_cast<std::uint16_t>(storage->IsBinarySplit() ? 0 : storage->GetCurrentVolume());
    m_uOffset = static_cast<std::uint32_t>(storage->GetPosition() - m_uLocalHeaderSize);
    m_aLocalExtraData.RemoveInternalHeaders({0x9901, 0x7075, 0x6375});
    ClearDecodedName();
}

void CZipFileHeader::WriteDescriptor(CZipStorage* storage)
{
    if (!NeedsDataDescriptor()) return;
    bool sig = NeedsSignatureInDataDescriptor(storage);
    std::uint8_t b[16];
    std::uint8_t* p = b;
    if (sig) {
        celvo::putU32(p, DescriptorSignature);
        p += 4;
    }
    celvo::putU32(p, m_bIgnoreCrc32 ? 0 : m_uCrc32);
    celvo::putU32(p + 4, m_uComprSize);
    celvo::putU32(p + 8, m_uUncomprSize);
    storage->Write(b, sig ? 16 : 12, true);
}

bool CZipFileHeader::VerifyDescriptor(CZipStorage* storage)
{
    if (!NeedsDataDescriptor()) return true;
    std::uint8_t b[16];
    storage->Read(b, 12, false);
    const std::uint8_t* p = b;
    if (celvo::getU32(b) == DescriptorSignature) {
        storage->Read(b + 12, 4, false);
        p = b + 4;
    }
    return celvo::getU32(p) == m_uCrc32 && celvo::getU32(p + 4) == m_uComprSize &&
           celvo::getU32(p + 8) == m_uUncomprSize;
}

void CZipFileHeader::PatchLocalRecord(CZipStorage* storage)
{
    if (storage->IsSegmented() || NeedsDataDescriptor()) return;
    storage->Flush();
    m_uLocalComprSize = m_uComprSize;
    m_uLocalUncomprSize = m_uUncomprSize;
    std::uint8_t b[12];
    celvo::putU32(b, m_bIgnoreCrc32 ? 0 : m_uCrc32);
    celvo::putU32(b + 4, m_uComprSize);
    celvo::putU32(b + 8, m_uUncomprSize);
    CZipAbstractFile* file = storage->m_pFile;
    std::uint64_t saved = file->GetPosition();
    storage->Seek(static_cast<std::uint64_t>(m_uOffset) + 14);
    file->Write(b, 12);
    file->Seek(static_cast<std::int64_t>(saved), CZipAbstractFile::begin);
}
