#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "base/Format.h"

using namespace corvane::base;

namespace {
struct Case {
  std::string expected;
  std::string actual;
};
}  // namespace

TEST(Format, ConversionsFollowTheClassicFormatter) {
  const Case cases[] = {
      {"05", Format("%.2d", {5})},
      {"-007", Format("%.3d", {-7})},
      {"  007", Format("%5.3d", {7})},
      {" 5", Format("%02d", {5})},  // no '0' flag: "02" is a width
      {"   ab", Format("%5s", {"ab"})},
      {"ab   |", Format("%-5s|", {"ab"})},
      {"abc", Format("%.3s", {"abcdef"})},
      {"100%", Format("%d%%", {100})},
      {"FF 00FF", Format("%x %.4x", {255, 255u})},
      {"4294967295 FFFFFFFF", Format("%u %x", {-1, -1})},
      {"18446744073709551615", Format("%d", {~0ull})},
      {"1.50", Format("%f", {1.5})},
      {"1536 octets", Format("%.0f octets", {1536.0})},
      {"1.5 ko", Format("%.1f ko", {1.5})},
      {"2.25 Mo", Format("%.2f Mo", {2.25})},
      {"1.000 Go", Format("%.3f Go", {0.99999})},
      {"0.13 3 -3", Format("%.2f %.0f %.0f", {0.125, 2.5, -2.5})},  // half away from zero
      {"0.00", Format("%.2f", {-0.001})},
      {"12 octets", Format("%.0f octets", {12})},  // integers are accepted by float conversions
      {"1,234,567.89", Format("%n", {1234567.891})},
      {"1.50000000000000E+003", Format("%e", {1500.0})},
      {"-2.5E-010", Format("%.2e", {-2.5e-10})},
      {"0.1 1E20 1.5 0 1E-6", Format("%g %g %g %g %g", {0.1, 1e20, 1.5, 0.0, 0.000001})},
      {"NAN INF", Format("%f %g", {std::nan(""), HUGE_VAL})},
      {"[  été]", Format("[%5s]", {"été"})},  // width counts characters, not bytes
      {"é", Format("%.1s", {"été"})},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected);
}

TEST(Format, IndexesAndStarsPickArguments) {
  EXPECT_EQ(Format("%1:s %0:s", {"a", "b"}), "b a");
  EXPECT_EQ(Format("%1:s %s", {"a", "b", "c"}), "b c");  // an index moves the next argument taken
  EXPECT_EQ(Format("%0:s-%0:s", {"x"}), "x-x");
  EXPECT_EQ(Format("[%*d]", {4, 7}), "[   7]");
  EXPECT_EQ(Format("[%-*d]", {3, 7}), "[7  ]");
  EXPECT_EQ(Format("[%*d]", {-3, 7}), "[7  ]");
  EXPECT_EQ(Format("%.*f", {1, 2.25}), "2.3");
  EXPECT_EQ(Format("%*:s", {2, "a", "b"}), "b");
  EXPECT_EQ(Format("%S|%D", {"up", 3}), "up|3");
  EXPECT_EQ(Format("no conversions", {}), "no conversions");
}

TEST(Format, MismatchesThrowFormatError) {
  const std::function<std::string()> bad[] = {
      [] { return Format("%d", {"text"}); },
      [] { return Format("%d", {1.5}); },
      [] { return Format("%s", {5}); },
      [] { return Format("%f", {"x"}); },
      [] { return Format("%s %s", {"one"}); },
      [] { return Format("%2:s", {"a", "b"}); },
      [] { return Format("%", {1}); },
      [] { return Format("%5", {1}); },
      [] { return Format("%k", {1}); },
      [] { return Format("%*d", {"w", 1}); },
      [] { return Format("%99999999s", {"x"}); },
      [] { return Format("%.5000d", {1}); },
      [] { return Format("%*s", {100000, "x"}); },
  };
  for (size_t i = 0; i < std::size(bad); ++i) EXPECT_THROW(bad[i](), FormatError) << "case " << i;
}
