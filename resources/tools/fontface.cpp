// Copies a font collection (.ttc) and moves the face of one family to the
// front, so that whoever takes "the first family" of the file gets that face.
// Any other font file is copied unchanged.
//   fontface <input> <family> <output>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

bool fits(const Bytes& b, std::size_t at, std::size_t n) { return at <= b.size() && n <= b.size() - at; }
uint32_t u16(const Bytes& b, std::size_t at) { return fits(b, at, 2) ? (b[at] << 8) | b[at + 1] : 0; }
uint32_t u32(const Bytes& b, std::size_t at)
{
    return fits(b, at, 4) ? (uint32_t(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3] : 0;
}
void put32(Bytes& b, std::size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

// True when the face whose table directory starts at `face` names `family`
// as its family or typographic family (Windows Unicode names).
bool hasFamily(const Bytes& b, std::size_t face, const std::string& family)
{
    const uint32_t tables = u16(b, face + 4);
    for (uint32_t t = 0; t < tables; ++t) {
        const std::size_t rec = face + 12 + 16 * t;
        if (!fits(b, rec, 16) || std::string(b.begin() + rec, b.begin() + rec + 4) != "name")
            continue;
        const std::size_t name = u32(b, rec + 8);
        const uint32_t count = u16(b, name + 2);
        const std::size_t strings = name + u16(b, name + 4);
        for (uint32_t i = 0; i < count; ++i) {
            const std::size_t r = name + 6 + 12 * i;
            const uint32_t nameId = u16(b, r + 6);
            if (u16(b, r) != 3 || u16(b, r + 2) != 1 || (nameId != 1 && nameId != 16))
                continue;
            const std::size_t at = strings + u16(b, r + 10), len = u16(b, r + 8);
            if (!fits(b, at, len))
                continue;
            std::string text; // UTF-16BE; family names here are ASCII
            for (std::size_t k = 0; k + 1 < len; k += 2)
                text += b[at + k] == 0 ? char(b[at + k + 1]) : '?';
            if (text == family)
                return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: fontface <input> <family> <output>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary | std::ios::ate);
    Bytes b(in ? static_cast<std::size_t>(in.tellg()) : 0);
    in.seekg(0);
    if (b.empty() || !in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()))) {
        std::fprintf(stderr, "fontface: cannot read %s\n", argv[1]);
        return 1;
    }
    if (fits(b, 0, 12) && std::string(b.begin(), b.begin() + 4) == "ttcf") {
        const uint32_t faces = u32(b, 8);
        uint32_t found = faces;
        for (uint32_t i = 0; i < faces && found == faces; ++i)
            if (hasFamily(b, u32(b, 12 + 4 * i), argv[2]))
                found = i;
        if (found == faces) {
            std::fprintf(stderr, "fontface: %s holds no face of the family \"%s\"\n", argv[1], argv[2]);
            return 1;
        }
        // Table offsets count from the start of the file, so reordering the
        // face list leaves every face intact.
        const uint32_t first = u32(b, 12 + 4 * found);
        for (uint32_t i = found; i > 0; --i)
            put32(b, 12 + 4 * i, u32(b, 12 + 4 * (i - 1)));
        put32(b, 12, first);
    }
    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "fontface: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
