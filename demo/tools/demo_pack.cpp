// demo_pack: splits the demo's linked image into the board's six ROM files
// (even and odd bytes of each 128 KiB region) and writes the host palette
// pal.bmp, a 16x16 8-bit bitmap whose colour table holds the 256 colours.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

constexpr uint32_t IMAGE_SIZE = 0x80000;     // the image spans the program ROM and both data regions
constexpr uint32_t ROM_FILE_SIZE = 0x10000;
constexpr uint8_t IMAGE_FILL = 0xFF;         // unprogrammed ROM bytes
constexpr uint32_t UNLOADED_FIRST = 0x20000; // no ROM file covers 0x20000-0x3FFFF
constexpr uint32_t UNLOADED_END = 0x40000;

struct RomFile {
  const char* name;
  uint32_t base;
  uint32_t lane; // 0: even addresses, 1: odd addresses
};

constexpr RomFile ROM_FILES[] = {
    {"18b_d02.bin", 0x00000, 0}, {"18c_d05.bin", 0x00000, 1}, {"17b_l.bin", 0x40000, 0},
    {"17c_l.bin", 0x40000, 1},   {"17b_u.bin", 0x60000, 0},   {"17c_u.bin", 0x60000, 1},
};

// Colour levels of the palette cube as the emulator's square-root matching
// sees them (0-255): evenly spaced, so every 15-bit board colour lands near one.
constexpr int RED_LEVELS = 6, GREEN_LEVELS = 7, BLUE_LEVELS = 6;
constexpr int CUBE_SIZE = RED_LEVELS * GREEN_LEVELS * BLUE_LEVELS; // 252
constexpr int EXTRA_GREYS[] = {43, 85, 170, 213}; // greys at the green levels: the cube has only 0 and 255
static_assert(CUBE_SIZE + std::size(EXTRA_GREYS) == 256, "the palette has 256 entries");

struct Colour {
  uint8_t red, green, blue;
};

// The file byte whose match value trunc(sqrt(v / 255) x 255) is nearest to the level.
uint8_t fileByteFor(int level) {
  int best = 0, bestError = 256;
  for (int v = 0; v < 256; ++v) {
    const int match = int(std::sqrt(v / 255.0) * 255.0);
    const int error = std::abs(match - level);
    if (error < bestError)
      best = v, bestError = error;
  }
  return uint8_t(best);
}

// Level of step i of n, spread evenly over 0-255.
int cubeLevel(int step, int steps) { return (step * 255 + (steps - 1) / 2) / (steps - 1); }

std::vector<Colour> paletteColours() {
  std::vector<Colour> colours;
  for (int r = 0; r < RED_LEVELS; ++r)
    for (int g = 0; g < GREEN_LEVELS; ++g)
      for (int b = 0; b < BLUE_LEVELS; ++b)
        colours.push_back(Colour{fileByteFor(cubeLevel(r, RED_LEVELS)), fileByteFor(cubeLevel(g, GREEN_LEVELS)),
                                 fileByteFor(cubeLevel(b, BLUE_LEVELS))});
  for (int grey : EXTRA_GREYS) {
    const uint8_t v = fileByteFor(grey);
    colours.push_back(Colour{v, v, v});
  }
  return colours;
}

void putLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(uint8_t(value >> (8 * i)));
}

// A 16x16 bitmap showing each palette entry as one pixel, bottom row first.
std::vector<uint8_t> paletteBitmap(const std::vector<Colour>& colours) {
  constexpr uint32_t SIDE = 16, HEADERS = 14 + 40, TABLE = 256 * 4, PIXELS = SIDE * SIDE;
  std::vector<uint8_t> out = {'B', 'M'};
  putLittleEndian(out, HEADERS + TABLE + PIXELS, 4);
  putLittleEndian(out, 0, 4);
  putLittleEndian(out, HEADERS + TABLE, 4); // where the pixels start
  putLittleEndian(out, 40, 4);              // info header size
  putLittleEndian(out, SIDE, 4);
  putLittleEndian(out, SIDE, 4);
  putLittleEndian(out, 1, 2); // planes
  putLittleEndian(out, 8, 2); // bits per pixel
  putLittleEndian(out, 0, 4); // no compression
  putLittleEndian(out, PIXELS, 4);
  putLittleEndian(out, 2835, 4); // 72 dots per inch
  putLittleEndian(out, 2835, 4);
  putLittleEndian(out, 256, 4); // colours used
  putLittleEndian(out, 256, 4); // colours important
  for (const Colour& c : colours) {
    out.push_back(c.blue);
    out.push_back(c.green);
    out.push_back(c.red);
    out.push_back(0);
  }
  for (uint32_t row = SIDE; row-- > 0;)
    for (uint32_t col = 0; col < SIDE; ++col)
      out.push_back(uint8_t(row * SIDE + col));
  return out;
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file)
    return false;
  const bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && ok;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: demo_pack IMAGE OUTPUT_DIR\n");
    return 2;
  }
  std::vector<uint8_t> image(IMAGE_SIZE, IMAGE_FILL);
  FILE* in = fopen(argv[1], "rb");
  if (!in) {
    fprintf(stderr, "demo_pack: cannot open %s\n", argv[1]);
    return 1;
  }
  const size_t size = fread(image.data(), 1, IMAGE_SIZE, in);
  const bool tooLong = fgetc(in) != EOF;
  fclose(in);
  if (tooLong) {
    fprintf(stderr, "demo_pack: %s is larger than 0x%x bytes\n", argv[1], unsigned(IMAGE_SIZE));
    return 1;
  }
  for (uint32_t a = UNLOADED_FIRST; a < UNLOADED_END && a < size; ++a)
    if (image[a] != IMAGE_FILL) {
      fprintf(stderr, "demo_pack: byte at 0x%x lies where no ROM file is loaded\n", unsigned(a));
      return 1;
    }
  const std::string dir = argv[2];
  std::vector<uint8_t> rom(ROM_FILE_SIZE);
  for (const RomFile& file : ROM_FILES) {
    for (uint32_t i = 0; i < ROM_FILE_SIZE; ++i)
      rom[i] = image[file.base + 2 * i + file.lane];
    if (!writeBytes(dir + "/" + file.name, rom)) {
      fprintf(stderr, "demo_pack: cannot write %s/%s\n", dir.c_str(), file.name);
      return 1;
    }
  }
  if (!writeBytes(dir + "/pal.bmp", paletteBitmap(paletteColours()))) {
    fprintf(stderr, "demo_pack: cannot write %s/pal.bmp\n", dir.c_str());
    return 1;
  }
  return 0;
}
