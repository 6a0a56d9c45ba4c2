// The generated pictures in the build's data folder: presence, sizes and
// formats as independent readers see them, the rules the game's drawing puts
// on them (masks, fence transparency, tiling, upright sprites), repeatable
// output and the contact sheet.
#include "test_support.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

enum class Kind { Bmp24, Bmp8, Tga32, Tga32Rle };

struct Expected {
    const char* path;
    int width;
    int height;
    Kind kind;
};

const Expected pictures[] = {
    {"bilder/start.bmp", 512, 512, Kind::Bmp24},
    {"bilder/spiel_mask.bmp", 256, 128, Kind::Bmp8},
    {"bilder/spiel.bmp", 256, 128, Kind::Bmp24},
    {"bilder/intro_mask.bmp", 256, 128, Kind::Bmp8},
    {"bilder/intro.bmp", 256, 128, Kind::Bmp24},
    {"bilder/hilfe_mask.bmp", 256, 128, Kind::Bmp8},
    {"bilder/hilfe.bmp", 256, 128, Kind::Bmp24},
    {"bilder/intro_text.bmp", 512, 512, Kind::Bmp24},
    {"bilder/hilfe_text.bmp", 512, 512, Kind::Bmp24},
    {"bilder/maulwurfkl_mask.bmp", 64, 32, Kind::Bmp8},
    {"bilder/maulwurfkl.bmp", 64, 32, Kind::Bmp24},
    {"bilder/uhr_mask.bmp", 32, 32, Kind::Bmp8},
    {"bilder/uhr.bmp", 32, 32, Kind::Bmp24},
    {"bilder/upps_mask.bmp", 512, 64, Kind::Bmp8},
    {"bilder/upps.bmp", 512, 64, Kind::Bmp24},
    {"bilder/juhu_mask.bmp", 128, 64, Kind::Bmp8},
    {"bilder/juhu.bmp", 128, 64, Kind::Bmp24},
    {"bilder/Bottom.bmp", 256, 256, Kind::Bmp24},
    {"wand.tga", 128, 256, Kind::Tga32},
    {"bilder/zaun.tga", 128, 256, Kind::Tga32Rle},
    {"bilder/wolken.bmp", 256, 256, Kind::Bmp24},
    {"bilder/Particle.tga", 64, 64, Kind::Tga32},
    {"bilder/Tropfen.tga", 64, 64, Kind::Tga32Rle},
    {"bilder/fliege2.tga", 64, 64, Kind::Tga32},
};

const char* const maskedPictures[] = {"spiel", "intro", "hilfe", "maulwurfkl", "uhr", "upps", "juhu"};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;  // top row first, as the picture is meant to be seen
    int r(int x, int y) const { return rgba[4 * (static_cast<std::size_t>(y) * width + x)]; }
    int g(int x, int y) const { return rgba[4 * (static_cast<std::size_t>(y) * width + x) + 1]; }
    int b(int x, int y) const { return rgba[4 * (static_cast<std::size_t>(y) * width + x) + 2]; }
    int a(int x, int y) const { return rgba[4 * (static_cast<std::size_t>(y) * width + x) + 3]; }
    bool valid() const { return width > 0; }
};

std::filesystem::path dataPath(const std::string& relative)
{
    return std::filesystem::path(testsupport::generatedDataDir()) / relative;
}

Image load(const std::filesystem::path& file)
{
    Image image;
    int channels = 0;
    unsigned char* data = stbi_load(file.string().c_str(), &image.width, &image.height, &channels, 4);
    if (data == nullptr) return {};
    image.rgba.assign(data, data + static_cast<std::size_t>(image.width) * image.height * 4);
    stbi_image_free(data);
    return image;
}

bool powerOfTwo(int n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

std::string identify(const std::filesystem::path& file, const std::string& format)
{
    return testsupport::runCommand("identify -format " + testsupport::shellQuote(format) + " " +
                                   testsupport::shellQuote(file.string()))
        .output;
}

// Mean absolute difference between two columns (wrapping) of an image.
double columnDifference(const Image& image, int x0, int x1)
{
    double sum = 0;
    for (int y = 0; y < image.height; ++y)
        sum += std::abs(image.r(x0, y) - image.r(x1, y)) + std::abs(image.g(x0, y) - image.g(x1, y)) +
               std::abs(image.b(x0, y) - image.b(x1, y));
    return sum / image.height;
}

double rowDifference(const Image& image, int y0, int y1)
{
    double sum = 0;
    for (int x = 0; x < image.width; ++x)
        sum += std::abs(image.r(x, y0) - image.r(x, y1)) + std::abs(image.g(x, y0) - image.g(x, y1)) +
               std::abs(image.b(x, y0) - image.b(x, y1));
    return sum / image.width;
}

}  // namespace

