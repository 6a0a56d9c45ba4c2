#include "platform/bulk_buffer.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <thread>
#include <vector>

#include <sys/stat.h>

namespace {

using testsupport::TempDir;

std::vector<std::uint8_t> pattern(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + (i >> 12));
    return bytes;
}

// Files of every kind of size come back byte for byte: empty, small (heap
// memory), and large (a mapping of its own, in huge pages where there are).
TEST(BulkBuffer, ReadsWholeFilesOfEverySize)
{
    TempDir dir;
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{70000}, std::size_t{1} << 20,
                                   (std::size_t{5} << 20) + 12345}) {
        const auto path = dir / ("f" + std::to_string(size));
        const std::vector<std::uint8_t> bytes = pattern(size);
        testsupport::writeFileBytes(path, bytes);
        BulkBuffer buffer;
        ASSERT_TRUE(readFileBytes(path.string(), buffer, std::uintmax_t{1} << 30)) << size;
        ASSERT_EQ(buffer.size(), size);
        EXPECT_TRUE(size == 0 || std::equal(bytes.begin(), bytes.end(), buffer.data())) << size;
        // Moved and handed over, the memory stays the same and is freed once.
        BulkBuffer moved = std::move(buffer);
        EXPECT_EQ(buffer.size(), 0u);
        EXPECT_EQ(moved.size(), size);
        const std::uint8_t* data = moved.data();
        const BulkBlock block = moved.release();
        EXPECT_EQ(moved.data(), nullptr);
        EXPECT_TRUE(size == 0 || (data != nullptr && data[size - 1] == bytes[size - 1]));
        freeBulkBlock(block);
    }
}

TEST(BulkBuffer, RefusesWhatItCannotRead)
{
    TempDir dir;
    BulkBuffer buffer;
    int error = 0;
    EXPECT_FALSE(readFileBytes((dir / "missing").string(), buffer, 100, &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(readFileBytes(dir.path().string(), buffer, 100, &error));  // a folder opens but is no file
    EXPECT_EQ(error, 0);
    testsupport::writeFileBytes(dir / "big", pattern(101));
    EXPECT_FALSE(readFileBytes((dir / "big").string(), buffer, 100));
    EXPECT_TRUE(readFileBytes((dir / "big").string(), buffer, 101));
}

// A pipe has no length: it is read to its end.
TEST(BulkBuffer, ReadsAPipeToItsEnd)
{
    TempDir dir;
    const auto path = dir / "pipe";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    const std::vector<std::uint8_t> bytes = pattern(100000);
    std::thread writer([&] { testsupport::writeFileBytes(path, bytes); });
    BulkBuffer buffer;
    const bool read = readFileBytes(path.string(), buffer, 1 << 20);
    writer.join();
    ASSERT_TRUE(read);
    ASSERT_EQ(buffer.size(), bytes.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), buffer.data()));
}

}  // namespace
