#include <gtest/gtest.h>

#include <string>

#include "drawlib_test_support.h"

using dqtest::LoadError;
using dqtest::TempDir;

TEST(ScriptErrors, AttributesAndValues) {
    TempDir dir;
    EXPECT_EQ(LoadError(dir, "demo.txt", "# c\n\n0 1 colour=#FFFFFF | x\n"),
              "demo.txt:3: unknown attribute \"colour\"");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 color=#GG0000 | x"),
              "demo.txt:1: bad colour \"#GG0000\" for attribute \"color\" (expected #RRGGBB or "
              "#AARRGGBB)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 box=#12345 | x"),
              "demo.txt:1: bad colour \"#12345\" for attribute \"box\" (expected #RRGGBB or "
              "#AARRGGBB)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 size=big | x"),
              "demo.txt:1: bad value \"big\" for attribute \"size\" (expected a number of pixels "
              "above 0)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 size=0 | x"),
              "demo.txt:1: bad value \"0\" for attribute \"size\" (expected a number of pixels "
              "above 0)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 align=middle | x"),
              "demo.txt:1: bad value \"middle\" for attribute \"align\" (expected top-left, top, "
              "top-right, left, center, right, bottom-left, bottom or bottom-right)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 pos=1 | x"),
              "demo.txt:1: bad value \"1\" for attribute \"pos\" (expected X,Y)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 move=1,2,3 | x"),
              "demo.txt:1: bad value \"1,2,3\" for attribute \"move\" (expected X1,Y1,X2,Y2)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 margin=1,2,3 | x"),
              "demo.txt:1: bad value \"1,2,3\" for attribute \"margin\" (expected M or H,V "
              "pixels)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 fade=-1 | x"),
              "demo.txt:1: bad value \"-1\" for attribute \"fade\" (expected IN or IN,OUT "
              "milliseconds)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 bold=yes | x"),
              "demo.txt:1: bad value \"yes\" for attribute \"bold\" (expected 0 or 1)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 wrap=1 | x"),
              "demo.txt:1: bad value \"1\" for attribute \"wrap\" (expected on or off)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 scroll=sideways | x"),
              "demo.txt:1: bad value \"sideways\" for attribute \"scroll\" (expected left, "
              "right, up or down)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 layer=1.5 | x"),
              "demo.txt:1: bad value \"1.5\" for attribute \"layer\" (expected a whole number)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 size | x"),
              "demo.txt:1: attribute \"size\" needs a value (size=...)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 size=20 size=30 | x"),
              "demo.txt:1: attribute \"size\" is given twice");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 pos=1,2 scroll=left | x"),
              "demo.txt:1: attributes \"pos\" and \"scroll\" cannot be combined");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 font=\"DejaVu Sans | x"),
              "demo.txt:1: unterminated quote in \"font=\"DejaVu Sans | x\"");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 base=x | x"),
              "demo.txt:1: unknown attribute \"base\"");
}

TEST(ScriptErrors, TimesAndCueShape) {
    TempDir dir;
    EXPECT_EQ(LoadError(dir, "demo.txt", "\n\n0:04 0:02 | x"),
              "demo.txt:3: end time 00:00:02.000 is before start time 00:00:04.000");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0:04 +0 | x"),
              "demo.txt:1: end time 00:00:04.000 is not after start time 00:00:04.000");
    EXPECT_EQ(LoadError(dir, "demo.txt", "1:75 2 | x"),
              "demo.txt:1: bad start time \"1:75\" (expected [[h:]mm:]ss[.fff] or Nf)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "1 +x | x"),
              "demo.txt:1: bad end time \"+x\" (expected [[h:]mm:]ss[.fff], Nf or +DURATION)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "Hello there"),
              "demo.txt:1: bad start time \"Hello\" (expected [[h:]mm:]ss[.fff] or Nf)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "1 2 Hello"),
              "demo.txt:1: missing \" | \" before the cue's text");
    EXPECT_EQ(LoadError(dir, "demo.txt", "1 | x"), "demo.txt:1: missing end time before \" | \"");
    EXPECT_EQ(LoadError(dir, "demo.txt", "| x"), "demo.txt:1: missing start time before \" | \"");
}

