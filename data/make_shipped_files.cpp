// Writes the files shipped beside the programs into each folder named on the command line:
// "notify.wav", the short chime of an update, and "pagewarden.png", the program's icon for
// the desktop's notifications (the picture the desktop program draws for its windows).
// With --icons DIR it writes the same picture as the desktop's application icon instead: the
// hicolor theme's DIR/NxN/apps/pagewarden.png at the usual sizes and
// DIR/scalable/apps/pagewarden.svg. Run at build time, so that the repository holds no
// binary files.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutLe(Bytes& out, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutBe(Bytes& out, std::uint32_t value) {
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Two falling tones, each fading out: 0.4 seconds of 16-bit mono at 22050 Hz.
Bytes Chime() {
  constexpr int kRate = 22050;
  constexpr double kPi = 3.14159265358979323846;
  const std::array<double, 2> tones = {1318.5, 987.8};  // E6, B5
  const int toneLength = kRate / 5;
  Bytes samples;
  for (double frequency : tones) {
    for (int n = 0; n < toneLength; ++n) {
      double t = static_cast<double>(n) / kRate;
      double envelope = std::exp(-t * 14.0) * std::min(1.0, n / 60.0);
      double value = std::sin(2 * kPi * frequency * t) * envelope * 0.6;
      PutLe(samples, static_cast<std::uint16_t>(static_cast<std::int16_t>(value * 32767)), 2);
    }
  }
  Bytes wav = {'R', 'I', 'F', 'F'};
  PutLe(wav, static_cast<std::uint32_t>(36 + samples.size()), 4);
  for (char ch : std::string("WAVEfmt ")) wav.push_back(static_cast<std::uint8_t>(ch));
  PutLe(wav, 16, 4);
  PutLe(wav, 1, 2);  // PCM
  PutLe(wav, 1, 2);  // mono
  PutLe(wav, kRate, 4);
  PutLe(wav, kRate * 2, 4);
  PutLe(wav, 2, 2);
  PutLe(wav, 16, 2);
  for (char ch : std::string("data")) wav.push_back(static_cast<std::uint8_t>(ch));
  PutLe(wav, static_cast<std::uint32_t>(samples.size()), 4);
  wav.insert(wav.end(), samples.begin(), samples.end());
  return wav;
}

struct Colour {
  double r, g, b, a;
};

// The icon's shapes, in units of its side: a page on a blue ground, watched by an eye.
Colour IconAt(double x, double y) {
  const Colour ground{32, 96, 192, 255}, page{255, 255, 255, 255}, eye{240, 160, 0, 255},
      pupil{20, 20, 20, 255}, none{0, 0, 0, 0};
  auto inEllipse = [&](double left, double top, double width, double height) {
    double dx = (x - left - width / 2) / (width / 2);
    double dy = (y - top - height / 2) / (height / 2);
    return dx * dx + dy * dy <= 1;
  };
  if (inEllipse(0.43, 0.61, 0.14, 0.14)) return pupil;
  if (inEllipse(0.3, 0.56, 0.4, 0.24)) return eye;
  bool onPage = x >= 0.22 && x <= 0.78 && y >= 0.12 && y <= 0.88;
  if (onPage) {
    for (int line = 0; line < 3; ++line) {
      double lineY = 0.24 + 0.1 * line;
      if (x >= 0.3 && x <= 0.7 && std::fabs(y - lineY) <= 1.0 / 32) return ground;
    }
    return page;
  }
  // The rounded corners of the ground.
  const double radius = 0.18;
  double cx = std::min(std::max(x, radius), 1 - radius);
  double cy = std::min(std::max(y, radius), 1 - radius);
  if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > radius * radius) return none;
  return ground;
}

std::uint32_t Crc32(const Bytes& data, std::size_t from) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = from; i < data.size(); ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

void PutChunk(Bytes& png, const char* type, const Bytes& data) {
  PutBe(png, static_cast<std::uint32_t>(data.size()));
  std::size_t start = png.size();
  for (int i = 0; i < 4; ++i) png.push_back(static_cast<std::uint8_t>(type[i]));
  png.insert(png.end(), data.begin(), data.end());
  PutBe(png, Crc32(png, start));
}

