#pragma once
// The content generator's core: every generator adds its files to a sink,
// which writes them below the output folder. Generators register themselves
// with an order number, so each kind of content lives in its own file.
#include "canvas.h"

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

// A picture as drawn, kept for the contact sheet.
struct KeptPicture {
    std::string path;
    Canvas canvas;
};

class ContentSink {
public:
    void add(std::string relativePath, std::vector<std::uint8_t> bytes);
    void addText(std::string relativePath, const std::string& text);
    const std::vector<GeneratedFile>& files() const { return files_; }
    void keepPicture(std::string relativePath, const Canvas& canvas);
    const std::vector<KeptPicture>& pictures() const { return pictures_; }
    // Writes every file below root, creating folders; false on any failure.
    bool writeAll(const std::filesystem::path& root) const;

private:
    std::vector<GeneratedFile> files_;
    std::vector<KeptPicture> pictures_;
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
