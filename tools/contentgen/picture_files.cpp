#include "picture_files.h"

#include <algorithm>
#include <cstddef>
#include <map>

namespace contentgen {

namespace {

constexpr std::size_t bmpFileHeaderSize = 14;
constexpr std::size_t bmpInfoHeaderSize = 40;
constexpr std::size_t maxPaletteSize = 256;
constexpr std::size_t tgaHeaderSize = 18;
constexpr int tgaMaxPacket = 128;
constexpr std::uint8_t tgaTypeTrueColour = 2;
constexpr std::uint8_t tgaTypeTrueColourRle = 10;
constexpr std::int32_t bmpPixelsPerMetre = 2835;  // 72 dots per inch

void put16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::uint32_t packRgb(Rgba c)
{
    return (static_cast<std::uint32_t>(c.r) << 16) | (static_cast<std::uint32_t>(c.g) << 8) | c.b;
}

Rgba unpackRgb(std::uint32_t v)
{
    return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v), 255};
}

// Colour counts, keyed by packed RGB (sorted, so everything built from it is deterministic).
std::map<std::uint32_t, std::uint32_t> colourHistogram(const Canvas& canvas)
{
    std::map<std::uint32_t, std::uint32_t> counts;
    for (const Rgba& p : canvas.pixels()) ++counts[packRgb(p)];
    return counts;
}

int channelOf(std::uint32_t packed, int channel)
{
    return static_cast<int>((packed >> (16 - 8 * channel)) & 0xFF);
}

// Median cut: splits the box with the widest channel range at its weighted
// median until there are enough boxes; each box becomes its weighted mean.
std::vector<Rgba> medianCut(const std::map<std::uint32_t, std::uint32_t>& histogram)
{
    struct Entry {
        std::uint32_t colour;
        std::uint32_t count;
    };
    std::vector<Entry> entries;
    entries.reserve(histogram.size());
    for (const auto& [colour, count] : histogram) entries.push_back({colour, count});

    struct Box {
        std::size_t begin, end;  // range in entries
    };
    auto widest = [&](const Box& box, int& channelOut) {
        int best = -1;
        for (int channel = 0; channel < 3; ++channel) {
            int lo = 255, hi = 0;
            for (std::size_t i = box.begin; i < box.end; ++i) {
                const int v = channelOf(entries[i].colour, channel);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            if (hi - lo > best) {
                best = hi - lo;
                channelOut = channel;
            }
        }
        return best;
    };

    std::vector<Box> boxes{{0, entries.size()}};
    while (boxes.size() < maxPaletteSize) {
        std::size_t pick = boxes.size();
        int pickRange = 0;
        int pickChannel = 0;
        for (std::size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].end - boxes[b].begin < 2) continue;
            int channel = 0;
            const int range = widest(boxes[b], channel);
            if (range > pickRange) {
                pickRange = range;
                pick = b;
                pickChannel = channel;
            }
        }
        if (pick == boxes.size()) break;
        Box box = boxes[pick];
        std::stable_sort(entries.begin() + static_cast<std::ptrdiff_t>(box.begin),
                         entries.begin() + static_cast<std::ptrdiff_t>(box.end),
                         [pickChannel](const Entry& a, const Entry& b) {
                             const int ca = channelOf(a.colour, pickChannel);
                             const int cb = channelOf(b.colour, pickChannel);
                             return ca != cb ? ca < cb : a.colour < b.colour;
                         });
        std::uint64_t total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) total += entries[i].count;
        std::uint64_t running = 0;
        std::size_t split = box.begin + 1;
        for (std::size_t i = box.begin; i < box.end - 1; ++i) {
            running += entries[i].count;
            split = i + 1;
            if (running * 2 >= total) break;
        }
        boxes[pick] = {box.begin, split};
        boxes.push_back({split, box.end});
    }

    std::vector<Rgba> palette;
    for (const Box& box : boxes) {
        std::uint64_t sum[3] = {0, 0, 0};
        std::uint64_t total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            for (int channel = 0; channel < 3; ++channel)
                sum[channel] += static_cast<std::uint64_t>(channelOf(entries[i].colour, channel)) * entries[i].count;
            total += entries[i].count;
        }
        if (total == 0) continue;
        palette.push_back({static_cast<std::uint8_t>((sum[0] + total / 2) / total),
                           static_cast<std::uint8_t>((sum[1] + total / 2) / total),
                           static_cast<std::uint8_t>((sum[2] + total / 2) / total), 255});
    }
    return palette;
}

