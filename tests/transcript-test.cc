// Transcripts: input bytes in, exact standard output, exit status and an empty
// standard error out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run.hpp"

namespace {

using namespace std::string_literals;

const std::string P{expected::prompt};
const std::string H{expected::help};
const std::string V{expected::version};
const std::string C{expected::credits};

struct Transcript {
  const char* name;
  std::string input;
  std::string output;  // everything after the banner
  int status = 0;
  std::vector<std::string> args = {};
};

void PrintTo(const Transcript& t, std::ostream* os) { *os << t.name; }

// The prompt and line feed that answer one word, or end of input.
const std::string next = P + "\n";

const std::vector<Transcript> transcripts = {
    {"EmptyInputEndsAsExitDoes", "", next},
    {"HelpListsTheCommands", "help\n", next + H + next},
    {"VersionWritesItsFourLines", "version\n", next + V + next},
    {"CopyrightWritesTheCredits", "copyright\n", next + C + next},
    {"ExitWritesOnlyItsLineFeed", "exit\n", next},
    {"UnknownWordIsIgnored", "foo\n", next + next},
    {"KeywordsAreCaseSensitive", "HELP\nHelp\nhelP\nVersion\nEXIT\n",
     next + next + next + next + next + next},
    {"PrefixesAndExtensionsAreNoKeywords", "hel helpme versio copyrightx exi\n",
     next + next + next + next + next + next},
    {"TwoWordsOnOneLineAreAnsweredInOrder", "help version\n",
     next + H + next + V + next},
    {"VersionThenExitOnOneLine", "version exit\n", next + V + next},
    {"WordsAfterExitAreNeverRead", "exit help version\n", next},
    {"SpacesAndTabsAroundAWordDoNotMatter", " \t version\t \n",
     next + V + next},
    {"EmptyLinesGiveNoPrompt", "\n\n  \n\t\nversion\n\n", next + V + next},
    {"AllSixWhitespaceBytesSeparateWords", "help\t\n\v\f\r version\r\n",
     next + H + next + V + next},
    {"CarriageReturnLineEndings", "version\r\nexit\r\n", next + V + next},
    {"WordAtEndOfInputIsAnswered", "version", next + V + next},
    {"ExitAtEndOfInput", "exit", next},
    {"WordOfFifteenBytesIsOneWord", "copyrightxxxxxx version",
     next + next + V + next},
    {"WordOfSixteenBytesIsOneWord", "helpxxxxxxxxxxxx version",
     next + next + V + next},
    {"LongWordIsNeverSplit",
     std::string(15, 'x') + "help " + std::string(16, 'y') + "version\n",
     next + next + next},
    {"HugeWordIsOneIgnoredWord", std::string(300000, 'a') + "version exit",
     next + next},
    {"HugeWordThenKeyword", std::string(200001, 'z') + "\nversion",
     next + next + V + next},
    {"WordWithNulIsNoKeyword", "help\0 \0help v\0ersion exit"s,
     next + next + next + next},
    {"CtrlZInAPipeIsAnOrdinaryByte", "\x1a help\x1a \x1a\x1a\nversion",
     next + next + next + next + V + next},
    {"NonUtf8BytesAreJustBytes", "\xffhelp help\xc3 \xc3\xa9 help",
     next + next + next + next + H + next},
    {"ArgumentsAreIgnored",
     "version\n",
     next + V + next,
     0,
     {"help", "--version", "-h"}},
};

// Bytes next to the six whitespace bytes, and ones with the high bit set, are
// part of a word: for each, words that hold it at every position from the
// first to the 25th byte, so that it is met both inside the eight-byte steps
// of the word scan and at the last ones, and keywords that it touches.
std::vector<Transcript> neighbourBytes() {
  const struct {
    const char* name;
    char byte;
  } bytes[] = {
      {"Nul", '\x00'},    {"Backspace", '\x08'},     {"ShiftOut", '\x0e'},
      {"CtrlZ", '\x1a'},  {"UnitSeparator", '\x1f'}, {"Bang", '\x21'},
      {"Delete", '\x7f'}, {"High80", '\x80'},        {"HighFF", '\xff'}};
  std::vector<Transcript> rows;
  for (const auto& b : bytes) {
    std::string input;
    std::string output;
    for (std::size_t at = 0; at < 25; ++at) {
      std::string word(25, 'a');
      word[at] = b.byte;
      input += word + " ";
      output += next;
    }
    input += "help" + std::string(1, b.byte) + "\n" + std::string(1, b.byte) +
             "version " + std::string(1, b.byte) + " version";
    output += next + next + next + next + V + next;
    rows.push_back({b.name, input, output});
  }
  return rows;
}

class Transcripts : public testing::TestWithParam<Transcript> {};

TEST_P(Transcripts, ExactOutputAndStatus) {
  const Transcript& t = GetParam();
  Options options;
  options.args = t.args;
  const Result r = runQor(t.input, options);
  EXPECT_EQ(std::string(expected::banner) + t.output, r.out);
  EXPECT_EQ(t.status, r.status);
  EXPECT_EQ("", r.err);
}

INSTANTIATE_TEST_SUITE_P(Shell, Transcripts, testing::ValuesIn(transcripts),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(WordBytes, Transcripts,
                         testing::ValuesIn(neighbourBytes()),
                         [](const auto& info) { return info.param.name; });

// Every writer writes the same bytes each time it is called.
TEST(Texts, RepeatedAnswersAreIdentical) {
  std::string input;
  std::string want(expected::banner);
  for (int i = 0; i < 3; ++i) {
    input += "help version copyright ";
    want += next + H + next + V + next + C;
  }
  want += next;
  const Result r = runQor(input);
  EXPECT_EQ(want, r.out);
  EXPECT_EQ(0, r.status);
}

// The texts' shapes: line counts and leading tabs as the program shows them.
TEST(Texts, LineShapes) {
  auto lines = [](std::string_view text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t nl;
         (nl = text.find('\n', start)) != std::string_view::npos;
         start = nl + 1) {
      out.emplace_back(text.substr(start, nl - start));
    }
    return out;
  };
  const Result r = runQor("help version copyright exit");
  std::string_view out = r.out;
  ASSERT_TRUE(out.starts_with(expected::banner));
  const auto banner = lines(expected::banner);
  ASSERT_EQ(5u, banner.size());
  EXPECT_TRUE(banner[0].starts_with("\t\t\tQ"));
  EXPECT_EQ("", banner[4]);
  EXPECT_EQ(5u, lines(expected::help).size());
  EXPECT_TRUE(lines(expected::help)[4].starts_with("\tcopyright"));
  EXPECT_EQ(4u, lines(expected::version).size());
  const auto credits = lines(expected::credits);
  ASSERT_EQ(11u, credits.size());
  for (std::size_t i : {3u, 5u, 6u, 7u, 8u, 9u, 10u}) {
    EXPECT_TRUE(credits[i].starts_with("\t\t") && credits[i].size() > 2) << i;
  }
  for (std::size_t i : {2u, 4u}) {
    EXPECT_TRUE(credits[i].starts_with("\t") && credits[i][1] != '\t') << i;
  }
  EXPECT_EQ(
      std::string(expected::banner) + next + H + next + V + next + C + next,
      r.out);
}

}  // namespace
