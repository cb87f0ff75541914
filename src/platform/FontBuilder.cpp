#include "platform/FontBuilder.h"

#include "platform/GlyphExtruder.h"

#include <GL/gl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

namespace platform {
namespace {

// Slant of a synthesised italic, as the tangent of about 12 degrees.
constexpr double italicShear = 0.2126;

// Windows-1252 codes 0x80..0x9F; zero where the code page leaves a gap.
constexpr std::uint16_t windows1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};

FT_ULong unicodeFor(unsigned code)
{
    if (code >= 0x80 && code < 0xA0 && windows1252High[code - 0x80] != 0)
        return windows1252High[code - 0x80];
    return code;
}

std::string lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// "Arial Black" and its kind exist only in a heavy cut, whatever weight is asked.
int requestedWeight(const FontRequest& request)
{
    const std::string face = lowercase(request.face);
    const bool heavyFace = face.ends_with(" black") || face.ends_with(" heavy");
    const int weight = request.weight <= 0 ? 400 : std::clamp(request.weight, 1, 1000);
    return heavyFace ? std::max(weight, 900) : weight;
}

struct ResolvedFace {
    std::string file;
    int index = 0;
    std::string family;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
};

bool matchFace(const FontRequest& request, ResolvedFace& resolved)
{
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return false;
    if (!request.face.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(request.face.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(requestedWeight(request)));
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;

    FcChar8* file = nullptr;
    FcChar8* family = nullptr;
    const bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    if (found) {
        resolved.file = reinterpret_cast<const char*>(file);
        if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch)
            resolved.family = reinterpret_cast<const char*>(family);
        FcPatternGetInteger(match, FC_INDEX, 0, &resolved.index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &resolved.weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &resolved.slant);
    }
    FcPatternDestroy(match);
    return found;
}

// fontconfig's match walks every installed font; the game asks for the same
// few faces again and again, so each answer is kept for the process's life.
bool resolveFace(const FontRequest& request, ResolvedFace& resolved)
{
    static std::map<std::tuple<std::string, int, bool>, ResolvedFace> matched;
    const auto key = std::make_tuple(request.face, requestedWeight(request), request.italic);
    if (const auto found = matched.find(key); found != matched.end()) {
        resolved = found->second;
        return true;
    }
    if (!matchFace(request, resolved))
        return false;
    matched.emplace(key, resolved);
    return true;
}

// A font to take characters from that the chosen face lacks.
struct FallbackFont {
    std::string file;
    int index = 0;
    int weight = FC_WEIGHT_REGULAR;
    FcCharSet* charset = nullptr; // owned
    FT_Face face = nullptr;       // opened when first needed
};

// fontconfig's fonts for the request, best first, each adding characters
// the ones before it lack (FcFontSort, trimmed).
std::vector<FallbackFont> sortedFallbacks(const FontRequest& request)
{
    std::vector<FallbackFont> fonts;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return fonts;
    if (!request.face.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(request.face.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(requestedWeight(request)));
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
    FcPatternDestroy(pattern);
    if (!sorted)
        return fonts;
    for (int i = 0; i < sorted->nfont; ++i) {
        FcChar8* file = nullptr;
        FcCharSet* charset = nullptr;
        FcBool scalable = FcFalse;
        const FcPattern* font = sorted->fonts[i];
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch
            || FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch
            || (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) == FcResultMatch && !scalable))
            continue;
        FallbackFont fallback;
        fallback.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(font, FC_INDEX, 0, &fallback.index);
        FcPatternGetInteger(font, FC_WEIGHT, 0, &fallback.weight);
        fallback.charset = FcCharSetCopy(charset);
        fonts.push_back(std::move(fallback));
    }
    FcFontSetDestroy(sorted);
    return fonts;
}

int clampPixels(double pixels)
{
    return static_cast<int>(std::clamp(std::lround(pixels), 1L, static_cast<long>(FontBuilder::maximumPixelSize)));
}

// A 1-bit picture of one glyph in pixels around its origin, grown to take
// underline and strike-out bars across the whole advance.
class GlyphCanvas {
public:
    GlyphCanvas(int left, int bottom, int right, int top)
        : left(left)
        , bottom(bottom)
        , width(std::max(0, right - left))
        , height(std::max(0, top - bottom))
        , pixels(static_cast<std::size_t>(width) * height, 0)
    {
    }

    void set(int x, int y)
    {
        const int column = x - left;
        const int row = y - bottom;
        if (column >= 0 && column < width && row >= 0 && row < height)
            pixels[static_cast<std::size_t>(row) * width + column] = 1;
    }

