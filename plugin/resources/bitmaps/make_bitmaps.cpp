// Draws the plug-in's pictures as 4-bit bitmap files: the switch and read-out sequences the
// algorithm shows (ids and frame counts fixed by the algorithm) and the two editor backgrounds
// (515 x 181). Usage: make_bitmaps OUTPUT_FOLDER. Writes bitmap_<id>.bmp and leaves a file whose
// bytes would not change untouched, so configuring again rebuilds nothing.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

enum Colour : uint8_t {
    kBlack,
    kPanelDark,
    kPanelMid,
    kPanelLight,
    kBorder,
    kOff,
    kAmber,
    kGreen,
    kRed,
    kDimRed,
    kWhite,
    kBlue,
    kOrange,
    kGrey,
    kPanel,
    kHighlight,
};

// B, G, R of each colour, in Colour order.
constexpr uint8_t kPalette[16][3] = {
    {0, 0, 0},      {52, 44, 40},    {82, 70, 64},  {120, 104, 96},  {170, 156, 150}, {30, 30, 30},
    {0, 160, 240},  {90, 220, 60},   {30, 40, 235}, {20, 20, 90},    {235, 235, 235}, {255, 170, 90},
    {60, 140, 255}, {170, 170, 170}, {68, 58, 52},  {230, 210, 200},
};

struct Rect {
    int left, top, right, bottom;  // right and bottom exclusive
};

class Canvas {
public:
    Canvas(int width, int height, Colour fill) : width_(width), height_(height), pixels_(width * height, fill) {}

    int Width() const { return width_; }
    int Height() const { return height_; }

    void Plot(int x, int y, Colour c) {
        if (x >= 0 && x < width_ && y >= 0 && y < height_) pixels_[y * width_ + x] = c;
    }
    void Fill(Rect r, Colour c) {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) Plot(x, y, c);
    }
    void Frame(Rect r, Colour c) {
        Fill({r.left, r.top, r.right, r.top + 1}, c);
        Fill({r.left, r.bottom - 1, r.right, r.bottom}, c);
        Fill({r.left, r.top, r.left + 1, r.bottom}, c);
        Fill({r.right - 1, r.top, r.right, r.bottom}, c);
    }
    void Line(int x0, int y0, int x1, int y1, Colour c) {
        const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        for (int err = dx + dy;;) {
            Plot(x0, y0, c);
            if (x0 == x1 && y0 == y1) return;
            const int e2 = 2 * err;
            if (e2 >= dy) err += dy, x0 += sx;
            if (e2 <= dx) err += dx, y0 += sy;
        }
    }
    // y = f(t) for t in 0..1 across `r`, f in -1..1 (up is positive), joined into a line.
    void Curve(Rect r, const std::function<double(double)>& f, Colour c) {
        const int span = r.right - r.left - 1;
        const double middle = (r.top + r.bottom - 1) / 2.0, half = (r.bottom - r.top - 1) / 2.0;
        int lastY = 0;
        for (int x = 0; x <= span; ++x) {
            const int y = static_cast<int>(std::lround(middle - half * f(static_cast<double>(x) / span)));
            if (x > 0) Line(r.left + x - 1, lastY, r.left + x, y, c);
            lastY = y;
        }
    }
    // Text in a 3 x 5 font, one column between letters.
    void Text(int x, int y, const char* text, Colour c);

    // The BMP file: file header, BITMAPINFOHEADER, 16-colour palette, rows bottom-up, two pixels
    // a byte, each row padded to four bytes.
    std::vector<uint8_t> Bmp() const {
        const int rowBytes = ((width_ + 1) / 2 + 3) / 4 * 4;
        const uint32_t pixelOffset = 14 + 40 + 16 * 4;
        const uint32_t fileBytes = pixelOffset + rowBytes * height_;
        std::vector<uint8_t> out;
        auto bytes = [&](uint32_t v, int count) {
            for (int i = 0; i < count; ++i) out.push_back(static_cast<uint8_t>(v >> 8 * i));
        };
        auto u16 = [&](uint32_t v) { bytes(v, 2); };
        auto u32 = [&](uint32_t v) { bytes(v, 4); };
        u16('B' | 'M' << 8), u32(fileBytes), u16(0), u16(0), u32(pixelOffset);
        u32(40), u32(width_), u32(height_), u16(1), u16(4), u32(0), u32(rowBytes * height_);
        u32(2835), u32(2835), u32(16), u32(0);  // 72 dpi; 16 colours, all of them important
        for (const auto& bgr : kPalette) u32(bgr[0] | bgr[1] << 8 | bgr[2] << 16);
        for (int y = height_ - 1; y >= 0; --y) {
            std::vector<uint8_t> row(rowBytes, 0);
            for (int x = 0; x < width_; ++x) row[x / 2] |= pixels_[y * width_ + x] << (x % 2 ? 0 : 4);
            out.insert(out.end(), row.begin(), row.end());
        }
        return out;
    }

