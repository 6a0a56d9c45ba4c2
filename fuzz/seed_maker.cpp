// Writes small seed files of the layouts the generated content does not use,
// so that fuzzing starts from every branch of the readers:
//   fuzz_seed_maker OUT   ->  OUT/bmp, OUT/tga, OUT/3ds, OUT/ini, OUT/replay, OUT/scores
#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

void put8(Bytes& b, std::uint32_t v) { b.push_back(static_cast<std::uint8_t>(v)); }
void put16(Bytes& b, std::uint32_t v) { put8(b, v), put8(b, v >> 8); }
void put32(Bytes& b, std::uint32_t v) { put16(b, v & 0xFFFF), put16(b, v >> 16); }
void putFloat(Bytes& b, float f) { put32(b, std::bit_cast<std::uint32_t>(f)); }

bool write(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

struct Bmp {
    std::uint32_t infoSize = 40;
    std::int32_t width = 5;
    std::int32_t height = 3;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    std::vector<std::uint32_t> masks;
    Bytes data;  // empty: plain rows of a small pattern
};

Bytes plainRows(const Bmp& bmp)
{
    Bytes rows;
    const std::uint32_t rowBits = static_cast<std::uint32_t>(bmp.width) * bmp.bits;
    const std::uint32_t stride = (rowBits + 31) / 32 * 4;
    const std::int32_t height = bmp.height < 0 ? -bmp.height : bmp.height;
    for (std::int32_t row = 0; row < height; ++row)
        for (std::uint32_t i = 0; i < stride; ++i) put8(rows, (row * 37 + i * 11) & (bmp.bits < 8 ? 0xFF : 0x7F));
    return rows;
}

Bytes makeBmp(const Bmp& bmp)
{
    Bytes info;
    put32(info, bmp.infoSize);
    if (bmp.infoSize == 12) {
        put16(info, static_cast<std::uint32_t>(bmp.width)), put16(info, static_cast<std::uint32_t>(bmp.height));
        put16(info, 1), put16(info, bmp.bits);
    } else {
        put32(info, static_cast<std::uint32_t>(bmp.width)), put32(info, static_cast<std::uint32_t>(bmp.height));
        put16(info, 1), put16(info, bmp.bits);
        put32(info, bmp.compression), put32(info, 0), put32(info, 2835), put32(info, 2835);
        put32(info, bmp.coloursUsed), put32(info, 0);
    }
    for (std::uint32_t mask : bmp.masks) put32(info, mask);
    if (bmp.bits <= 8) {
        const std::uint32_t entries = bmp.coloursUsed != 0 ? bmp.coloursUsed : 1u << bmp.bits;
        for (std::uint32_t i = 0; i < entries; ++i) {
            put8(info, i * 7), put8(info, i * 3), put8(info, 255 - i);
            if (bmp.infoSize != 12) put8(info, 0);
        }
    }
    const Bytes data = bmp.data.empty() ? plainRows(bmp) : bmp.data;
    Bytes file{'B', 'M'};
    put32(file, static_cast<std::uint32_t>(14 + info.size() + data.size()));
    put32(file, 0);
    put32(file, static_cast<std::uint32_t>(14 + info.size()));
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

Bytes makeTga(std::uint8_t type, std::uint16_t width, std::uint16_t height, std::uint8_t depth, const Bytes& data,
              std::uint8_t idLength = 0, std::uint16_t mapLength = 0)
{
    Bytes file{idLength, static_cast<std::uint8_t>(mapLength ? 1 : 0), type};
    put16(file, 0), put16(file, mapLength), put8(file, mapLength ? 24 : 0);
    put16(file, 0), put16(file, 0), put16(file, width), put16(file, height);
    put8(file, depth), put8(file, depth == 32 ? 8 : 0);
    for (int i = 0; i < idLength; ++i) put8(file, 'i');
    for (int i = 0; i < mapLength * 3; ++i) put8(file, i);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

// A 3DS chunk: id, length patched in when closed.
struct Chunks {
    Bytes bytes;
    std::vector<std::size_t> open;
    Chunks& begin(std::uint16_t id) { open.push_back(bytes.size()); put16(bytes, id), put32(bytes, 0); return *this; }
    Chunks& end()
    {
        const std::size_t at = open.back();
        open.pop_back();
        const auto length = static_cast<std::uint32_t>(bytes.size() - at);
        for (int i = 0; i < 4; ++i) bytes[at + 2 + i] = static_cast<std::uint8_t>(length >> (8 * i));
        return *this;
    }
    Chunks& text(const std::string& s) { bytes.insert(bytes.end(), s.begin(), s.end()); put8(bytes, 0); return *this; }
};

Bytes small3ds(bool floatColour)
{
    Chunks c;
    c.begin(0x4D4D).begin(0x0002), put32(c.bytes, 3), c.end();
    c.begin(0x3D3D).begin(0x3D3E), put32(c.bytes, 3), c.end();
    c.begin(0xAFFF).begin(0xA000).text("leaf").end().begin(0xA020);
    if (floatColour) {
        c.begin(0x0010), putFloat(c.bytes, 0.2f), putFloat(c.bytes, 0.8f), putFloat(c.bytes, 0.1f), c.end();
    } else {
        c.begin(0x0011), put8(c.bytes, 20), put8(c.bytes, 200), put8(c.bytes, 10), c.end();
    }
    c.end().begin(0xA200).begin(0xA300).text("bilder/leaf.bmp").end().end().end();
    c.begin(0x4000).text("quad").begin(0x4100);
    c.begin(0x4110), put16(c.bytes, 4);
    for (float v : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 1.f, 1.f, 0.f, 0.f, 1.f, 0.5f}) putFloat(c.bytes, v);
    c.end().begin(0x4120), put16(c.bytes, 2);
    for (std::uint16_t v : {0, 1, 2, 7, 0, 2, 3, 7}) put16(c.bytes, v);
    c.begin(0x4130).text("leaf"), put16(c.bytes, 2), put16(c.bytes, 0), put16(c.bytes, 1), c.end();
    c.begin(0x4150), put32(c.bytes, 1), put32(c.bytes, 1), c.end();
    c.end().begin(0x4140), put16(c.bytes, 4);
    for (float v : {0.f, 0.f, 1.f, 0.f, 1.f, 1.f, 0.f, 1.f}) putFloat(c.bytes, v);
    c.end().end().end();
    c.begin(0x4000).text("lamp").begin(0x4600), putFloat(c.bytes, 1), putFloat(c.bytes, 2), putFloat(c.bytes, 3);
    c.end().end().end();
    c.begin(0xB000).begin(0xB00A), put16(c.bytes, 5), c.end().end();
    c.end();
    return c.bytes;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    for (const char* folder : {"bmp", "tga", "3ds", "ini", "replay", "scores", "settings"}) fs::create_directories(out / folder);
    bool ok = true;

    const Bytes rle8{3, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 2, 1, 2, 3, 0, 1};
    const Bytes rle4{5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 2, 1, 0, 3, 0x11, 0, 1};
    const struct {
        const char* name;
        Bmp bmp;
    } bmps[] = {
        {"b24.bmp", {}},
        {"b24_topdown.bmp", {.height = -3}},
        {"b1.bmp", {.width = 13, .bits = 1}},
        {"b4.bmp", {.width = 7, .bits = 4}},
        {"b8_used.bmp", {.bits = 8, .coloursUsed = 200}},
        {"b16.bmp", {.bits = 16}},
        {"b16_565.bmp", {.bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}}},
        {"b32.bmp", {.bits = 32}},
        {"b32_fields.bmp", {.bits = 32, .compression = 3, .masks = {0xFF000000, 0xFF0000, 0xFF00}}},
        {"os2_8.bmp", {.infoSize = 12, .bits = 8}},
        {"os2_24.bmp", {.infoSize = 12}},
        {"rle8.bmp", {.width = 6, .bits = 8, .compression = 1, .data = rle8}},
        {"rle4.bmp", {.width = 5, .bits = 4, .compression = 2, .data = rle4}},
    };
    for (const auto& b : bmps) ok = write(out / "bmp" / b.name, makeBmp(b.bmp)) && ok;

    Bytes raw24, raw32, raw16;
    for (int i = 0; i < 12; ++i) put8(raw24, i * 20), put8(raw24, 255 - i), put8(raw24, i);
    for (int i = 0; i < 12; ++i) put8(raw32, i * 20), put8(raw32, 255 - i), put8(raw32, i), put8(raw32, i * 9);
    for (int i = 0; i < 12; ++i) put16(raw16, 0x7FFF - i * 0x421);
    const Bytes rle24{0x85, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0x82, 9, 9, 9};
    const Bytes rle32{0x83, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12, 0x85, 0, 0, 0, 255};
    ok = write(out / "tga" / "raw24.tga", makeTga(2, 4, 3, 24, raw24)) && ok;
    ok = write(out / "tga" / "raw32.tga", makeTga(2, 4, 3, 32, raw32)) && ok;
    ok = write(out / "tga" / "raw16.tga", makeTga(2, 4, 3, 16, raw16)) && ok;
    ok = write(out / "tga" / "rle24.tga", makeTga(10, 4, 3, 24, rle24)) && ok;
    ok = write(out / "tga" / "rle32.tga", makeTga(10, 4, 3, 32, rle32)) && ok;
    ok = write(out / "tga" / "id_map.tga", makeTga(2, 4, 3, 24, raw24, 5, 4)) && ok;

    ok = write(out / "3ds" / "quad.3ds", small3ds(false)) && ok;
    ok = write(out / "3ds" / "quad_float_colour.3ds", small3ds(true)) && ok;

    const char* const inis[] = {"800x600:32@60\n", "1024x768:16@75\r\n", "640x480", "\n", "\r\n",
                                "1024x768:32@60               \nx\n"};
    int n = 0;
    for (const char* ini : inis) {
        const std::string text = ini;
        ok = write(out / "ini" / ("ini" + std::to_string(n++)), Bytes(text.begin(), text.end())) && ok;
    }

    // Replays: every kind of item, a frame over two lines, a recording that
    // was stopped and one cut inside a line.
    const std::string replayHeader =
        "burrik-replay 1\nvideo window 800x600:32@60\nvsync on\nseed clock\nclock real\n"
        "render lists=0 arrays=1 wireframe=0 mipmap=1 filter=0 fps=1\nbegin\n";
    const char* const replays[] = {
        ("2 k32 s1700000000 r0 f1000000000 c123456789 s0 t5 u32\n3 c16666667 p40 t17 t0 s0\n"
         "4 K101 o1=1 c-5 t16 s1\n4 U101 c16666667\nend 4\n"),
        "1 c1 t1\n2 c1 t1\n",
        "1 c1 t1\n2 c1 t",
    };
    n = 0;
    for (const char* replay : replays) {
        const std::string text = replayHeader + replay;
        ok = write(out / "replay" / ("replay" + std::to_string(n++)), Bytes(text.begin(), text.end())) && ok;
    }
    const std::string fixedHeader = "burrik-replay 1\nvideo fullscreen 1024x768:32@75\nvsync off\nseed 7\n"
                                    "clock fixed 0.02\nrender lists=1 arrays=0 wireframe=1 mipmap=0 filter=2 fps=0\n"
                                    "begin\n1 k32 r7 f1000000 c0 s1000000000\nend 1\n";
    ok = write(out / "replay" / "fixed", Bytes(fixedHeader.begin(), fixedHeader.end())) && ok;
    // Version 2: the video mode as the game ran by it, in quotes.
    const std::string quotedHeader = "burrik-replay 2\nvideo window \"1024x768 #tv\\x09\\\"\"\nvsync on\nseed clock\n"
                                     "clock real\nrender lists=0 arrays=1 wireframe=0 mipmap=1 filter=0 fps=1\n"
                                     "begin\n1 k32 c5\nend 1\n";
    ok = write(out / "replay" / "quoted", Bytes(quotedHeader.begin(), quotedHeader.end())) && ok;

    const char* const tables[] = {
        "burrik-scores 1\n",
        "burrik-scores 1\n1230 3 2024-02-29 best-20240229-101010.replay\n900 2 2023-12-31\n-40 0 2024-01-01\n",
    };
    n = 0;
    for (const char* table : tables) {
        const std::string text = table;
        ok = write(out / "scores" / ("scores" + std::to_string(n++)), Bytes(text.begin(), text.end())) && ok;
    }

    const char* const settings[] = {
        "# Burrik's settings, written by the game (music on|off, sound-volume 0 to 10)\nmusic=on\nsound-volume=10\n",
        "music=off\r\nsound-volume=3\r\n",
        "  music = on \n\n# a comment\nfuture-thing=kept as it is\nsound-volume=0",
        "music=maybe\n",
        "sound-volume=11\nmusic=off\nmusic=on\n",
    };
    n = 0;
    for (const char* text : settings) {
        const std::string bytes = text;
        ok = write(out / "settings" / ("settings" + std::to_string(n++)), Bytes(bytes.begin(), bytes.end())) && ok;
    }
    return ok ? 0 : 1;
}
