#include "model/deviceimage.h"

#include <gtest/gtest.h>
#include <vector>

using namespace vyn;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes at(const DeviceImage& image, int address, int count)
{
    const auto r = image.range(address, address + count - 1);
    return Bytes(r.begin(), r.end());
}

// Reference checksum written from the description: each data bit is shifted into
// bit 0 of a 16-bit register, a bit leaving bit 15 folds in 0x1021, no zero bytes
// appended.
std::uint16_t referenceChecksum(const Bytes& data)
{
    unsigned reg = 0;
    for (std::uint8_t byte : data)
        for (int bit = 7; bit >= 0; --bit) {
            const bool out = reg & 0x8000;
            reg = ((reg << 1) | ((byte >> bit) & 1)) & 0xFFFF;
            if (out)
                reg ^= 0x1021;
        }
    return static_cast<std::uint16_t>(reg);
}

Bytes word(std::uint16_t v)
{
    return {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8)};
}

// Bytes outside the given ranges must all still be 0xFF.
void expectBlankOutside(const DeviceImage& image, std::vector<std::pair<int, int>> written)
{
    for (int a = 0; a < DeviceImage::kSize; ++a) {
        bool inside = false;
        for (auto [from, to] : written)
            inside = inside || (a >= from && a <= to);
        if (!inside && image.at(a) != 0xFF) {
            ADD_FAILURE() << "stray byte at 0x" << std::hex << a;
            return;
        }
    }
}

SchemeRecord schemeRecord(const char* code, std::uint8_t first)
{
    SchemeRecord r;
    r.code = QString::fromLatin1(code);
    for (std::size_t i = 0; i < r.parameters.size(); ++i)
        r.parameters[i] = static_cast<std::uint8_t>(first + i);
    return r;
}

class DeviceImageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Scheme "17": a heat system on rows 1 and 2, a water channel and the meter.
        rec.CXEMA = QStringLiteral("17");
        rec.DSTART = 5;
        rec.networkAddress = 12;
        rec.TXIZ = QStringLiteral("5,0");
        rec.TXIL = QStringLiteral("3,5");
        rec.DATEZ = {15, 10};
        rec.DATEL = {15, 5};
        const char* flowRows[4][6] = {
            // designation, FIMP, FMIN, FMAX, power source, type
            {"V1/", "10 л/имп", "0,25 м3/ч", "12 м3/ч", "Сетевой", "ВСТ"},
            {"V1\\", "0,5", "", "4 м3/ч", "Автономный", "ВСТ"},
            {"Vc", "abc", "", "", "сетевой", "ВСТ"},
            {"C", "1000 имп/кВт*ч", "", "10 кВт", "C1+C2", "Электросчетчик"},
        };
        for (int r = 1; r <= 4; ++r) {
            const auto& f = flowRows[r - 1];
            rec.FlowTable.setCell(r, FlowCol::Designation, QString::fromUtf8(f[0]));
            rec.FlowTable.setCell(r, FlowCol::Fimp, QString::fromUtf8(f[1]));
            rec.FlowTable.setCell(r, FlowCol::Fmin, QString::fromUtf8(f[2]));
            rec.FlowTable.setCell(r, FlowCol::Fmax, QString::fromUtf8(f[3]));
            rec.FlowTable.setCell(r, FlowCol::Source, QString::fromUtf8(f[4]));
            rec.FlowTable.setCell(r, FlowCol::Type, QString::fromUtf8(f[5]));
        }
        const char* thermoRows[4][6] = {
            // designation, R0, W, TMIN, TMAX, P
            {"t1/", "100 Ом", "1,385", "20", "150 °С", "0,6 МПа"},
            {"t1\\", "500", "1,391", "-70 °С", "100", "0,65 МПа"},
            {"tu", "1000", "", "2,5", "", ""},
            {"", "50", "1.385", "4", "x", "abc"},
        };
        for (int r = 1; r <= 4; ++r) {
            const auto& t = thermoRows[r - 1];
            rec.ThermoTable.setCell(r, ThermoCol::Designation, QString::fromUtf8(t[0]));
            rec.ThermoTable.setCell(r, ThermoCol::R0, QString::fromUtf8(t[1]));
            rec.ThermoTable.setCell(r, ThermoCol::W, QString::fromUtf8(t[2]));
            rec.ThermoTable.setCell(r, ThermoCol::TMin, QString::fromUtf8(t[3]));
            rec.ThermoTable.setCell(r, ThermoCol::TMax, QString::fromUtf8(t[4]));
            rec.ThermoTable.setCell(r, ThermoCol::Pressure, QString::fromUtf8(t[5]));
        }
        rec.TariffList = {
            {7, 30, QStringLiteral("C2"), 2}, // "В рабочие"
            {23, 0, QStringLiteral("C1"), 0}, // "В рабочие, субботу и воскресенье"
            {8, 15, QStringLiteral("C3"), 1}, // "В рабочие и в субботу"
        };

        in.ImageLayout = 0;
        in.FirmwareStamp = 30518;
        in.schemes = SchemeTable({schemeRecord("30", 0xA0), schemeRecord("17", 0x01)});
        in.now = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
        in.locale = NumberLocale(QLatin1Char(','));
    }

    DeviceImage build() const { return buildDeviceImage(rec, in); }

    ConfigRecord rec;
    ImageInputs in;
};