std::uint8_t nearestIndex(const std::vector<Rgba>& palette, Rgba colour)
{
    std::size_t best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int dr = palette[i].r - colour.r;
        const int dg = palette[i].g - colour.g;
        const int db = palette[i].b - colour.b;
        const int distance = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return static_cast<std::uint8_t>(best);
}

void putBmpHeaders(std::vector<std::uint8_t>& out, const Canvas& canvas, int bitCount, std::size_t paletteEntries,
                   std::size_t rowBytes)
{
    const std::size_t pixelOffset = bmpFileHeaderSize + bmpInfoHeaderSize + paletteEntries * 4;
    const std::size_t imageSize = rowBytes * static_cast<std::size_t>(canvas.height());
    out.push_back('B');
    out.push_back('M');
    put32(out, static_cast<std::uint32_t>(pixelOffset + imageSize));
    put32(out, 0);  // reserved
    put32(out, static_cast<std::uint32_t>(pixelOffset));
    put32(out, bmpInfoHeaderSize);
    put32(out, static_cast<std::uint32_t>(canvas.width()));
    put32(out, static_cast<std::uint32_t>(canvas.height()));
    put16(out, 1);  // planes
    put16(out, static_cast<std::uint32_t>(bitCount));
    put32(out, 0);  // no compression
    put32(out, static_cast<std::uint32_t>(imageSize));
    put32(out, bmpPixelsPerMetre);
    put32(out, bmpPixelsPerMetre);
    put32(out, static_cast<std::uint32_t>(paletteEntries));
    put32(out, 0);  // all colours important
}

std::vector<std::uint8_t> encodeBmp24(const Canvas& canvas)
{
    const std::size_t rowBytes = (static_cast<std::size_t>(canvas.width()) * 3 + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> out;
    out.reserve(bmpFileHeaderSize + bmpInfoHeaderSize + rowBytes * static_cast<std::size_t>(canvas.height()));
    putBmpHeaders(out, canvas, 24, 0, rowBytes);
    for (int y = canvas.height() - 1; y >= 0; --y) {
        const std::size_t start = out.size();
        for (int x = 0; x < canvas.width(); ++x) {
            const Rgba p = canvas.get(x, y);
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
        }
        out.resize(start + rowBytes, 0);
    }
    return out;
}

std::vector<std::uint8_t> encodeBmp8(const Canvas& canvas)
{
    const std::vector<Rgba> palette = paletteFor(canvas);
    std::map<std::uint32_t, std::uint8_t> indexOf;
    for (const auto& [colour, count] : colourHistogram(canvas))
        indexOf[colour] = nearestIndex(palette, unpackRgb(colour));

    const std::size_t rowBytes = (static_cast<std::size_t>(canvas.width()) + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> out;
    putBmpHeaders(out, canvas, 8, palette.size(), rowBytes);
    for (const Rgba& entry : palette) {
        out.push_back(entry.b);
        out.push_back(entry.g);
        out.push_back(entry.r);
        out.push_back(0);
    }
    for (int y = canvas.height() - 1; y >= 0; --y) {
        const std::size_t start = out.size();
        for (int x = 0; x < canvas.width(); ++x) out.push_back(indexOf[packRgb(canvas.get(x, y))]);
        out.resize(start + rowBytes, 0);
    }
    return out;
}

void putTgaPixel(std::vector<std::uint8_t>& out, Rgba p, bool withAlpha)
{
    out.push_back(p.b);
    out.push_back(p.g);
    out.push_back(p.r);
    if (withAlpha) out.push_back(p.a);
}

bool samePixel(Rgba p, Rgba q, bool withAlpha)
{
    return p.r == q.r && p.g == q.g && p.b == q.b && (!withAlpha || p.a == q.a);
}

// Packets never cross a row, so readers that decode row by row cope too.
void putRleRow(std::vector<std::uint8_t>& out, const Canvas& canvas, int y, bool withAlpha)
{
    const int width = canvas.width();
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < tgaMaxPacket && samePixel(canvas.get(x + run, y), canvas.get(x, y), withAlpha))
            ++run;
        if (run >= 2) {
            out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
            putTgaPixel(out, canvas.get(x, y), withAlpha);
            x += run;
            continue;
        }
        // A raw packet runs until two equal neighbours start a run.
        int count = 1;
        while (x + count < width && count < tgaMaxPacket &&
               !(x + count + 1 < width && samePixel(canvas.get(x + count, y), canvas.get(x + count + 1, y), withAlpha)))
            ++count;
        out.push_back(static_cast<std::uint8_t>(count - 1));
        for (int i = 0; i < count; ++i) putTgaPixel(out, canvas.get(x + i, y), withAlpha);
        x += count;
    }
}

