// The desktop icons written by contentgen --icons: every theme size as an
// RGBA PNG that independent readers decode, transparent outside the rounded
// tile, showing the mole (dark fur, pink nose) at every size, the same bytes
// on every run.
#include "test_support.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <filesystem>
#include <string>

namespace {

using testsupport::TempDir;

bool writeIcons(const std::filesystem::path& dir)
{
    return testsupport::runCommand(testsupport::shellQuote(testsupport::contentgenExecutable()) + " --icons " +
                                   testsupport::shellQuote(dir.string()))
               .exitStatus == 0;
}

std::filesystem::path iconPath(const std::filesystem::path& root, int size)
{
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    return root / "hicolor" / name / "apps" / "burrik.png";
}

TEST(Icons, EveryThemeSizeShowsTheMole)
{
    TempDir dir;
    ASSERT_TRUE(writeIcons(dir.path()));
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const std::string path = iconPath(dir.path(), size).string();
        int width = 0, height = 0, channels = 0;
        unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &channels, 4);
        ASSERT_NE(pixels, nullptr) << path;
        EXPECT_EQ(width, size);
        EXPECT_EQ(height, size);
        EXPECT_EQ(channels, 4) << "the icon keeps its alpha";
        auto at = [&](int x, int y) { return pixels + (static_cast<std::size_t>(y) * width + x) * 4; };
        EXPECT_EQ(at(0, 0)[3], 0) << size << ": corner outside the rounded tile";
        EXPECT_EQ(at(size - 1, size - 1)[3], 0) << size;
        EXPECT_EQ(at(size / 2, size / 2)[3], 255) << size;
        int fur = 0, nose = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const unsigned char* p = at(x, y);
                if (p[3] < 255) continue;
                if (p[0] < 110 && p[1] < 100 && p[2] < 110 && p[0] > 50) ++fur;
                if (p[0] > 200 && p[1] > 100 && p[1] < 180 && p[2] > 120 && p[2] < 200) ++nose;
            }
        const int area = size * size;
        EXPECT_GT(fur, area / 20) << size << ": the mole's fur is plain to see";
        EXPECT_GT(nose, std::max(1, area / 400)) << size << ": the pink nose is plain to see";
        stbi_image_free(pixels);
        if (testsupport::haveProgram("identify")) {
            const testsupport::CommandResult id =
                testsupport::runCommand("identify -format '%m %wx%h' " + testsupport::shellQuote(path));
            EXPECT_EQ(id.output, "PNG " + std::to_string(size) + "x" + std::to_string(size));
        }
    }
    TempDir again;
    ASSERT_TRUE(writeIcons(again.path()));
    for (const int size : {16, 256})
        EXPECT_EQ(testsupport::readFileBytes(iconPath(dir.path(), size)),
                  testsupport::readFileBytes(iconPath(again.path(), size)));
}

}  // namespace