    void fill(int x0, int y0, int x1, int y1)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                set(x, y);
    }

    // Into an image of sheetWidth bytes a row (rows bottom to top), the
    // glyph's lower-left corner at (x, y); set pixels become 255.
    void copyTo(std::vector<std::uint8_t>& sheet, int sheetWidth, int x, int y) const
    {
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column)
                if (pixels[static_cast<std::size_t>(row) * width + column])
                    sheet[static_cast<std::size_t>(y + row) * sheetWidth + x + column] = 255;
    }

    const int left;
    const int bottom;
    const int width;
    const int height;

private:
    std::vector<std::uint8_t> pixels;
};

// Pixel bounds, growing to hold what is drawn; empty until the first unite.
struct Box {
    int left = 0;
    int bottom = 0;
    int right = 0;
    int top = 0;

    bool empty() const { return left >= right || bottom >= top; }
    void unite(const Box& other)
    {
        if (other.empty())
            return;
        if (empty()) {
            *this = other;
            return;
        }
        left = std::min(left, other.left);
        bottom = std::min(bottom, other.bottom);
        right = std::max(right, other.right);
        top = std::max(top, other.top);
    }
};

// A horizontal bar: its bottom and top in font units.
struct Bar {
    double bottom;
    double top;
};

struct OutlineSink {
    std::vector<GlyphExtruder::Contour> contours;
    double scale;
    double shear;
    GlyphExtruder::Point last{0.0, 0.0};

    GlyphExtruder::Point map(const FT_Vector* point) const
    {
        const double x = point->x * scale;
        const double y = point->y * scale;
        return {x + y * shear, y};
    }
    void lineTo(GlyphExtruder::Point point)
    {
        contours.back().push_back(point);
        last = point;
    }
};

constexpr int curveSteps = 8;

int moveTo(const FT_Vector* to, void* user)
{
    auto* sink = static_cast<OutlineSink*>(user);
    sink->contours.emplace_back();
    sink->lineTo(sink->map(to));
    return 0;
}

int lineTo(const FT_Vector* to, void* user)
{
    auto* sink = static_cast<OutlineSink*>(user);
    sink->lineTo(sink->map(to));
    return 0;
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
    auto* sink = static_cast<OutlineSink*>(user);
    const auto p0 = sink->last;
    const auto p1 = sink->map(control);
    const auto p2 = sink->map(to);
    for (int step = 1; step <= curveSteps; ++step) {
        const double t = static_cast<double>(step) / curveSteps;
        const double u = 1.0 - t;
        sink->lineTo({u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x, u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
    }
    return 0;
}

int cubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user)
{
    auto* sink = static_cast<OutlineSink*>(user);
    const auto p0 = sink->last;
    const auto p1 = sink->map(control1);
    const auto p2 = sink->map(control2);
    const auto p3 = sink->map(to);
    for (int step = 1; step <= curveSteps; ++step) {
        const double t = static_cast<double>(step) / curveSteps;
        const double u = 1.0 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        sink->lineTo({a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
    return 0;
}

} // namespace

struct FontBuilder::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ResolvedFace resolved;
    bool syntheticBold = false;
    bool syntheticItalic = false;
    bool underline = false;
    bool strikeOut = false;
    int characterHeight = 0;
    FontRequest request;
    // Filled when the first character the face lacks is asked for.
    std::vector<FallbackFont> fallbacks;
    bool fallbacksSorted = false;

    ~Impl()
    {
        for (FallbackFont& fallback : fallbacks) {
            if (fallback.face)
                FT_Done_Face(fallback.face);
            FcCharSetDestroy(fallback.charset);
        }
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }

    bool open(const FontRequest& request);
    void setPixelSize(const FontRequest& request);
    double cellUnits() const;
    Bar underlineBar() const;
    Bar strikeOutBar() const;
    std::vector<Bar> bars() const;

    bool loadBitmapGlyph(FT_Face from, FT_UInt index, bool embolden) const;
    GlyphCanvas renderBitmapGlyph(unsigned code, int& advance) const;
    GlyphCanvas renderGlyphOf(FT_Face from, FT_UInt index, bool embolden, int& advance) const;
    GlyphCanvas renderCodePoint(char32_t codePoint, int& advance);
    FallbackFont* fallbackFor(char32_t codePoint);
    void compileOutlineGlyph(unsigned code, float extrusion, GlyphMetrics& metrics) const;
};

bool FontBuilder::Impl::open(const FontRequest& request)
{
    if (!resolveFace(request, resolved))
        return false;
    if (FT_Init_FreeType(&library) != 0)
        return false;
    if (FT_New_Face(library, resolved.file.c_str(), resolved.index, &face) != 0) {
        face = nullptr;
        return false;
    }
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0)
        return false;
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    this->request = request;
    syntheticBold = requestedWeight(request) >= 700 && resolved.weight < FC_WEIGHT_BOLD;
    syntheticItalic = request.italic && resolved.slant == FC_SLANT_ROMAN;
    underline = request.underline;
    strikeOut = request.strikeOut;
    setPixelSize(request);
    return true;
}

// The ascent plus descent in font units, as Windows measures a cell.
double FontBuilder::Impl::cellUnits() const
{
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0)
        return os2->usWinAscent + os2->usWinDescent;
    const double units = face->ascender - face->descender;
    return units > 0 ? units : face->units_per_EM;
}

