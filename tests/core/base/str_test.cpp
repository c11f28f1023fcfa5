// Tests of TStr: record sharing and capacities, search, editing, UTF-8 and formatting.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "core/base/str.h"

TEST(StrTest, RecordsAndCapacities) {
  TStr empty;
  EXPECT_STREQ(empty.c_str(), "");
  EXPECT_EQ(empty.Capacity(), 0u);
  EXPECT_EQ(empty.Length(), 0);

  TStr fromNull((const char*)nullptr);
  EXPECT_STREQ(fromNull.c_str(), "");
  EXPECT_EQ(fromNull.Capacity(), 16u);

  EXPECT_EQ(TStr("abc").Capacity(), 4u);  // exactly length + 1 from a C string
  EXPECT_EQ(TStr("abc", 3).Capacity(), 16u);
  EXPECT_EQ(TStr("0123456789abcdefXYZ", 19).Capacity(), 20u);
  EXPECT_EQ((TStr("ab") + TStr("cd")).Capacity(), 16u);
  EXPECT_EQ((TStr("ab") + 'c').Capacity(), 16u);
  EXPECT_EQ(TStr("abcdef").SubStr(1, 2).Capacity(), 16u);
  TStr r;
  r.Reserve(3);
  EXPECT_EQ(r.Capacity(), 16u);
  r.Reserve(40);
  EXPECT_EQ(r.Capacity(), 40u);
}

TEST(StrTest, CopiesShareUntilChanged) {
  TStr a("hello");
  TStr b = a;
  EXPECT_EQ(a.RefCount(), 2);
  EXPECT_EQ(a.c_str(), b.c_str());
  b += " world";
  EXPECT_STREQ(a.c_str(), "hello");
  EXPECT_STREQ(b.c_str(), "hello world");
  EXPECT_EQ(a.RefCount(), 1);

  TStr c = a;
  c.ToLower();
  c.Erase(0, 1);
  c.Replace("l", "L", TStr::kReplaceAll);
  c.WriteAt(0, "E", 1, false);
  EXPECT_STREQ(a.c_str(), "hello");
  EXPECT_STREQ(c.c_str(), "ELLo");

  TStr& self = a;
  a = self;
  EXPECT_STREQ(a.c_str(), "hello");
  a += a;
  EXPECT_STREQ(a.c_str(), "hellohello");
}

TEST(StrTest, CompareIsUnsignedByteOrder) {
  TStr nullRecord;
  TStr emptyRecord("");
  EXPECT_EQ(nullRecord.Compare(emptyRecord), 0);
  EXPECT_TRUE(nullRecord == emptyRecord);
  EXPECT_TRUE(TStr("a") < TStr("b"));
  EXPECT_TRUE(TStr("z") < TStr("\x80"));
  EXPECT_TRUE(TStr("ab") < TStr("abc"));
  EXPECT_FALSE(TStr("abc") < TStr("ab"));
  EXPECT_TRUE(TStr("B") < TStr("a"));  // case-sensitive

  std::map<TStr, int> m;
  m["b"] = 2;
  m["a"] = 1;
  m[TStr()] = 0;
  m[""] = 5;  // the same key as the null string
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m.begin()->second, 5);
}

TEST(StrTest, IndexAndConversions) {
  TStr s("abc");
  EXPECT_EQ(s[0], 'a');
  EXPECT_EQ(s[2], 'c');
  EXPECT_EQ(s[3], 0);
  EXPECT_EQ(s[1000], 0);
  EXPECT_EQ(TStr()[0], 0);

  struct Case {
    const char* text;
    int asInt;
    float asFloat;
  } cases[] = {
      {"", 0, 0.0f},           {"  42abc", 42, 42.0f},      {"-17", -17, -17.0f},
      {"+5", 5, 5.0f},         {"x12", 0, 0.0f},            {"3.75", 3, 3.75f},
      {"99999999999", 2147483647, 99999999999.0f},        {"-99999999999", -2147483647 - 1, -99999999999.0f},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TStr(c.text).ToInt(), c.asInt) << c.text;
    EXPECT_FLOAT_EQ(TStr(c.text).ToFloat(), c.asFloat) << c.text;
  }
}