TEST(GeneratedPictures, EveryPictureHasItsSizeAndFormat)
{
    for (const Expected& expected : pictures) {
        SCOPED_TRACE(expected.path);
        const auto file = dataPath(expected.path);
        ASSERT_TRUE(std::filesystem::exists(file));
        EXPECT_TRUE(powerOfTwo(expected.width) && powerOfTwo(expected.height));
        const Image image = load(file);
        ASSERT_TRUE(image.valid()) << stbi_failure_reason();
        EXPECT_EQ(image.width, expected.width);
        EXPECT_EQ(image.height, expected.height);

        const auto bytes = testsupport::readFileBytes(file);
        ASSERT_GT(bytes.size(), 54u);
        switch (expected.kind) {
            case Kind::Bmp24:
            case Kind::Bmp8:
                EXPECT_EQ(bytes[0], 'B');
                EXPECT_EQ(bytes[1], 'M');
                EXPECT_EQ(bytes[14], 40);  // Windows info header
                EXPECT_EQ(bytes[28], expected.kind == Kind::Bmp8 ? 8 : 24);
                EXPECT_EQ(bytes[30], 0);  // uncompressed
                EXPECT_LT(bytes[25], 0x80) << "bottom-up rows (positive height)";
                break;
            case Kind::Tga32:
            case Kind::Tga32Rle:
                EXPECT_EQ(bytes[2], expected.kind == Kind::Tga32Rle ? 10 : 2);
                EXPECT_EQ(bytes[16], 32);
                EXPECT_EQ(bytes[17], 8) << "8 alpha bits, rows from the bottom";
                break;
        }
    }
}

TEST(GeneratedPictures, EveryPictureFileDecodesWithPowerOfTwoSides)
{
    // All pictures in the data folder, the models' textures and skins included.
    int count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(testsupport::generatedDataDir())) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".bmp" && extension != ".tga") continue;
        ++count;
        SCOPED_TRACE(entry.path().string());
        const Image image = load(entry.path());
        ASSERT_TRUE(image.valid());
        EXPECT_TRUE(powerOfTwo(image.width));
        EXPECT_TRUE(powerOfTwo(image.height));
    }
    EXPECT_GE(count, static_cast<int>(std::size(pictures)));
}

TEST(GeneratedPictures, ImageMagickAgrees)
{
    if (!testsupport::haveProgram("identify")) GTEST_SKIP() << "ImageMagick not installed";
    for (const Expected& expected : pictures) {
        SCOPED_TRACE(expected.path);
        const std::string size = std::to_string(expected.width) + " " + std::to_string(expected.height) + " 8|";
        const std::string description = identify(dataPath(expected.path), "%w %h %z|%A|%C|%r");
        std::string wanted;
        switch (expected.kind) {
            case Kind::Bmp24: wanted = size + "False|None|DirectClass"; break;
            case Kind::Bmp8: wanted = size + "False|None|PseudoClass"; break;
            case Kind::Tga32: wanted = size + "True|None|DirectClass"; break;
            case Kind::Tga32Rle: wanted = size + "True|RLE|DirectClass"; break;
        }
        EXPECT_EQ(description.rfind(wanted, 0), 0u) << description << " wanted " << wanted;
    }
}

TEST(GeneratedPictures, MasksAreBlackUnderTheirPicturesAndWhiteElsewhere)
{
    for (const char* name : maskedPictures) {
        SCOPED_TRACE(name);
        const Image mask = load(dataPath(std::string("bilder/") + name + "_mask.bmp"));
        const Image picture = load(dataPath(std::string("bilder/") + name + ".bmp"));
        ASSERT_TRUE(mask.valid() && picture.valid());
        ASSERT_EQ(mask.width, picture.width);
        ASSERT_EQ(mask.height, picture.height);
        int pure = 0, black = 0, overflow = 0, litOutside = 0;
        for (int y = 0; y < mask.height; ++y)
            for (int x = 0; x < mask.width; ++x) {
                const int m = mask.r(x, y);
                ASSERT_TRUE(m == mask.g(x, y) && m == mask.b(x, y)) << "grey mask at " << x << "," << y;
                pure += (m == 0 || m == 255) ? 1 : 0;
                black += m == 0 ? 1 : 0;
                // Frame * mask + picture must not exceed the frame's own range: the
                // picture is weighted by what the mask takes away.
                const int room = 255 - m + 2;
                overflow += (picture.r(x, y) > room || picture.g(x, y) > room || picture.b(x, y) > room) ? 1 : 0;
                litOutside += (m == 255 && (picture.r(x, y) | picture.g(x, y) | picture.b(x, y)) != 0) ? 1 : 0;
            }
        const int total = mask.width * mask.height;
        EXPECT_GT(pure, total * 3 / 4) << "only the edges are antialiased";
        EXPECT_GT(black, total / 10) << "the picture covers something";
        EXPECT_EQ(overflow, 0);
        EXPECT_EQ(litOutside, 0);
        for (const auto& [x, y] :
             {std::pair{0, 0}, {mask.width - 1, 0}, {0, mask.height - 1}, {mask.width - 1, mask.height - 1}})
            EXPECT_EQ(mask.r(x, y), 255) << "corner " << x << "," << y;
    }
}