void FontBuilder::Impl::setPixelSize(const FontRequest& request)
{
    const double em = face->units_per_EM;
    const double height = request.height;
    if (height < 0)
        characterHeight = clampPixels(-height);
    else if (height > 0)
        characterHeight = clampPixels(height * em / cellUnits());
    else
        characterHeight = defaultCharacterHeight;

    int characterWidth = 0;
    if (request.width != 0) {
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        const double averageUnits = os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : em / 2;
        characterWidth = clampPixels(std::abs(static_cast<double>(request.width)) * em / averageUnits);
    }
    FT_Set_Pixel_Sizes(face, characterWidth, characterHeight);
}

Bar FontBuilder::Impl::underlineBar() const
{
    const double thickness = face->underline_thickness > 0 ? face->underline_thickness : face->units_per_EM / 20.0;
    const double centre = face->underline_position != 0 ? face->underline_position : -face->units_per_EM / 10.0;
    return {centre - thickness / 2, centre + thickness / 2};
}

Bar FontBuilder::Impl::strikeOutBar() const
{
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const double size = os2 && os2->yStrikeoutSize > 0 ? os2->yStrikeoutSize : face->units_per_EM / 20.0;
    const double top = os2 && os2->yStrikeoutPosition > 0 ? os2->yStrikeoutPosition : face->units_per_EM / 4.0;
    return {top - size, top};
}

std::vector<Bar> FontBuilder::Impl::bars() const
{
    std::vector<Bar> result;
    if (underline)
        result.push_back(underlineBar());
    if (strikeOut)
        result.push_back(strikeOutBar());
    return result;
}

bool FontBuilder::Impl::loadBitmapGlyph(FT_Face from, FT_UInt index, bool embolden) const
{
    FT_Matrix shear{0x10000, static_cast<FT_Fixed>(italicShear * 0x10000), 0, 0x10000};
    FT_Set_Transform(from, syntheticItalic ? &shear : nullptr, nullptr);
    const FT_Error error = FT_Load_Glyph(from, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP);
    FT_Set_Transform(from, nullptr, nullptr);
    if (error != 0)
        return false;
    if (embolden)
        FT_GlyphSlot_Embolden(from->glyph);
    return FT_Render_Glyph(from->glyph, FT_RENDER_MODE_MONO) == 0;
}

GlyphCanvas FontBuilder::Impl::renderBitmapGlyph(unsigned code, int& advance) const
{
    return renderGlyphOf(face, FT_Get_Char_Index(face, unicodeFor(code)), syntheticBold, advance);
}

// The first font of the sorted list that has the character, opened at the
// face's character height.
FallbackFont* FontBuilder::Impl::fallbackFor(char32_t codePoint)
{
    if (!fallbacksSorted) {
        fallbacksSorted = true;
        fallbacks = sortedFallbacks(request);
    }
    for (FallbackFont& fallback : fallbacks) {
        if (!FcCharSetHasChar(fallback.charset, codePoint))
            continue;
        if (!fallback.face) {
            if (FT_New_Face(library, fallback.file.c_str(), fallback.index, &fallback.face) != 0) {
                fallback.face = nullptr;
                continue;
            }
            FT_Select_Charmap(fallback.face, FT_ENCODING_UNICODE);
            FT_Set_Pixel_Sizes(fallback.face, 0, static_cast<FT_UInt>(characterHeight));
        }
        if (FT_Get_Char_Index(fallback.face, codePoint) != 0)
            return &fallback;
    }
    return nullptr;
}

