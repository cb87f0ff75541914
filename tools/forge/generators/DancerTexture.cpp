#include "generators/DancerTexture.h"

#include "writers/ByteWriter.h"

#include <algorithm>
#include <cmath>

namespace forge {
namespace {

struct Rgb {
    float r, g, b;
};

struct PixelRect {
    int x0, y0, x1, y1;
};

constexpr PixelRect shirtArea{0, 0, 128, 128};
constexpr PixelRect pantsArea{128, 0, 256, 64};
constexpr PixelRect skinArea{128, 64, 192, 128};
constexpr PixelRect shoesArea{192, 64, 256, 96};
constexpr PixelRect hairArea{192, 96, 256, 128};
constexpr PixelRect faceArea{0, 128, 128, 256};
constexpr PixelRect beltArea{128, 128, 192, 160};

constexpr Rgb skinTone{0.78f, 0.52f, 0.36f};
constexpr Rgb hairTone{0.13f, 0.08f, 0.06f};
constexpr Rgb gold{0.98f, 0.80f, 0.25f};

DancerTexture::Region region(const PixelRect& r)
{
    // Half a texel inset keeps filtering from bleeding in the neighbours.
    const float n = DancerTexture::size;
    return {(r.x0 + 0.5f) / n, (r.y0 + 0.5f) / n, (r.x1 - 0.5f) / n, (r.y1 - 0.5f) / n};
}

// A deterministic hash noise in 0..1.
float noise(int x, int y)
{
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<float>((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

Rgb mix(Rgb a, Rgb b, float k)
{
    k = std::clamp(k, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * k, a.g + (b.g - a.g) * k, a.b + (b.b - a.b) * k};
}

Rgb scale(Rgb c, float k) { return {c.r * k, c.g * k, c.b * k}; }

// Smooth edge: 1 inside distance d < 0, fading over one pixel-ish width.
float inside(float d, float soft) { return std::clamp(0.5f - d / soft, 0.0f, 1.0f); }

class Canvas {
public:
    Canvas() : pixels(DancerTexture::size * DancerTexture::size * 3, 0) {}

    // Calls shade(u, v, x, y) for every pixel of the area, u and v in 0..1.
    template <typename Shade>
    void fill(const PixelRect& area, Shade shade)
    {
        const float w = static_cast<float>(area.x1 - area.x0);
        const float h = static_cast<float>(area.y1 - area.y0);
        for (int y = area.y0; y < area.y1; ++y)
            for (int x = area.x0; x < area.x1; ++x)
                put(x, y, shade((x - area.x0 + 0.5f) / w, (y - area.y0 + 0.5f) / h, x, y));
    }

    std::vector<std::uint8_t> take() { return std::move(pixels); }

private:
    void put(int x, int y, Rgb c)
    {
        auto* p = &pixels[(static_cast<std::size_t>(y) * DancerTexture::size + x) * 3];
        p[0] = static_cast<std::uint8_t>(std::lround(std::clamp(c.r, 0.0f, 1.0f) * 255.0f));
        p[1] = static_cast<std::uint8_t>(std::lround(std::clamp(c.g, 0.0f, 1.0f) * 255.0f));
        p[2] = static_cast<std::uint8_t>(std::lround(std::clamp(c.b, 0.0f, 1.0f) * 255.0f));
    }

    std::vector<std::uint8_t> pixels;
};

// Hot magenta with orange flame chevrons and sparkles: the disco shirt.
Rgb shirtPixel(float u, float v, int x, int y)
{
    const Rgb base = mix(Rgb{0.95f, 0.15f, 0.60f}, Rgb{0.70f, 0.10f, 0.75f}, v);
    const float chevron = std::fabs(std::fmod(v * 4.0f + std::fabs(u - 0.5f) * 2.0f, 1.0f) - 0.5f);
    Rgb c = mix(base, Rgb{1.0f, 0.55f, 0.10f}, inside(chevron - 0.09f, 0.04f));
    if (noise(x, y) > 0.985f)
        c = mix(c, Rgb{1.0f, 1.0f, 0.9f}, 0.9f);
    return c;
}

// White bell-bottoms with a gold stripe down each side.
Rgb pantsPixel(float u, float, int x, int y)
{
    const Rgb cloth = scale(Rgb{0.93f, 0.93f, 0.97f}, 0.94f + 0.06f * noise(x, y));
    const float side = std::min(std::fabs(u - 0.25f), std::fabs(u - 0.75f));
    return mix(cloth, gold, inside(side - 0.03f, 0.01f));
}

Rgb skinPixel(float, float, int x, int y) { return scale(skinTone, 0.95f + 0.05f * noise(x, y)); }

// Black platform shoes with a white sole line.
Rgb shoesPixel(float, float v, int x, int y)
{
    const Rgb leather = scale(Rgb{0.10f, 0.10f, 0.12f}, 0.9f + 0.2f * noise(x, y));
    return mix(leather, Rgb{0.95f, 0.95f, 0.95f}, inside(0.78f - v, 0.03f));
}

Rgb hairPixel(float, float, int x, int y)
{
    const float curl = noise(x / 2, y / 2) * 0.6f + noise(x, y) * 0.4f;
    return scale(hairTone, 0.6f + 0.9f * curl);
}

// The head wraps the face region once around: u = 0.5 is the front, v runs
// from the crown (0) to the chin (1). Hair on top and at the back, gold-rimmed
// shades and a wide grin in front.
Rgb facePixel(float u, float v, int x, int y)
{
    const float du = u - 0.5f;
    if (v < 0.28f + 0.08f * std::fabs(du) * 4.0f || std::fabs(du) > 0.27f)
        return hairPixel(0, 0, x, y);
    Rgb c = skinPixel(0, 0, x, y);
    c = mix(c, scale(skinTone, 0.8f), inside(std::fabs(du) - 0.012f, 0.01f) * inside(std::fabs(v - 0.55f) - 0.05f, 0.02f));
    for (float side : {-1.0f, 1.0f}) {
        const float lx = (du - side * 0.055f) / 0.05f;
        const float ly = (v - 0.46f) / 0.045f;
        const float lens = std::sqrt(lx * lx + ly * ly);
        c = mix(c, gold, inside(lens - 1.2f, 0.15f));
        c = mix(c, mix(Rgb{0.05f, 0.05f, 0.1f}, Rgb{0.35f, 0.3f, 0.6f}, 0.5f - ly * 0.4f), inside(lens - 1.0f, 0.15f));
    }
    c = mix(c, gold, inside(std::fabs(v - 0.445f) - 0.006f, 0.006f) * inside(std::fabs(du) - 0.1f, 0.01f));
    const float top = 0.645f - 3.0f * du * du;
    const float bottom = 0.69f - 8.0f * du * du;
    const float across = inside(std::fabs(du) - 0.07f, 0.008f);
    const float lips = across * inside(top - 0.012f - v, 0.006f) * inside(v - bottom - 0.012f, 0.006f);
    const float teeth = across * inside(top - v, 0.006f) * inside(v - bottom, 0.006f);
    c = mix(c, Rgb{0.45f, 0.12f, 0.10f}, lips);
    c = mix(c, Rgb{0.97f, 0.97f, 0.93f}, teeth);
    return c;
}

// A black belt with a big gold buckle in front.
Rgb beltPixel(float u, float v, int x, int y)
{
    const Rgb leather = scale(Rgb{0.08f, 0.06f, 0.05f}, 0.9f + 0.2f * noise(x, y));
    const float buckle = std::max(std::fabs(u - 0.5f) / 0.16f, std::fabs(v - 0.5f) / 0.45f);
    return mix(leather, scale(gold, 1.05f - 0.3f * v), inside(buckle - 1.0f, 0.1f));
}

} // namespace

DancerTexture::Region DancerTexture::shirt() { return region(shirtArea); }
DancerTexture::Region DancerTexture::pants() { return region(pantsArea); }
DancerTexture::Region DancerTexture::skin() { return region(skinArea); }
DancerTexture::Region DancerTexture::shoes() { return region(shoesArea); }
DancerTexture::Region DancerTexture::hair() { return region(hairArea); }
DancerTexture::Region DancerTexture::face() { return region(faceArea); }
DancerTexture::Region DancerTexture::belt() { return region(beltArea); }

std::vector<std::uint8_t> DancerTexture::paint()
{
    Canvas canvas;
    canvas.fill({0, 0, size, size}, [](float, float, int, int) { return Rgb{0.5f, 0.5f, 0.5f}; });
    canvas.fill(shirtArea, shirtPixel);
    canvas.fill(pantsArea, pantsPixel);
    canvas.fill(skinArea, skinPixel);
    canvas.fill(shoesArea, shoesPixel);
    canvas.fill(hairArea, hairPixel);
    canvas.fill(faceArea, facePixel);
    canvas.fill(beltArea, beltPixel);
    return canvas.take();
}

std::vector<std::uint8_t> DancerTexture::encodeTga(const std::vector<std::uint8_t>& rgb, int width, int height)
{
    ByteWriter out;
    const std::uint8_t header[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    out.raw(header, sizeof header);
    out.u16(static_cast<std::uint16_t>(width));
    out.u16(static_cast<std::uint16_t>(height));
    out.u8(24);
    out.u8(0);
    for (int row = height - 1; row >= 0; --row)
        for (int x = 0; x < width; ++x) {
            const auto* p = &rgb[(static_cast<std::size_t>(row) * width + x) * 3];
            out.u8(p[2]);
            out.u8(p[1]);
            out.u8(p[0]);
        }
    return std::move(out.data());
}

} // namespace forge
