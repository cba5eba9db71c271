// Stored and deflated entry data, CRC-32 and the byte counts of an entry.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include <zlib.h>

#include "ZipAutoBuffer.h"

class CZipStorage;
class CZipFileHeader;
class CZipCryptograph;

class CZipCompressor {
public:
    class COptions {
    public:
        virtual ~COptions() = default;
        virtual int GetType() const = 0;
        virtual COptions* Clone() const = 0;
    };
    using COptionsMap = std::map<int, std::unique_ptr<COptions>>;

    explicit CZipCompressor(CZipStorage* storage) : m_pStorage(storage) {}
    CZipCompressor(const CZipCompressor&) = delete;
    CZipCompressor& operator=(const CZipCompressor&) = delete;
    virtual ~CZipCompressor() = default;

    virtual bool CanProcess(std::uint16_t method) = 0;
    virtual void InitCompression(int level, CZipFileHeader* header, CZipCryptograph* cryptograph);
    virtual void InitDecompression(CZipFileHeader* header, CZipCryptograph* cryptograph);
    virtual void Compress(const void* buffer, std::uint32_t size) = 0;
    virtual std::uint32_t Decompress(void* buffer, std::uint32_t size) = 0;
    // The whole data of an entry at once, all of it in memory: the same as
    // Compress in pieces, done faster where the compressor can.
    virtual void CompressWhole(const void* buffer, std::uint32_t size);
    // Delivers the whole data of an entry, exactly `size` bytes, in one call
    // and returns true; false when this cannot be done in one piece (the
    // entry must then be opened again and read with Decompress, which tells
    // what is wrong with it). Its CRC is checked when the entry is closed.
    virtual bool DecompressWhole(void* buffer, std::uint32_t size)
    {
        (void)buffer;
        (void)size;
        return false;
    }
    virtual void FinishCompression(bool afterException) { (void)afterException; }
    virtual void FinishDecompression(bool afterException) { (void)afterException; }
    virtual const COptions* GetOptions() const { return nullptr; }
    virtual void UpdateOptions(const COptions& options) { (void)options; }
    virtual int ConvertInternalError(int error) const { return error; }

    // Method 0 or 8 gives the deflate compressor, any other null.
    static CZipCompressor* CreateForMethod(std::uint16_t method, CZipStorage* storage);
    void UpdateOptions(const COptionsMap& optionsMap);

    // Compressed bytes of the entry not read yet (decompression).
    std::uint64_t GetComprLeft() const { return m_uComprLeft; }
    std::uint32_t GetCrc() const { return m_uCrc32; }
    // Declared uncompressed bytes not delivered yet (decompression).
    std::uint64_t GetUncomprLeft() const { return m_uUncomprLeft; }
    // The entry has compressed bytes that were never needed.
    virtual bool HasUnreadData() const { return m_uComprLeft > 0; }

protected:
    void AllocateBuffer();
    void AddToHeaderCrc(const void* data, std::uint32_t size);
    void AddToRunningCrc(const void* data, std::uint32_t size);
    [[noreturn]] void ThrowError(int code, bool internal = false) const;
    void FlushWriteBuffer();

    CZipStorage* m_pStorage;
    CZipAutoBuffer m_pBuffer;
    CZipCryptograph* m_pCryptograph = nullptr;
    CZipFileHeader* m_pFile = nullptr;
    std::uint64_t m_uUncomprLeft = 0;
    std::uint64_t m_uComprLeft = 0;
    std::uint32_t m_uCrc32 = 0;
    bool m_bDecompressionDone = false;
};

namespace BundlexLib {

class CBaseLibCompressor : public CZipCompressor {
public:
    class COptions : public CZipCompressor::COptions {
    public:
        std::uint32_t m_iBufferSize = 0x20000;
        bool m_bDetectLibMemoryLeaks = true;
        bool m_bCheckLastBlock = true;
    };

    explicit CBaseLibCompressor(CZipStorage* storage) : CZipCompressor(storage) {}
    ~CBaseLibCompressor() override { EmptyPtrList(); }
    virtual bool IsCodeErrorOK(int code) const = 0;

protected:
    static void* _zipalloc(void* opaque, unsigned items, unsigned size);
    static void _zipfree(void* opaque, void* address);
    void EmptyPtrList();
    std::vector<void*> m_list;
};

class CDeflateCompressor : public CBaseLibCompressor {
public:
    class COptions : public CBaseLibCompressor::COptions {
    public:
        int GetType() const override { return 1; }
        CZipCompressor::COptions* Clone() const override { return new COptions(*this); }
        // More than one thread: the data of an entry is deflated in pieces
        // of m_uChunkSize bytes, that many at a time, each on a thread of
        // its own and primed with the 32 KiB before it; the pieces join
        // into one deflate stream.
        unsigned m_iThreads = 1;
        std::uint32_t m_uChunkSize = 1u << 20;
    };

    explicit CDeflateCompressor(CZipStorage* storage);
    ~CDeflateCompressor() override;

    bool CanProcess(std::uint16_t method) override { return method == 0 || method == 8; }
    void InitCompression(int level, CZipFileHeader* header, CZipCryptograph* cryptograph) override;
    void InitDecompression(CZipFileHeader* header, CZipCryptograph* cryptograph) override;
    void Compress(const void* buffer, std::uint32_t size) override;
    std::uint32_t Decompress(void* buffer, std::uint32_t size) override;
    // Deflated data in memory goes through libdeflate, which is faster than
    // zlib's streams, unless the data is large enough for the pieces side
    // by side (m_iThreads).
    void CompressWhole(const void* buffer, std::uint32_t size) override;
    bool DecompressWhole(void* buffer, std::uint32_t size) override;
    void FinishCompression(bool afterException) override;
    void FinishDecompression(bool afterException) override;
    const CZipCompressor::COptions* GetOptions() const override { return &m_options; }
    void UpdateOptions(const CZipCompressor::COptions& options) override;
    int ConvertInternalError(int error) const override;
    bool IsCodeErrorOK(int code) const override { return code == Z_OK || code == Z_NEED_DICT; }
    bool HasUnreadData() const override;

    COptions m_options;

private:
    void CheckForError(int err) const
    {
        if (!IsCodeErrorOK(err)) ThrowError(err, true);
    }
    void InstallAllocator();
    bool Parallel() const { return m_uMethod == 8 && m_options.m_iThreads > 1; }
    // Deflates the data held back, in pieces side by side; the stream ends
    // with the last piece when `last`.
    void DeflatePending(bool last);
    void WriteDeflated(const std::uint8_t* data, std::size_t size);

    z_stream m_stream{};
    int m_iLevel = -1;
    std::vector<std::uint8_t> m_pending;  // data not deflated yet
    std::vector<std::uint8_t> m_window;   // the last 32 KiB deflated
    std::uint64_t m_uTotalIn = 0;
    std::uint64_t m_uTotalOut = 0;
    bool m_bStreamOpen = false;
    bool m_bWhole = false;  // the entry was deflated in one piece
    std::uint16_t m_uMethod = 0;
};

}  // namespace BundlexLib