// From the face where it has the character, else from a fallback font
// (emboldened as the face would be); else the face's missing-glyph box.
GlyphCanvas FontBuilder::Impl::renderCodePoint(char32_t codePoint, int& advance)
{
    const FT_UInt index = FT_Get_Char_Index(face, codePoint);
    if (index != 0)
        return renderGlyphOf(face, index, syntheticBold, advance);
    if (FallbackFont* fallback = fallbackFor(codePoint)) {
        const bool embolden = requestedWeight(request) >= 700 && fallback->weight < FC_WEIGHT_BOLD;
        return renderGlyphOf(fallback->face, FT_Get_Char_Index(fallback->face, codePoint), embolden, advance);
    }
    return renderGlyphOf(face, 0, syntheticBold, advance);
}

GlyphCanvas FontBuilder::Impl::renderGlyphOf(FT_Face from, FT_UInt index, bool embolden, int& advance) const
{
    advance = 0;
    if (!loadBitmapGlyph(from, index, embolden))
        return GlyphCanvas(0, 0, 0, 0);
    const FT_GlyphSlot slot = from->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    advance = static_cast<int>((slot->advance.x + 32) >> 6);

    const int rows = static_cast<int>(bitmap.rows);
    const int columns = static_cast<int>(bitmap.width);
    Box box;
    if (rows > 0 && columns > 0)
        box.unite({slot->bitmap_left, slot->bitmap_top - rows, slot->bitmap_left + columns, slot->bitmap_top});
    const double pixelsPerUnit = static_cast<double>(characterHeight) / face->units_per_EM;
    std::vector<Box> barBoxes;
    for (const Bar& bar : bars()) {
        const int thickness = std::max(1, static_cast<int>(std::lround((bar.top - bar.bottom) * pixelsPerUnit)));
        const int barBottom = static_cast<int>(std::lround(bar.bottom * pixelsPerUnit));
        barBoxes.push_back({0, barBottom, advance, barBottom + thickness});
        box.unite(barBoxes.back());
    }

    GlyphCanvas canvas(box.left, box.bottom, box.right, box.top);
    for (int row = 0; row < rows; ++row) {
        const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        for (int column = 0; column < columns; ++column)
            if (line[column / 8] & (0x80 >> (column % 8)))
                canvas.set(slot->bitmap_left + column, slot->bitmap_top - 1 - row);
    }
    for (const Box& bar : barBoxes)
        canvas.fill(bar.left, bar.bottom, bar.right, bar.top);
    return canvas;
}

void FontBuilder::Impl::compileOutlineGlyph(unsigned code, float extrusion, GlyphMetrics& metrics) const
{
    metrics = {};
    const double scale = 1.0 / face->units_per_EM;
    const FT_UInt index = FT_Get_Char_Index(face, unicodeFor(code));
    OutlineSink sink{{}, scale, syntheticItalic ? italicShear : 0.0};
    double advanceUnits = 0.0;
    bool clockwise = true;
    bool evenOdd = false;
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0
        && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline& outline = face->glyph->outline;
        advanceUnits = face->glyph->metrics.horiAdvance;
        if (syntheticBold) {
            const FT_Pos strength = face->units_per_EM / 24;
            FT_Outline_EmboldenXY(&outline, strength, strength);
            advanceUnits += strength;
        }
        clockwise = FT_Outline_Get_Orientation(&outline) != FT_ORIENTATION_POSTSCRIPT;
        evenOdd = (outline.flags & FT_OUTLINE_EVEN_ODD_FILL) != 0;
        const FT_Outline_Funcs funcs{moveTo, lineTo, conicTo, cubicTo, 0, 0};
        FT_Outline_Decompose(&outline, &funcs, &sink);
    }
    const double advance = advanceUnits * scale;

    if (!sink.contours.empty()) {
        double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
        for (const auto& contour : sink.contours)
            for (const auto& point : contour) {
                minX = std::min(minX, point.x);
                maxX = std::max(maxX, point.x);
                minY = std::min(minY, point.y);
                maxY = std::max(maxY, point.y);
            }
        metrics = {static_cast<float>(maxX - minX), static_cast<float>(maxY - minY), static_cast<float>(minX),
                   static_cast<float>(maxY), 0.0f, 0.0f};
    }
    metrics.cellIncX = static_cast<float>(advance);

    GlyphExtruder extruder(std::move(sink.contours), clockwise, evenOdd);
    for (const Bar& bar : bars())
        extruder.addRectangle(0.0, bar.bottom * scale, advance, bar.top * scale);
    extruder.emit(extrusion);
    glTranslated(advance, 0.0, 0.0);
}

FontBuilder::FontBuilder(const FontRequest& request)
    : impl(std::make_unique<Impl>())
{
    if (!impl->open(request))
        impl.reset();
}

FontBuilder::~FontBuilder() = default;

bool FontBuilder::isLoaded() const
{
    return impl != nullptr;
}

