// trevalin's resources as the program loads them: dialog template 129 control by control,
// the icon groups, the logo bitmap, the manifest and the version.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "resource.h"

namespace {

std::vector<unsigned char> ResourceBytes(LPCWSTR type, int id)
{
    HMODULE hModule = GetModuleHandleW(nullptr);
    HRSRC hRes = FindResourceW(hModule, MAKEINTRESOURCEW(id), type);
    if (hRes == nullptr)
        return {};
    HGLOBAL hData = LoadResource(hModule, hRes);
    const unsigned char* p = static_cast<const unsigned char*>(LockResource(hData));
    DWORD size = SizeofResource(hModule, hRes);
    return p != nullptr ? std::vector<unsigned char>(p, p + size) : std::vector<unsigned char>();
}

// A bounded little-endian reader; a read past the end sets failed and yields zeros.
struct Reader
{
    const std::vector<unsigned char>& data;
    size_t pos = 0;
    bool failed = false;

    explicit Reader(const std::vector<unsigned char>& bytes) : data(bytes) {}

    unsigned Take(size_t n)
    {
        if (pos > data.size() || n > data.size() - pos)
        {
            failed = true;
            pos = data.size();
            return 0;
        }
        unsigned value = 0;
        for (size_t i = 0; i < n; i++)
            value |= static_cast<unsigned>(data[pos + i]) << (8 * i);
        pos += n;
        return value;
    }
    unsigned Word() { return Take(2); }
    unsigned Dword() { return Take(4); }
    int Short() { return static_cast<short>(Take(2)); }
    void AlignDword() { pos = (pos + 3) & ~static_cast<size_t>(3); }

    std::wstring String()
    {
        std::wstring text;
        for (unsigned c = Word(); c != 0 && !failed; c = Word())
            text += static_cast<wchar_t>(c);
        return text;
    }
    // A name or an ordinal: the ordinal as "#n", the predefined classes by name.
    std::wstring NameOrOrdinal()
    {
        unsigned first = Word();
        if (first == 0xFFFF)
        {
            unsigned ordinal = Word();
            switch (ordinal)
            {
            case 0x80: return L"button";
            case 0x82: return L"static";
            default: return L"#" + std::to_wstring(ordinal);
            }
        }
        if (first == 0)
            return L"";
        pos -= 2;
        return String();
    }
};

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towlower(c));
    return text;
}

TEST(TrevalinResources, DialogTemplateIsTheExtendedTemplateControlByControl)
{
    std::vector<unsigned char> bytes = ResourceBytes(RT_DIALOG, IDD_MAINDLG);
    ASSERT_FALSE(bytes.empty());
    Reader r(bytes);
    EXPECT_EQ(1u, r.Word());          // version of the extended template
    EXPECT_EQ(0xFFFFu, r.Word());     // its signature
    r.Dword();                        // help id
    EXPECT_EQ(0u, r.Dword());         // no extended style
    EXPECT_EQ(static_cast<unsigned>(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SETFONT), r.Dword());
    unsigned count = r.Word();
    EXPECT_EQ(0, r.Short());
    EXPECT_EQ(0, r.Short());
    EXPECT_EQ(344, r.Short());
    EXPECT_EQ(156, r.Short());
    EXPECT_EQ(L"", r.NameOrOrdinal());  // no menu
    EXPECT_EQ(L"", r.NameOrOrdinal());  // no window class
    EXPECT_EQ(L"Varnholt Lab: Cure of Trojan-Ransom.Win.Quorrel", r.String());
    EXPECT_EQ(8u, r.Word());            // points
    EXPECT_EQ(0u, r.Word());            // weight
    EXPECT_EQ(0u, r.Take(1));           // not italic
    EXPECT_EQ(0u, r.Take(1));           // character set
    EXPECT_EQ(L"MS Sans Serif", r.String());

    struct Control
    {
        unsigned id;
        const wchar_t* cls;
        const wchar_t* text;
        unsigned style;
        int x, y, cx, cy;
    };
    const unsigned kLine = WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_GROUP | SS_LEFT;
    const Control expected[] = {
        {1000, L"button", L"Finish", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 115, 131, 75, 18},
        {1005, L"button", L"Cure info:", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 7, 7, 330, 80},
        {1001, L"static", L"cure of active infection", kLine, 50, 25, 186, 8},
        {1002, L"static", L"removing malware from PC", kLine, 50, 43, 190, 8},
        {1003, L"static", L"clearing of file system", kLine, 50, 61, 193, 8},
        {1004, L"msctls_progress32", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 245, 61, 80, 9},
        {1007, L"button", L"Results:", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 7, 91, 330, 33},
        {1006, L"static", L"", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 50, 106, 277, 8},
    };
    ASSERT_EQ(sizeof(expected) / sizeof(expected[0]), count);
    for (const Control& c : expected)
    {
        SCOPED_TRACE(c.id);
        r.AlignDword();
        r.Dword();                       // help id
        EXPECT_EQ(0u, r.Dword());        // extended style
        EXPECT_EQ(c.style, r.Dword());
        EXPECT_EQ(c.x, r.Short());
        EXPECT_EQ(c.y, r.Short());
        EXPECT_EQ(c.cx, r.Short());
        EXPECT_EQ(c.cy, r.Short());
        EXPECT_EQ(c.id, r.Dword());
        EXPECT_EQ(c.cls, Lower(r.NameOrOrdinal()));
        EXPECT_EQ(c.text, r.NameOrOrdinal());
        unsigned extra = r.Word();
        r.Take(extra);
    }
    EXPECT_FALSE(r.failed);
    // The progress bar's class name is kept as written.
    std::wstring all(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    EXPECT_NE(std::wstring::npos, all.find(L"msctls_progress32"));
}

TEST(TrevalinResources, IconGroupsHoldTheirSizesAt32BitsPerPixel)
{
    struct Row
    {
        int group;
        std::vector<unsigned> sizes;
    };
    const Row rows[] = {{IDR_MAINFRAME, {16, 32}}, {IDI_STAGE, {16}}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.group);
        std::vector<unsigned char> bytes = ResourceBytes(RT_GROUP_ICON, row.group);
        Reader r(bytes);
        EXPECT_EQ(0u, r.Word());
        EXPECT_EQ(1u, r.Word());
        unsigned count = r.Word();
        std::vector<unsigned> sizes;
        for (unsigned i = 0; i < count && !r.failed; i++)
        {
            unsigned width = r.Take(1), height = r.Take(1);
            r.Take(2);                 // colours, reserved
            r.Word();                  // planes
            EXPECT_EQ(32u, r.Word());  // bits per pixel
            r.Dword();                 // bytes
            unsigned id = r.Word();
            EXPECT_EQ(width, height);
            sizes.push_back(width);
            // The image itself says the same.
            std::vector<unsigned char> image = ResourceBytes(RT_ICON, static_cast<int>(id));
            Reader ir(image);
            EXPECT_EQ(40u, ir.Dword());
            EXPECT_EQ(width, ir.Dword());
            EXPECT_EQ(2 * height, ir.Dword());
            ir.Word();
            EXPECT_EQ(32u, ir.Word());
        }
        EXPECT_FALSE(r.failed);
        std::sort(sizes.begin(), sizes.end());
        EXPECT_EQ(row.sizes, sizes);
    }
}