TEST(GeneratedPictures, MenuEntriesStayInsideTheSelectionFrame)
{
    // The red frame runs 1/12 of the entry's height in from its top and bottom.
    for (const char* name : {"spiel", "intro", "hilfe"}) {
        SCOPED_TRACE(name);
        const Image mask = load(dataPath(std::string("bilder/") + name + "_mask.bmp"));
        ASSERT_TRUE(mask.valid());
        const int band = mask.height / 12;
        for (int x = 0; x < mask.width; ++x) {
            for (int y = 0; y < band; ++y) {
                EXPECT_EQ(mask.r(x, y), 255);
                EXPECT_EQ(mask.r(x, mask.height - 1 - y), 255);
            }
        }
        EXPECT_EQ(mask.r(mask.width / 2, mask.height / 2), 0);
    }
}

TEST(GeneratedPictures, FenceAndGateAreBoardsBelowThirtyPercentAndClearAbove)
{
    for (const char* path : {"wand.tga", "bilder/zaun.tga"}) {
        SCOPED_TRACE(path);
        const Image image = load(dataPath(path));
        ASSERT_TRUE(image.valid());
        const int boardTop =
            static_cast<int>(std::floor(0.7 * image.height));  // first row (from the top) of the boards
        for (int y = 0; y < image.height; ++y) {
            int opaque = 0, clear = 0;
            for (int x = 0; x < image.width; ++x) {
                opaque += image.a(x, y) == 255 ? 1 : 0;
                clear += image.a(x, y) == 0 ? 1 : 0;
            }
            if (y > boardTop) {
                EXPECT_EQ(opaque, image.width) << "row " << y;
            }
            if (y < boardTop) {
                EXPECT_EQ(clear, image.width) << "row " << y;
            }
        }
    }
    // The game uploads the file's rows in order with the first row at the
    // bottom of the wall: the first stored pixel must be a board.
    const auto bytes = testsupport::readFileBytes(dataPath("wand.tga"));
    ASSERT_GT(bytes.size(), 22u);
    EXPECT_EQ(bytes[18 + 3], 255);
    EXPECT_EQ(bytes.back(), 0);
}

TEST(GeneratedPictures, LawnAndCloudsTileWithoutSeams)
{
    for (const char* path : {"bilder/Bottom.bmp", "bilder/wolken.bmp"}) {
        SCOPED_TRACE(path);
        const Image image = load(dataPath(path));
        ASSERT_TRUE(image.valid());
        double inside = 0, insideRows = 0;
        for (int x = 0; x + 1 < image.width; ++x) inside += columnDifference(image, x, x + 1);
        for (int y = 0; y + 1 < image.height; ++y) insideRows += rowDifference(image, y, y + 1);
        inside /= image.width - 1;
        insideRows /= image.height - 1;
        EXPECT_LT(columnDifference(image, image.width - 1, 0), 2.0 * inside + 1.0);
        EXPECT_LT(rowDifference(image, image.height - 1, 0), 2.0 * insideRows + 1.0);
    }
}

TEST(GeneratedPictures, CloudsLeaveClearSkyBetweenThem)
{
    // The cloud layer is added to the sky colour: black adds nothing.
    const Image clouds = load(dataPath("bilder/wolken.bmp"));
    ASSERT_TRUE(clouds.valid());
    int dark = 0, bright = 0;
    for (int y = 0; y < clouds.height; ++y)
        for (int x = 0; x < clouds.width; ++x) {
            dark += clouds.r(x, y) < 16 ? 1 : 0;
            bright += clouds.r(x, y) > 200 ? 1 : 0;
        }
    const int total = clouds.width * clouds.height;
    EXPECT_GT(dark, total / 3);
    EXPECT_GT(bright, total / 20);
}

