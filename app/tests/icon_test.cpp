// The program icon: group 1 (RT_GROUP_ICON) and its six images 30001 to 30006
// (RT_ICON), all language-neutral.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "pe_image.h"
#include "resource_fixture.h"

namespace pelvaro::test {
namespace {

constexpr unsigned kIconType = 3;
constexpr unsigned kGroupIconType = 14;

struct ExpectedImage {
    unsigned id;
    unsigned size;  // width and height in pixels
    unsigned bits;  // bits per pixel
};

// 256 colours at 16, 32 and 48 pixels, then the same sizes with an alpha channel.
const std::vector<ExpectedImage> kImages = {
    {30001, 16, 8}, {30002, 32, 8}, {30003, 48, 8}, {30004, 16, 32}, {30005, 32, 32}, {30006, 48, 32},
};

std::uint16_t U16(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes.at(offset) | bytes.at(offset + 1) << 8);
}

std::uint32_t U32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return U16(bytes, offset) | static_cast<std::uint32_t>(U16(bytes, offset + 2)) << 16;
}

// Bytes of one bottom-up bitmap row, padded to 32 bits.
std::size_t RowBytes(std::size_t width, std::size_t bits) { return (width * bits + 31) / 32 * 4; }

class ProgramIcon : public ExecutableResources {
protected:
    Resource Image(unsigned id) const {
        return LoadResourceBytes(module(), IntResource(kIconType), IntResource(id));
    }

    // The image's AND mask, one bool per pixel (true: transparent), bottom row first.
    static std::vector<bool> Mask(const std::vector<std::uint8_t>& image, const ExpectedImage& expected) {
        const std::size_t palette = expected.bits == 8 ? 256 * 4 : 0;
        const std::size_t maskStart =
            sizeof(BITMAPINFOHEADER) + palette + RowBytes(expected.size, expected.bits) * expected.size;
        std::vector<bool> mask;
        for (std::size_t y = 0; y < expected.size; ++y) {
            for (std::size_t x = 0; x < expected.size; ++x) {
                const std::uint8_t byte = image.at(maskStart + y * RowBytes(expected.size, 1) + x / 8);
                mask.push_back((byte & (0x80 >> (x % 8))) != 0);
            }
        }
        return mask;
    }
};

TEST_P(ProgramIcon, GroupOneListsTheSixImagesInOrder) {
    EXPECT_EQ(ResourceIds(module(), IntResource(kGroupIconType)), std::vector<long>{1})
        << "expected exactly one icon group, id 1";
    const Resource group = LoadResourceBytes(module(), IntResource(kGroupIconType), IntResource(1));
    ASSERT_TRUE(group.found) << "expected icon group 1";
    ASSERT_EQ(group.bytes.size(), 6 + 14 * kImages.size())
        << "expected a 6-byte header and six 14-byte entries";
    EXPECT_EQ(U16(group.bytes, 0), 0) << "expected the reserved word 0";
    EXPECT_EQ(U16(group.bytes, 2), 1) << "expected resource type 1 (icon)";
    ASSERT_EQ(U16(group.bytes, 4), kImages.size()) << "expected six images";

    for (std::size_t i = 0; i < kImages.size(); ++i) {
        const ExpectedImage& expected = kImages[i];
        const std::size_t entry = 6 + 14 * i;
        SCOPED_TRACE("entry " + std::to_string(i + 1) + ", expected image " + std::to_string(expected.id) +
                     ": " + std::to_string(expected.size) + "x" + std::to_string(expected.size) + " at " +
                     std::to_string(expected.bits) + " bits per pixel");
        EXPECT_EQ(group.bytes[entry], expected.size) << "width";
        EXPECT_EQ(group.bytes[entry + 1], expected.size) << "height";
        EXPECT_EQ(group.bytes[entry + 2], 0) << "colour count (0 for 256 colours or more)";
        EXPECT_EQ(group.bytes[entry + 3], 0) << "reserved byte";
        EXPECT_EQ(U16(group.bytes, entry + 4), 1) << "planes";
        EXPECT_EQ(U16(group.bytes, entry + 6), expected.bits) << "bits per pixel";
        EXPECT_EQ(U16(group.bytes, entry + 12), expected.id) << "image id";
        const Resource image = Image(expected.id);
        ASSERT_TRUE(image.found) << "expected an icon image resource " << expected.id;
        EXPECT_EQ(U32(group.bytes, entry + 8), image.bytes.size()) << "byte count against the image's size";
    }
}