private:
    int width_, height_;
    std::vector<uint8_t> pixels_;
};

// Rows of three bits, top first, for the letters the captions use.
struct Glyph {
    char letter;
    uint8_t rows[5];
};
constexpr Glyph kFont[] = {
    {'H', {5, 5, 7, 5, 5}}, {'z', {0, 7, 1, 2, 7}}, {'x', {0, 5, 2, 2, 5}}, {'b', {4, 4, 6, 5, 6}},
    {'e', {0, 2, 5, 6, 3}}, {'a', {0, 6, 1, 5, 7}}, {'t', {2, 7, 2, 2, 1}}, {' ', {0, 0, 0, 0, 0}},
};

void Canvas::Text(int x, int y, const char* text, Colour c) {
    for (; *text; ++text, x += 4) {
        const auto glyph =
            std::find_if(std::begin(kFont), std::end(kFont), [&](const Glyph& g) { return g.letter == *text; });
        if (glyph == std::end(kFont)) continue;
        for (int row = 0; row < 5; ++row)
            for (int column = 0; column < 3; ++column)
                if (glyph->rows[row] >> (2 - column) & 1) Plot(x + column, y + row, c);
    }
}

constexpr double kPi = 3.14159265358979323846;

// A framed well, the common ground of the small pictures.
Canvas Well(int width, int height) {
    Canvas c(width, height, kPanelDark);
    c.Frame({0, 0, width, height}, kBorder);
    return c;
}

// An on/off switch: a dark well, lit in `lit` when on.
Canvas Switch(int width, int height, bool on, Colour lit) {
    Canvas c = Well(width, height);
    c.Fill({3, 3, width - 3, height - 3}, on ? lit : kOff);
    return c;
}

struct Picture {
    int id;
    Canvas canvas;
};

// The frames of a sequence, bitmaps first, first + 1, …
void Sequence(std::vector<Picture>& out, int first, int frames, const std::function<Canvas(int)>& draw) {
    for (int frame = 0; frame < frames; ++frame) out.push_back({first + frame, draw(frame)});
}

// The rectangles the controls take on the editor, for the backgrounds.
constexpr Rect kCommonAreas[] = {
    {106, 53, 159, 73}, {106, 122, 159, 142}, {123, 88, 159, 108}, {129, 78, 165, 88},  {172, 88, 196, 108},
    {8, 53, 61, 73},    {396, 52, 414, 136},  {8, 88, 61, 108},    {215, 53, 291, 73},  {297, 44, 371, 73},
    {64, 53, 88, 73},   {176, 124, 193, 140}, {8, 122, 31, 142},   {31, 122, 61, 142},  {64, 88, 88, 108},
    {216, 85, 331, 98}, {64, 122, 88, 142},   {172, 53, 196, 73},  {333, 83, 371, 100}, {106, 88, 123, 108},
};
constexpr Rect kStereoAreas[] = {{454, 53, 470, 134}, {478, 53, 494, 134}, {216, 122, 269, 142}, {274, 117, 371, 145}};
constexpr Rect kMonoAreas[] = {{450, 53, 466, 134}};

Canvas Background(bool stereo) {
    Canvas c(515, 181, kPanel);
    c.Frame({0, 0, 515, 181}, kBorder);
    c.Frame({2, 2, 513, 179}, kPanelLight);
    c.Fill({3, 3, 512, 36}, kPanelMid);
    auto well = [&](Rect r) {
        c.Fill({r.left - 2, r.top - 2, r.right + 2, r.bottom + 2}, kPanelDark);
        c.Frame({r.left - 2, r.top - 2, r.right + 2, r.bottom + 2}, kPanelLight);
    };
    for (const Rect& r : kCommonAreas) well(r);
    if (stereo)
        for (const Rect& r : kStereoAreas) well(r);
    else
        for (const Rect& r : kMonoAreas) well(r);
    return c;
}

