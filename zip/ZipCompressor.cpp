#include "ZipCompressor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>

#include <libdeflate.h>

#include "ZipCryptograph.h"
#include "ZipException.h"
#include "ZipFileHeader.h"
#include "ZipStorage.h"

CZipCompressor* CZipCompressor::CreateForMethod(std::uint16_t method, CZipStorage* storage)
{
    if (method == 0 || method == 8) return new BundlexLib::CDeflateCompressor(storage);
    return nullptr;
}

void CZipCompressor::UpdateOptions(const COptionsMap& optionsMap)
{
    const COptions* own = GetOptions();
    if (!own) return;
    auto it = optionsMap.find(own->GetType());
    if (it != optionsMap.end() && it->second) UpdateOptions(*it->second);
}

void CZipCompressor::AllocateBuffer()
{
    std::uint32_t size = 0x20000;
    if (const auto* o = dynamic_cast<const BundlexLib::CBaseLibCompressor::COptions*>(GetOptions()))
        if (o->m_iBufferSize) size = o->m_iBufferSize;
    m_pBuffer.Allocate(size);
}

void CZipCompressor::AddToHeaderCrc(const void* data, std::uint32_t size)
{
    m_pFile->m_uCrc32 = libdeflate_crc32(m_pFile->m_uCrc32, data, size);
}

void CZipCompressor::AddToRunningCrc(const void* data, std::uint32_t size)
{
    m_uCrc32 = libdeflate_crc32(m_uCrc32, data, size);
}

void CZipCompressor::CompressWhole(const void* buffer, std::uint32_t size)
{
    constexpr std::uint32_t kPiece = 65536;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    for (std::uint32_t at = 0; at < size; at += std::min(kPiece, size - at))
        Compress(bytes + at, std::min(kPiece, size - at));
}

void CZipCompressor::ThrowError(int code, bool internal) const
{
    if (internal) code = ConvertInternalError(code);
    CZipException::Throw(code, m_pStorage && m_pStorage->IsOpen() ? m_pStorage->GetArchivePath() : u16string());
}

void CZipCompressor::InitCompression(int, CZipFileHeader* header, CZipCryptograph* cryptograph)
{
    AllocateBuffer();
    m_pFile = header;
    m_pCryptograph = cryptograph;
    m_uComprLeft = 0;
    m_uUncomprLeft = 0;
}

void CZipCompressor::InitDecompression(CZipFileHeader* header, CZipCryptograph* cryptograph)
{
    AllocateBuffer();
    m_pFile = header;
    m_pCryptograph = cryptograph;
    std::uint32_t enc = header->GetEncryptedInfoSize();
    m_uComprLeft = header->m_uComprSize > enc ? header->m_uComprSize - enc : 0;
    m_uUncomprLeft = header->m_uUncomprSize;
    m_uCrc32 = 0;
    m_bDecompressionDone = false;
}

void CZipCompressor::FlushWriteBuffer()
{
    auto used = static_cast<std::uint32_t>(m_uComprLeft);
    if (used == 0) return;
    if (m_pCryptograph) m_pCryptograph->Encode(m_pBuffer.GetBuffer(), used);
    m_pStorage->Write(m_pBuffer.GetBuffer(), used, false);
    m_uComprLeft = 0;
}

