#include "ZipPackage.h"

#include <algorithm>
#include <thread>

#ifdef __linux__
#include <sched.h>
#endif

#include "celvo/file.h"
#include "celvo/xlerror.h"

namespace celvo {

namespace {

// Level 5 deflates the markup of a sheet in about half the time of the
// default level 6, into an entry about 2% larger.
constexpr int kDeflateLevel = 5;
// At most this many threads deflate one part, and only when the process
// may run on at least that many processors: with fewer, one thread of
// libdeflate costs less time and far less processor time than zlib's
// pieces side by side.
constexpr unsigned kDeflateThreads = 4;

unsigned processorsAllowed()
{
#ifdef __linux__
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return static_cast<unsigned>(CPU_COUNT(&set));
#endif
    return std::thread::hardware_concurrency();
}

[[noreturn]] void rethrowAsEngineError(const CZipException& e)
{
    throw xlerror(utf16ToUtf8(e.GetErrorDescription()));
}

template <class Body>
auto engineErrors(Body&& body) -> decltype(body())
{
    try {
        return body();
    } catch (const CZipException& e) {
        rethrowAsEngineError(e);
    }
}

u16string withSlashes(u16string name)
{
    std::replace(name.begin(), name.end(), u'\\', u'/');
    return name;
}

}  // namespace

// -------------------------------------------------------------------- reader

ZipReader::ZipReader(const u16string& path)
{
    engineErrors([&] { return m_archive.Open(path, CBundlex::zipOpenReadOnly, 0); });
}

ZipReader::ZipReader(const std::uint8_t* data, std::size_t size)
{
    if (size > 0xFFFFFFFFu) throw xlerror(utf16ToUtf8(CZipException::GetCauseDescription(CZipException::tooBigSize)));
    // The archive is opened read-only: the caller's bytes are never written.
    m_file.Attach(const_cast<std::uint8_t*>(data), static_cast<std::uint32_t>(size));
    engineErrors([&] { return m_archive.OpenAbstractFile(m_file, CBundlex::zipOpenReadOnly, false); });
}

ZipReader::~ZipReader()
{
    try {
        m_archive.Close(CBundlex::afNoException);
    } catch (...) {
        try {
            m_archive.Close(CBundlex::afAfterException);
        } catch (...) {
        }
    }
}

u16string ZipReader::name(std::uint32_t i)
{
    CZipFileHeader* h = i < 0xFFFF ? m_archive.GetFileHeader(static_cast<std::uint16_t>(i)) : nullptr;
    return h ? withSlashes(h->GetFileName()) : u16string();
}

bool ZipReader::isDirectory(std::uint32_t i)
{
    CZipFileHeader* h = i < 0xFFFF ? m_archive.GetFileHeader(static_cast<std::uint16_t>(i)) : nullptr;
    return h && h->IsDirectory();
}

std::vector<std::uint8_t> ZipReader::extract(std::uint32_t i, const ZipLimits& limits, std::uint64_t& total)
{
    return engineErrors([&] {
        CZipFileHeader* h = i < 0xFFFF ? m_archive.GetFileHeader(static_cast<std::uint16_t>(i)) : nullptr;
        if (!h) throw xlerror("zip entry index is out of range");
        std::uint64_t declared = h->m_uUncomprSize;
        if (declared > limits.maxEntrySize || declared > limits.maxTotalSize - std::min(total, limits.maxTotalSize))
            CZipException::Throw(CZipException::tooBigSize, m_archive.GetArchivePath());
        if (!m_archive.OpenEntryForExtract(static_cast<std::uint16_t>(i)))
            throw xlerror("unsupported compression method in zip entry");
        // Never reserve more than the data could expand to.
        std::uint64_t packed = h->m_uComprSize;
        std::uint64_t reserve = std::min<std::uint64_t>(declared, packed * 1032 + 65536);
        std::vector<std::uint8_t> data;
        CZipAbstractFile* file = m_archive.GetStorage().m_pFile;
        if (h->m_uMethod == 8 && declared > 0 && declared <= reserve && file && packed <= file->GetLength()) {
            // In one piece when the entry allows it; else it is read again as a stream.
            data.resize(static_cast<std::size_t>(declared));
            if (m_archive.ReadWholeFile(data.data(), static_cast<std::uint32_t>(declared))) {
                if (m_archive.CloseEntryForExtract(nullptr, false) != 1)
                    CZipException::Throw(CZipException::badZipFile, m_archive.GetArchivePath());
                total += data.size();
                return data;
            }
            data.clear();
            m_archive.CloseEntryForExtract(nullptr, true);
            if (!m_archive.OpenEntryForExtract(static_cast<std::uint16_t>(i)))
                throw xlerror("unsupported compression method in zip entry");
        }
        data.reserve(static_cast<std::size_t>(reserve));
        std::vector<std::uint8_t> buffer(65536);
        for (;;) {
            std::uint32_t n = m_archive.ReadFile(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
            if (n == 0) break;
            data.insert(data.end(), buffer.begin(), buffer.begin() + n);
        }
        if (m_archive.CloseEntryForExtract(nullptr, false) != 1 || data.size() != declared)
            CZipException::Throw(CZipException::badZipFile, m_archive.GetArchivePath());
        total += data.size();
        return data;
    });
}

namespace {
std::vector<ZipEntry> readAll(ZipReader& reader, const ZipLimits& limits)
{
    std::vector<ZipEntry> entries;
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < reader.count(); ++i) {
        if (reader.isDirectory(i)) continue;
        ZipEntry e;
        e.name = reader.name(i);
        e.data = reader.extract(i, limits, total);
        entries.push_back(std::move(e));
    }
    return entries;
}
}  // namespace

std::vector<ZipEntry> readZipPackage(const std::uint8_t* data, std::size_t size, const ZipLimits& limits)
{
    ZipReader reader(data, size);
    return readAll(reader, limits);
}

std::vector<ZipEntry> readZipPackageFile(const u16string& path, const ZipLimits& limits)
{
    ZipReader reader(path);
    return readAll(reader, limits);
}

// -------------------------------------------------------------------- writer

ZipWriter::ZipWriter() : m_file(1024)
{
    engineErrors([&] { return m_archive.OpenAbstractFile(m_file, CBundlex::zipCreate, false); });
    // Large parts (the sheets) are deflated a piece per thread.
    BundlexLib::CDeflateCompressor::COptions options;
    options.m_iThreads = processorsAllowed() >= kDeflateThreads ? kDeflateThreads : 1;
    m_archive.SetCompressionOptions(options);
}

ZipWriter::ZipWriter(u16string path) : ZipWriter() { m_path = std::move(path); }

ZipWriter::~ZipWriter()
{
    try {
        m_archive.Close(CBundlex::afWriteDir);
    } catch (...) {
    }
}

void ZipWriter::add(const u16string& name, const std::uint8_t* data, std::size_t size)
{
    if (m_finished) throw xlerror("the package is already finished");
    if (name.empty()) throw xlerror("a zip entry needs a name");
    if (size > 0xFFFFFFFFu) throw xlerror(utf16ToUtf8(CZipException::GetCauseDescription(CZipException::tooBigSize)));
    engineErrors([&] {
        static const std::uint8_t none = 0;
        CZipMemFile source;
        source.Attach(const_cast<std::uint8_t*>(data ? data : &none), static_cast<std::uint32_t>(size));
        CZipAddRequest request(&source, name);
        request.m_iComprLevel = kDeflateLevel;
        request.m_iSmartLevel = CBundlex::zipsmNotCompSmall | CBundlex::zipsmCPFile0 | CBundlex::zipsmCPassDir;
        request.m_nBufSize = 65536;
        request.m_uDosDate = m_dosDate;
        request.m_uDosTime = m_dosTime;
        bool ok = m_archive.AddNewFile(request);
        source.Detach();
        if (!ok) throw xlerror(utf16ToUtf8(CZipException::GetCauseDescription(CZipException::tooManyFiles)));
        return ok;
    });
}

std::vector<std::uint8_t> ZipWriter::finish()
{
    if (m_finished) throw xlerror("the package is already finished");
    engineErrors([&] { return m_archive.Close(CBundlex::afNoException); });
    m_finished = true;
    std::vector<std::uint8_t> bytes(m_file.GetBuffer(), m_file.GetBuffer() + m_file.GetLength());
    if (!m_path.empty()) {
        std::string error;
        if (!atomicWriteFile(pathToNative(m_path), bytes.data(), bytes.size(), &error)) throw xlerror(error);
    }
    return bytes;
}

std::vector<std::uint8_t> writeZipPackage(const std::vector<ZipEntry>& entries)
{
    ZipWriter writer;
    for (const auto& e : entries) writer.add(e.name, e.data);
    return writer.finish();
}

void writeZipPackageFile(const u16string& path, const std::vector<ZipEntry>& entries)
{
    ZipWriter writer(path);
    for (const auto& e : entries) writer.add(e.name, e.data);
    writer.finish();
}

}  // namespace celvo