TEST(GeneratedPictures, SpritesFadeOutAtTheirEdgesAndStandUpright)
{
    for (const char* path : {"bilder/Particle.tga", "bilder/Tropfen.tga", "bilder/fliege2.tga"}) {
        SCOPED_TRACE(path);
        const Image sprite = load(dataPath(path));
        ASSERT_TRUE(sprite.valid());
        const int last = sprite.width - 1;
        for (int i = 0; i <= last; ++i) {
            EXPECT_EQ(sprite.a(i, 0), 0);
            EXPECT_EQ(sprite.a(i, last), 0);
            EXPECT_EQ(sprite.a(0, i), 0);
            EXPECT_EQ(sprite.a(last, i), 0);
        }
        EXPECT_GT(sprite.a(sprite.width / 2, sprite.height / 2), 100);
    }
    // The spray and the drops are added to the frame at the strength of their
    // alpha: opaque and bright over most of the quad, or the player hardly
    // sees them.
    for (const char* path : {"bilder/Particle.tga", "bilder/Tropfen.tga"}) {
        const Image sprite = load(dataPath(path));
        int opaqueBright = 0;
        for (int y = 0; y < sprite.height; ++y)
            for (int x = 0; x < sprite.width; ++x)
                opaqueBright += sprite.a(x, y) >= 250 && sprite.r(x, y) >= 230 && sprite.g(x, y) >= 230 ? 1 : 0;
        EXPECT_GT(opaqueBright, sprite.width * sprite.height / 5) << path;
    }
    // The fly's red eyes are in its upper half.
    const Image fly = load(dataPath("bilder/fliege2.tga"));
    long redRows = 0, redCount = 0;
    for (int y = 0; y < fly.height; ++y)
        for (int x = 0; x < fly.width; ++x)
            if (fly.a(x, y) > 200 && fly.r(x, y) > 150 && fly.g(x, y) < 90) {
                redRows += y;
                ++redCount;
            }
    ASSERT_GT(redCount, 0);
    EXPECT_LT(redRows / redCount, fly.height / 2);
}

TEST(GeneratedPictures, TitleScreenKeepsTheEntriesAreaCalm)
{
    // Where the three entries sit (x 32.5-67.5 %, y 20-80 %), the picture is
    // a soft light panel; the garden around it carries the detail.
    const Image start = load(dataPath("bilder/start.bmp"));
    ASSERT_TRUE(start.valid());
    auto edgeEnergy = [&](int x0, int y0, int x1, int y1) {
        double sum = 0;
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x + 1 < x1; ++x) {
                sum += std::abs(start.g(x, y) - start.g(x + 1, y));
                ++count;
            }
        return sum / count;
    };
    const int w = start.width, h = start.height;
    const double middle = edgeEnergy(w * 34 / 100, h * 21 / 100, w * 66 / 100, h * 79 / 100);
    const double left = edgeEnergy(0, h * 21 / 100, w * 30 / 100, h * 79 / 100);
    EXPECT_LT(middle, left);
}

TEST(GeneratedContent, TwoRunsWriteTheSameBytes)
{
    testsupport::TempDir first, second;
    for (const auto* dir : {&first, &second}) {
        const auto result = testsupport::runCommand(testsupport::shellQuote(testsupport::contentgenExecutable()) +
                                                    " --out " + testsupport::shellQuote(dir->path().string()));
        ASSERT_EQ(result.exitStatus, 0) << result.output;
    }
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(first.path()))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), first.path()).generic_string()] =
                testsupport::readFileBytes(entry.path());
    std::size_t secondCount = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(second.path())) {
        if (!entry.is_regular_file()) continue;
        ++secondCount;
        const std::string name = std::filesystem::relative(entry.path(), second.path()).generic_string();
        ASSERT_TRUE(files.count(name)) << name;
        EXPECT_TRUE(files[name] == testsupport::readFileBytes(entry.path())) << name << " differs between runs";
    }
    EXPECT_EQ(secondCount, files.size());
    for (const Expected& expected : pictures) EXPECT_TRUE(files.count(expected.path)) << expected.path;
}

TEST(GeneratedContent, ContactSheetIsAPngShowingThePictures)
{
    testsupport::TempDir dir;
    const auto sheet = dir / "sheet.png";
    const auto result = testsupport::runCommand(testsupport::shellQuote(testsupport::contentgenExecutable()) +
                                                " --contact-sheet " + testsupport::shellQuote(sheet.string()));
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    const auto bytes = testsupport::readFileBytes(sheet);
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
    const Image image = load(sheet);
    ASSERT_TRUE(image.valid());
    EXPECT_GE(image.width, 1000);
    EXPECT_GE(image.height, 600);
    // Every picture leaves its mark: the sheet holds far more than background.
    int background = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) background += (image.r(x, y) == 236 && image.g(x, y) == 236) ? 1 : 0;
    EXPECT_LT(background, image.width * image.height * 7 / 10);
    if (testsupport::haveProgram("identify")) {
        EXPECT_EQ(identify(sheet, "%m"), "PNG");
    }
    // An unwritable path is reported, not ignored.
    const auto refused = testsupport::runCommand(testsupport::shellQuote(testsupport::contentgenExecutable()) +
                                                 " --contact-sheet /nonexistent-folder/sheet.png");
    EXPECT_NE(refused.exitStatus, 0);
}