namespace BundlexLib {

// zlib's memory goes through a list so that an aborted entry leaves nothing behind.
void* CBaseLibCompressor::_zipalloc(void* opaque, unsigned items, unsigned size)
{
    void* p = std::calloc(items, size);
    if (p && opaque) static_cast<std::vector<void*>*>(opaque)->push_back(p);
    return p;
}

void CBaseLibCompressor::_zipfree(void* opaque, void* address)
{
    if (opaque) {
        auto* list = static_cast<std::vector<void*>*>(opaque);
        auto it = std::find(list->begin(), list->end(), address);
        if (it != list->end()) list->erase(it);
    }
    std::free(address);
}

void CBaseLibCompressor::EmptyPtrList()
{
    for (void* p : m_list) std::free(p);
    m_list.clear();
}

CDeflateCompressor::CDeflateCompressor(CZipStorage* storage) : CBaseLibCompressor(storage) {}

CDeflateCompressor::~CDeflateCompressor() = default;

void CDeflateCompressor::UpdateOptions(const CZipCompressor::COptions& options)
{
    if (const auto* o = dynamic_cast<const CBaseLibCompressor::COptions*>(&options)) {
        m_options.m_iBufferSize = o->m_iBufferSize;
        m_options.m_bDetectLibMemoryLeaks = o->m_bDetectLibMemoryLeaks;
        m_options.m_bCheckLastBlock = o->m_bCheckLastBlock;
    }
    if (const auto* o = dynamic_cast<const COptions*>(&options)) {
        m_options.m_iThreads = o->m_iThreads;
        m_options.m_uChunkSize = std::max<std::uint32_t>(o->m_uChunkSize, 64u * 1024u);
    }
}

int CDeflateCompressor::ConvertInternalError(int error) const
{
    switch (error) {
    case Z_VERSION_ERROR: return CZipException::versionError;
    case Z_BUF_ERROR: return CZipException::bufError;
    case Z_MEM_ERROR: return CZipException::memError;
    case Z_DATA_ERROR: return CZipException::dataError;
    case Z_STREAM_ERROR: return CZipException::streamError;
    case Z_ERRNO: return CZipException::errNo;
    case Z_STREAM_END: return CZipException::streamEnd;
    case Z_NEED_DICT: return CZipException::needDict;
    default: return CZipException::genericError;
    }
}

void CDeflateCompressor::InstallAllocator()
{
    m_stream = z_stream{};
    m_stream.zalloc = &_zipalloc;
    m_stream.zfree = &_zipfree;
    m_stream.opaque = m_options.m_bDetectLibMemoryLeaks ? &m_list : nullptr;
}

namespace {

constexpr std::size_t kWindow = 32768;

// One piece of an entry deflated on its own: primed with the data before
// it, ended with a flush to a byte boundary (or the end of the stream), so
// that the pieces written one after the other make one deflate stream.
struct Piece {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    const std::uint8_t* dictionary = nullptr;
    std::size_t dictionarySize = 0;
    bool last = false;
    std::vector<std::uint8_t> out;
    int error = Z_OK;
};

void deflatePiece(Piece& p, int level) noexcept
{
    z_stream s{};
    p.error = deflateInit2(&s, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    if (p.error != Z_OK) return;
    try {
        if (p.dictionarySize)
            p.error = deflateSetDictionary(&s, p.dictionary, static_cast<uInt>(p.dictionarySize));
        p.out.resize(deflateBound(&s, static_cast<uLong>(p.size)) + 64);
        s.next_in = const_cast<Bytef*>(p.data);
        s.avail_in = static_cast<uInt>(p.size);
        std::size_t produced = 0;
        while (p.error == Z_OK) {
            s.next_out = p.out.data() + produced;
            s.avail_out = static_cast<uInt>(p.out.size() - produced);
            const int err = deflate(&s, p.last ? Z_FINISH : Z_SYNC_FLUSH);
            produced = p.out.size() - s.avail_out;
            if (p.last && err == Z_STREAM_END) break;
            if (!p.last && err == Z_OK && s.avail_in == 0 && s.avail_out > 0) break;
            if (err != Z_OK && err != Z_BUF_ERROR) {
                p.error = err;
            } else if (s.avail_out == 0) {
                p.out.resize(p.out.size() * 2);
            } else if (err == Z_BUF_ERROR) {
                p.error = err;  // no progress with room left
            }
        }
        p.out.resize(produced);
    } catch (...) {
        p.error = Z_MEM_ERROR;
    }
    deflateEnd(&s);
}

}  // namespace

void CDeflateCompressor::DeflatePending(bool last)
{
    const std::size_t chunk = m_options.m_uChunkSize;
    std::vector<Piece> pieces;
    for (std::size_t at = 0; at < m_pending.size() || (last && pieces.empty()); at += chunk) {
        Piece p;
        p.data = m_pending.data() + at;
        p.size = std::min(chunk, m_pending.size() - at);
        if (at > 0) {
            p.dictionarySize = std::min(kWindow, at);
            p.dictionary = p.data - p.dictionarySize;
        } else {
            p.dictionary = m_window.data();
            p.dictionarySize = m_window.size();
        }
        pieces.push_back(p);
        if (at + chunk >= m_pending.size()) break;
    }
    if (last) pieces.back().last = true;
    // The first piece on this thread, the others on threads of their own
    // (on this one too when no thread can be started).
    std::vector<std::thread> threads;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        try {
            threads.emplace_back(deflatePiece, std::ref(pieces[i]), m_iLevel);
        } catch (...) {
            deflatePiece(pieces[i], m_iLevel);
        }
    }
    if (!pieces.empty()) deflatePiece(pieces[0], m_iLevel);
    for (std::thread& t : threads) t.join();
    for (const Piece& p : pieces) CheckForError(p.error);
    for (const Piece& p : pieces) WriteDeflated(p.out.data(), p.out.size());
    // The dictionary of the next piece: the last 32 KiB of the data so far.
    if (m_pending.size() >= kWindow) {
        m_window.assign(m_pending.end() - kWindow, m_pending.end());
    } else {
        m_window.insert(m_window.end(), m_pending.begin(), m_pending.end());
        if (m_window.size() > kWindow) m_window.erase(m_window.begin(), m_window.end() - kWindow);
    }
    m_pending.clear();
}

void CDeflateCompressor::WriteDeflated(const std::uint8_t* data, std::size_t size)
{
    m_uTotalOut += size;
    while (size > 0) {
        const std::size_t room = m_pBuffer.GetSize() - static_cast<std::size_t>(m_uComprLeft);
        if (room == 0) {
            FlushWriteBuffer();
            continue;
        }
        const std::size_t n = std::min(room, size);
        std::memcpy(m_pBuffer.GetBuffer() + m_uComprLeft, data, n);
        m_uComprLeft += n;
        data += n;
        size -= n;
    }
}

void CDeflateCompressor::CompressWhole(const void* buffer, std::uint32_t size)
{
    const bool started = m_uTotalIn > 0 || m_stream.total_in > 0 || m_bWhole;
    if (m_uMethod != 8 || started || (Parallel() && size >= 2ull * m_options.m_uChunkSize)) {
        CZipCompressor::CompressWhole(buffer, size);
        return;
    }
    AddToHeaderCrc(buffer, size);
    // zlib's levels 1 to 9 are libdeflate's too; its default is zlib's 6.
    const int level = m_iLevel < 1 || m_iLevel > 9 ? 6 : m_iLevel;
    std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor(
        libdeflate_alloc_compressor(level), &libdeflate_free_compressor);
    if (!compressor) ThrowError(CZipException::memError);
    const std::size_t bound = libdeflate_deflate_compress_bound(compressor.get(), size);
    // Left uninitialised: only the pages that the deflated data fills are touched.
    std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[bound]);
    const std::size_t produced = libdeflate_deflate_compress(compressor.get(), buffer, size, out.get(), bound);
    if (produced == 0) ThrowError(CZipException::genericError);
    compressor.reset();
    WriteDeflated(out.get(), produced);
    m_uTotalIn = size;
    m_bWhole = true;
}