const std::string& FontBuilder::getFilePath() const
{
    static const std::string none;
    return impl ? impl->resolved.file : none;
}

std::string FontBuilder::getFamily() const
{
    return impl ? impl->resolved.family : std::string();
}

bool FontBuilder::isBold() const
{
    return impl && (impl->syntheticBold || impl->resolved.weight >= FC_WEIGHT_BOLD);
}

bool FontBuilder::isItalic() const
{
    return impl && (impl->syntheticItalic || impl->resolved.slant != FC_SLANT_ROMAN);
}

int FontBuilder::getCharacterHeight() const
{
    return impl ? impl->characterHeight : 0;
}

int FontBuilder::getCellHeight() const
{
    if (!impl)
        return 0;
    return static_cast<int>(std::lround(impl->cellUnits() * impl->characterHeight / impl->face->units_per_EM));
}

int FontBuilder::getAdvance(unsigned char code) const
{
    int advance = 0;
    if (impl)
        impl->renderBitmapGlyph(code, advance);
    return advance;
}

BitmapSheet FontBuilder::buildBitmapSheet(unsigned first, unsigned count) const
{
    BitmapSheet sheet;
    if (!impl || count == 0)
        return sheet;
    std::vector<GlyphCanvas> canvases;
    canvases.reserve(count);
    int cellWidth = 1;
    int cellHeight = 1;
    for (unsigned i = 0; i < count; ++i) {
        int advance = 0;
        canvases.push_back(impl->renderBitmapGlyph(first + i, advance));
        const GlyphCanvas& canvas = canvases.back();
        sheet.glyphs.push_back({canvas.left, canvas.bottom, canvas.width, canvas.height, advance, 0, 0});
        cellWidth = std::max(cellWidth, canvas.width + 1);
        cellHeight = std::max(cellHeight, canvas.height + 1);
    }
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const int rows = (static_cast<int>(count) + columns - 1) / columns;
    sheet.width = columns * cellWidth;
    sheet.height = rows * cellHeight;
    sheet.pixels.assign(static_cast<std::size_t>(sheet.width) * sheet.height, 0);
    for (unsigned i = 0; i < count; ++i) {
        BitmapGlyph& glyph = sheet.glyphs[i];
        glyph.sheetX = static_cast<int>(i) % columns * cellWidth;
        glyph.sheetY = static_cast<int>(i) / columns * cellHeight;
        canvases[i].copyTo(sheet.pixels, sheet.width, glyph.sheetX, glyph.sheetY);
    }
    return sheet;
}

int FontBuilder::estimateAdvance(char32_t codePoint) const
{
    if (!impl)
        return 0;
    FT_Face from = impl->face;
    bool embolden = impl->syntheticBold;
    FT_UInt index = FT_Get_Char_Index(from, codePoint);
    if (index == 0) {
        if (const FallbackFont* fallback = impl->fallbackFor(codePoint)) {
            from = fallback->face;
            embolden = requestedWeight(impl->request) >= 700 && fallback->weight < FC_WEIGHT_BOLD;
            index = FT_Get_Char_Index(from, codePoint);
        }
    }
    FT_Fixed advance = 0;
    if (FT_Get_Advance(from, index, FT_LOAD_NO_HINTING, &advance) != 0)
        return impl->characterHeight;
    const double pixels = static_cast<double>(advance) / 65536.0;
    return static_cast<int>(std::lround(pixels + (embolden ? impl->characterHeight / 24.0 : 0.0)));
}

GlyphImage FontBuilder::renderGlyph(char32_t codePoint) const
{
    GlyphImage image;
    if (!impl)
        return image;
    int advance = 0;
    const GlyphCanvas canvas = impl->renderCodePoint(codePoint, advance);
    image.glyph = {canvas.left, canvas.bottom, canvas.width, canvas.height, advance, 0, 0};
    image.pixels.assign(static_cast<std::size_t>(canvas.width) * canvas.height, 0);
    canvas.copyTo(image.pixels, canvas.width, 0, 0);
    return image;
}

bool FontBuilder::buildOutlineLists(unsigned first, unsigned count, unsigned listBase, float extrusion,
                                    GlyphMetrics* metrics) const
{
    if (!impl || listBase == 0)
        return false;
    for (unsigned i = 0; i < count; ++i) {
        GlyphMetrics glyph;
        glNewList(listBase + i, GL_COMPILE);
        impl->compileOutlineGlyph(first + i, extrusion, glyph);
        glEndList();
        if (metrics)
            metrics[i] = glyph;
    }
    return true;
}

} // namespace platform