// The icon, `size` pixels square, RGBA, each pixel the mean of 4 x 4 samples.
Bytes Icon(int size) {
  Bytes rows;
  for (int py = 0; py < size; ++py) {
    rows.push_back(0);  // no filter
    for (int px = 0; px < size; ++px) {
      Colour sum{0, 0, 0, 0};
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          Colour c = IconAt((px + (sx + 0.5) / 4) / size, (py + (sy + 0.5) / 4) / size);
          sum = {sum.r + c.r * c.a, sum.g + c.g * c.a, sum.b + c.b * c.a, sum.a + c.a};
        }
      }
      double alpha = sum.a / 16;
      for (double channel : {sum.r, sum.g, sum.b}) {
        rows.push_back(static_cast<std::uint8_t>(sum.a > 0 ? channel / sum.a : 0));
      }
      rows.push_back(static_cast<std::uint8_t>(alpha));
    }
  }
  // zlib stream of stored (uncompressed) deflate blocks.
  Bytes zlib = {0x78, 0x01};
  for (std::size_t at = 0; at < rows.size(); at += 65535) {
    std::size_t length = std::min<std::size_t>(65535, rows.size() - at);
    zlib.push_back(at + length == rows.size() ? 1 : 0);
    PutLe(zlib, static_cast<std::uint32_t>(length), 2);
    PutLe(zlib, static_cast<std::uint32_t>(~length & 0xFFFF), 2);
    zlib.insert(zlib.end(), rows.begin() + static_cast<long>(at),
                rows.begin() + static_cast<long>(at + length));
  }
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : rows) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBe(zlib, (b << 16) | a);

  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  PutBe(header, static_cast<std::uint32_t>(size));
  PutBe(header, static_cast<std::uint32_t>(size));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", zlib);
  PutChunk(png, "IEND", {});
  return png;
}

// The shapes of IconAt as an SVG drawing on a 256 unit square.
Bytes Svg() {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
      "viewBox=\"0 0 256 256\">\n"
      "  <rect width=\"256\" height=\"256\" rx=\"46.08\" fill=\"#2060c0\"/>\n"
      "  <rect x=\"56.32\" y=\"30.72\" width=\"143.36\" height=\"194.56\" fill=\"#ffffff\"/>\n";
  for (int line = 0; line < 3; ++line) {
    double y = 256 * (0.24 + 0.1 * line) - 8;
    text += "  <rect x=\"76.8\" y=\"" + std::to_string(y) +
            "\" width=\"102.4\" height=\"16\" fill=\"#2060c0\"/>\n";
  }
  text +=
      "  <ellipse cx=\"128\" cy=\"174.08\" rx=\"51.2\" ry=\"30.72\" fill=\"#f0a000\"/>\n"
      "  <circle cx=\"128\" cy=\"174.08\" r=\"17.92\" fill=\"#141414\"/>\n"
      "</svg>\n";
  return Bytes(text.begin(), text.end());
}

bool Write(const std::string& path, const Bytes& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

int WriteThemeIcons(const std::string& folder) {
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    std::string name = std::to_string(size) + "x" + std::to_string(size);
    std::string path = folder + "/" + name + "/apps/pagewarden.png";
    if (!Write(path, Icon(size))) {
      std::perror(path.c_str());
      return 1;
    }
  }
  std::string svg = folder + "/scalable/apps/pagewarden.svg";
  if (!Write(svg, Svg())) {
    std::perror(svg.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--icons") return WriteThemeIcons(argv[2]);
  const Bytes wav = Chime();
  const Bytes png = Icon(48);
  for (int i = 1; i < argc; ++i) {
    std::string folder = argv[i];
    if (!Write(folder + "/notify.wav", wav) || !Write(folder + "/pagewarden.png", png)) {
      std::perror(folder.c_str());
      return 1;
    }
  }
  return 0;
}