TEST(ScriptErrors, DirectivesAndStyles) {
    TempDir dir;
    EXPECT_EQ(LoadError(dir, "demo.txt", "@quorent 2"),
              "demo.txt:1: unsupported format version \"2\" (this version reads 1)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "@quorent"), "demo.txt:1: missing version after @quorent");
    EXPECT_EQ(LoadError(dir, "demo.txt", "@sytle x size=2"),
              "demo.txt:1: unknown directive \"@sytle\"");
    EXPECT_EQ(LoadError(dir, "demo.txt", "@resolution 1920"),
              "demo.txt:1: bad resolution \"1920\" (expected WIDTHxHEIGHT, as 1920x1080)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "@resolution 0x100"),
              "demo.txt:1: bad resolution \"0x100\" (expected WIDTHxHEIGHT, as 1920x1080)");
    EXPECT_EQ(LoadError(dir, "demo.txt", "@resolution 1x1\n@resolution 1x1"),
              "demo.txt:2: @resolution is given twice");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 | x\n@resolution 1x1"),
              "demo.txt:2: @resolution must come before styles and cues");
    EXPECT_EQ(LoadError(dir, "demo.txt", "@style sign size=40\n0 1 style=sgin | x"),
              "demo.txt:2: unknown style \"sgin\"");
    EXPECT_EQ(LoadError(dir, "demo.txt", "@style big base=huge"),
              "demo.txt:1: unknown style \"huge\"");
    EXPECT_EQ(LoadError(dir, "demo.txt", "@style size=40"),
              "demo.txt:1: missing style name after @style");
    EXPECT_EQ(LoadError(dir, "demo.txt", "@style x colour=#FFF"),
              "demo.txt:1: unknown attribute \"colour\"");
    // A style used before it is defined is unknown at that line.
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 style=late | x\n@style late"),
              "demo.txt:1: unknown style \"late\"");
}

TEST(ScriptErrors, LimitsAfterScaling) {
    TempDir dir;
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 size=1000 | x"), "");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 size=1001 | x"),
              "demo.txt:1: text size 1001 px is over the limit of 1000 px");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 outline=100.5 | x"),
              "demo.txt:1: outline 100.5 px is over the limit of 100 px");
    EXPECT_EQ(LoadError(dir, "demo.txt", "@style huge size=2000"),
              "demo.txt:1: text size 2000 px is over the limit of 1000 px");
    // 600 script pixels on a 2160-high frame from a 1080-high script are 1200.
    EXPECT_EQ(LoadError(dir, "demo.txt", "@resolution 1920x1080\n0 1 size=600 | x", 2160),
              "demo.txt:2: text size 1200 px is over the limit of 1000 px");
    EXPECT_EQ(LoadError(dir, "demo.txt", "@resolution 1920x1080\n0 1 size=600 | x", 1080), "");
    EXPECT_EQ(LoadError(dir, "demo.txt", "@resolution 1920x1080\n0 1 outline=60 | x", 2160),
              "demo.txt:2: outline 120 px is over the limit of 100 px");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 shadow=1001 | x"),
              "demo.txt:1: shadow offset 1001 px is over the limit of 1000 px");
}

TEST(ScriptErrors, DrawingLimits) {
    TempDir dir;
    // Characters of one cue, counted as characters (not bytes), line breaks not counted.
    const std::string word(9999, 'x');
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 size=4 | " + word + "\u00E9\n"), "");
    EXPECT_EQ(LoadError(dir, "demo.txt", "# c\n0 1 size=4 | " + word + "\\nxy\n"),
              "demo.txt:2: cue text has 10001 characters, over the limit of 10000");

    // Cues shown at once: 500 overlap, the 501st starting inside them is refused.
    std::string many;
    for (int i = 0; i < 500; ++i)
        many += "0 10 size=10 | " + std::to_string(i) + "\n";
    EXPECT_EQ(LoadError(dir, "demo.txt", many), "");
    EXPECT_EQ(LoadError(dir, "demo.txt", many + "9.5 12 size=10 | late\n"),
              "demo.txt:501: more than 500 cues shown at once (at 00:00:09.500)");
    // One that starts as the others end is not with them; nor are empty cues, which draw nothing.
    EXPECT_EQ(LoadError(dir, "demo.txt", many + "10 12 size=10 | next\n0 10 |\n"), "");

    // Pixels shown at once: the largest text with the largest effects, a few letters at a time.
    const std::string huge = "0 10 size=1000 outline=100 shadow=1000 | ";
    EXPECT_EQ(LoadError(dir, "demo.txt", huge + "WWW\n"), "");
    EXPECT_EQ(LoadError(dir, "demo.txt", huge + "WWW\n" + huge + "WWW\n5 6 | WWW\n"),
              "demo.txt:2: the cues shown at 00:00:00.000 would take about 33 million pixels to "
              "draw, over the limit of 32 million (smaller or fewer texts)");
    // The same script is fine on a smaller frame, where @resolution scales it down.
    const std::string scaled = "@resolution 1920x1080\n" + huge + "WWW\n" + huge + "WWW\n";
    EXPECT_NE(LoadError(dir, "demo.txt", scaled, 1080), "");
    EXPECT_EQ(LoadError(dir, "demo.txt", scaled, 540), "");
}

