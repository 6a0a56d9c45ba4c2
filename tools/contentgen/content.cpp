#include "content.h"

#include <algorithm>
#include <fstream>

namespace contentgen {

namespace {
std::vector<GeneratorEntry>& registry()
{
    static std::vector<GeneratorEntry> entries;
    return entries;
}
}  // namespace

void ContentSink::add(std::string relativePath, std::vector<std::uint8_t> bytes)
{
    files_.push_back({std::move(relativePath), std::move(bytes)});
}

void ContentSink::keepPicture(std::string relativePath, const Canvas& canvas)
{
    pictures_.push_back({std::move(relativePath), canvas});
}

void ContentSink::addText(std::string relativePath, const std::string& text)
{
    add(std::move(relativePath), std::vector<std::uint8_t>(text.begin(), text.end()));
}

bool ContentSink::writeAll(const std::filesystem::path& root) const
{
    for (const GeneratedFile& file : files_) {
        const std::filesystem::path target = root / file.path;
        std::error_code error;
        std::filesystem::create_directories(target.parent_path(), error);
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.bytes.data()),
                  static_cast<std::streamsize>(file.bytes.size()));
        if (!out) return false;
    }
    return true;
}

GeneratorRegistration::GeneratorRegistration(int order, std::string name, GeneratorFunction run)
{
    registry().push_back({order, std::move(name), std::move(run)});
}

std::vector<GeneratorEntry> registeredGenerators()
{
    std::vector<GeneratorEntry> entries = registry();
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.order != b.order ? a.order < b.order : a.name < b.name;
    });
    return entries;
}

ContentSink generateAll()
{
    ContentSink sink;
    for (const GeneratorEntry& entry : registeredGenerators()) entry.run(sink);
    return sink;
}

}  // namespace contentgen
