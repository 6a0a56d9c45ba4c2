#include "platform/bulk_buffer.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kLargeBuffer = std::size_t{1} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t roundUp(std::size_t value, std::size_t step) { return (value + step - 1) / step * step; }

// A large buffer: a mapping with room to start it at a huge-page boundary.
bool mapLarge(std::size_t size, BulkBlock& block, std::uint8_t*& data)
{
    const std::size_t huge = roundUp(size, kHugePage);
    const std::size_t length = huge + kHugePage;
    void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) return false;
    const auto start = roundUp(reinterpret_cast<std::uintptr_t>(base), kHugePage);
    data = reinterpret_cast<std::uint8_t*>(start);
    bool hugePages = false;
#ifdef MADV_HUGEPAGE
    hugePages = madvise(data, huge, MADV_HUGEPAGE) == 0;
#endif
#ifdef MADV_POPULATE_WRITE
    // No huge pages here: the pages are made present in one step instead.
    if (!hugePages) madvise(data, huge, MADV_POPULATE_WRITE);
#endif
    (void)hugePages;
    block = {base, length};
    return true;
}

struct FileCloser {
    int fd;
    ~FileCloser()
    {
        if (fd >= 0) close(fd);
    }
};

}  // namespace

void freeBulkBlock(BulkBlock block)
{
    if (block.base == nullptr) return;
    if (block.length > 0) munmap(block.base, block.length);
    else std::free(block.base);
}

BulkBuffer& BulkBuffer::operator=(BulkBuffer&& other) noexcept
{
    if (this == &other) return *this;
    freeBulkBlock(release());
    block_ = other.block_;
    data_ = other.data_;
    size_ = other.size_;
    other.block_ = {};
    other.data_ = nullptr;
    other.size_ = 0;
    return *this;
}

bool BulkBuffer::allocate(std::size_t size)
{
    freeBulkBlock(release());
    if (size == 0) return true;
    if (size >= kLargeBuffer) {
        if (!mapLarge(size, block_, data_)) return false;
    } else {
        void* memory = std::malloc(size);
        if (memory == nullptr) return false;
        block_ = {memory, 0};
        data_ = static_cast<std::uint8_t*>(memory);
    }
    size_ = size;
    return true;
}

void BulkBuffer::shrink(std::size_t size)
{
    if (size < size_) size_ = size;
}

BulkBlock BulkBuffer::release()
{
    const BulkBlock block = block_;
    block_ = {};
    data_ = nullptr;
    size_ = 0;
    return block;
}

void prepareForFilling(void* data, std::size_t bytes)
{
    if (data == nullptr || bytes < kLargeBuffer) return;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t firstPage = roundUp(start, pageSize);
    const std::uintptr_t endPage = (start + bytes) / pageSize * pageSize;
    const std::uintptr_t firstBlock = roundUp(start, kHugePage);
    const std::uintptr_t endBlock = (start + bytes) / kHugePage * kHugePage;
#ifdef MADV_HUGEPAGE
    if (endBlock > firstBlock) madvise(reinterpret_cast<void*>(firstBlock), endBlock - firstBlock, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
    if (endPage > firstPage) madvise(reinterpret_cast<void*>(firstPage), endPage - firstPage, MADV_POPULATE_WRITE);
#endif
    (void)firstPage, (void)endPage, (void)firstBlock, (void)endBlock;
}

bool readFileBytes(const std::string& path, BulkBuffer& buffer, std::uintmax_t limit, int* openError)
{
    buffer.allocate(0);
    const FileCloser file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (openError != nullptr) *openError = file.fd < 0 ? errno : 0;
    if (file.fd < 0) return false;
    struct stat status {};
    if (fstat(file.fd, &status) != 0 || S_ISDIR(status.st_mode)) return false;
    const auto readAll = [&](std::uint8_t* to, std::size_t count) {
        std::size_t done = 0;
        while (done < count) {
            const ssize_t got = read(file.fd, to + done, count - done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return static_cast<std::size_t>(-1);
            if (got == 0) break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    };
    if (S_ISREG(status.st_mode)) {
        // Sized once from the file's length; a file cut while it is read
        // gives what it still held.
        if (static_cast<std::uintmax_t>(status.st_size) > limit) return false;
        const auto size = static_cast<std::size_t>(status.st_size);
        if (!buffer.allocate(size)) return false;
        const std::size_t got = readAll(buffer.data(), size);
        if (got == static_cast<std::size_t>(-1)) return false;
        buffer.shrink(got);
        return true;
    }
    // No length to go by (a pipe): read in chunks, then into the buffer.
    std::vector<std::uint8_t> bytes;
    std::array<std::uint8_t, 1 << 14> chunk;
    for (;;) {
        const std::size_t got = readAll(chunk.data(), chunk.size());
        if (got == static_cast<std::size_t>(-1)) return false;
        if (bytes.size() + got > limit) return false;
        bytes.insert(bytes.end(), chunk.data(), chunk.data() + got);
        if (got < chunk.size()) break;
    }
    if (!buffer.allocate(bytes.size())) return false;
    if (!bytes.empty()) std::memcpy(buffer.data(), bytes.data(), bytes.size());
    return true;
}
