// quillomark-pack: turns the linked image of a program for the board into the six ROM files the
// emulator loads (even and odd bytes of each 128 KiB region, where the emulator's own load table
// puts them) and writes pal.bmp, a 16x16 8-bit bitmap whose colour table holds 256 host colours.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "app/program_info.h"
#include "files/file_read.h"
#include "files/file_write.h"
#include "driver/rom_loader.h"
#include "platform/platform.h"

constexpr uint32_t IMAGE_SIZE = 0x80000;     // the image spans the program ROM and both data regions
constexpr uint8_t IMAGE_FILL = 0xFF;         // unprogrammed ROM bytes
constexpr uint32_t UNLOADED_FIRST = 0x20000; // no ROM file covers 0x20000-0x3FFFF
constexpr uint32_t UNLOADED_END = 0x40000;
constexpr int EXIT_DONE = 0;
constexpr int EXIT_NOT_WRITTEN = 1;
constexpr int EXIT_REFUSED = 2;

const char PACK_USAGE[] =
    "usage: quillomark-pack [--no-palette] IMAGE FOLDER\n"
    "       quillomark-pack --help | --version\n"
    "Splits IMAGE, a program for the board as the CPU sees it from address 0 (for example\n"
    "m68k-linux-gnu-objcopy -O binary --gap-fill 0xff program.elf program.img), into the six ROM\n"
    "files in FOLDER (made if missing) and writes FOLDER/pal.bmp, the 256 host colours.\n"
    "IMAGE holds at most 0x80000 bytes; missing bytes are 0xff:\n"
    "  0x00000-0x1ffff  program ROM     18b_d02.bin (even bytes), 18c_d05.bin (odd bytes)\n"
    "  0x20000-0x3ffff  no ROM file     must be 0xff\n"
    "  0x40000-0x5ffff  lower data ROM  17b_l.bin, 17c_l.bin\n"
    "  0x60000-0x7ffff  upper data ROM  17b_u.bin, 17c_u.bin\n"
    "  --no-palette    leaves FOLDER/pal.bmp as it is (your own colours)\n"
    "  --help          prints this text and exits\n"
    "  --version       prints the version and exits\n"
    "Exit codes: 0 written, or help or version; 1 a file could not be written;\n"
    "2 a usage error, or an image that cannot be read or does not fit.\n";

// Colour levels of the palette cube as the emulator's square-root matching
// sees them (0-255): evenly spaced, so every 15-bit board colour lands near one.
constexpr int RED_LEVELS = 6, GREEN_LEVELS = 7, BLUE_LEVELS = 6;
constexpr int CUBE_SIZE = RED_LEVELS * GREEN_LEVELS * BLUE_LEVELS; // 252
constexpr int EXTRA_GREYS[] = {43, 85, 170, 213}; // greys at the green levels: the cube has only 0 and 255
constexpr int COLOURS = 256;
static_assert(CUBE_SIZE + std::size(EXTRA_GREYS) == COLOURS, "the palette has 256 entries");

struct Colour {
  uint8_t red, green, blue;
};