TEST_P(ProgramIcon, OnlyTheSixImagesAreIconImages) {
    std::vector<long> expected;
    for (const ExpectedImage& image : kImages) expected.push_back(static_cast<long>(image.id));
    EXPECT_EQ(ResourceIds(module(), IntResource(kIconType)), expected)
        << "expected icon images 30001 to 30006 and no others";
}

TEST_P(ProgramIcon, EachImageIsTheBitmapItsEntryDescribes) {
    for (const ExpectedImage& expected : kImages) {
        SCOPED_TRACE("image " + std::to_string(expected.id));
        const Resource image = Image(expected.id);
        ASSERT_TRUE(image.found);
        ASSERT_GE(image.bytes.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header;
        std::memcpy(&header, image.bytes.data(), sizeof header);
        EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER)) << "expected a BITMAPINFOHEADER (not a PNG)";
        EXPECT_EQ(header.biWidth, static_cast<LONG>(expected.size)) << "width";
        EXPECT_EQ(header.biHeight, static_cast<LONG>(2 * expected.size))
            << "height of colour bitmap and mask";
        EXPECT_EQ(header.biPlanes, 1) << "planes";
        EXPECT_EQ(header.biBitCount, expected.bits) << "bits per pixel";
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB)) << "uncompressed";
        if (expected.bits == 8) {
            EXPECT_TRUE(header.biClrUsed == 0 || header.biClrUsed == 256) << "expected a 256-colour palette";
        }
        const std::size_t palette = expected.bits == 8 ? 256 * 4 : 0;
        const std::size_t size = sizeof(BITMAPINFOHEADER) + palette +
                                 RowBytes(expected.size, expected.bits) * expected.size +
                                 RowBytes(expected.size, 1) * expected.size;
        EXPECT_EQ(image.bytes.size(), size) << "header, palette, colour bitmap and mask";
    }
}

TEST_P(ProgramIcon, EveryImageHasTransparentAndOpaquePixels) {
    for (const ExpectedImage& expected : kImages) {
        SCOPED_TRACE("image " + std::to_string(expected.id));
        const Resource image = Image(expected.id);
        ASSERT_TRUE(image.found);
        const std::vector<bool> mask = Mask(image.bytes, expected);
        std::size_t transparent = 0;
        for (bool bit : mask) transparent += bit ? 1 : 0;
        EXPECT_GT(transparent, 0u) << "expected the mask to let the background show around the artwork";
        EXPECT_LT(transparent, mask.size()) << "expected the mask to show some of the artwork";
    }
}

TEST_P(ProgramIcon, TrueColourImagesUseTheirAlphaChannel) {
    for (const ExpectedImage& expected : kImages) {
        if (expected.bits != 32) continue;
        SCOPED_TRACE("image " + std::to_string(expected.id));
        const Resource image = Image(expected.id);
        ASSERT_TRUE(image.found);
        const std::vector<bool> mask = Mask(image.bytes, expected);
        std::size_t clear = 0, partial = 0, solid = 0;
        for (std::size_t pixel = 0; pixel < mask.size(); ++pixel) {
            const std::uint8_t alpha = image.bytes.at(sizeof(BITMAPINFOHEADER) + pixel * 4 + 3);
            if (alpha == 0) {
                ++clear;
            } else {
                EXPECT_FALSE(mask[pixel]) << "pixel " << pixel << " has alpha " << int{alpha}
                                          << " but the mask marks it transparent";
                (alpha == 255 ? solid : partial) += 1;
            }
        }
        EXPECT_GT(clear, 0u) << "expected fully transparent pixels";
        EXPECT_GT(solid, 0u) << "expected fully opaque pixels";
        EXPECT_GT(partial, 0u) << "expected partly transparent (smoothed) edge pixels";
    }
}

