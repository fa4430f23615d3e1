#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/RegistryFile.h"

using namespace platform;

namespace {

std::span<const std::uint8_t> Span(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::vector<std::uint8_t> Data(std::string_view text) {
    return {text.begin(), text.end()};
}

// Keys, values and bytes of two trees are the same, names compared exactly.
void ExpectSameTree(const RegistryKey& a, const RegistryKey& b, const std::string& where = "") {
    EXPECT_EQ(a.name(), b.name()) << where;
    ASSERT_EQ(a.values().size(), b.values().size()) << where;
    for (std::size_t i = 0; i < a.values().size(); ++i) {
        EXPECT_EQ(a.values()[i].name, b.values()[i].name) << where;
        EXPECT_EQ(a.values()[i].type, b.values()[i].type) << where << a.values()[i].name;
        EXPECT_EQ(a.values()[i].data, b.values()[i].data) << where << a.values()[i].name;
    }
    ASSERT_EQ(a.subkeys().size(), b.subkeys().size()) << where;
    for (std::size_t i = 0; i < a.subkeys().size(); ++i)
        ExpectSameTree(*a.subkeys()[i], *b.subkeys()[i], where + "\\" + a.subkeys()[i]->name());
}

}  // namespace

TEST(RegistryFile, EveryValueSurvivesTheTextByteForByte) {
    RegistryKey root;
    RegistryKey& veka =
        root.AddSubkey("Software").AddSubkey("The TREVO Group").AddSubkey("TREVO VEKA");
    root.AddSubkey("software").AddSubkey("Empty Key");  // same key as "Software"
    const std::vector<std::uint8_t> terminator = {0x0D, 0x0A, '*', 0xFF, 0x0D, 0x00, 0x0A};
    std::vector<std::uint8_t> big(300);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i);
    const struct {
        const char* name;
        REGTYPE type;
        std::vector<std::uint8_t> data;
        const char* line;  // how it is written, or null when only the round trip matters
    } values[] = {
        {"Device Type", REG_SZ, Data("Interface Queue"), "\"Device Type\"=\"Interface Queue\""},
        {"Path", REG_SZ, Data("C:\\SPL\\\"q\""), "\"Path\"=\"C:\\\\SPL\\\\\\\"q\\\"\""},
        {"Terminator Data", REG_SZ, terminator, "\"Terminator Data\"=hex(1):0d,0a,2a,ff,0d,00,0a"},
        {"With Zero", REG_SZ, Data(std::string_view("abc\0", 4)),
         "\"With Zero\"=hex(1):61,62,63,00"},
        {"Empty", REG_SZ, {}, "\"Empty\"=\"\""},
        {"Reg Access Method", REG_DWORD, {0x10, 0, 0, 0}, "\"Reg Access Method\"=dword:00000010"},
        {"Short", REG_DWORD, {1, 2}, "\"Short\"=hex(4):01,02"},
        {"Blob", REG_BINARY, {0x00, 0xFF}, "\"Blob\"=hex:00,ff"},
        {"No Bytes", REG_BINARY, {}, "\"No Bytes\"=hex:"},
        {"List", REG_MULTI_SZ, Data(std::string_view("a\0b\0\0", 5)),
         "\"List\"=hex(7):61,00,62,00,00"},
        {"", REG_SZ, Data("default"), "@=\"default\""},
        {"@", REG_EXPAND_SZ, Data("%X%"), "\"@\"=hex(2):25,58,25"},
        {"Big", REG_BINARY, big, nullptr},
        {"Name \"quoted\" \\ slash",
         REG_DWORD,
         {0xFF, 0xFF, 0xFF, 0xFF},
         "\"Name \\\"quoted\\\" \\\\ slash\"=dword:ffffffff"},
    };
    for (const auto& v : values) EXPECT_TRUE(veka.SetValue(v.name, v.type, v.data));

