// Turns a pixel description into the toolbar bitmaps and icons of the
// resource scripts. Built for the build machine and run by CMake.
//
//   pixelart bmp <description> <out.bmp>   images side by side, 24 bits; the
//                                          colour '.' becomes the mask colour
//   pixelart ico <description> <out> <id>  an icon as resource data: the first
//                                          image at its own size and doubled,
//                                          32 bits with alpha, written as
//                                          <out>.grp (the icon group, naming
//                                          images <id> and <id>+1) and
//                                          <out>-1.ico, <out>-2.ico (the images)
//
// Icon images are given ids of their own so that resource scripts compiled
// one by one never number two images alike.
//
// A description holds palette lines "colour <char> <rrggbb>", then images:
// "image <name>" followed by rows of equal length, one character a pixel.
// '.' is always transparent. Lines starting with '#' are comments.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Image {
    std::string name;
    std::vector<std::string> rows;
};

struct Rgb {
    uint8_t r, g, b;
};

bool Parse(const char* path, std::map<char, Rgb>& palette, std::vector<Image>& images) {
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "pixelart: cannot read %s\n", path);
        return false;
    }
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "colour") {
            std::string ch, hex;
            words >> ch >> hex;
            if (ch.size() != 1 || hex.size() != 6) {
                std::fprintf(stderr, "%s:%d: bad colour line\n", path, n);
                return false;
            }
            unsigned v = std::stoul(hex, nullptr, 16);
            palette[ch[0]] = Rgb{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
        } else if (first == "image") {
            Image img;
            words >> img.name;
            images.push_back(img);
        } else {
            if (images.empty()) {
                std::fprintf(stderr, "%s:%d: pixels before the first image\n", path, n);
                return false;
            }
            Image& img = images.back();
            if (!img.rows.empty() && img.rows[0].size() != line.size()) {
                std::fprintf(stderr, "%s:%d: row of another width in %s\n", path, n, img.name.c_str());
                return false;
            }
            for (char c : line) {
                if (c != '.' && !palette.count(c)) {
                    std::fprintf(stderr, "%s:%d: colour '%c' is not in the palette\n", path, n, c);
                    return false;
                }
            }
            img.rows.push_back(line);
        }
    }
    for (const Image& img : images) {
        if (img.rows.empty() || img.rows.size() != images[0].rows.size() ||
            img.rows[0].size() != images[0].rows[0].size()) {
            std::fprintf(stderr, "%s: image %s has another size than the first\n", path, img.name.c_str());
            return false;
        }
    }
    if (images.empty()) {
        std::fprintf(stderr, "%s: no image\n", path);
        return false;
    }
    return true;
}

void Put16(std::string& out, unsigned v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void Put32(std::string& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// BITMAPINFOHEADER.
void PutInfoHeader(std::string& out, int w, int h, int bits, unsigned imageBytes) {
    Put32(out, 40);
    Put32(out, unsigned(w));
    Put32(out, unsigned(h));
    Put16(out, 1);
    Put16(out, unsigned(bits));
    Put32(out, 0);
    Put32(out, imageBytes);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
}

bool WriteFile(const char* path, const std::string& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(data.data(), std::streamsize(data.size()));
    return bool(out);
}

// Images side by side, bottom-up rows, 24 bits; transparent pixels magenta.
std::string MakeBitmap(const std::map<char, Rgb>& palette, const std::vector<Image>& images) {
    const int h = int(images[0].rows.size());
    const int w1 = int(images[0].rows[0].size());
    const int w = w1 * int(images.size());
    const int stride = (w * 3 + 3) & ~3;
    std::string pixels;
    for (int y = h - 1; y >= 0; --y) {
        std::string row;
        for (const Image& img : images) {
            for (char c : img.rows[y]) {
                Rgb p = c == '.' ? Rgb{255, 0, 255} : palette.at(c);
                row += char(p.b);
                row += char(p.g);
                row += char(p.r);
            }
        }
        row.resize(stride, '\0');
        pixels += row;
    }
    std::string out = "BM";
    Put32(out, unsigned(14 + 40 + pixels.size()));
    Put32(out, 0);
    Put32(out, 14 + 40);
    PutInfoHeader(out, w, h, 24, unsigned(pixels.size()));
    return out + pixels;
}

// One icon image of the first image scaled by `scale`: 32-bit colour with
// alpha, then the 1-bit AND mask.
std::string MakeIconImage(const std::map<char, Rgb>& palette, const Image& img, int scale) {
    const int h = int(img.rows.size()) * scale;
    const int w = int(img.rows[0].size()) * scale;
    std::string colour, mask;
    const int maskStride = ((w + 31) / 32) * 4;
    for (int y = h - 1; y >= 0; --y) {
        std::string maskRow(maskStride, '\0');
        for (int x = 0; x < w; ++x) {
            char c = img.rows[y / scale][x / scale];
            Rgb p = c == '.' ? Rgb{0, 0, 0} : palette.at(c);
            colour += char(p.b);
            colour += char(p.g);
            colour += char(p.r);
            colour += char(c == '.' ? 0 : 255);
            if (c == '.') maskRow[x / 8] = char(maskRow[x / 8] | (0x80 >> (x % 8)));
        }
        mask += maskRow;
    }
    std::string out;
    PutInfoHeader(out, w, h * 2, 32, unsigned(colour.size() + mask.size()));
    return out + colour + mask;
}

// The icon group: the directory of the images with their resource ids.
std::string MakeIconGroup(const Image& img, const std::vector<std::string>& entries, unsigned firstId) {
    std::string out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, unsigned(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const size_t scale = i + 1;
        out += char(img.rows[0].size() * scale);
        out += char(img.rows.size() * scale);
        out += char(0);
        out += char(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, unsigned(entries[i].size()));
        Put16(out, firstId + unsigned(i));
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (!((mode == "bmp" && argc == 4) || (mode == "ico" && argc == 5))) {
        std::fprintf(stderr, "usage: pixelart bmp <description> <out.bmp> | ico <description> <out> <id>\n");
        return 2;
    }
    std::map<char, Rgb> palette;
    std::vector<Image> images;
    if (!Parse(argv[2], palette, images)) return 1;
    const std::string out = argv[3];
    bool ok = true;
    if (mode == "bmp") {
        ok = WriteFile(out.c_str(), MakeBitmap(palette, images));
    } else {
        const unsigned firstId = unsigned(std::stoul(argv[4]));
        std::vector<std::string> entries = {MakeIconImage(palette, images[0], 1), MakeIconImage(palette, images[0], 2)};
        for (size_t i = 0; i < entries.size() && ok; ++i)
            ok = WriteFile((out + "-" + std::to_string(i + 1) + ".ico").c_str(), entries[i]);
        ok = ok && WriteFile((out + ".grp").c_str(), MakeIconGroup(images[0], entries, firstId));
    }
    if (!ok) {
        std::fprintf(stderr, "pixelart: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
