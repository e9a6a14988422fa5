// Draws the board's pattern images into a folder: per pattern a dark image (dark squares and
// border) and a light one (light squares). The board tiles them from its corner, so every image
// repeats seamlessly: all noise below is periodic over the tile.
#include <QColor>
#include <QDir>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>

namespace {

constexpr int Tile = 256;
constexpr float Pi = 3.14159265f;

float Fract(float v) {
    return v - std::floor(v);
}

float Smooth(float e0, float e1, float v) {
    const float t = std::clamp((v - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

int Wrap(int v, int period) {
    return ((v % period) + period) % period;
}

std::uint32_t Hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

float Unit(std::uint32_t h) {
    return float(h & 0xFFFFFF) / float(0x1000000);
}

// Gradient noise on a lattice that repeats every px by py cells; about -1..1.
float Gradient(float u, float v, int px, int py, std::uint32_t seed) {
    const int x0 = int(std::floor(u));
    const int y0 = int(std::floor(v));
    const float fx = u - float(x0);
    const float fy = v - float(y0);
    const auto corner = [&](int dx, int dy) {
        const float angle = 2 * Pi * Unit(Hash(Wrap(x0 + dx, px), Wrap(y0 + dy, py), seed));
        return std::cos(angle) * (fx - float(dx)) + std::sin(angle) * (fy - float(dy));
    };
    const auto fade = [](float t) { return t * t * t * (t * (t * 6 - 15) + 10); };
    const float sx = fade(fx);
    const float sy = fade(fy);
    const float top = corner(0, 0) + sx * (corner(1, 0) - corner(0, 0));
    const float bottom = corner(0, 1) + sx * (corner(1, 1) - corner(0, 1));
    return 1.4f * (top + sy * (bottom - top));
}

// Octaves of gradient noise over the tile: (s, t) in 0..1, fx by fy cells for the first.
float Fbm(float s, float t, int fx, int fy, int octaves, std::uint32_t seed) {
    float sum = 0;
    float amplitude = 1;
    float norm = 0;
    for (int o = 0; o < octaves; ++o) {
        const int kx = fx << o;
        const int ky = fy << o;
        sum += amplitude * Gradient(s * float(kx), t * float(ky), kx, ky, seed + std::uint32_t(o));
        norm += amplitude;
        amplitude *= 0.5f;
    }
    return sum / norm;
}

// Distances to the nearest and second nearest of one jittered point per cell, n by n cells over
// the tile, in cell units.
void Cells(float s, float t, int n, std::uint32_t seed, float& f1, float& f2) {
    const float u = s * float(n);
    const float v = t * float(n);
    const int cx = int(std::floor(u));
    const int cy = int(std::floor(v));
    f1 = f2 = 9;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const std::uint32_t h = Hash(Wrap(cx + dx, n), Wrap(cy + dy, n), seed);
            const float px = float(cx + dx) + 0.1f + 0.8f * Unit(h);
            const float py = float(cy + dy) + 0.1f + 0.8f * Unit(h >> 7 ^ h * 31u);
            const float d = std::hypot(px - u, py - v);
            if (d < f1) {
                f2 = f1;
                f1 = d;
            } else if (d < f2) {
                f2 = d;
            }
        }
    }
}

struct Rgb {
    float r, g, b;
};

Rgb Mix(Rgb a, Rgb b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(Rgb c, float k) {
    return {c.r * k, c.g * k, c.b * k};
}

QRgb ToRgb(Rgb c) {
    const auto byte = [](float v) { return std::clamp(int(std::lround(v)), 0, 255); };
    return qRgb(byte(c.r), byte(c.g), byte(c.b));
}

// Each pixel is the mean of 3 x 3 samples, so that sharp ring edges and creases stay smooth.
QImage Render(const std::function<Rgb(float s, float t)>& shade) {
    constexpr int Samples = 3;
    QImage image(Tile, Tile, QImage::Format_RGB32);
    for (int y = 0; y < Tile; ++y) {
        for (int x = 0; x < Tile; ++x) {
            Rgb sum{0, 0, 0};
            for (int j = 0; j < Samples; ++j) {
                for (int i = 0; i < Samples; ++i) {
                    const Rgb c = shade((float(x) + (float(i) + 0.5f) / Samples) / Tile,
                                        (float(y) + (float(j) + 0.5f) / Samples) / Tile);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            }
            image.setPixel(x, y, ToRgb(Scale(sum, 1.0f / (Samples * Samples))));
        }
    }
    return image;
}

// Flat-sawn wood with its grain running across the tile.
struct Wood {
    Rgb early;        // the light part of a growth ring
    Rgb late;         // its dark part
    Rgb streak;       // colour of the long dark streaks
    int rings;        // growth rings across the tile
    float wander;     // how far the rings meander
    float lateWeight; // how strongly the dark part shows
    float streaks;    // strength of the streaks
    float fibre;      // strength of the fine fibre lines
    float pores;      // strength of the pores
    float ripple;     // strength of a fiddleback figure across the grain
    std::uint32_t seed;
};

Rgb WoodAt(const Wood& w, float s, float t) {
    const float meander = Fbm(s, t, 2, 3, 3, w.seed) + 0.25f * Fbm(s, t, 4, 12, 2, w.seed + 10);
    const float ring = Fract(t * float(w.rings) + w.wander * meander);
    const float late = std::pow(ring, 3.0f) * w.lateWeight;
    Rgb c = Mix(w.early, w.late, late);

    const float streak = Smooth(0.15f, 0.6f, Fbm(s, t, 3, 40, 3, w.seed + 20));
    c = Mix(c, w.streak, w.streaks * streak);

    const float fibre = Fbm(s, t, 8, 160, 2, w.seed + 30);
    c = Scale(c, 1 + w.fibre * fibre);

    const float pore = Smooth(0.45f, 0.75f, Gradient(s * 24, t * 128, 24, 128, w.seed + 40));
    c = Scale(c, 1 - w.pores * pore);

    const float ripple = std::sin(2 * Pi * (s * 28 + 0.6f * Fbm(s, t, 2, 2, 2, w.seed + 50)));
    c = Scale(c, 1 + w.ripple * ripple);

    const float mottle = Fbm(s, t, 2, 2, 2, w.seed + 60);
    return Scale(c, 1 + 0.06f * mottle);
}

// Leather with a pebbled grain: low rounded cells parted by fine creases, lit from the top left.
struct Leather {
    Rgb base;
    Rgb crease;
    float creases; // how dark the creases are
    int pebbles;   // cells across the tile
    float relief;  // how strongly the light picks out the pebbles
    float mottle;  // large, soft variations of the dye
    std::uint32_t seed;
};

// Height of the grain: flat pebble tops falling off into the creases.
float LeatherHeight(const Leather& l, float s, float t) {
    float f1, f2;
    Cells(s, t, l.pebbles, l.seed, f1, f2);
    float g1, g2;
    Cells(s, t, l.pebbles * 2, l.seed + 1, g1, g2);
    return Smooth(0.0f, 0.45f, f2 - f1) + 0.3f * Smooth(0.0f, 0.5f, g2 - g1);
}

Rgb LeatherAt(const Leather& l, float s, float t) {
    constexpr float Step = 0.6f / Tile;
    const float h = LeatherHeight(l, s, t);
    const float slope = LeatherHeight(l, s + Step, t + Step) - LeatherHeight(l, s - Step, t - Step);
    const float light = std::clamp(1 - l.relief * slope, 0.75f, 1.2f);
    const float crease = 1 - Smooth(0.0f, 0.35f, h);
    Rgb c = Mix(l.base, l.crease, l.creases * crease);
    const float dye = Fbm(s, t, 3, 3, 4, l.seed + 2);
    return Scale(c, light * (1 + l.mottle * dye) * (0.94f + 0.06f * h));
}

// Plain-woven cloth: threads going over and under one another, each with its own shade.
struct Cloth {
    Rgb warp;
    Rgb weft;
    int threads; // threads across the tile each way
    float slub;  // thread-to-thread shade variation
    std::uint32_t seed;
};

Rgb ClothAt(const Cloth& c, float s, float t) {
    const float u = s * float(c.threads);
    const float v = t * float(c.threads);
    const int i = int(u);
    const int j = int(v);
    const float fu = u - float(i);
    const float fv = v - float(j);
    const bool warpOnTop = (i + j) % 2 == 0;
    // Across a thread it is round; along it, it dips where it passes under its neighbour.
    const float across = warpOnTop ? fu : fv;
    const float along = warpOnTop ? fv : fu;
    const float round = std::sin(Pi * across);
    const float dip = 0.8f + 0.2f * std::sin(Pi * along);
    const int thread = warpOnTop ? i : j;
    const float own = (Unit(Hash(thread, warpOnTop ? 1 : 2, c.seed)) - 0.5f) * 2 * c.slub;
    // A thread thickens and thins along its length.
    const float slub =
        warpOnTop ? Fbm(s, t, c.threads, 6, 2, c.seed + 3) : Fbm(s, t, 6, c.threads, 2, c.seed + 4);
    const float light = (0.66f + 0.34f * std::pow(round, 0.6f)) * dip;
    const Rgb base = warpOnTop ? c.warp : c.weft;
    return Scale(base, light * (1 + own + 0.07f * slub + 0.04f * Fbm(s, t, 2, 2, 2, c.seed + 5)));
}

struct Pattern {
    const char* file;
    std::function<QImage()> draw;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_patterns OUT-FOLDER\n");
        return 2;
    }
    const Wood rosewood{{132, 70, 46}, {64, 30, 24}, {36, 18, 16}, 20,   1.3f, 0.85f,
                        0.55f,         0.10f,        0.35f,        0.0f, 11};
    const Wood boxwood{{238, 214, 160}, {218, 186, 124}, {206, 172, 112}, 34,   0.9f, 0.45f,
                       0.15f,           0.03f,           0.04f,           0.0f, 23};
    const Wood ebony{{58, 44, 36}, {26, 20, 17}, {14, 11, 10}, 26,   1.1f, 0.7f,
                     0.6f,         0.10f,        0.2f,         0.0f, 37};
    const Wood sycamore{{242, 233, 212}, {226, 212, 184}, {220, 204, 174}, 30, 0.8f, 0.4f, 0.1f,
                        0.025f,          0.03f,           0.035f,          41};
    const Leather darkLeather{{110, 58, 34}, {62, 30, 18}, 0.6f, 50, 1.0f, 0.10f, 53};
    const Leather lightLeather{{214, 186, 144}, {176, 146, 106}, 0.32f, 50, 0.45f, 0.05f, 59};
    const Cloth darkCloth{{42, 86, 58}, {32, 70, 46}, 64, 0.07f, 61};
    const Cloth lightCloth{{228, 216, 188}, {214, 200, 170}, 64, 0.05f, 67};

    const auto wood = [](const Wood& w) {
        return [w] { return Render([&w](float s, float t) { return WoodAt(w, s, t); }); };
    };
    const auto leather = [](const Leather& l) {
        return [l] { return Render([&l](float s, float t) { return LeatherAt(l, s, t); }); };
    };
    const auto cloth = [](const Cloth& c) {
        return [c] { return Render([&c](float s, float t) { return ClothAt(c, s, t); }); };
    };
    const Pattern patterns[] = {
        {"palissandro", wood(rosewood)},
        {"bosso", wood(boxwood)},
        {"ebano", wood(ebony)},
        {"sicomoro", wood(sycamore)},
        {"pelle-scura", leather(darkLeather)},
        {"pelle-chiara", leather(lightLeather)},
        {"tessuto-scuro", cloth(darkCloth)},
        {"tessuto-chiaro", cloth(lightCloth)},
    };
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const Pattern& p : patterns) {
        const QString path = out.filePath(QString::fromLatin1(p.file) + QStringLiteral(".png"));
        if (!p.draw().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