std::vector<std::uint8_t> encodeTga(const Canvas& canvas, bool withAlpha, bool runLength)
{
    std::vector<std::uint8_t> out;
    out.reserve(tgaHeaderSize + static_cast<std::size_t>(canvas.width()) * static_cast<std::size_t>(canvas.height()) *
                                    (withAlpha ? 4 : 3));
    out.push_back(0);  // no image ID
    out.push_back(0);  // no colour map
    out.push_back(runLength ? tgaTypeTrueColourRle : tgaTypeTrueColour);
    for (int i = 0; i < 5; ++i) out.push_back(0);  // colour map description
    put16(out, 0);                                 // x origin
    put16(out, 0);                                 // y origin
    put16(out, static_cast<std::uint32_t>(canvas.width()));
    put16(out, static_cast<std::uint32_t>(canvas.height()));
    out.push_back(withAlpha ? 32 : 24);
    out.push_back(withAlpha ? 8 : 0);  // alpha bits; origin bottom-left
    for (int y = canvas.height() - 1; y >= 0; --y) {
        if (runLength) {
            putRleRow(out, canvas, y, withAlpha);
        } else {
            for (int x = 0; x < canvas.width(); ++x) putTgaPixel(out, canvas.get(x, y), withAlpha);
        }
    }
    return out;
}

}  // namespace

std::vector<Rgba> paletteFor(const Canvas& canvas)
{
    const auto histogram = colourHistogram(canvas);
    std::vector<Rgba> palette;
    if (histogram.size() <= maxPaletteSize) {
        for (const auto& [colour, count] : histogram) palette.push_back(unpackRgb(colour));
    } else {
        palette = medianCut(histogram);
        std::sort(palette.begin(), palette.end(), [](Rgba a, Rgba b) { return packRgb(a) < packRgb(b); });
    }
    return palette;
}

std::vector<std::uint8_t> encodePicture(const Canvas& canvas, PictureFormat format)
{
    switch (format) {
        case PictureFormat::Bmp24: return encodeBmp24(canvas);
        case PictureFormat::Bmp8Paletted: return encodeBmp8(canvas);
        case PictureFormat::Tga24: return encodeTga(canvas, false, false);
        case PictureFormat::Tga32: return encodeTga(canvas, true, false);
        case PictureFormat::Tga24Rle: return encodeTga(canvas, false, true);
        case PictureFormat::Tga32Rle: return encodeTga(canvas, true, true);
    }
    return {};
}

void addPicture(ContentSink& sink, const std::string& path, const Canvas& canvas, PictureFormat format)
{
    sink.add(path, encodePicture(canvas, format));
    sink.keepPicture(path, canvas);
}

}  // namespace contentgen
