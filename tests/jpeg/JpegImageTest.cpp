#include "platform/jpeg/JpegImage.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

const std::string dataDir = std::string(TOMBOLIKA_TEST_DATA) + "/jpeg/";

struct Sample {
    int x, y;
    int r, g, b;
};

struct Case {
    const char* name;
    const char* file;
    int width = 0;
    int height = 0;
    std::vector<Sample> samples;      // pixels to check, within tolerance of JPEG's loss
    std::optional<std::string> error; // the exact message when the decode must fail
};

// Keeps test names and failure output readable instead of a byte dump.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const std::string tooLarge(const char* size) {
    return std::string("The logo is too large: ") + size + " pixels (at most 8192 x 8192)";
}

// Left half one colour, right half another, so a channel swap, a missed CMYK inversion or a stride error shows.
const std::vector<Sample> redBlue = {
    {2, 2, 220, 30, 40}, {5, 6, 220, 30, 40}, {10, 1, 30, 60, 200}, {15, 7, 30, 60, 200}};

const std::vector<Case> cases = {
    {"Rgb", "rgb.jpg", 16, 8, redBlue, {}},
    {"Progressive", "progressive.jpg", 16, 8, redBlue, {}},
    // ImageMagick writes CMYK as Adobe YCCK, inverted: libjpeg gives CMYK, we make RGB.
    {"AdobeCmyk", "cmyk.jpg", 16, 8, redBlue, {}},
    {"Grayscale", "gray.jpg", 16, 8, {{3, 3, 64, 64, 64}, {12, 4, 204, 204, 204}}, {}},
    // Cut in the middle of the scan: the top keeps the gradient, the part never received is mid-grey.
    {"TruncatedDecodesWithGrey",
     "truncated.jpg",
     32,
     32,
     {{0, 0, 200, 40, 40}, {0, 20, 128, 128, 128}, {31, 31, 128, 128, 128}},
     {}},
    // The logo shipped for the draw screen: white around the drawing.
    {"SampleLogo", "../../../resources/LOGO.JPG", 54, 60, {{0, 0, 255, 255, 255}, {53, 59, 255, 255, 255}}, {}},
    {"ExactlyAtSizeLimit", "at-limit.jpg", 8192, 8, {}, {}},
    // 110 scans: each would walk the whole picture again.
    {"TooManyScans", "many-scans.jpg", 0, 0, {}, "The logo has too many scans (more than 100)"},
    {"TextFile", "text.jpg", 0, 0, {}, "JPEG error #53"},
    {"PngFile", "png.jpg", 0, 0, {}, "JPEG error #53"},
    {"EmptyFile", "empty.jpg", 0, 0, {}, "JPEG error #42"},
    {"HugeDeclaredSize", "huge.jpg", 0, 0, {}, tooLarge("60000 x 50000")},
    {"OnePastSizeLimit", "one-past-limit.jpg", 0, 0, {}, tooLarge("8193 x 8")},
    // libjpeg stops at 65500 while reading the header; the operator still reads which size and which limit.
    {"BeyondLibjpegLimit", "beyond-libjpeg.jpg", 0, 0, {}, tooLarge("65535 x 65535")},
};

enum class Entry { File, Memory };

void PrintTo(Entry entry, std::ostream* os) {
    *os << (entry == Entry::File ? "decodeJpegFile" : "decodeJpeg");
}

std::vector<unsigned char> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

jpeg::JpegImage decode(Entry entry, const std::string& path) {
    if (entry == Entry::File) return jpeg::decodeJpegFile(path);
    const std::vector<unsigned char> bytes = readAll(path);
    return jpeg::decodeJpeg(bytes.data(), bytes.size());
}

class JpegDecode : public testing::TestWithParam<std::tuple<Case, Entry>> {};

TEST_P(JpegDecode, GivesPixelsOrMessage) {
    const auto& [c, entry] = GetParam();
    const std::string path = dataDir + c.file;
    if (c.error) {
        try {
            decode(entry, path);
            FAIL() << "no error for " << c.file;
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.what(), *c.error);
        }
        return;
    }
    const jpeg::JpegImage image = decode(entry, path);
    ASSERT_EQ(image.width, c.width);
    ASSERT_EQ(image.height, c.height);
    ASSERT_EQ(image.rgb.size(), static_cast<size_t>(c.width) * c.height * 3);
    constexpr int tolerance = 12;
    for (const Sample& s : c.samples) {
        const unsigned char* p = &image.rgb[(static_cast<size_t>(s.y) * c.width + s.x) * 3];
        EXPECT_NEAR(p[0], s.r, tolerance) << "red at " << s.x << "," << s.y;
        EXPECT_NEAR(p[1], s.g, tolerance) << "green at " << s.x << "," << s.y;
        EXPECT_NEAR(p[2], s.b, tolerance) << "blue at " << s.x << "," << s.y;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, JpegDecode,
                         testing::Combine(testing::ValuesIn(cases), testing::Values(Entry::File, Entry::Memory)),
                         [](const testing::TestParamInfo<JpegDecode::ParamType>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == Entry::File ? "_File" : "_Memory");
                         });

std::string messageOf(const std::string& path) {
    try {
        jpeg::decodeJpegFile(path);
    } catch (const platform::Error& e) {
        return e.what();
    }
    return "no error";
}

// The operator must see where the program looked, so a relative name is reported as the absolute path.
TEST(JpegDecodeFile, MissingFileNamesAbsolutePathAndReason) {
    const std::filesystem::path expected = std::filesystem::current_path() / "no-such-logo.jpg";
    EXPECT_EQ(messageOf("no-such-logo.jpg"),
              "Cannot open file \"" + expected.string() + "\". No such file or directory");
}

// A directory opens but cannot be read; that is a read failure, not an empty JPEG.
TEST(JpegDecodeFile, DirectoryIsAReadFailure) {
    const std::string dir = std::filesystem::path(dataDir).lexically_normal().parent_path().string();
    EXPECT_EQ(messageOf(dir), "Cannot open file \"" + dir + "\". Is a directory");
}

TEST(JpegDecodeMemory, NullBufferIsEmptyInput) {
    try {
        jpeg::decodeJpeg(nullptr, 0);
        FAIL() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_STREQ(e.what(), "JPEG error #42");
    }
}

} // namespace
