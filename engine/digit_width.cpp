#include "celvo/digit_width.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace celvo {

namespace {

// Face names longer than this are cut, as the display's font requests do.
constexpr std::size_t kMaxFaceNameUnits = 31;
// The cache is emptied when it grows beyond this many face and size pairs.
constexpr std::size_t kMaxCacheEntries = 4096;
// Larger pixel sizes are not measured (the fallback is used instead).
constexpr std::int64_t kMaxPixelSize = 0xFFFF;

// Widths the stand-in fonts cannot give: the faces they replace carry their
// own hinted widths at these sizes, which the sheets' applications use.
struct KnownWidth {
    const char* family;  // family that fontconfig matched
    int pixelSize;
    int width;
};
constexpr KnownWidth kKnownWidths[] = {
    // Calibri 11 at 96 dpi: the 7-pixel maximum digit width of the default
    // style of newer books (Carlito's rounded advance would give 8).
    {"Carlito", 15, 7},
    {"Calibri", 15, 7},
};

bool sameAsciiNoCase(const char* a, const char* b) noexcept
{
    for (; *a && *b; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return *a == *b;
}

// The name as the font request sees it: up to the first NUL, at most
// kMaxFaceNameUnits units, never ending in the first half of a pair.
u16view requestName(u16view name) noexcept
{
    const std::size_t nul = name.find(u'\0');
    if (nul != u16view::npos) name = name.substr(0, nul);
    if (name.size() > kMaxFaceNameUnits) {
        std::size_t n = kMaxFaceNameUnits;
        const char16_t last = name[n - 1];
        if (isHighSurrogate(last)) --n;
        name = name.substr(0, n);
    }
    return name;
}

struct FcPatternDeleter {
    void operator()(FcPattern* p) const noexcept { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, FcPatternDeleter>;

struct FontFile {
    std::string path;
    int index = 0;
    std::string family;
};

// The font file fontconfig matches for a face name in its regular style.
bool matchFont(const std::string& family, FontFile& out)
{
    PatternPtr pattern(FcPatternCreate());
    if (!pattern) return false;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern)) return false;
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match || result != FcResultMatch) return false;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || !file) return false;
    out.path = reinterpret_cast<const char*>(file);
    int index = 0;
    if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &index) == FcResultMatch) out.index = index;
    FcChar8* matched = nullptr;
    if (FcPatternGetString(match.get(), FC_FAMILY, 0, &matched) == FcResultMatch && matched)
        out.family = reinterpret_cast<const char*>(matched);
    return true;
}

// FreeType library and fontconfig set up once; both are used under the
// measuring lock only.
class FontService {
public:
    static FontService& instance()
    {
        static FontService service;
        return service;
    }
    FontService(const FontService&) = delete;
    FontService& operator=(const FontService&) = delete;

    std::mutex lock;

    // Widest hinted digit advance in pixels, or 0 when it cannot be measured.
    int measure(u16view faceName, int pixelSize)
    {
        if (!library_ || !fontconfigReady_) return 0;
        FontFile font;
        if (!matchFont(utf16ToUtf8(faceName), font)) return 0;
        for (const KnownWidth& known : kKnownWidths)
            if (known.pixelSize == pixelSize && sameAsciiNoCase(known.family, font.family.c_str())) return known.width;
        FT_Face face = nullptr;
        if (FT_New_Face(library_, font.path.c_str(), font.index, &face) != 0 || !face) return 0;
        FT_Pos widest = 0;
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) == 0) {
            for (char16_t digit = u'0'; digit <= u'9'; ++digit) {
                if (FT_Load_Char(face, digit, FT_LOAD_DEFAULT) != 0) continue;
                if (face->glyph->advance.x > widest) widest = face->glyph->advance.x;
            }
        }
        FT_Done_Face(face);
        // 26.6 fixed point to whole pixels, rounded.
        return static_cast<int>((widest + 32) / 64);
    }

private:
    FontService()
    {
        if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
        fontconfigReady_ = FcInit() == FcTrue;
    }
    ~FontService()
    {
        if (library_) FT_Done_FreeType(library_);
        // Releases fontconfig's configuration and caches at exit.
        if (fontconfigReady_) FcFini();
    }

    FT_Library library_ = nullptr;
    bool fontconfigReady_ = false;
};

std::mutex cacheLock;
std::map<std::pair<u16string, int>, int>& cache()
{
    static std::map<std::pair<u16string, int>, int> entries;
    return entries;
}

}  // namespace

int pointsToPixels(int pointSize) noexcept
{
    const std::int64_t product = static_cast<std::int64_t>(pointSize) * kDisplayDpi;
    const std::int64_t half = 36;
    const std::int64_t rounded = product >= 0 ? (product + half) / 72 : -((-product + half) / 72);
    return static_cast<int>(rounded);
}

int measureMaxDigitWidth(u16view faceName, int pointSize)
{
    const int pixelSize = pointsToPixels(pointSize);
    if (pixelSize <= 0 || pixelSize > kMaxPixelSize) return kFallbackDigitWidth;
    int width = 0;
    try {
        FontService& service = FontService::instance();
        std::lock_guard<std::mutex> guard(service.lock);
        width = service.measure(requestName(faceName), pixelSize);
    } catch (...) {
        width = 0;
    }
    return width > 0 ? width : kFallbackDigitWidth;
}

int maxDigitWidth(u16view faceName, int pointSize)
{
    try {
        std::pair<u16string, int> key(u16string(requestName(faceName)), pointSize);
        {
            std::lock_guard<std::mutex> guard(cacheLock);
            auto found = cache().find(key);
            if (found != cache().end()) return found->second;
        }
        const int width = measureMaxDigitWidth(key.first, pointSize);
        std::lock_guard<std::mutex> guard(cacheLock);
        if (cache().size() >= kMaxCacheEntries) cache().clear();
        cache().emplace(std::move(key), width);
        return width;
    } catch (...) {
        return kFallbackDigitWidth;
    }
}

}  // namespace celvo
