// The programmer file, the loader frame, and the page plan of a device image.

#include "link/pageplan.h"
#include "link/programmerfile.h"
#include "tests/common/fakedialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

using namespace vyn;

namespace {

const QString kTitle = QStringLiteral("Конфигуратор");

class ProgrammerFile : public ::testing::Test
{
protected:
    QString write(const QByteArray& text)
    {
        const QString path = m_dir.filePath(QStringLiteral("prg.vyn"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
        return path;
    }
    // The bytes other than 0xFF, by address.
    static std::map<int, int> used(const LoaderImage& image)
    {
        std::map<int, int> out;
        for (int a = 0; a < LoaderImage::kSize; ++a)
            if (image.at(a) != 0xFF)
                out[a] = image.at(a);
        return out;
    }

    QTemporaryDir m_dir;
    test::FakeDialogs m_dialogs;
};

} // namespace

TEST_F(ProgrammerFile, LoadsLinesByAddress)
{
    struct Case
    {
        const char* name;
        QByteArray text;
        std::map<int, int> bytes;
    };
    const Case cases[] = {
        {"address, data, end", "@1000\n01 02\nq\n", {{0x1000, 0x01}, {0x1001, 0x02}}},
        {"two spaces give a byte 0", "@1000\n01  02\nq\n", {{0x1000, 1}, {0x1001, 0}, {0x1002, 2}}},
        {"trailing space ends the last token",
         "@F000\n31 40 \nq\n",
         {{0xF000, 0x31}, {0xF001, 0x40}}},
        {"data before any address from 0",
         "AA BB\n@10\ncc\n",
         {{0, 0xAA}, {1, 0xBB}, {0x10, 0xCC}}},
        {"modulo 256", "@20\n123 1FE\n", {{0x20, 0x23}, {0x21, 0xFE}}},
        {"lines after q ignored", "@30\n05\nq\nnot hex at all\n\n", {{0x30, 5}}},
        {"CR LF line ends", "@40\r\n06 07\r\nq\r\n", {{0x40, 6}, {0x41, 7}}},
        {"second address line", "@50\n01\n@60\n02\n", {{0x50, 1}, {0x60, 2}}},
        {"last byte of the image", "@FFFF\n09\n", {{0xFFFF, 9}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoaderImage image;
        image.set(0x7777, 0x12); // the load starts from a blank image
        m_dialogs.shown.clear();
        EXPECT_TRUE(LoadProg(image, write(c.text), m_dialogs, kTitle));
        EXPECT_TRUE(m_dialogs.shown.isEmpty());
        EXPECT_EQ(used(image), c.bytes);
    }
}

// A loader that is only part of the file would be sent as if it were whole.
TEST_F(ProgrammerFile, FailureShowsTheMessageAndLoadsNothing)
{
    struct Case
    {
        const char* name;
        QByteArray text;
        std::map<int, int> before; // what the lines before the failing one hold
    };
    const Case cases[] = {
        {"non-hex token", "@1000\n01 02\n03 G4 05\n06\n", {{0x1000, 1}, {0x1001, 2}}},
        {"empty line", "@1000\n01\n\n02\n", {{0x1000, 1}}},
        {"non-hex address", "@10\n01\n@12X4\n02\n", {{0x10, 1}}},
        {"address without digits", "@\n01\n", {}},
        {"address past the image", "@8\n01\n@10000\n02\n", {{0x8, 1}}},
        {"data past the image",
         "@FFFE\n01 02\n@0\n03\n@FFFF\n04 05\n",
         {{0xFFFE, 1}, {0xFFFF, 2}, {0, 3}}},
        {"tab between tokens", "@10\n01\t02\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoaderImage image;
        m_dialogs.shown.clear();
        const QString path = write(c.text);
        EXPECT_FALSE(LoadProg(image, path, m_dialogs, kTitle));
        ASSERT_EQ(m_dialogs.shown.size(), 1);
        EXPECT_EQ(m_dialogs.shown[0].text, QStringLiteral("Ошибка открытия файла ") + path);
        EXPECT_EQ(m_dialogs.shown[0].caption, kTitle);
        EXPECT_TRUE(used(image).empty()) << c.before.size() << " bytes before the failure";
        EXPECT_FALSE(loaderRange(image));
    }
}

TEST_F(ProgrammerFile, MissingFileShowsTheMessage)
{
    LoaderImage image;
    const QString path = m_dir.filePath(QStringLiteral("none.vyn"));
    EXPECT_FALSE(LoadProg(image, path, m_dialogs, kTitle));
    ASSERT_EQ(m_dialogs.shown.size(), 1);
    EXPECT_EQ(m_dialogs.shown[0].text, QStringLiteral("Ошибка открытия файла ") + path);
    EXPECT_FALSE(loaderRange(image));
}

TEST_F(ProgrammerFile, SampleFileOfTheBuildLoads)
{
    LoaderImage image;
    EXPECT_TRUE(LoadProg(image, QStringLiteral(SETVYN_BIN_DIR_PATH "/prg.vyn"), m_dialogs, kTitle));
    ASSERT_TRUE(loaderRange(image));
    EXPECT_EQ(loaderRange(image)->start, 0xF800);
}

TEST(LoaderFrame, DescendingBytesAfterLastAndCount)
{
    LoaderImage image;
    image.set(0x1000, 0x01);
    image.set(0x1001, 0x02);
    const auto range = loaderRange(image);
    ASSERT_TRUE(range);
    EXPECT_EQ(loaderFrame(image, *range),
              (std::vector<std::uint8_t>{0x10, 0x01, 0x00, 0x02, 0x02, 0x01, 0xA8, 0xF6}));
}

TEST(LoaderFrame, RangeIsCappedAndEmptyWhenNothingBelowTheCap)
{
    LoaderImage image;
    EXPECT_FALSE(loaderRange(image));
    image.set(0xFFFE, 0x00); // a reset vector
    EXPECT_FALSE(loaderRange(image)) << "nothing at or below 0xFC00";
    image.set(0xF000, 0x31);
    const auto range = loaderRange(image);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->start, 0xF000);
    EXPECT_EQ(range->last, 0xFC00);
    EXPECT_EQ(range->count(), 0xC01);
}

namespace {

struct PageCase
{
    const char* name;
    std::vector<int> usedAddresses;
    std::vector<ProgramPage> pages;
};

} // namespace

namespace vyn {
void PrintTo(const ProgramPage& p, std::ostream* os)
{
    *os << std::hex << "{0x" << p.address << ", 0x" << p.length << (p.blank ? ", blank}" : "}");
}
} // namespace vyn

TEST(PagePlan, PagesByAddress)
{
    const PageCase cases[] = {
        {"first used 0x1234: 512-byte page at 0x1200",
         {0x1234, 0x1500},
         {{0x1200, 512, false}, {0x1400, 0x101, false}}},
        {"only 0x1150: one 256-byte page at 0x1100 cut to 0x51", {0x1150}, {{0x1100, 0x51, false}}},
        {"128-byte pages below 0x1100, blank ones marked",
         {0x1010, 0x10A0, 0x1101},
         {{0x1000, 128, false}, {0x1080, 128, false}, {0x1100, 2, false}}},
        {"blank pages in between",
         {0x1080, 0x1601},
         {{0x1080, 128, false},
          {0x1100, 256, true},
          {0x1200, 512, true},
          {0x1400, 512, true},
          {0x1600, 2, false}}},
        {"capped at 0xFC00", {0xFA00, 0xFFFE}, {{0xFA00, 512, false}, {0xFC00, 1, true}}},
    };
    for (const PageCase& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceImage image;
        for (int a : c.usedAddresses)
            image.set(a, 0x5A);
        const auto plan = planPages(image);
        ASSERT_TRUE(plan);
        EXPECT_EQ(plan->first, c.pages.front().address);
        EXPECT_EQ(plan->pages, c.pages);
    }
    EXPECT_FALSE(planPages(DeviceImage{}));
}

TEST(PagePlan, EraseAndWriteFrames)
{
    EXPECT_EQ(eraseFrame(0x1200),
              (std::vector<std::uint8_t>{0x03, 0x12, 0x00, 0x00, 0x00, 0x18, 0x1D}));
    DeviceImage image;
    image.set(0x1150, 0x42);
    const std::vector<std::uint8_t> frame = writeFrame(image, {0x1100, 0x51, false});
    ASSERT_EQ(frame.size(), 5u + 0x51 + 2);
    EXPECT_EQ(std::vector<std::uint8_t>(frame.begin(), frame.begin() + 5),
              (std::vector<std::uint8_t>{0x01, 0x11, 0x00, 0x00, 0x51}));
    EXPECT_EQ(frame[5], 0xFF);
    EXPECT_EQ(frame[5 + 0x50], 0x42);
}
