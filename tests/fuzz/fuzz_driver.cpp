// A small coverage-guided fuzzer for the program's readers, for g++ (whose coverage
// instrumentation, -fsanitize-coverage=trace-pc, calls __sanitizer_cov_trace_pc at every
// edge; the libFuzzer engine needs clang, which refuses our CP932 execution character set).
//
//   fuzz_NAME --replay DIR...           every file of the folders once (regression)
//   fuzz_NAME --fuzz DIR SECONDS [MAX]  mutate the folder's inputs for that long; inputs that
//                                       reach new edges are added to DIR; an input that
//                                       crashes a sanitizer build is kept as DIR/../crash-*.
// Without instrumentation --fuzz still runs, blind.
#include "fuzz/fuzz_driver.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "platform/program_folder.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

#define PW_NO_COVERAGE __attribute__((no_sanitize_coverage))

namespace {

constexpr std::size_t kMapSize = 1 << 16;
unsigned char g_edges[kMapSize];  // hits of this run, by hashed caller address
unsigned char g_seen[kMapSize];   // the hit classes any kept input reached
std::uintptr_t g_previous = 0;

// The bucket of a hit count, as AFL counts them: 1, 2, 3, 4-7, 8-15, 16-31, 32-127, 128+.
PW_NO_COVERAGE unsigned char HitClass(unsigned char hits) {
  if (hits == 0) return 0;
  if (hits < 4) return static_cast<unsigned char>(1u << (hits - 1));
  if (hits < 8) return 8;
  if (hits < 16) return 16;
  if (hits < 32) return 32;
  if (hits < 128) return 64;
  return 128;
}

}  // namespace

extern "C" PW_NO_COVERAGE void __sanitizer_cov_trace_pc() {
  auto pc = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
  std::size_t edge = ((pc >> 1) ^ g_previous) & (kMapSize - 1);
  g_previous = pc >> 2;
  if (g_edges[edge] != 255) ++g_edges[edge];
}

const std::string& FuzzScratchFolder() {
  static const std::string folder = [] {
    std::string pattern = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                          "/pw-fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const char* made = mkdtemp(name.data());
    std::string path = made ? made : "/tmp";
    platform::SetProgramFolder(path);
    mkdir((path + "/comp").c_str(), 0700);
    return path;
  }();
  return folder;
}

std::string WriteFuzzFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  std::string path = FuzzScratchFolder() + "/" + name;
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  return path;
}

namespace {

using Input = std::vector<std::uint8_t>;

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> paths;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') paths.push_back(folder + "/" + entry->d_name);
    }
    closedir(dir);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

Input ReadInput(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return Input(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteInput(const std::string& path, const Input& input) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(input.data()), static_cast<std::streamsize>(input.size()));
}

std::string NameOf(const Input& input) {
  std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (std::uint8_t byte : input) hash = (hash ^ byte) * 1099511628211ull;
  char name[24];
  std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
  return name;
}

// Runs one input; true when it reached a hit class no kept input reached.
bool RunCounted(const Input& input) {
  std::memset(g_edges, 0, sizeof g_edges);
  g_previous = 0;
  FuzzOne(input.data(), input.size());
  bool fresh = false;
  for (std::size_t edge = 0; edge < kMapSize; ++edge) {
    unsigned char hitClass = HitClass(g_edges[edge]);
    if (hitClass & ~g_seen[edge]) {
      g_seen[edge] |= hitClass;
      fresh = true;
    }
  }
  return fresh;
}

// Bytes that steer the program's readers: line ends, CP932 lead bytes, separators.
const char* const kTokens[] = {"\r\n", "\n", "\r", "\x81", "\x82\xa0", "\x1b$B", "\x1b(B",
                               ":", " ", "=", "&", "%", "http://", "0", "-1", "65535",
                               "2147483648", "\x8e", "\xef\xbb\xbf", "\0"};