// The file byte whose match value trunc(sqrt(v / 255) x 255) is nearest to the level.
uint8_t fileByteFor(int level) {
  int best = 0, bestError = COLOURS;
  for (int v = 0; v < COLOURS; ++v) {
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
  constexpr uint32_t SIDE = 16, HEADERS = 14 + 40, TABLE = COLOURS * 4, PIXELS = SIDE * SIDE;
  constexpr uint32_t DOTS_PER_METRE = 2835; // 72 dots per inch
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
  putLittleEndian(out, DOTS_PER_METRE, 4);
  putLittleEndian(out, DOTS_PER_METRE, 4);
  putLittleEndian(out, COLOURS, 4); // colours used
  putLittleEndian(out, COLOURS, 4); // colours important
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

int refuse(const char* message, const char* detail) {
  fprintf(stderr, "quillomark-pack: %s%s\n", message, detail);
  return EXIT_REFUSED;
}

// Reads the image into a full-size buffer of IMAGE_FILL; a message in error when it cannot be used.
bool readImage(const char* path, std::vector<uint8_t>& image, std::string& error) {
  // A regular file only: a pipe or a device may never end, a huge file is refused unread.
  if (!readRegularFile(path, IMAGE_SIZE, image)) {
    const int reason = errno;
    std::error_code code;
    if (reason == EFBIG) {
      char text[64];
      snprintf(text, sizeof text, " bytes: more than 0x%x", unsigned(IMAGE_SIZE));
      error = std::string(path) + " holds " + std::to_string(std::filesystem::file_size(path, code)) + text;
    } else if (reason == ENOENT || reason == EISDIR || reason == EINVAL) {
      error = std::string(path) + " is not a readable file";
    } else {
      error = std::string("cannot read ") + path + ": " + strerror(reason);
    }
    return false;
  }
  image.resize(IMAGE_SIZE, IMAGE_FILL);
  for (uint32_t a = UNLOADED_FIRST; a < UNLOADED_END; ++a)
    if (image[a] != IMAGE_FILL) {
      char text[96];
      snprintf(text, sizeof text, ": byte 0x%02x at 0x%05x lies where no ROM file is loaded (0x%05x-0x%05x)",
               image[a], unsigned(a), unsigned(UNLOADED_FIRST), unsigned(UNLOADED_END - 1));
      error = path + std::string(text);
      return false;
    }
  return true;
}

// One file of the set: its name, its bytes, and the temporary twin they were written to.
struct SetFile {
  std::string path;
  std::vector<uint8_t> bytes;
  std::string temporary;
};

// Writes every file of the set under a temporary name, then renames them all: a file that cannot be
// written leaves the old set whole and no temporary behind. Exit code of the packer.
int writeSet(std::vector<SetFile>& files) {
  const SetFile* failed = nullptr;
  for (SetFile& file : files) {
    std::error_code code;
    if (std::filesystem::is_directory(file.path, code)) {
      errno = EISDIR; // its rename would fail after others had been done
    } else {
      const FilePart part{file.bytes.data(), file.bytes.size()};
      file.temporary = writeTemporaryTwin(file.path.c_str(), &part, 1, false);
    }
    if (file.temporary.empty()) {
      failed = &file;
      break;
    }
  }
  int error = errno;
  for (SetFile& file : files)
    if (!file.temporary.empty() && (failed || !platformReplaceFile(file.temporary.c_str(), file.path.c_str()))) {
      if (!failed) {
        failed = &file;
        error = errno;
      }
      remove(file.temporary.c_str());
    }
  if (!failed)
    return EXIT_DONE;
  fprintf(stderr, "quillomark-pack: cannot write %s: %s\n", failed->path.c_str(), strerror(error));
  return EXIT_NOT_WRITTEN;
}

int main(int argc, char** argv) {
  if (const ProgramInfo info = findProgramInfo(argc, argv)) {
    printProgramInfo(info, "quillomark-pack", PACK_USAGE);
    return EXIT_DONE;
  }
  bool palette = true;
  std::vector<const char*> paths;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--no-palette") == 0)
      palette = false;
    else if (argv[i][0] == '-' && argv[i][1] != 0)
      return refuse("unknown option ", argv[i]);
    else
      paths.push_back(argv[i]);
  }
  if (paths.size() != 2)
    return refuse("needs an IMAGE and a FOLDER", " (quillomark-pack --help tells more)");
  std::vector<uint8_t> image;
  std::string error;
  if (!readImage(paths[0], image, error))
    return refuse(error.c_str(), "");
  const std::string folder = paths[1];
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  // The emulator's own load table says where each file goes; its copies beyond the image are mirrors.
  std::vector<SetFile> files;
  for (const RomLoad& load : ROM_LOADS) {
    if (load.base >= IMAGE_SIZE)
      continue;
    std::vector<uint8_t> rom(ROM_IMAGE_SIZE);
    for (uint32_t i = 0; i < ROM_IMAGE_SIZE; ++i)
      rom[i] = image[load.base + 2 * i + load.lane];
    files.push_back({folder + "/" + load.fileName, rom, {}});
  }
  if (palette)
    files.push_back({folder + "/pal.bmp", paletteBitmap(paletteColours()), {}});
  return writeSet(files);
}