const Bytes kNow = {0x18, 0x03, 0x05, 0x0E, 0x07, 0x09};
const Bytes kStamp = {0x18, 0x03, 0x05, 0x00};
const Bytes kAccess = {0x5A, 0x3C, 0x5A, 0x3C};
const Bytes kOne = {0x00, 0x00, 0x80, 0x3F};

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST_F(DeviceImageTest, FullLayoutRegionA)
{
    const DeviceImage image = build();
    EXPECT_EQ(at(image, 0x4000, 2), (Bytes{0x7D, 0x00}));
    EXPECT_EQ(at(image, 0x4002, 4), kStamp);
    EXPECT_EQ(at(image, 0x4006, 2), (Bytes{17, 0x11}));
    // Record "17" below stamp 30519: parameter bytes 01..22 in file order.
    Bytes params;
    for (int i = 0; i < 34; ++i)
        params.push_back(static_cast<std::uint8_t>(0x01 + i));
    EXPECT_EQ(at(image, 0x4008, 34), params);
    EXPECT_EQ(at(image, 0x402A, 4), (Bytes{6, 6, 0, 0}));
    EXPECT_EQ(at(image, 0x402E, 12),
              (Bytes{0x00, 0x00, 0x20, 0x41, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(at(image, 0x403A, 4), (Bytes{0x00, 0x00, 0x7A, 0x44})); // 1000.0
    EXPECT_EQ(at(image, 0x403E, 4), (Bytes{3, 1, 0, 2}));
    EXPECT_EQ(at(image, 0x4042, 4), (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(at(image, 0x4046, 16),
              (Bytes{0x00, 0x00, 0x16, 0x43, 0x00, 0x00, 0xC8, 0x42, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(at(image, 0x4056, 6), (Bytes{0x01, 0x00, 55, 0x00, 0x3F, 3}));
    EXPECT_EQ(at(image, 0x405C, 12),
              (Bytes{0xC7, 30, 0x7F, 0x00, 23, 0, 0x3F, 0x00, 0x48, 15, 0xFF, 0x00}));
    EXPECT_EQ(at(image, 0x4068, 0x4080 - 0x4068), Bytes(0x4080 - 0x4068, 0xFF));
}

TEST_F(DeviceImageTest, FullLayoutRegionsBAndC)
{
    AltDaysBytes alt{};
    for (std::size_t i = 0; i < alt.size(); ++i)
        alt[i] = static_cast<std::uint8_t>(i + 1);
    in.altDays = alt;
    const Bytes altBytes(alt.begin(), alt.end());
    const DeviceImage image = build();

    EXPECT_EQ(at(image, 0x4080, 8), concat({{5, 12}, kAccess, {0x00, 0x01}}));
    EXPECT_EQ(at(image, 0x4088, 6), kNow);
    EXPECT_EQ(at(image, 0x408E, 62), altBytes);
    EXPECT_EQ(at(image, 0x40CE, 6), concat({{0x01, 0x01}, kStamp}));
    EXPECT_EQ(at(image, 0x40D4, 12),
              concat({{0x00, 0x00, 0xA0, 0x40}, kOne, {0x00, 0x00, 0x60, 0x40}}));
    EXPECT_EQ(at(image, 0x40E0, 4), (Bytes{15, 10, 15, 5}));
    EXPECT_EQ(at(image, 0x40E4, 4), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(at(image, 0x40E8, 16), (Bytes{0x00, 0x00, 0x40, 0x41, 0x00, 0x00, 0x80, 0x40, 0, 0, 0,
                                            0, 0x00, 0x00, 0x20, 0x41}));
    EXPECT_EQ(at(image, 0x40F8, 16), Bytes(16, 0x00)); // minimum-flow control off
    EXPECT_EQ(at(image, 0x4108, 16), (Bytes{0x00, 0x00, 0xA0, 0x41, 0x00, 0x00, 0x8C, 0xC2, 0x00,
                                            0x00, 0x20, 0x40, 0x00, 0x00, 0x80, 0x40}));

    EXPECT_EQ(at(image, 0x1080, 8), concat({{104, 0, 5, 0x01}, kAccess}));
    EXPECT_EQ(at(image, 0x1088, 2), (Bytes{0x01, 0x01}));
    EXPECT_EQ(at(image, 0x108A, 6), kNow);
    EXPECT_EQ(at(image, 0x1090, 62), altBytes);
    EXPECT_EQ(at(image, 0x10D0, 6), concat({{0x01, 0x01}, kStamp}));
    EXPECT_EQ(at(image, 0x10D6, 12),
              concat({{0x00, 0x00, 0xA0, 0x40}, kOne, {0x00, 0x00, 0x60, 0x40}}));
    EXPECT_EQ(at(image, 0x10E2, 4), (Bytes{15, 10, 15, 5}));
    EXPECT_EQ(at(image, 0x10E6, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));

    expectBlankOutside(image, {{0x1080, 0x10E9}, {0x4000, 0x4117}});
}

TEST_F(DeviceImageTest, FullLayoutChecksumsCoverTheWrittenRanges)
{
    in.altDays = AltDaysBytes{};
    in.altDays->fill(0x33);
    const DeviceImage image = build();
    EXPECT_EQ(at(image, 0x40CC, 2), word(referenceChecksum(at(image, 0x4000, 0x80))));
    // The second covers region A and the first 128 bytes of region B, the first
    // checksum included.
    EXPECT_EQ(at(image, 0x10CE, 2), word(referenceChecksum(at(image, 0x4000, 0x100))));
    EXPECT_EQ(ImageChecksum(image, 0x4000, 0x407F), referenceChecksum(at(image, 0x4000, 0x80)));
}

TEST_F(DeviceImageTest, SettingsOfTheInterface)
{
    in.noSeasonTimeChange = false;
    in.minFlowControl = true;
    const DeviceImage image = build();
    EXPECT_EQ(image.at(0x4086), 0x01);
    EXPECT_EQ(at(image, 0x40F8, 16),
              (Bytes{0x00, 0x00, 0x80, 0x3E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(at(image, 0x408E, 62), Bytes(62, 0x00)); // no alternative-days file
}

TEST_F(DeviceImageTest, PowerBytesWithMains)
{
    rec.FlowTable.setCell(4, FlowCol::Source, QStringLiteral("СЕТЕВОЙ"));
    rec.PITVYN = true;
    const DeviceImage image = build();
    // "Сетевой", "Автономный", "сетевой", "СЕТЕВОЙ"
    EXPECT_EQ(at(image, 0x40E4, 4), (Bytes{1, 0, 1, 1}));
    EXPECT_EQ(at(image, 0x10E6, 4), (Bytes{1, 0, 1, 1}));
}

TEST_F(DeviceImageTest, SchemeByte)
{
    struct Case
    {
        const char* scheme;
        std::uint8_t byte;
        std::uint8_t systems;
    };
    for (const Case& c : {Case{"1A", 30, 0x0B}, Case{"30", 30, 0x0B}, Case{"35", 35, 0x11},
                          Case{"60", 60, 0x0B}, Case{"8b", 30, 0x0B}, Case{"17", 17, 0x11}}) {
        rec.CXEMA = QString::fromLatin1(c.scheme);
        const DeviceImage image = build();
        EXPECT_EQ(at(image, 0x4006, 2), (Bytes{c.byte, c.systems})) << c.scheme;
    }
}

TEST_F(DeviceImageTest, PulseLimit)
{
    struct Case
    {
        const char* constant;
        const char* limit;
        std::uint16_t word;
    };
    for (const Case& c :
         {Case{"1000 имп/кВт*ч", "10 кВт", 55}, Case{"1000", "0,18", 1}, Case{"1", "179", 0},
          Case{"abc", "10", 0}, Case{"1000", "", 0}, Case{"500", "1000", 2777}}) {
        rec.FlowTable.setCell(4, FlowCol::Fimp, QString::fromUtf8(c.constant));
        rec.FlowTable.setCell(4, FlowCol::Fmax, QString::fromUtf8(c.limit));
        const DeviceImage image = build();
        EXPECT_EQ(at(image, 0x4058, 2), word(c.word)) << c.constant << " x " << c.limit;
    }
}

TEST_F(DeviceImageTest, WithoutElectricityRow)
{
    rec.FlowTable.setCell(4, FlowCol::Designation, QStringLiteral("Vd"));
    const DeviceImage image = build();
    EXPECT_EQ(at(image, 0x403A, 4), Bytes(4, 0x00));
    EXPECT_EQ(at(image, 0x4056, 4), (Bytes{0x81, 0x00, 0x00, 0x00}));
}

TEST_F(DeviceImageTest, TariffList)
{
    rec.TariffList.clear();
    DeviceImage image = build();
    EXPECT_EQ(image.at(0x405B), 0);
    EXPECT_EQ(at(image, 0x405C, 0x4080 - 0x405C), Bytes(0x4080 - 0x405C, 0xFF));

    // A 10th entry would lie under region B; the image carries 9.
    for (int h = 0; h < 10; ++h)
        rec.TariffList.push_back({h + 1, 0, QStringLiteral("Cx"), 0});
    image = build();
    EXPECT_EQ(image.at(0x405B), 9);
    EXPECT_EQ(at(image, 0x407C, 4), (Bytes{9, 0, 0xBF, 0x00}));
    EXPECT_EQ(at(image, 0x4080, 2), (Bytes{5, 12}));
}

TEST_F(DeviceImageTest, ColdSourceThermometerWithoutFourthPulseWeight)
{
    rec.CXEMA = QStringLiteral("15");
    rec.FlowTable.setCell(4, FlowCol::Designation, QStringLiteral("V2\\"));
    rec.FlowTable.setCell(4, FlowCol::Fimp, QString());
    EXPECT_EQ(at(build(), 0x4114, 4), Bytes(4, 0x00));

    rec.FlowTable.setCell(4, FlowCol::Fimp, QStringLiteral("10"));
    EXPECT_EQ(at(build(), 0x4114, 4), (Bytes{0x00, 0x00, 0x80, 0x40}));

    rec.CXEMA = QStringLiteral("14");
    rec.FlowTable.setCell(4, FlowCol::Fimp, QString());
    EXPECT_EQ(at(build(), 0x4114, 4), (Bytes{0x00, 0x00, 0x80, 0x40}));
}

TEST_F(DeviceImageTest, YearOfTheDates)
{
    in.now = QDateTime(QDate(2000, 12, 31), QTime(23, 59, 58));
    const DeviceImage image = build();
    EXPECT_EQ(at(image, 0x4002, 4), (Bytes{0xD0, 12, 31, 0}));
    EXPECT_EQ(at(image, 0x4088, 6), (Bytes{0xD0, 12, 31, 23, 59, 58}));
}

TEST_F(DeviceImageTest, SchemeRecordChoice)
{
    struct Case
    {
        const char* scheme;
        int stamp;
        std::uint8_t first;
    };
    for (const Case& c : {Case{"17", 30518, 0x01}, Case{"17", 30519, 0xA0}, Case{"25", 0, 0xA0}}) {
        rec.CXEMA = QString::fromLatin1(c.scheme);
        in.FirmwareStamp = c.stamp;
        const DeviceImage image = build();
        EXPECT_EQ(image.at(0x4008), c.first) << c.scheme << " " << c.stamp;
        EXPECT_EQ(image.at(0x4029), c.first + 33) << c.scheme << " " << c.stamp;
    }
}

TEST_F(DeviceImageTest, SchemeTableWithoutRecord30)
{
    in.schemes = SchemeTable({schemeRecord("17", 0x01)});
    try {
        build();
        FAIL() << "built without record 30";
    } catch (const SchemeTableError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("В таблице схем (conf.dat) нет записи \"30\""));
    }
    // The short layout takes nothing from the table.
    in.ImageLayout = 2;
    EXPECT_NO_THROW(build());
}

TEST_F(DeviceImageTest, ShortLayout)
{
    in.ImageLayout = 2;
    in.schemes = SchemeTable();
    in.minFlowControl = true;
    rec.PITVYN = true;
    AltDaysBytes alt{};
    alt.fill(0x44);
    in.altDays = alt;
    const DeviceImage image = build();

    EXPECT_EQ(at(image, 0x4000, 4), (Bytes{114, 0x00, 0xFF, 0xFF}));
    // The checksum is computed with the scheme byte and 0x01 in place, then
    // written over them.
    Bytes a = at(image, 0x4000, 0x80);
    a[4] = 17;
    a[5] = 0x01;
    EXPECT_EQ(at(image, 0x4004, 2), word(referenceChecksum(a)));
    EXPECT_EQ(at(image, 0x4006, 4), (Bytes{6, 6, 0, 0}));
    EXPECT_EQ(at(image, 0x400A, 4), (Bytes{0x00, 0x00, 0x20, 0x41})); // FIMP 1
    EXPECT_EQ(at(image, 0x4016, 4), (Bytes{0x00, 0x00, 0x40, 0x41})); // FMAX 1
    EXPECT_EQ(at(image, 0x4026, 4), (Bytes{0x00, 0x00, 0x80, 0x3E})); // FMIN 1
    EXPECT_EQ(at(image, 0x4036, 4), (Bytes{1, 0, 1, 0}));             // power
    EXPECT_EQ(at(image, 0x403A, 4), (Bytes{3, 1, 0, 2}));             // R0
    EXPECT_EQ(at(image, 0x403E, 4), (Bytes{1, 0, 0, 0}));             // W
    EXPECT_EQ(at(image, 0x4042, 4), (Bytes{0x00, 0x00, 0x16, 0x43})); // TMAX 1
    EXPECT_EQ(at(image, 0x4052, 4), (Bytes{0x00, 0x00, 0xA0, 0x41})); // TMIN 1
    EXPECT_EQ(at(image, 0x405E, 4), (Bytes{0x00, 0x00, 0x80, 0x40})); // TMIN 4
    EXPECT_EQ(at(image, 0x4062, 12),
              concat({kOne, {0x00, 0x00, 0xA0, 0x40}, {0x00, 0x00, 0x60, 0x40}}));
    EXPECT_EQ(at(image, 0x406E, 7), (Bytes{15, 10, 15, 5, 0x01, 0x01, 0xFF}));

    EXPECT_EQ(at(image, 0x4080, 6), concat({{5, 12}, kAccess}));
    EXPECT_EQ(at(image, 0x4086, 8), (Bytes{0x00, 0x00, 0x7A, 0x44, 55, 0, 0x3F, 3}));
    // The date-time and the alternative days lie where the tariff entries began.
    EXPECT_EQ(at(image, 0x408E, 6), kNow);
    EXPECT_EQ(at(image, 0x4094, 62), Bytes(62, 0x44));
    EXPECT_EQ(at(image, 0x40D2, 2), (Bytes{0x00, 0xFF}));
    // Word: address after region B (0x40D3) less 0x1082; then the stamp date.
    EXPECT_EQ(at(image, 0x1080, 6), concat({{0x51, 0x30}, kStamp}));

    expectBlankOutside(image, {{0x1080, 0x1085}, {0x4000, 0x40D2}});
}

TEST(DeviceImage, StartsBlankAndListsWrittenRanges)
{
    DeviceImage image;
    EXPECT_TRUE(image.writtenRanges().empty());
    image.set(0, 0);
    image.set(0x10, 1);
    image.set(0x11, 2);
    image.set(0xFFFF, 3);
    EXPECT_EQ(image.writtenRanges(),
              (std::vector<std::pair<int, int>>{{0, 0}, {0x10, 0x11}, {0xFFFF, 0xFFFF}}));
}

} // namespace