    const std::string text = RegistryFile::Serialize(root, "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(
        text.rfind("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n\n"
                   "[HKEY_LOCAL_MACHINE\\Software\\Empty Key]\n\n"
                   "[HKEY_LOCAL_MACHINE\\Software\\The TREVO Group]\n\n"
                   "[HKEY_LOCAL_MACHINE\\Software\\The TREVO Group\\TREVO VEKA]\n",
                   0),
        0u)
        << text;
    for (const auto& v : values) {
        if (!v.line) continue;
        EXPECT_NE(text.find(std::string("\n") + v.line + "\n"), std::string::npos) << v.line;
    }
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1)
        EXPECT_LE(end - start, 80u) << "long line at " << start;

    RegistryKey back;
    std::string error;
    ASSERT_TRUE(RegistryFile::Parse(Span(text), "HKEY_LOCAL_MACHINE", back, error)) << error;
    ExpectSameTree(root, back);
    EXPECT_EQ(RegistryFile::Serialize(back, "HKEY_LOCAL_MACHINE"), text);
}

TEST(RegistryFile, NamesMatchWithoutCaseAndKeepTheirFirstSpelling) {
    RegistryKey root;
    RegistryKey& key = root.AddSubkey("Routes");
    EXPECT_EQ(&root.AddSubkey("ROUTES"), &key);
    EXPECT_EQ(root.FindSubkey("rOuTeS"), &key);
    EXPECT_TRUE(key.SetValue("Host Name", REG_SZ, Data("a")));
    EXPECT_FALSE(key.SetValue("HOST NAME", REG_SZ, Data("a")));  // nothing changes
    EXPECT_TRUE(key.SetValue("host name", REG_SZ, Data("b")));
    ASSERT_EQ(key.values().size(), 1u);
    EXPECT_EQ(key.values()[0].name, "Host Name");
    EXPECT_EQ(key.values()[0].data, Data("b"));
    EXPECT_TRUE(key.SetValue("host name", REG_BINARY, Data("b")));  // a new type is a change
}

TEST(RegistryFile, HandEditedFilesAreRead) {
    const std::string text =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "; written by hand\r\n"
        "\r\n"
        "[hkey_local_machine\\Software\\A]\r\n"
        "  \"Count\" = dword:1F\r\n"
        "\"Bytes\"=hex:01, AB,\\\r\n"
        "    Cd,\\\r\n"
        "  ef\r\n"
        "[HKEY_LOCAL_MACHINE]\n"
        "@=\"root\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\A]\n"
        "\"Later\"=\"x y\"\n"
        // Keys in an order the writer never uses, named in other cases on the way back.
        "[HKEY_LOCAL_MACHINE\\Software\\C\\Deep]\n"
        "[HKEY_LOCAL_MACHINE\\software\\b]\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\c]\n"
        "\"In C\"=dword:2\n"
        "[HKEY_LOCAL_MACHINE\\Software\\a\\Sub]\n";
    RegistryKey root;
    std::string error;
    ASSERT_TRUE(RegistryFile::Parse(Span(text), "HKEY_LOCAL_MACHINE", root, error)) << error;
    const RegistryKey* a =
        root.FindSubkey("SOFTWARE") ? root.FindSubkey("SOFTWARE")->FindSubkey("a") : nullptr;
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->values().size(), 3u);
    EXPECT_EQ(a->FindValue("count")->data, (std::vector<std::uint8_t>{0x1F, 0, 0, 0}));
    EXPECT_EQ(a->FindValue("bytes")->data, (std::vector<std::uint8_t>{0x01, 0xAB, 0xCD, 0xEF}));
    EXPECT_EQ(a->FindValue("Later")->data, Data("x y"));
    EXPECT_EQ(root.FindValue("")->data, Data("root"));
    std::vector<std::string> names;
    for (const auto& key : root.FindSubkey("Software")->subkeys()) names.push_back(key->name());
    EXPECT_EQ(names, (std::vector<std::string>{"A", "b", "C"}));
    ASSERT_EQ(a->subkeys().size(), 1u);
    EXPECT_EQ(a->subkeys()[0]->name(), "Sub");
    const RegistryKey* c = root.FindSubkey("Software")->FindSubkey("C");
    ASSERT_EQ(c->subkeys().size(), 1u);
    ASSERT_NE(c->FindValue("In C"), nullptr);
}