TEST(TrevalinResources, LogoIsAnUncompressed24BitBitmapOnItsBackground)
{
    std::vector<unsigned char> bytes = ResourceBytes(RT_BITMAP, IDB_LOGO);
    Reader r(bytes);
    EXPECT_EQ(40u, r.Dword());
    const unsigned width = r.Dword(), height = r.Dword();
    EXPECT_EQ(205u, width);
    EXPECT_EQ(42u, height);  // positive: bottom-up rows
    EXPECT_EQ(1u, r.Word());
    EXPECT_EQ(24u, r.Word());
    EXPECT_EQ(static_cast<unsigned>(BI_RGB), r.Dword());
    ASSERT_FALSE(r.failed);
    // The four corners are background, and there is something drawn on it.
    const size_t stride = (width * 3 + 3) & ~3u;
    ASSERT_GE(bytes.size(), 40 + stride * height);
    auto pixel = [&](unsigned x, unsigned y) {
        const unsigned char* p = &bytes[40 + stride * (height - 1 - y) + 3 * x];
        return RGB(p[2], p[1], p[0]);
    };
    for (unsigned y : {0u, height - 1})
        for (unsigned x : {0u, width - 1})
            EXPECT_EQ(RGB(248, 246, 244), pixel(x, y)) << x << "," << y;
    unsigned drawn = 0;
    for (unsigned y = 0; y < height; y++)
        for (unsigned x = 0; x < width; x++)
            drawn += pixel(x, y) != RGB(248, 246, 244);
    EXPECT_GT(drawn, width * height / 10);
}

TEST(TrevalinResources, ManifestAsksForNoElevationAndVersion6Controls)
{
    std::vector<unsigned char> bytes = ResourceBytes(RT_MANIFEST, 1);
    std::string manifest(bytes.begin(), bytes.end());
    const std::string arch = sizeof(void*) == 8 ? "amd64" : "x86";
    for (const std::string& part : {std::string("level=\"asInvoker\""), std::string("uiAccess=\"false\""),
                                    std::string("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
                                                "processorArchitecture=\"" + arch + "\"")})
        EXPECT_NE(std::string::npos, manifest.find(part)) << part;
}

TEST(TrevalinResources, VersionIs1301ByTheMaker)
{
    std::vector<unsigned char> bytes = ResourceBytes(RT_VERSION, 1);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    ASSERT_FALSE(bytes.empty());
    const unsigned char signature[] = {0xBD, 0x04, 0xEF, 0xFE};
    auto at = std::search(bytes.begin(), bytes.end(), signature, signature + 4);
    ASSERT_NE(bytes.end(), at);
    std::vector<unsigned char> fixed(at, bytes.end());
    Reader r(fixed);
    r.Dword();
    r.Dword();
    EXPECT_EQ(0x00010003u, r.Dword());  // file version 1.3
    EXPECT_EQ(0x00000001u, r.Dword());  // .0.1
    EXPECT_EQ(0x00010003u, r.Dword());  // product version 1.3
    EXPECT_EQ(0x00000001u, r.Dword());  // .0.1
    size_t company = text.find(L"CompanyName");
    ASSERT_NE(std::wstring::npos, company);
    EXPECT_NE(std::wstring::npos, text.find(L"Varnholt", company));
}

}  // namespace
