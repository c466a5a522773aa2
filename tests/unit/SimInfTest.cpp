// The INF reader of the simulated setup functions: how lines split into keys
// and fields, which files are refused and on which line, and how %strings%
// and directory ids are substituted. Cases the INF conformance checks run
// against the simulation and Wine alike are not repeated here; the registry
// side is in SimSetupTest.cpp.
#include <gtest/gtest.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include "Inf.h"

namespace {

const std::string kHeader = "[Version]\r\nSignature=\"$CHICAGO$\"\r\n";

sim::inf::File ParseOk(const std::string& text) {
    sim::inf::File file;
    UINT line = 0;
    const DWORD error = file.Parse(text, &line);
    EXPECT_EQ(error, 0u) << "line " << line << " of:\n" << text;
    return file;
}

// The one line of section [T] in `body`.
sim::inf::Line OnlyLine(const std::string& body) {
    const sim::inf::File file = ParseOk(kHeader + "[T]\n" + body);
    const sim::inf::Section* t = file.FindSection("T");
    if (!t || t->lines.size() != 1) {
        ADD_FAILURE() << "not one line in: " << body;
        return {};
    }
    return t->lines[0];
}

TEST(InfLines, KeysFieldsQuotesAndContinuations) {
    struct Case {
        std::string text;
        bool hasKey;
        std::string key;
        std::vector<std::string> fields;
    };
    const std::string a600(600, 'a');
    const Case cases[] = {
        {"ab=cd,ef", true, "ab", {"cd", "ef"}},
        {"ab", true, "ab", {"ab"}},  // a lone field is its own key
        {"ab,cd=ef", false, "", {"ab", "cd=ef"}},
        {"=x,y", true, "", {"x", "y"}},
        {"a=", true, "a", {""}},
        {"a=b,,c,", true, "a", {"b", "", "c", ""}},
        {" a b = c , d ", true, "a b", {"c", "d"}},
        {"a=\t x  y \r", true, "a", {"x  y"}},
        {"a=\"x,y;z\"", true, "a", {"x,y;z"}},
        {"a=\" padded \"", true, "a", {" padded "}},
        {"a=say \"\"hi\"\" now", true, "a", {"say hi now"}},
        {"a=\"say \"\"hi\"\"\"", true, "a", {"say \"hi\""}},
        {"a=\"open,end", true, "a", {"open,end"}},
        {"Ab\"Cd\"=Ef", true, "AbCd", {"Ef"}},
        {"a=b ; comment, with = signs", true, "a", {"b"}},
        {"a=b\\c\\\\d", true, "a", {"b\\c\\\\d"}},
        {"a=b \\ c", true, "a", {"b \\ c"}},
        {"a=b \\\n  c", true, "a", {"bc"}},
        {"a=b\\\\ \n c", true, "a", {"bc"}},
        {"a=b \\ ;note\n c,d", true, "a", {"bc", "d"}},
        {"ke\\\ny=v", true, "key", {"v"}},
        {"a=b,\\\n c", true, "a", {"b", "c"}},
        {"a=b \\", true, "a", {"b"}},
        {std::string("a=b\0c \0", 7), true, "a", {"b c"}},
        {"a=" + a600, true, "a", {a600.substr(0, sim::inf::kMaxField)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const sim::inf::Line line = OnlyLine(c.text);
        EXPECT_EQ(line.hasKey, c.hasKey);
        if (c.hasKey) {
            EXPECT_EQ(line.key, c.key);
        }
        EXPECT_EQ(line.fields, c.fields);
    }
}

TEST(InfLines, SectionsMergeByNameAndKeepTheirSpelling) {
    const sim::inf::File file =
        ParseOk(kHeader + " [  Odd Name  ] trailing words\n x=1\n[t]\na=1\n[odd]\n[T]\nb=2\n[Test[S]ection]\nc=3\n");
    const sim::inf::Section* odd = file.FindSection("  odd name  ");
    ASSERT_NE(odd, nullptr);
    ASSERT_EQ(odd->lines.size(), 1u);  // the words after its bracket are no line
    EXPECT_EQ(odd->lines[0].key, "x");
    EXPECT_EQ(file.FindSection("Odd Name"), nullptr);
    const sim::inf::Section* t = file.FindSection("T");
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->lines.size(), 2u);
    EXPECT_EQ(t->lines[1].key, "b");
    ASSERT_NE(file.FindSection("Test[S"), nullptr);
}

TEST(InfFiles, RefusedWithTheErrorAndItsLine) {
    const std::string name255(255, 'n');
    struct Case {
        const char* what;
        std::string text;
        DWORD error;
        UINT line;
    };
    const Case cases[] = {
        {"lf only", "[Version]\nSignature=$CHICAGO$\n[a]\n[b\n", ERROR_BAD_SECTION_NAME_LINE, 4},
        {"name of 256 after blank lines", kHeader + "\n\n[" + name255 + "x]", ERROR_SECTION_NAME_TOO_LONG, 5},
        {"first stray line counts", "a\nb\n" + kHeader + "[x]\n", ERROR_EXPECTED_SECTION_NAME, 1},
        {"stray line after a continuation", "a=\\\n\\\nb\nc\n" + kHeader, ERROR_EXPECTED_SECTION_NAME, 1},
        {"each continuation counts", kHeader + "[x]\na=1\\\n2\\\n3\n[y\n", ERROR_BAD_SECTION_NAME_LINE, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::inf::File file;
        UINT line = 1234;
        EXPECT_EQ(file.Parse(c.text, &line), c.error);
        EXPECT_EQ(line, c.line);
    }
}

TEST(InfFiles, AcceptedFormsAndSignatures) {
    struct Case {
        const char* what;
        std::string bytes;
        bool win4;
    };
    std::string utf16 = "\xFF\xFE";
    for (char c : kHeader + "[T]\nv=\xE9t\xE9\n") {
        utf16 += c;
        utf16 += '\0';
    }
    const Case cases[] = {
        {"stray lines with a later [strings]", "stray\n" + kHeader + "[strings]\n", true},
        {"utf-16 with byte-order mark", utf16, true},
        {"signature needs the first field", "[Version]\nSignature=foo,$CHICAGO$", false},
        {"signature of another section", "[Other]\nSignature=$CHICAGO$\n[Version]\n", false},
        {"no version", "[Strings]\na=b", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const sim::inf::File file = ParseOk(c.bytes);
        EXPECT_EQ(file.HasWin4Signature(), c.win4);
    }
    // Text in another encoding reaches the fields as code page 1252.
    const sim::inf::File file = ParseOk(utf16);
    const sim::inf::Section* t = file.FindSection("T");
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->lines.size(), 1u);
    EXPECT_EQ(t->lines[0].fields[0], "\xE9t\xE9");
}

TEST(InfSubstitution, StringsDirectoriesAndPercentSigns) {
    sim::inf::File file = ParseOk(kHeader +
                                  "[Strings]\nName=\"A Name\"\nNested=%Name%\nEmpty=\"\"\nPath=\"C:\\Dir\\\"\n"
                                  "Big=" + std::string(511, 'b') + "\n");
    file.SetDirectories({"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\INF"});
    struct Case {
        std::string raw;
        std::string text;
    };
    const Case cases[] = {
        {"%Name%", "A Name"},
        {"%name%!", "A Name!"},
        {"<%Nested%>", "<%Name%>"},  // no second round
        {"%Empty%x", "x"},
        {"100%%", "100%"},
        {"%%%Name%%%", "%A Name%"},
        {"%missing%", "%missing%"},
        {"50% off", "50% off"},
        {"%10%\\x", "C:\\WINDOWS\\x"},
        {"%11%", "C:\\WINDOWS\\SYSTEM"},
        {"%17%", "C:\\WINDOWS\\INF"},
        {"%24%", "C:\\"},
        {"%24%\\boot", "C:\\boot"},           // a directory brings no second backslash
        {"%Path%\\file", "C:\\Dir\\\\file"},  // a string keeps its own
        {"%12%", "%12%"},
        {"%+10%", "C:\\WINDOWS"},
    };
    for (const Case& c : cases) EXPECT_EQ(file.Substitute(c.raw), c.text) << c.raw;
    const std::string big = file.Substitute("%Big%%Big%%Big%%Big%%Big%%Big%%Big%%Big%%Big%");
    EXPECT_EQ(big, std::string(sim::inf::kMaxText, 'b'));
}

TEST(InfSubstitution, KeysAreComparedSubstitutedAndFieldsCountFromOne) {
    const sim::inf::File file = ParseOk(kHeader + "[T]\n%Dir%=Reg.Section,Second\n[Strings]\nDir=AddReg\n");
    const sim::inf::Section* t = file.FindSection("T");
    ASSERT_NE(t, nullptr);
    const sim::inf::Line* line = file.FindLine(*t, "addreg");
    ASSERT_NE(line, nullptr);
    std::string text;
    EXPECT_FALSE(file.Field(*line, 0, &text));
    ASSERT_TRUE(file.Field(*line, 2, &text));
    EXPECT_EQ(text, "Second");
    EXPECT_FALSE(file.Field(*line, 3, &text));
    EXPECT_EQ(file.FindLine(*t, "%Dir%"), nullptr);
}

}  // namespace