bool CDeflateCompressor::DecompressWhole(void* buffer, std::uint32_t size)
{
    if (m_uMethod != 8 || m_bDecompressionDone || size == 0 || m_uUncomprLeft != size || m_stream.avail_in != 0)
        return false;
    // Deflate never grows data by more than a few bytes a block: more packed
    // bytes than that are not held in memory here.
    const std::uint64_t packedSize = m_uComprLeft;
    if (packedSize == 0 || packedSize > static_cast<std::uint64_t>(size) + size / 16 + 1024) return false;
    std::unique_ptr<std::uint8_t[]> packed(new std::uint8_t[static_cast<std::size_t>(packedSize)]);
    try {
        m_pStorage->Read(packed.get(), static_cast<std::uint32_t>(packedSize), false);
    } catch (const CZipException&) {
        return false;
    }
    if (m_pCryptograph) m_pCryptograph->Decode(packed.get(), static_cast<std::uint32_t>(packedSize));
    std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> decompressor(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    if (!decompressor) return false;
    std::size_t in = 0, out = 0;
    const libdeflate_result result = libdeflate_deflate_decompress_ex(
        decompressor.get(), packed.get(), static_cast<std::size_t>(packedSize), buffer, size, &in, &out);
    // Anything but the exact data with nothing after it is left to the
    // stream, which names the fault.
    if (result != LIBDEFLATE_SUCCESS || out != size || in != packedSize) return false;
    m_uCrc32 = libdeflate_crc32(0, buffer, size);
    m_uComprLeft = 0;
    m_uUncomprLeft = 0;
    m_bDecompressionDone = true;
    return true;
}

bool CDeflateCompressor::HasUnreadData() const
{
    return m_uComprLeft > 0 || (m_uMethod == 0 && m_stream.avail_in > 0);
}

void CDeflateCompressor::InitCompression(int level, CZipFileHeader* header, CZipCryptograph* cryptograph)
{
    CZipCompressor::InitCompression(level, header, cryptograph);
    m_uMethod = header->m_uMethod;
    InstallAllocator();
    m_stream.next_out = m_pBuffer.GetBuffer();
    m_stream.avail_out = m_pBuffer.GetSize();
    m_iLevel = level;
    m_pending.clear();
    m_window.clear();
    m_uTotalIn = m_uTotalOut = 0;
    m_bWhole = false;
    if (m_uMethod == 8 && !Parallel()) {
        int err = deflateInit2(&m_stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        CheckForError(err);
        m_bStreamOpen = true;
    }
}

void CDeflateCompressor::Compress(const void* buffer, std::uint32_t size)
{
    AddToHeaderCrc(buffer, size);
    if (Parallel()) {
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        m_pending.insert(m_pending.end(), bytes, bytes + size);
        m_uTotalIn += size;
        if (m_pending.size() >= static_cast<std::size_t>(m_options.m_iThreads) * m_options.m_uChunkSize)
            DeflatePending(false);
        return;
    }
    m_stream.next_in = static_cast<Bytef*>(const_cast<void*>(buffer));
    m_stream.avail_in = size;
    while (m_stream.avail_in > 0) {
        if (m_stream.avail_out == 0) {
            FlushWriteBuffer();
            m_stream.next_out = m_pBuffer.GetBuffer();
            m_stream.avail_out = m_pBuffer.GetSize();
        }
        if (m_uMethod == 8) {
            uLong before = m_stream.total_out;
            CheckForError(deflate(&m_stream, Z_NO_FLUSH));
            m_uComprLeft += m_stream.total_out - before;
        } else {
            std::uint32_t n = std::min(m_stream.avail_in, m_stream.avail_out);
            std::memcpy(m_stream.next_out, m_stream.next_in, n);
            m_stream.next_in += n;
            m_stream.avail_in -= n;
            m_stream.next_out += n;
            m_stream.avail_out -= n;
            m_stream.total_in += n;
            m_stream.total_out += n;
            m_uComprLeft += n;
        }
    }
}

void CDeflateCompressor::FinishCompression(bool afterException)
{
    m_stream.avail_in = 0;
    if (m_bWhole) {
        if (!afterException) {
            FlushWriteBuffer();
            m_pFile->m_uComprSize += static_cast<std::uint32_t>(m_uTotalOut);
            m_pFile->m_uUncomprSize = static_cast<std::uint32_t>(m_uTotalIn);
        }
        // The stream opened for the entry was never fed.
        if (m_bStreamOpen && (!afterException || !m_options.m_bDetectLibMemoryLeaks)) deflateEnd(&m_stream);
        m_bStreamOpen = false;
        m_bWhole = false;
        EmptyPtrList();
        m_pBuffer.Release();
        return;
    }
    if (Parallel()) {
        if (!afterException) {
            DeflatePending(true);
            FlushWriteBuffer();
            m_pFile->m_uComprSize += static_cast<std::uint32_t>(m_uTotalOut);
            m_pFile->m_uUncomprSize = static_cast<std::uint32_t>(m_uTotalIn);
        }
        m_pending.clear();
        m_pending.shrink_to_fit();
        m_window.clear();
        EmptyPtrList();
        return;
    }
    if (!afterException) {
        if (m_uMethod == 8) {
            int err;
            do {
                if (m_stream.avail_out == 0) {
                    FlushWriteBuffer();
                    m_stream.next_out = m_pBuffer.GetBuffer();
                    m_stream.avail_out = m_pBuffer.GetSize();
                }
                uLong before = m_stream.total_out;
                err = deflate(&m_stream, Z_FINISH);
                m_uComprLeft += m_stream.total_out - before;
            } while (err == Z_OK);
            if (err == Z_STREAM_END) err = Z_OK;
            CheckForError(err);
        }
        FlushWriteBuffer();
        if (m_uMethod == 8) {
            m_bStreamOpen = false;
            CheckForError(deflateEnd(&m_stream));
        }
        m_pFile->m_uComprSize += static_cast<std::uint32_t>(m_stream.total_out);
        m_pFile->m_uUncomprSize = static_cast<std::uint32_t>(m_stream.total_in);
    }
    if (afterException && m_bStreamOpen && m_uMethod == 8 && !m_options.m_bDetectLibMemoryLeaks)
        deflateEnd(&m_stream);
    m_bStreamOpen = false;
    EmptyPtrList();
    m_pBuffer.Release();
}

void CDeflateCompressor::InitDecompression(CZipFileHeader* header, CZipCryptograph* cryptograph)
{
    CZipCompressor::InitDecompression(header, cryptograph);
    m_uMethod = header->m_uMethod;
    InstallAllocator();
    if (m_uMethod == 8) {
        CheckForError(inflateInit2(&m_stream, -MAX_WBITS));
        m_bStreamOpen = true;
    }
    m_stream.avail_in = 0;
    m_stream.avail_out = 0;
}

std::uint32_t CDeflateCompressor::Decompress(void* buffer, std::uint32_t size)
{
    if (m_bDecompressionDone) return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    auto room = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, m_uUncomprLeft));
    std::uint32_t delivered = 0;
    // With nothing left to deliver, a deflate stream is still read to its end
    // (a byte of it would mean data beyond the declared size).
    bool drain = room == 0 && m_uMethod == 8;
    while (room > 0 || drain) {
        bool noInput = false;
        if (m_stream.avail_in == 0) {
            if (m_uComprLeft == 0) {
                noInput = true;
            } else {
                auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(m_pBuffer.GetSize(), m_uComprLeft));
                m_pStorage->Read(m_pBuffer.GetBuffer(), n, false);
                if (m_pCryptograph) m_pCryptograph->Decode(m_pBuffer.GetBuffer(), n);
                m_uComprLeft -= n;
                m_stream.next_in = m_pBuffer.GetBuffer();
                m_stream.avail_in = n;
            }
        }
        if (m_uMethod == 8) {
            std::uint8_t scratch;
            std::uint8_t* target = room ? out + delivered : &scratch;
            m_stream.next_out = target;
            m_stream.avail_out = room ? room : 1;
            std::uint32_t before = m_stream.avail_out;
            int err = inflate(&m_stream, Z_SYNC_FLUSH);
            std::uint32_t produced = before - m_stream.avail_out;
            if (room == 0 && produced > 0) ThrowError(CZipException::badZipFile);
            AddToRunningCrc(target, produced);
            delivered += produced;
            room -= produced;
            m_uUncomprLeft -= produced;
            if (err == Z_STREAM_END) {
                m_bDecompressionDone = true;
                return delivered;
            }
            // No progress without more input: the data ends before the stream does.
            if (err == Z_BUF_ERROR && noInput) ThrowError(CZipException::badZipFile);
            CheckForError(err);
        } else {
            // Stored data shorter than its declared size is damaged.
            if (noInput) ThrowError(CZipException::badZipFile);
            std::uint32_t n = std::min(room, m_stream.avail_in);
            std::memcpy(out + delivered, m_stream.next_in, n);
            AddToRunningCrc(out + delivered, n);
            m_stream.next_in += n;
            m_stream.avail_in -= n;
            delivered += n;
            room -= n;
            m_uUncomprLeft -= n;
        }
    }
    if (delivered == 0 && size != 0 && m_options.m_bCheckLastBlock && m_uMethod == 8 && !m_bDecompressionDone)
        ThrowError(CZipException::badZipFile);
    return delivered;
}

void CDeflateCompressor::FinishDecompression(bool afterException)
{
    // After an exception zlib is not called when its memory is tracked: the list frees it.
    if (m_uMethod == 8 && m_bStreamOpen && (!afterException || !m_options.m_bDetectLibMemoryLeaks))
        inflateEnd(&m_stream);
    m_bStreamOpen = false;
    EmptyPtrList();
    m_pBuffer.Release();
}

}  // namespace BundlexLib
