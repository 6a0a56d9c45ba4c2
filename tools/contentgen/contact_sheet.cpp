// The contact sheet: one PNG showing every picture the generator made, each
// labelled with its file name, alpha shown over a checkerboard and each mask
// beside its picture, so the whole content can be looked over at a glance.
#include "content.h"
#include "drawing.h"
#include "text.h"

#include <stb_image_write.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace contentgen {

namespace {

constexpr int sheetWidth = 1500;
constexpr int margin = 16;
constexpr int gap = 14;
constexpr int pairGap = 6;
constexpr int largestSide = 256;
constexpr int smallSide = 96;  // smaller pictures are enlarged (whole pixels) towards this
constexpr int maxEnlarge = 4;
constexpr float labelSize = 14.0f;
constexpr int labelHeight = 20;
constexpr int checkerSquare = 8;
constexpr Rgba sheetBackground{236, 236, 232, 255};
constexpr Rgba checkerLight{204, 204, 204, 255};
constexpr Rgba checkerDark{156, 156, 156, 255};
constexpr Rgba labelColour{30, 30, 40, 255};

const std::string maskSuffix = "_mask.bmp";

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The picture at display size, its alpha flattened over a checkerboard.
Canvas thumbnail(const Canvas& picture)
{
    const int side = std::max(picture.width(), picture.height());
    Canvas sized = picture;
    if (side > largestSide) {
        const float scale = static_cast<float>(largestSide) / static_cast<float>(side);
        sized = downsample(picture, std::max(1, static_cast<int>(static_cast<float>(picture.width()) * scale)),
                           std::max(1, static_cast<int>(static_cast<float>(picture.height()) * scale)));
    } else if (side < smallSide) {
        const int factor = std::clamp(smallSide / std::max(side, 1), 1, maxEnlarge);
        sized = Canvas(picture.width() * factor, picture.height() * factor);
        for (int y = 0; y < sized.height(); ++y)
            for (int x = 0; x < sized.width(); ++x) sized.set(x, y, picture.get(x / factor, y / factor));
    }
    Canvas result(sized.width(), sized.height());
    for (int y = 0; y < sized.height(); ++y)
        for (int x = 0; x < sized.width(); ++x) {
            const bool light = ((x / checkerSquare) + (y / checkerSquare)) % 2 == 0;
            result.set(x, y, light ? checkerLight : checkerDark);
            const Rgba p = sized.get(x, y);
            result.blend(x, y, {p.r, p.g, p.b, 255}, static_cast<float>(p.a) / 255.0f);
        }
    return result;
}

struct Cell {
    std::vector<Canvas> thumbnails;  // one, or mask and picture
    std::vector<std::string> labels;
    int width = 0;
    int height = 0;
};

// Groups each mask with its picture (mask first), keeping the generators' order otherwise.
std::vector<Cell> buildCells(const std::vector<KeptPicture>& pictures)
{
    std::vector<bool> used(pictures.size(), false);
    auto find = [&](const std::string& path) -> std::size_t {
        for (std::size_t i = 0; i < pictures.size(); ++i)
            if (!used[i] && pictures[i].path == path) return i;
        return pictures.size();
    };
    std::vector<Cell> cells;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (used[i]) continue;
        used[i] = true;
        std::vector<std::size_t> members{i};
        const std::string& path = pictures[i].path;
        if (endsWith(path, maskSuffix)) {
            const std::size_t partner = find(path.substr(0, path.size() - maskSuffix.size()) + ".bmp");
            if (partner < pictures.size()) members.push_back(partner);
        } else if (endsWith(path, ".bmp")) {
            const std::size_t partner = find(path.substr(0, path.size() - 4) + maskSuffix);
            if (partner < pictures.size()) members.insert(members.begin(), partner);
        }
        Cell cell;
        for (std::size_t m : members) {
            used[m] = true;
            cell.thumbnails.push_back(thumbnail(pictures[m].canvas));
            cell.labels.push_back(pictures[m].path + "  " + std::to_string(pictures[m].canvas.width()) + "x" +
                                  std::to_string(pictures[m].canvas.height()));
        }
        const Font& labelFont = font(FontFace::Sans);
        for (std::size_t k = 0; k < cell.thumbnails.size(); ++k) {
            const int columnWidth = std::max(cell.thumbnails[k].width(),
                                             static_cast<int>(labelFont.measure(cell.labels[k], labelSize)) + 2);
            cell.width += columnWidth + (k > 0 ? pairGap : 0);
            cell.height = std::max(cell.height, cell.thumbnails[k].height() + labelHeight);
        }
        cells.push_back(std::move(cell));
    }
    return cells;
}

}  // namespace

bool writeContactSheet(const ContentSink& sink, const std::string& path)
{
    const std::vector<Cell> cells = buildCells(sink.pictures());
    const Font& labelFont = font(FontFace::Sans);
    const Font& titleFont = font(FontFace::SansBold);
    const int titleHeight = 40;

    // Flow layout: first the positions, then the sheet of the right height.
    struct Placed {
        int x, y;
    };
    std::vector<Placed> placed;
    int x = margin, y = margin + titleHeight, rowHeight = 0;
    for (const Cell& cell : cells) {
        if (x > margin && x + cell.width > sheetWidth - margin) {
            x = margin;
            y += rowHeight + gap;
            rowHeight = 0;
        }
        placed.push_back({x, y});
        x += cell.width + gap;
        rowHeight = std::max(rowHeight, cell.height);
    }
    const int sheetHeight = y + rowHeight + margin;

    Canvas sheet(sheetWidth, sheetHeight, sheetBackground);
    titleFont.draw(sheet, margin, margin + 24,
                   "Burrik content: " + std::to_string(sink.pictures().size()) + " pictures", 22, labelColour);
    for (std::size_t c = 0; c < cells.size(); ++c) {
        int cx = placed[c].x;
        for (std::size_t k = 0; k < cells[c].thumbnails.size(); ++k) {
            const Canvas& thumb = cells[c].thumbnails[k];
            for (int ty = 0; ty < thumb.height(); ++ty)
                for (int tx = 0; tx < thumb.width(); ++tx) sheet.set(cx + tx, placed[c].y + ty, thumb.get(tx, ty));
            labelFont.draw(sheet, static_cast<float>(cx), static_cast<float>(placed[c].y + thumb.height() + 15),
                           cells[c].labels[k], labelSize, labelColour);
            const int columnWidth =
                std::max(thumb.width(), static_cast<int>(labelFont.measure(cells[c].labels[k], labelSize)) + 2);
            cx += columnWidth + pairGap;
        }
    }

    std::vector<unsigned char> rgb;
    rgb.reserve(static_cast<std::size_t>(sheetWidth) * static_cast<std::size_t>(sheetHeight) * 3);
    for (const Rgba& p : sheet.pixels()) {
        rgb.push_back(p.r);
        rgb.push_back(p.g);
        rgb.push_back(p.b);
    }
    if (stbi_write_png(path.c_str(), sheetWidth, sheetHeight, 3, rgb.data(), sheetWidth * 3) == 0) {
        std::fprintf(stderr, "contentgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace contentgen