TEST(StrTest, FindTable) {
  struct Case {
    const char* text;
    const char* needle;  // one character means the character search too
    int flags;
    int start;
    int expect;
  } cases[] = {
      {"", "a", 0, 0, -1},
      {"abcabc", "b", 0, 0, 1},
      {"abcabc", "b", 0, 2, 4},
      {"abcabc", "b", 0, 6, -1},  // start at the length
      {"abcabc", "B", 0, 0, -1},
      {"abcabc", "B", TStr::kIgnoreCase, 0, 1},
      {"abcabc", "c", TStr::kBackward, 0, 5},  // backward with start 0 looks at the last byte
      {"abcabc", "c", TStr::kBackward, 1, 2},
      {"abcabc", "C", TStr::kBackward | TStr::kIgnoreCase, 0, 5},
      {"abcabc", "bc", 0, 0, 1},
      {"abcabc", "bc", 0, 2, 4},
      {"abcabc", "bc", TStr::kBackward, 0, 4},
      {"abcabc", "bc", TStr::kBackward, 1, 1},
      {"abcabc", "BC", TStr::kIgnoreCase, 0, 1},
      {"abc", "abcd", 0, 0, -1},
      {"abc", "", 0, 1, 1},  // empty needle matches at the first position tried
      {"abc", "c", 0, -5, 2},
  };
  for (const Case& c : cases) {
    TStr text(c.text);
    EXPECT_EQ(text.Find(TStr(c.needle), c.flags, c.start), c.expect)
        << c.text << " / " << c.needle << " flags " << c.flags << " start " << c.start;
    if (std::strlen(c.needle) == 1) {
      EXPECT_EQ(text.Find(c.needle[0], c.flags, c.start), c.expect) << c.text << " / " << c.needle;
    }
  }
}

TEST(StrTest, SubStrAndErase) {
  TStr s("hello world");
  EXPECT_STREQ(s.SubStr(0, -1).c_str(), "hello world");
  EXPECT_STREQ(s.SubStr(6).c_str(), "world");
  EXPECT_STREQ(s.SubStr(6, 100).c_str(), "world");
  EXPECT_EQ(s.SubStr(6, 100).Capacity(), 101u);
  EXPECT_STREQ(s.SubStr(11).c_str(), "");
  EXPECT_STREQ(s.SubStr(2, 0).c_str(), "");
  EXPECT_STREQ(s.SubStr(0, 5).c_str(), "hello");

  struct Case {
    int start, count;
    const char* expect;
  } cases[] = {
      {0, 6, "world"}, {5, -1, "hello"}, {5, 100, "hello"}, {11, 3, "hello world"},
      {4, 1, "hell world"}, {0, 11, ""},
  };
  for (const Case& c : cases) {
    TStr t("hello world");
    t.Erase(c.start, c.count);
    EXPECT_STREQ(t.c_str(), c.expect) << c.start << "," << c.count;
  }
}

TEST(StrTest, ReplaceTable) {
  struct Case {
    const char* text;
    const char* find;
    const char* with;
    int flags;
    int start;
    const char* expect;
  } cases[] = {
      {"xabx", "ab", "abab", TStr::kReplaceAll, 0, "xababx"},
      {"c:\\a\\b", "\\", "", TStr::kReplaceAll, 0, "c:ab"},
      {"aaa", "a", "b", 0, 0, "baa"},
      {"aaa", "a", "b", TStr::kReplaceAll, 0, "bbb"},
      {"aaa", "a", "b", TStr::kReplaceAll, 1, "abb"},
      {"aAa", "A", "bb", TStr::kReplaceAll | TStr::kIgnoreCase, 0, "bbbbbb"},
      {"abab", "ab", "x", TStr::kBackward, 0, "abx"},
      {"ab", "a", "aa", TStr::kReplaceAll | TStr::kBackward, 0, "aab"},
      {"aba", "a", "aa", TStr::kReplaceAll | TStr::kBackward, 0, "aabaa"},
      {"abc", "", "X", TStr::kReplaceAll, 0, "Xabc"},  // must not loop
      {"abc", "", "", TStr::kReplaceAll, 0, "abc"},
      {"", "a", "b", TStr::kReplaceAll, 0, ""},
      {"abc", "zz", "y", TStr::kReplaceAll, 0, "abc"},
  };
  for (const Case& c : cases) {
    TStr t(c.text);
    t.Replace(c.find, c.with, c.flags, c.start);
    EXPECT_STREQ(t.c_str(), c.expect) << c.text << " " << c.find << "->" << c.with;
  }
  TStr grow("x");
  grow.Replace("x", std::string(100, 'y').c_str(), 0, 0);
  EXPECT_EQ(grow.Length(), 100);
}

