#pragma once
// Buffers for data that is read in one go (a file's bytes, a sound's
// samples). Every fresh 4 KiB page a program touches costs the system a page
// fault, and where that is dear (virtual machines) a few megabytes filled page
// by page cost tens of milliseconds. A small buffer comes from the heap,
// which hands the memory of the last one back out; a large one (1 MiB and
// more) is taken from the system in one piece and asked for in 2 MiB pages
// where the system gives them (transparent huge pages), else made present in
// one step.
#include <cstddef>
#include <cstdint>
#include <string>

// Memory handed over by BulkBuffer::release, freed by freeBulkBlock.
struct BulkBlock {
    void* base = nullptr;
    std::size_t length = 0;  // of the mapping; 0 for heap memory
};
void freeBulkBlock(BulkBlock block);

class BulkBuffer {
public:
    BulkBuffer() = default;
    ~BulkBuffer() { freeBulkBlock(release()); }
    BulkBuffer(BulkBuffer&& other) noexcept { *this = static_cast<BulkBuffer&&>(other); }
    BulkBuffer& operator=(BulkBuffer&& other) noexcept;
    BulkBuffer(const BulkBuffer&) = delete;
    BulkBuffer& operator=(const BulkBuffer&) = delete;

    // Room for size bytes (their values unspecified); false when the system
    // has no memory for it. What the buffer held before is freed.
    bool allocate(std::size_t size);
    // Keeps the first size bytes (size no more than now).
    void shrink(std::size_t size);

    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

    // The memory, for an owner that frees it with freeBulkBlock; the buffer is empty after.
    BulkBlock release();

private:
    BulkBlock block_;
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// Memory not touched yet that is about to be filled (a large vector just
// reserved): its whole 2 MiB blocks are asked for in 2 MiB pages, and its
// other pages are made present in one step. Nothing changes where the system
// offers neither.
void prepareForFilling(void* data, std::size_t bytes);

// Reads the whole file at path into buffer. False when it cannot be opened or
// read (a folder), or is larger than limit; openError (when given) gets the
// system's error number of a failed open, else 0.
bool readFileBytes(const std::string& path, BulkBuffer& buffer, std::uintmax_t limit, int* openError = nullptr);
