#pragma once
// The content generator's core: every generator adds its files to a sink,
// which writes them below the output folder. Generators register themselves
// with an order number, so each kind of content lives in its own file.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace contentgen {

struct GeneratedFile {
    std::string path;  // relative to the data folder, with "/"
    std::vector<std::uint8_t> bytes;
};

class ContentSink {
public:
    void add(std::string relativePath, std::vector<std::uint8_t> bytes);
    void addText(std::string relativePath, const std::string& text);
    const std::vector<GeneratedFile>& files() const { return files_; }
    // Writes every file below root, creating folders; false on any failure.
    bool writeAll(const std::filesystem::path& root) const;

private:
    std::vector<GeneratedFile> files_;
};

using GeneratorFunction = std::function<void(ContentSink&)>;

struct GeneratorEntry {
    int order;
    std::string name;
    GeneratorFunction run;
};

// Registers a generator at static initialisation time.
struct GeneratorRegistration {
    GeneratorRegistration(int order, std::string name, GeneratorFunction run);
};

// All registered generators, sorted by order then name.
std::vector<GeneratorEntry> registeredGenerators();

// Runs every generator into a fresh sink.
ContentSink generateAll();

}  // namespace contentgen