Input Mutate(const Input& base, const std::vector<Input>& corpus, std::mt19937& random,
             std::size_t maxLength) {
  Input input = base;
  int steps = 1 + static_cast<int>(random() % 4);
  for (int step = 0; step < steps; ++step) {
    std::size_t at = input.empty() ? 0 : random() % (input.size() + 1);
    switch (random() % 7) {
      case 0:  // flip a bit
        if (!input.empty()) input[random() % input.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        break;
      case 1:  // a random byte
        if (!input.empty()) input[random() % input.size()] = static_cast<std::uint8_t>(random());
        break;
      case 2: {  // a token
        const char* token = kTokens[random() % std::size(kTokens)];
        std::size_t length = token[0] ? std::strlen(token) : 1;
        input.insert(input.begin() + static_cast<long>(at), token, token + length);
        break;
      }
      case 3:  // cut a piece out
        if (!input.empty()) {
          std::size_t length = 1 + random() % std::min<std::size_t>(input.size() - std::min(at, input.size() - 1), 64);
          std::size_t from = std::min(at, input.size() - 1);
          input.erase(input.begin() + static_cast<long>(from),
                      input.begin() + static_cast<long>(std::min(input.size(), from + length)));
        }
        break;
      case 4:  // repeat a piece
        if (!input.empty()) {
          std::size_t from = random() % input.size();
          std::size_t length = 1 + random() % std::min<std::size_t>(input.size() - from, 128);
          Input piece(input.begin() + static_cast<long>(from),
                      input.begin() + static_cast<long>(from + length));
          input.insert(input.begin() + static_cast<long>(std::min(at, input.size())), piece.begin(), piece.end());
        }
        break;
      case 5: {  // splice another input's piece
        const Input& other = corpus[random() % corpus.size()];
        if (!other.empty()) {
          std::size_t from = random() % other.size();
          std::size_t length = 1 + random() % std::min<std::size_t>(other.size() - from, 256);
          input.insert(input.begin() + static_cast<long>(std::min(at, input.size())),
                       other.begin() + static_cast<long>(from),
                       other.begin() + static_cast<long>(from + length));
        }
        break;
      }
      default:  // a digit changed into a large number
        for (std::size_t i = at; i < input.size(); ++i) {
          if (input[i] >= '0' && input[i] <= '9') {
            static const char kLarge[] = "99999999999";
            input.insert(input.begin() + static_cast<long>(i), kLarge, kLarge + 11);
            break;
          }
        }
        break;
    }
  }
  if (input.size() > maxLength) input.resize(maxLength);
  return input;
}

int Replay(int argc, char** argv) {
  std::size_t count = 0;
  for (int i = 2; i < argc; ++i) {
    for (const std::string& path : FilesIn(argv[i])) {
      Input input = ReadInput(path);
      FuzzOne(input.data(), input.size());
      ++count;
    }
  }
  std::printf("%zu inputs replayed\n", count);
  return count > 0 ? 0 : 1;
}

const Input* g_current = nullptr;  // the input being run, for the crash report
std::string g_crashPath;

#if defined(__SANITIZE_ADDRESS__)
void WriteCrash() {
  if (g_current) WriteInput(g_crashPath, *g_current);
  std::fprintf(stderr, "crashing input written to %s\n", g_crashPath.c_str());
}
#endif

int Fuzz(const std::string& folder, int seconds, std::size_t maxLength) {
  std::vector<Input> corpus;
  for (const std::string& path : FilesIn(folder)) corpus.push_back(ReadInput(path));
  if (corpus.empty()) corpus.push_back(Input());
  for (const Input& input : corpus) RunCounted(input);
#if defined(__SANITIZE_ADDRESS__)
  __sanitizer_set_death_callback(WriteCrash);
#endif
  std::mt19937 random(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  std::size_t runs = 0, added = 0;
  while (std::chrono::steady_clock::now() < end) {
    Input input = Mutate(corpus[random() % corpus.size()], corpus, random, maxLength);
    g_current = &input;
    g_crashPath = folder + "/../crash-" + NameOf(input);
    ++runs;
    if (RunCounted(input)) {
      WriteInput(folder + "/" + NameOf(input), input);
      corpus.push_back(std::move(input));
      ++added;
    }
  }
  g_current = nullptr;
  std::printf("%zu runs, %zu new inputs, corpus %zu\n", runs, added, corpus.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  FuzzScratchFolder();
  if (argc >= 3 && std::strcmp(argv[1], "--replay") == 0) return Replay(argc, argv);
  if (argc >= 4 && std::strcmp(argv[1], "--fuzz") == 0) {
    std::size_t maxLength = argc >= 5 ? std::strtoul(argv[4], nullptr, 10) : 4096;
    return Fuzz(argv[2], std::atoi(argv[3]), maxLength);
  }
  std::fprintf(stderr, "usage: %s --replay DIR... | --fuzz DIR SECONDS [MAX_LENGTH]\n", argv[0]);
  return 2;
}