TEST_P(ProgramIcon, WindowsMakesAnIconOfEveryImage) {
    for (const ExpectedImage& expected : kImages) {
        SCOPED_TRACE("image " + std::to_string(expected.id));
        Resource image = Image(expected.id);
        ASSERT_TRUE(image.found);
        const int size = static_cast<int>(expected.size);
        const HICON icon =
            CreateIconFromResourceEx(image.bytes.data(), static_cast<DWORD>(image.bytes.size()), TRUE,
                                     0x00030000, size, size, LR_DEFAULTCOLOR);
        ASSERT_NE(icon, nullptr) << "expected CreateIconFromResourceEx to accept the image (error "
                                 << GetLastError() << ")";
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP mask{};
        EXPECT_NE(GetObjectW(info.hbmMask, sizeof mask, &mask), 0);
        EXPECT_EQ(mask.bmWidth, size) << "expected an icon as wide as the image";
        EXPECT_TRUE(info.fIcon) << "expected an icon, not a cursor";
        if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

// The build copies the images out of the committed icon file; they must
// arrive byte for byte, in the file's order.
TEST_P(ProgramIcon, ImagesAreThoseOfTheCommittedIconFile) {
    const std::vector<std::uint8_t> file = ReadWholeFile(WindowsPath(IconFilePath()));
    ASSERT_GE(file.size(), 6u);
    ASSERT_EQ(U16(file, 4), kImages.size()) << "expected six images in " << IconFilePath();
    for (std::size_t i = 0; i < kImages.size(); ++i) {
        SCOPED_TRACE("image " + std::to_string(kImages[i].id));
        const std::size_t entry = 6 + 16 * i;
        const std::size_t size = U32(file, entry + 8);
        const std::size_t offset = U32(file, entry + 12);
        ASSERT_LE(offset + size, file.size());
        const std::vector<std::uint8_t> fromFile(file.begin() + static_cast<std::ptrdiff_t>(offset),
                                                 file.begin() + static_cast<std::ptrdiff_t>(offset + size));
        const Resource image = Image(kImages[i].id);
        ASSERT_TRUE(image.found);
        EXPECT_TRUE(image.bytes == fromFile)
            << "expected the image's bytes to be image " << i + 1 << " of " << IconFilePath();
    }
}

TEST_P(ProgramIcon, IconResourcesAreLanguageNeutral) {
    EXPECT_EQ(ResourceLanguages(module(), IntResource(kGroupIconType), IntResource(1)),
              std::vector<WORD>{kNeutral})
        << "expected icon group 1 in the neutral language only";
    for (const ExpectedImage& expected : kImages) {
        EXPECT_EQ(ResourceLanguages(module(), IntResource(kIconType), IntResource(expected.id)),
                  std::vector<WORD>{kNeutral})
            << "expected icon image " << expected.id << " in the neutral language only";
    }
}

TEST_P(ProgramIcon, ExecutableCarriesOnlyIconVersionAndManifest) {
    EXPECT_EQ(ResourceTypes(module()), (std::vector<long>{3, 14, 16, 24}))
        << "expected resource types RT_ICON, RT_GROUP_ICON, RT_VERSION and RT_MANIFEST, nothing else";
}

INSTANTIATE_TEST_SUITE_P(Pelvaro, ProgramIcon, ::testing::ValuesIn(PelvaroExecutables()), ExecutableLabel);

}  // namespace
}  // namespace pelvaro::test