TEST(ScriptErrors, LineLengthAndEncoding) {
    TempDir dir;
    const std::string atLimit = "# " + std::string(65536 - 2, 'a');
    EXPECT_EQ(LoadError(dir, "demo.txt", atLimit + "\r\n"), "");
    EXPECT_EQ(LoadError(dir, "demo.txt", "# ok\n" + atLimit + "a\n"),
              "demo.txt:2: line is longer than 64 KiB");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 | ok\n0 1 | caf\xE9\n"), "demo.txt:2: invalid UTF-8");
    EXPECT_EQ(LoadError(dir, "demo.txt", "0 1 | \xED\xA0\x80\n"), "demo.txt:1: invalid UTF-8");
    // UTF-16LE "0 1 | x\n" then a lone high surrogate on line 2.
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("0 1 | x\n0 1 | "))
        utf16 += c, utf16 += '\0';
    utf16 += std::string("\x00\xD8", 2); // U+D800 alone
    utf16 += std::string("y\0", 2);
    EXPECT_EQ(LoadError(dir, "demo.txt", utf16), "demo.txt:2: invalid UTF-16");
    EXPECT_EQ(LoadError(dir, "demo.txt", "\xFF\xFE\x30"), "demo.txt:1: invalid UTF-16");
}

TEST(ScriptErrors, FileSizeLimit) {
    TempDir dir;
    std::string line(1023, '#');
    line += '\n';
    std::string big;
    big.reserve((size_t(64) << 20) + 1);
    while (big.size() < (size_t(64) << 20))
        big += line;
    EXPECT_EQ(LoadError(dir, "big.txt", big), "");
    big += '#';
    EXPECT_EQ(LoadError(dir, "big.txt", big), "big.txt: file is larger than 64 MiB");
}

TEST(ScriptErrors, CueCountLimit) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a million cues take minutes to parse in a sanitizer build";
#endif
    TempDir dir;
    std::string script;
    script.reserve(9'000'000);
    for (int i = 0; i < 1'000'000; ++i)
        script += "0 1 | x\n";
    script += "0 1 | one too many\n";
    // The first million were taken: the mistake is the one after them.
    EXPECT_EQ(LoadError(dir, "many.txt", script), "many.txt:1000001: more than 1000000 cues");
}

TEST(ScriptErrors, UnreadableFiles) {
    TempDir dir;
    DrawQuorbit draw(640, 360);
    try {
        draw.load_data(dir.Path() / "demo.txt");
        FAIL() << "a missing file loaded";
    } catch (const ScriptError& e) {
        EXPECT_STREQ(e.what(), "cannot open \"demo.txt\": No such file or directory");
    }
    std::filesystem::create_directory(dir.Path() / "folder.txt");
    try {
        draw.load_data(dir.Path() / "folder.txt");
        FAIL() << "a directory loaded";
    } catch (const ScriptError& e) {
        EXPECT_STREQ(e.what(), "cannot open \"folder.txt\": Is a directory");
    }
    // A ScriptError is a runtime_error, as the filter catches it.
    EXPECT_THROW(draw.load_data(dir.Path() / "none"), std::runtime_error);
}

TEST(ScriptErrors, FailedLoadKeepsThePreviousScript) {
    TempDir dir;
    auto draw = dqtest::Loaded(dir, "0 10 box=#FF00FF00 | shown\n");
    const auto before = dqtest::Draw(*draw, 640, 360, 5000);
    ASSERT_FALSE(before.Empty());
    // The failing file has good cues before its mistake; none of them may show.
    const auto bad = dir.Write("bad.txt", "0 10 align=top box=#FFFF0000 | new\n0 1 colour=x | y\n");
    EXPECT_THROW(draw->load_data(bad), ScriptError);
    EXPECT_EQ(dqtest::Draw(*draw, 640, 360, 5000).bgra, before.bgra);
    EXPECT_THROW(draw->load_data(dir.Path() / "missing.txt"), ScriptError);
    EXPECT_EQ(dqtest::Draw(*draw, 640, 360, 5000).bgra, before.bgra);
}
