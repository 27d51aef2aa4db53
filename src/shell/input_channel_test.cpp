// Reading the input files: fields, numbers, titles, and errors that name
// the file, the line and what was expected.
#include "shell/input_channel.h"

#include <gtest/gtest.h>

#include "testing/test_support.h"

namespace tessaro {
namespace {

InputChannel On(const std::string& text) {
  InputChannel ch;
  ch.OpenText(text, "input.txt");
  return ch;
}

// The message of the InputError that reading raises.
template <class F>
std::string ErrorOf(F read) {
  try {
    read();
  } catch (const InputError& e) {
    return e.what();
  }
  return "no error";
}

// Commas, blanks, tabs and line ends separate fields alike, the
// terminating record "0,0,0" included.
TEST(ReadFields, CommasBlanksAndBothReadAlike) {
  for (const char* text : {"51, 106.214, 106.234\n", "51 106.214 106.234\n", "51 ,106.214,106.234",
                           "51\t106.214  ,  106.234", "51,\n106.214\n\n 106.234"}) {
    InputChannel ch = On(text);
    std::int32_t no = 0;
    double x = 0, y = 0;
    ReadFields(ch, In(no, "point number"), In(x, "x"), In(y, "y"));
    EXPECT_EQ(no, 51) << text;
    EXPECT_EQ(x, 106.214) << text;
    EXPECT_EQ(y, 106.234) << text;
    EXPECT_TRUE(ch.AtEnd()) << text;
  }
  for (const char* text : {"0,0,0", "0 0 0", "0, 0, 0", "0 , 0 , 0\r\n", "  0,0 0"}) {
    InputChannel ch = On(std::string(text) + "\n7");
    std::int32_t a = 1, b = 1, c = 1, next = 0;
    ReadFields(ch, In(a, "a"), In(b, "b"), In(c, "c"), In(next, "next"));
    EXPECT_EQ(a + b + c, 0) << text;
    EXPECT_EQ(next, 7) << text;
  }
}

// Whole numbers round half to even; reals take the usual syntax.
TEST(ReadFields, NumberSyntax) {
  InputChannel ch = On("2.5 3.5 -2.5 0.5 1.4999 -7.6 32767.4 -32768 2147483647");
  for (int expected : {2, 4, -2, 0, 1, -8, 32767}) EXPECT_EQ(ch.ReadWhole("w"), expected);
  std::int32_t big = 0, longest = 0;
  ReadFields(ch, In(big, "big"), In(longest, "longest"));
  EXPECT_EQ(big, -32768);
  EXPECT_EQ(longest, 2147483647);
  InputChannel reals = On("+1.5 -.25 5. 1e3 2.5E-2 007");
  for (double expected : {1.5, -0.25, 5.0, 1000.0, 0.025, 7.0})
    EXPECT_EQ(reals.ReadReal("v"), expected);
}

TEST(ReadTitle, CutOrPaddedToEightyCharacters) {
  std::string ninety(90, 'x');
  InputChannel ch = On("Short text\n" + ninety + "\n\"Quoted, with commas; and more\", 3\n");
  std::string shortTitle = ch.ReadTitle();
  EXPECT_EQ(shortTitle, "Short text" + std::string(70, ' '));
  EXPECT_EQ(ch.ReadTitle(), std::string(80, 'x'));
  std::string quoted = ch.ReadTitle();
  EXPECT_EQ(quoted.substr(0, 30), "Quoted, with commas; and more ");
  EXPECT_EQ(quoted.size(), 80u);
  EXPECT_EQ(ch.ReadWhole("count"), 3);
}

TEST(ReadTitle, UnquotedTitleEndsAtTheComma) {
  InputChannel ch = On("Strip 4, photos 70-73\n 4, 230\n");
  EXPECT_EQ(ch.ReadTitle(), "Strip 4" + std::string(73, ' '));
  EXPECT_EQ(ch.ReadText("rest"), "photos 70-73");  // blanks before a text are skipped
  EXPECT_EQ(ch.ReadWhole("photos"), 4);
}

TEST(ReadTitle, CountsCharactersNotBytes) {
  // 79 'a' and a Greek capital delta: 80 characters, 81 bytes, kept whole.
  InputChannel ch = On(std::string(79, 'a') + "\xCE\x94" + "zzz");
  std::string title = ch.ReadTitle();
  EXPECT_EQ(CharCount(title), 80);
  EXPECT_EQ(title.substr(79), "\xCE\x94");
}

TEST(InputError, NamesFileLineAndWhatWasExpected) {
  EXPECT_EQ(ErrorOf([] {
              InputChannel ch = On("Title\r\n 1, 152\r\n 12,5a 7");
              ch.ReadTitle();
              ch.ReadReal("scale");
              ch.ReadReal("f");
              ch.ReadReal("X of a control point");
              ch.ReadReal("Y of a control point");
            }),
            "input.txt, line 3: expected a number (Y of a control point), found \"5a\"");
  EXPECT_EQ(ErrorOf([] {
              InputChannel ch = On("1\r2\n\n");
              ch.ReadReal("a");
              ch.ReadReal("b");
              ch.ReadReal("c");
            }),
            "input.txt, line 4: expected a number (c), found the end of the file");
  EXPECT_EQ(ErrorOf([] { On("40000").ReadWhole("number of photos"); }),
            "input.txt, line 1: expected a whole number from -32768 to 32767 (number of photos), "
            "found \"40000\"");
  EXPECT_EQ(ErrorOf([] { On("1e10").ReadLong("point number"); }),
            "input.txt, line 1: expected a whole number from -2147483648 to 2147483647 (point "
            "number), found \"1e10\"");
  EXPECT_EQ(ErrorOf([] {
              InputChannel ch = On("1,,2");
              ch.ReadReal("a");
              ch.ReadReal("b");
            }),
            "input.txt, line 1: expected a number (b), found an empty field");
  EXPECT_EQ(ErrorOf([] { On("1e999").ReadReal("x"); }),
            "input.txt, line 1: expected a number (x), found \"1e999\" (out of range)");
  EXPECT_EQ(On("1e-999 0.5").ReadReal("x"), 0.0);
  EXPECT_EQ(ErrorOf([] { On("\"12\"").ReadReal("x"); }),
            "input.txt, line 1: expected a number (x), found \"\"12\"\"");
  EXPECT_EQ(ErrorOf([] { On("  \n ").ReadTitle(); }),
            "input.txt, line 2: expected a text (title), found the end of the file");
  for (const char* bad : {"inf", "nan", "0x10", "1.2.3", "e5", "-", "1e", "12a"})
    EXPECT_NE(ErrorOf([bad] { On(bad).ReadReal("x"); }), "no error") << bad;
}

class InputFileTest : public TempDirTest {};

TEST_F(InputFileTest, OpensFilesAndRefusesMissingOnes) {
  const std::string file = File("data.txt", "\"A, B\"\n 3\n");
  InputChannel ch;
  std::string error;
  ASSERT_TRUE(ch.Open(file, error));
  EXPECT_EQ(ch.DisplayName(), "data.txt");
  EXPECT_EQ(ch.ReadText("t"), "A, B");
  EXPECT_EQ(ch.Line(), 1);
  EXPECT_EQ(ch.ReadWhole("n"), 3);
  EXPECT_FALSE(ch.Open(PathOf("missing.txt"), error));
  EXPECT_FALSE(ch.IsOpen());
  EXPECT_NE(error.find("missing.txt"), std::string::npos);
  EXPECT_FALSE(ch.Open(dir.string(), error));
}

}  // namespace
}  // namespace tessaro
