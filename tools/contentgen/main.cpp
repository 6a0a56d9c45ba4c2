// contentgen: writes every file the game reads into a data folder.
//   contentgen [--out DIR] [--contact-sheet PATH] [--icons DIR]
#include "content.h"
#include "icons.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace contentgen {
// Defined beside the picture writers; false when the sheet cannot be written.
bool writeContactSheet(const ContentSink& sink, const std::string& path);
}

int main(int argc, char** argv)
{
    std::string outDir;
    std::string contactSheet;
    std::string iconDir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            outDir = argv[++i];
        } else if (std::strcmp(argv[i], "--contact-sheet") == 0 && i + 1 < argc) {
            contactSheet = argv[++i];
        } else if (std::strcmp(argv[i], "--icons") == 0 && i + 1 < argc) {
            iconDir = argv[++i];
        } else {
            std::fprintf(stderr, "usage: contentgen [--out DIR] [--contact-sheet PATH] [--icons DIR]\n");
            return 2;
        }
    }
    if (outDir.empty() && contactSheet.empty() && iconDir.empty()) {
        std::fprintf(stderr, "usage: contentgen [--out DIR] [--contact-sheet PATH] [--icons DIR]\n");
        return 2;
    }
    // The desktop icons: DIR/hicolor/NxN/apps/burrik.png.
    if (!iconDir.empty() && !contentgen::writeIconTheme(iconDir, "burrik")) {
        std::fprintf(stderr, "contentgen: cannot write the icons into %s\n", iconDir.c_str());
        return 1;
    }
    if (outDir.empty() && contactSheet.empty()) return 0;
    const contentgen::ContentSink sink = contentgen::generateAll();
    if (!outDir.empty() && !sink.writeAll(outDir)) {
        std::fprintf(stderr, "contentgen: cannot write into %s\n", outDir.c_str());
        return 1;
    }
    if (!contactSheet.empty() && !contentgen::writeContactSheet(sink, contactSheet)) {
        std::fprintf(stderr, "contentgen: cannot write the contact sheet %s\n", contactSheet.c_str());
        return 1;
    }
    return 0;
}
