// Randomized differential test: seeded random inputs, fed whole and in small
// random pieces, against a small model of the shell's rules. With QOR_CORPUS
// naming a folder, every file in it is checked the same way (the fuzzer's
// corpus, say).
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "run.hpp"

namespace {

bool isSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// What qor must write for input, from the rules alone.
std::string model(std::string_view input) {
  std::string out(expected::banner);
  std::size_t i = 0;
  for (;;) {
    out += expected::prompt;
    while (i < input.size() && isSpace(input[i])) ++i;
    out += '\n';
    if (i == input.size()) return out;
    const std::size_t start = i;
    while (i < input.size() && !isSpace(input[i])) ++i;
    const std::string_view word = input.substr(start, i - start);
    if (word == "help") out += expected::help;
    if (word == "version") out += expected::version;
    if (word == "exit") return out;
    if (word == "copyright") out += expected::credits;
  }
}

std::string randomInput(std::mt19937& random) {
  static const std::vector<std::string> words = {"help",
                                                 "version",
                                                 "copyright",
                                                 "HELP",
                                                 "Help",
                                                 "hElp",
                                                 "VERSION",
                                                 "Copyright",
                                                 "hel",
                                                 "helpme",
                                                 "versio",
                                                 "copyrightx",
                                                 "xhelp",
                                                 "EXIT",
                                                 "Exit",
                                                 "exi",
                                                 "exitt",
                                                 std::string("help\0", 5),
                                                 std::string("\0exit", 5),
                                                 "\xff\xfe",
                                                 "h\xc3\xa9lp",
                                                 "\x80version",
                                                 "copyright\x01",
                                                 std::string(14, 'a'),
                                                 std::string(15, 'b'),
                                                 std::string(16, 'c'),
                                                 "helpxxxxxxxxxxx",
                                                 "versionxxxxxxxxx",
                                                 std::string(15, 'x') + "help",
                                                 std::string(5000, 'L'),
                                                 std::string(70000, 'W')};
  static const char spaces[] = {' ', '\t', '\n', '\v', '\f', '\r'};
  // Bytes next to the whitespace bytes, or with the high bit set: never
  // separators.
  static const char others[] = {'\0',   '\x08', '\x0e', '\x1a', '\x1f',
                                '\x21', '\x7f', '\x80', '\xff', 'a'};
  std::string input;
  auto space = [&] {
    const int n = std::uniform_int_distribution<int>(1, 3)(random);
    for (int i = 0; i < n; ++i) input += spaces[random() % sizeof spaces];
  };
  if (random() % 4 == 0) space();
  const int count = std::uniform_int_distribution<int>(0, 40)(random);
  for (int i = 0; i < count; ++i) {
    // Long words and "exit" are rarer, so most runs go on to the end.
    std::size_t pick = random() % words.size();
    if (words[pick].size() > 1000 && random() % 4 != 0) pick = 0;
    if (random() % 8 == 0) {
      // A word of up to 40 of those bytes, a keyword perhaps inside it.
      const std::size_t n = 1 + random() % 40;
      for (std::size_t k = 0; k < n; ++k) {
        input += random() % 16 == 0 ? words[random() % 3]
                                    : std::string(1, others[random() % 10]);
      }
    } else {
      input += random() % 60 == 0 ? std::string("exit") : words[pick];
    }
    if (i + 1 < count || random() % 2 == 0) space();
  }
  return input;
}

std::string printable(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes.substr(0, 200)) {
    if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

void check(std::string_view input, const Options& options) {
  const Result r = runQor(input, options);
  const std::string want = model(input);
  EXPECT_EQ(want.size(), r.out.size()) << printable(input);
  EXPECT_TRUE(want == r.out) << "input: " << printable(input);
  EXPECT_EQ(0, r.status) << printable(input);
  EXPECT_EQ("", r.err);
}

TEST(Differential, RandomInputsWhole) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    std::mt19937 random(seed);
    SCOPED_TRACE(seed);
    check(randomInput(random), {});
  }
}

TEST(Differential, RandomInputsInSmallPieces) {
  for (unsigned seed = 1001; seed <= 1100; ++seed) {
    std::mt19937 random(seed);
    SCOPED_TRACE(seed);
    Options options;
    options.chunk = 1 + seed % 9;
    options.seed = seed;
    std::string input = randomInput(random);
    if (input.size() > 3000) input.resize(3000);  // keep piecewise runs quick
    check(input, options);
  }
}

TEST(Differential, Corpus) {
  const char* folder = std::getenv("QOR_CORPUS");
  if (folder == nullptr) GTEST_SKIP() << "QOR_CORPUS names no folder";
  DIR* dir = opendir(folder);
  ASSERT_NE(nullptr, dir) << folder;
  int files = 0;
  while (const dirent* entry = readdir(dir)) {
    const std::string path = std::string(folder) + "/" + entry->d_name;
    if (entry->d_type != DT_REG) continue;
    std::ifstream file(path, std::ios::binary);
    const std::string input{std::istreambuf_iterator<char>(file), {}};
    SCOPED_TRACE(path);
    check(input, {});
    ++files;
  }
  closedir(dir);
  EXPECT_GT(files, 0);
}

}  // namespace