TEST(StrTest, AppendAndWriteAt) {
  TStr s;
  s += 'a';
  s.Append("bcd", 2);
  s += TStr("");
  EXPECT_STREQ(s.c_str(), "abc");
  EXPECT_GE(s.Capacity(), 16u);

  TStr w;
  EXPECT_EQ(w.WriteAt(-1, "abc", 3, true), 3);
  EXPECT_EQ(w.Capacity(), 16u);
  for (int i = 0; i < 5; ++i) w.WriteAt(-1, "0123", 4, true);
  EXPECT_STREQ(w.c_str(), "abc01230123012301230123");
  EXPECT_EQ(w.Capacity(), 32u);  // doubled, not sized to fit

  // Without the terminator the bytes after stay as they were.
  TStr u("abcdef", 6);
  EXPECT_EQ(u.WriteAt(1, "XY", 2, false), 3);
  EXPECT_STREQ(u.c_str(), "aXYdef");
  u.WriteAt(1, "Z", 1, true);
  EXPECT_STREQ(u.c_str(), "aZ");

  // A binary buffer with NUL bytes survives growth.
  TStr bin;
  const char chunk[4] = {'\x1b', 0, 'L', 0};
  int pos = 0;
  for (int i = 0; i < 10; ++i) pos = bin.WriteAt(pos, chunk, 4, false);
  EXPECT_EQ(pos, 40);
  EXPECT_EQ(bin.c_str()[36], '\x1b');
  EXPECT_EQ(bin.c_str()[38], 'L');
}

TEST(StrTest, Utf8) {
  struct Case {
    uint32_t cp;
    const char* bytes;
  } cases[] = {
      {0x41, "A"},
      {0xE9, "\xC3\xA9"},
      {0x20AC, "\xE2\x82\xAC"},
      {0x1F600, "\xF0\x9F\x98\x80"},
      {0x10FFFF, "\xF4\x8F\xBF\xBF"},
      {0xFEFF, ""},
      {0xFFFE, ""},
      {0xFFFF, ""},
      {0x110000, ""},
  };
  for (const Case& c : cases) {
    TStr s = TStr::FromCodePoint(c.cp);
    EXPECT_STREQ(s.c_str(), c.bytes) << std::hex << c.cp;
    if (*c.bytes) {
      EXPECT_EQ(Utf8DecodeChar(c.bytes), c.cp);
      EXPECT_EQ(Utf8CharLength((unsigned char)c.bytes[0]), (int)std::strlen(c.bytes));
    }
  }
  EXPECT_EQ(Utf8CharLength(0), 0);
  EXPECT_EQ(Utf8CharLength(0xFF), 4);
  EXPECT_EQ(Utf8DecodeChar(""), 0u);
  EXPECT_EQ(Utf8DecodeChar("\x80"), 0u);         // a lone continuation byte
  EXPECT_EQ(Utf8DecodeChar("\xC3" "A"), 0u);     // a follower without its top bit
  EXPECT_EQ(Utf8DecodeChar("\xE2\x82"), 0u);     // cut short by the NUL
}

TEST(StrTest, FormattingOfAnyLength) {
  EXPECT_STREQ(TStr::Format("%d-%s-%.2f", 7, "x", 1.5).c_str(), "7-x-1.50");
  for (int len : {4095, 4096, 4097, 5000, 1000000}) {
    std::string big(len, 'q');
    TStr s = TStr::Format("<%s>", big.c_str());
    ASSERT_EQ(s.Length(), len + 2) << len;
    EXPECT_EQ(s[0], '<');
    EXPECT_EQ(s[len + 1], '>');
  }
  TStr p("old");
  p.Printf("%s=%d", "n", 5);
  EXPECT_STREQ(p.c_str(), "n=5");
  EXPECT_STREQ(TStr::Format("%s", "100%d").c_str(), "100%d");
}