std::vector<Picture> AllPictures() {
    std::vector<Picture> out;
    // Setting switches (feedback and phase inversion, filter, tape).
    Sequence(out, 205, 2, [](int f) { return Switch(24, 20, f == 1, kAmber); });
    // Wave form: sine, triangle.
    Sequence(out, 144, 2, [](int f) {
        Canvas c = Well(74, 29);
        auto sine = [](double t) { return std::sin(2 * kPi * t); };
        auto triangle = [](double t) { return t < 0.25 ? 4 * t : t < 0.75 ? 2 - 4 * t : 4 * t - 4; };
        c.Curve({4, 4, 70, 25}, f == 1 ? std::function<double(double)>(triangle) : sine, kBlue);
        return c;
    });
    // Filter type: low-pass, high-pass.
    Sequence(out, 202, 2, [](int f) {
        Canvas c = Well(23, 20);
        auto lowPass = [](double t) { return t < 0.5 ? 0.6 : 0.6 - 3.2 * (t - 0.5); };
        auto highPass = [lowPass](double t) { return lowPass(1 - t); };
        c.Curve({3, 4, 20, 16}, f == 1 ? std::function<double(double)>(highPass) : lowPass, kAmber);
        return c;
    });
    // Depth/rate link: two links, joined when on.
    Sequence(out, 213, 2, [](int f) {
        Canvas c = Well(17, 16);
        const Colour colour = f == 1 ? kGreen : kGrey;
        c.Frame({3, 5, 9, 11}, colour);
        c.Frame({8, 5, 14, 11}, colour);
        if (f == 1) c.Fill({6, 7, 11, 9}, colour);
        return c;
    });
    // Clip lights.
    Sequence(out, 161, 2, [](int f) {
        Canvas c(16, 5, f == 1 ? kRed : kDimRed);
        c.Frame({0, 0, 16, 5}, kBlack);
        return c;
    });
    // Stereo phase: the right channel's LFO ahead of the left by 0 … 180 degrees.
    Sequence(out, 165, 20, [](int f) {
        Canvas c = Well(97, 28);
        const double ahead = kPi * f / 19;
        c.Curve(
            {4, 4, 93, 24}, [](double t) { return std::sin(2 * kPi * t); }, kBlue);
        c.Curve(
            {4, 4, 93, 24}, [ahead](double t) { return std::sin(2 * kPi * t + ahead); }, kOrange);
        return c;
    });
    // LFO pause: running, stopped.
    Sequence(out, 216, 2, [](int f) {
        Canvas c = Well(38, 17);
        if (f == 1) {
            c.Fill({14, 4, 17, 13}, kAmber);
            c.Fill({21, 4, 24, 13}, kAmber);
        } else {
            for (int x = 0; x < 8; ++x) c.Line(15 + x, 4 + x / 2, 15 + x, 12 - x / 2, kGreen);
        }
        return c;
    });
    // Tempo sync.
    Sequence(out, 229, 2, [](int f) { return Switch(24, 20, f == 1, kGreen); });
    // Rate caption: Hz, or cycles per beat while synchronised.
    Sequence(out, 231, 2, [](int f) {
        Canvas c(36, 10, kPanel);
        c.Text(f == 1 ? 6 : 14, 2, f == 1 ? "x beat" : "Hz", kAmber);
        return c;
    });
    out.push_back({13950, Background(true)});
    out.push_back({13951, Background(false)});
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_bitmaps OUTPUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "make_bitmaps: cannot create %s\n", folder.string().c_str());
        return 1;
    }
    for (const Picture& p : AllPictures()) {
        const std::vector<uint8_t> bytes = p.canvas.Bmp();
        const auto file = folder / ("bitmap_" + std::to_string(p.id) + ".bmp");
        std::ifstream old(file, std::ios::binary);
        if (old && std::vector<uint8_t>(std::istreambuf_iterator<char>(old), {}) == bytes) continue;
        old.close();
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "make_bitmaps: cannot write %s\n", file.string().c_str());
            return 1;
        }
    }
    return 0;
}