TEST(RegistryFile, MalformedTextNamesItsLine) {
    const std::string head = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n";
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {"", "line 1: expected the header line"},
        {"\n" + head, "line 1: expected the header line"},
        {"[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"1\"\n", "line 1: expected the header line"},
        {"REGEDIT4\n\"x\"=\"1\"\n", "line 2: a value before the first [key] line"},
        {head + "[HKEY_LOCAL_MACHINE\\B\n", "line 4: a [key] line must end with ']'"},
        {head + "[HKEY_CLASSES_ROOT\\B]\n", "line 4: key outside this hive"},
        {head + "[HKEY_LOCAL_MACHINE\\B\\\\C]\n", "line 4: invalid key name in the path"},
        {head + "[-HKEY_LOCAL_MACHINE\\B]\n", "line 4: removing keys is not supported here"},
        {head + "\"x\"=\"a\\tb\"\n", "line 4: unknown escape in quoted text"},
        {head + "\"x\"=\"abc\n", "line 4: quoted text without its closing quote"},
        {head + "\"x\"=\"a\" junk\n", "line 4: text after the closing quote"},
        {head + "\"x\"\n", "line 4: expected '=' after the value name"},
        {head + "\"x\"=dword:123456789\n", "line 4: expected one to eight hexadecimal digits"},
        {head + "\"x\"=dword:\n", "line 4: expected one to eight hexadecimal digits"},
        {head + "\"x\"=hex:1,2\n", "line 4: expected two hexadecimal digits"},
        {head + "\"x\"=hex:01;02\n", "line 4: expected a comma between bytes"},
        {head + "\"x\"=hex(zz):01\n", "line 4: expected hex(<type>):"},
        {head + "\"x\"=hex:01,\\\n", "line 4: byte list continued past the end of the file"},
        {head + "\"x\"=hex:01\\\n02\n", "line 4: a continued byte list must end with"},
        {head + "\"x\"=-\n", "line 4: expected \"text\", dword: or hex: data"},
        {head + "\"x\"=\"1\"\n\"X\"=\"2\"\n", "line 5: value given twice in one key"},
        {head + "\"\x01\"=\"1\"\n", "line 4: invalid value name"},
        {head + "just words\n", "line 4: expected a [key] line"},
        {head + "\"x\"=hex:01,\\\n  02,\\\n  zz\n", "line 6: expected two hexadecimal digits"},
    };
    for (const auto& c : cases) {
        RegistryKey root;
        std::string error;
        EXPECT_FALSE(RegistryFile::Parse(Span(c.text), "HKEY_LOCAL_MACHINE", root, error))
            << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got: " << error << "\nfor: " << c.text;
    }
}

TEST(RegistryFile, OversizedInputIsRefusedBeforeParsing) {
    std::vector<std::uint8_t> huge(kMaxRegistryFileSize + 1, ' ');
    RegistryKey root;
    std::string error;
    EXPECT_FALSE(RegistryFile::Parse(huge, "HKEY_LOCAL_MACHINE", root, error));
    EXPECT_EQ(error, "line 0: file larger than the store allows");
    std::string deep = "REGEDIT4\n[HKEY_LOCAL_MACHINE";
    for (std::size_t i = 0; i <= kMaxKeyDepth; ++i) deep += "\\k";
    deep += "]\n";
    EXPECT_FALSE(RegistryFile::Parse(Span(deep), "HKEY_LOCAL_MACHINE", root, error));
    EXPECT_EQ(error, "line 2: keys nested too deeply");
}
