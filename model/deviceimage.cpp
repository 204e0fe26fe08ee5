#include "deviceimage.h"

#include "crc16.h"

#include <bit>
#include <cfloat>
#include <cmath>

namespace vyn {

std::vector<std::pair<int, int>> DeviceImage::writtenRanges() const
{
    std::vector<std::pair<int, int>> out;
    int start = -1;
    for (int a = 0; a <= kSize; ++a) {
        const bool written = a < kSize && at(a) != kBlank;
        if (written && start < 0)
            start = a;
        else if (!written && start >= 0) {
            out.emplace_back(start, a - 1);
            start = -1;
        }
    }
    return out;
}

std::uint16_t ImageChecksum(const DeviceImage& image, int from, int to)
{
    return imageChecksum(image.range(from, to));
}

const SchemeRecord& chooseSchemeRecord(const SchemeTable& table, const QString& scheme,
                                       int firmwareStamp)
{
    const QString fallback = QStringLiteral("30");
    const SchemeRecord* fallbackRecord = table.find(fallback);
    if (!fallbackRecord)
        throw SchemeTableError(QStringLiteral("В таблице схем (conf.dat) нет записи \"30\""));
    const QString code = firmwareStamp >= 30519 ? fallback : scheme.left(2);
    const SchemeRecord* rec = table.find(code);
    return rec ? *rec : *fallbackRecord;
}

namespace {

constexpr std::uint8_t kAccessFirst = 0x5A;
constexpr std::uint8_t kAccessSecond = 0x3C;
constexpr std::uint8_t kTariffC1 = 0x3F;
constexpr std::uint8_t kSeasonFlag = 0x01;
// The full layout's tariff list ends at 0x407F: a 10th entry would lie at 0x4080,
// where region B's first fields overwrite it, so the image carries at most 9.
constexpr int kMaxTariffEntries = 9;

// Sequential writer over the image.
class Cursor
{
public:
    Cursor(DeviceImage& image, int at) : m_image(image), m_at(at) {}

    int position() const { return m_at; }
    void seek(int at) { m_at = at; }

    void byte(std::uint8_t v) { m_image.set(m_at++, v); }
    void bytes(std::span<const std::uint8_t> v)
    {
        for (std::uint8_t b : v)
            byte(b);
    }
    void word(std::uint16_t v)
    {
        byte(static_cast<std::uint8_t>(v & 0xFF));
        byte(static_cast<std::uint8_t>(v >> 8));
    }
    void real(float v)
    {
        const auto bits = std::bit_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            byte(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
    void reals(std::span<const float> v)
    {
        for (float f : v)
            real(f);
    }
    void accessCodeTwice()
    {
        bytes(
            std::array<std::uint8_t, 4>{kAccessFirst, kAccessSecond, kAccessFirst, kAccessSecond});
    }

private:
    DeviceImage& m_image;
    int m_at;
};

// --- field encodings ----------------------------------------------------------

// A cell read as a single-precision value; what does not convert, or does not fit
// a float, is 0.0.
float floatOf(const QString& text, const NumberLocale& locale)
{
    const std::optional<double> v = cellNumber(text, locale);
    if (!v || std::fabs(*v) > FLT_MAX)
        return 0.0f;
    return static_cast<float>(*v);
}

// Cut at the first ',' and then at the first '.', read as a decimal integer, low 8 bits.
std::uint8_t intByte(QString text)
{
    for (QChar cut : {QLatin1Char(','), QLatin1Char('.')}) {
        const qsizetype at = text.indexOf(cut);
        if (at >= 0)
            text.truncate(at);
    }
    const std::optional<long long> v = NumberLocale::toInteger(text);
    return v ? static_cast<std::uint8_t>(*v & 0xFF) : 0;
}

std::uint8_t r0Code(const QString& text, const NumberLocale& locale)
{
    const std::optional<double> v = cellNumber(text, locale);
    if (v == 1000.0)
        return 0;
    if (v == 500.0)
        return 1;
    if (v == 100.0)
        return 3;
    return 2;
}

std::uint8_t wCode(const QString& text)
{
    return text == QLatin1String("1,385") ? 1 : 0;
}

std::uint8_t flag(bool yes)
{
    return yes ? 0x01 : 0x81;
}

std::uint8_t yearByte(int year)
{
    return static_cast<std::uint8_t>((year > 2000 ? year - 2000 : year) & 0xFF);
}

std::array<std::uint8_t, 4> stampDate(const QDate& d)
{
    return {yearByte(d.year()), static_cast<std::uint8_t>(d.month()),
            static_cast<std::uint8_t>(d.day()), 0x00};
}

std::array<std::uint8_t, 6> dateTime(const QDateTime& now)
{
    const QDate d = now.date();
    const QTime t = now.time();
    return {yearByte(d.year()),
            static_cast<std::uint8_t>(d.month()),
            static_cast<std::uint8_t>(d.day()),
            static_cast<std::uint8_t>(t.hour()),
            static_cast<std::uint8_t>(t.minute()),
            static_cast<std::uint8_t>(t.second())};
}

std::array<std::uint8_t, 2> shortDate(const DayMonth& d)
{
    return {static_cast<std::uint8_t>(d.day), static_cast<std::uint8_t>(d.month)};
}

bool isDecimalDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

std::uint8_t schemeByte(const ConfigRecord& rec)
{
    const QChar first = rec.firstDigit();
    const QChar second = rec.secondDigit();
    if (!isDecimalDigit(first) || !isDecimalDigit(second))
        return 30;
    return static_cast<std::uint8_t>(10 * (first.unicode() - '0') + (second.unicode() - '0'));
}

// Contract pressure in tenths of MPa, truncated: 0,6 and 0,65 both give 6.
std::uint8_t contractPressureByte(const QString& text, const NumberLocale& locale)
{
    const std::optional<double> mpa = cellNumber(text, locale);
    if (!mpa)
        return 0;
    return intByte(locale.formatShortest(*mpa * 10.0));
}

// Meter pulses in 20 seconds at the power limit.
std::uint16_t pulseLimit(const ConfigRecord& rec, const NumberLocale& locale)
{
    const int row = FindElecLine(rec);
    if (row < 0)
        return 0;
    const std::optional<double> constant =
        cellNumber(rec.FlowTable.cell(row, FlowCol::Fimp), locale);
    const std::optional<double> limit = cellNumber(rec.FlowTable.cell(row, FlowCol::Fmax), locale);
    if (!constant || !limit)
        return 0;
    const double pulses = *constant * *limit;
    if (!std::isfinite(pulses) || std::fabs(pulses) > 1e15)
        return 0;
    return static_cast<std::uint16_t>(std::llround(pulses) / 180);
}

std::array<std::uint8_t, 4> tariffEntry(const TariffEntry& e)
{
    // Condition codes of the list's three texts; the device has no code 2.
    static constexpr std::array<int, 3> kConditionCode{0, 1, 3};
    const int code = e.condition >= 0 && e.condition < 3
                         ? kConditionCode[static_cast<std::size_t>(e.condition)]
                         : 0;
    std::uint8_t tariff = 0xBF;
    if (e.tariff.size() >= 2) {
        switch (e.tariff.at(1).unicode()) {
        case '1':
            tariff = 0x3F;
            break;
        case '2':
            tariff = 0x7F;
            break;
        case '3':
            tariff = 0xFF;
            break;
        default:
            break;
        }
    }
    return {static_cast<std::uint8_t>((e.hour + 64 * code) & 0xFF),
            static_cast<std::uint8_t>(e.minute & 0xFF), tariff, 0x00};
}

// Everything the layouts take from the record and the inputs, converted once.
struct Values
{
    std::uint8_t scheme = 30;
    std::array<std::uint8_t, 4> pressures{};
    std::array<float, 3> fimp{};
    std::array<float, 4> fmax{};
    std::array<float, 4> minFlows{};
    std::array<std::uint8_t, 4> r0{};
    std::array<std::uint8_t, 4> w{};
    std::array<float, 4> tmax{};
    std::array<float, 4> tmin{};
    float meterConstant = 0.0f;
    std::uint16_t pulses = 0;
    std::uint8_t elecFlag = 0x81;
    std::vector<std::array<std::uint8_t, 4>> tariffs;
    float txiz = 0.0f;
    float txil = 0.0f;
    std::array<std::uint8_t, 2> heatingStart{};
    std::array<std::uint8_t, 2> summerStart{};
    std::uint8_t dstart = 0;
    std::uint8_t networkAddress = 0;
    std::uint8_t daylightSaving = 0;
    std::array<std::uint8_t, 4> stamp{};
    std::array<std::uint8_t, 6> moment{};
    AltDaysBytes altDays{};
    bool mains = false;
    std::array<bool, 4> mainsRows{};

    std::array<std::uint8_t, 4> powerBytes(std::uint8_t noMains) const
    {
        std::array<std::uint8_t, 4> out{};
        for (std::size_t i = 0; i < 4; ++i)
            out[i] = mains ? (mainsRows[i] ? 0x01 : 0x00) : noMains;
        return out;
    }
};

Values collect(const ConfigRecord& rec, const ImageInputs& in)
{
    const NumberLocale& loc = in.locale;
    const ChannelTable& flow = rec.FlowTable;
    const ChannelTable& thermo = rec.ThermoTable;
    Values v;
    v.scheme = schemeByte(rec);
    for (int row = 1; row <= 4; ++row) {
        const auto i = static_cast<std::size_t>(row - 1);
        v.pressures[i] = contractPressureByte(thermo.cell(row, ThermoCol::Pressure), loc);
        if (row <= 3)
            v.fimp[i] = floatOf(flow.cell(row, FlowCol::Fimp), loc);
        v.fmax[i] = floatOf(flow.cell(row, FlowCol::Fmax), loc);
        v.minFlows[i] = in.minFlowControl ? floatOf(flow.cell(row, FlowCol::Fmin), loc) : 0.0f;
        v.r0[i] = r0Code(thermo.cell(row, ThermoCol::R0), loc);
        v.w[i] = wCode(thermo.cell(row, ThermoCol::W));
        v.tmax[i] = floatOf(thermo.cell(row, ThermoCol::TMax), loc);
        v.tmin[i] = floatOf(thermo.cell(row, ThermoCol::TMin), loc);
        v.mainsRows[i] = flow.cell(row, FlowCol::Source).toLower() == QStringLiteral("сетевой");
    }
    const int elecRow = FindElecLine(rec);
    v.meterConstant = elecRow > 0 ? floatOf(flow.cell(elecRow, FlowCol::Fimp), loc) : 0.0f;
    v.pulses = pulseLimit(rec, loc);
    v.elecFlag = flag(elecRow > 0);
    const std::size_t n = std::min<std::size_t>(rec.TariffList.size(), kMaxTariffEntries);
    for (std::size_t i = 0; i < n; ++i)
        v.tariffs.push_back(tariffEntry(rec.TariffList[i]));
    v.txiz = floatOf(rec.TXIZ, loc);
    v.txil = floatOf(rec.TXIL, loc);
    v.heatingStart = shortDate(rec.DATEZ);
    v.summerStart = shortDate(rec.DATEL);
    v.dstart = static_cast<std::uint8_t>(rec.DSTART & 0xFF);
    v.networkAddress = static_cast<std::uint8_t>(rec.networkAddress & 0xFF);
    v.daylightSaving = in.noSeasonTimeChange ? 0x00 : 0x01;
    v.stamp = stampDate(in.now.date());
    v.moment = dateTime(in.now);
    if (in.altDays)
        v.altDays = *in.altDays;
    v.mains = rec.PITVYN;
    return v;
}

void writeChecksum(DeviceImage& image, int at, int from, int to)
{
    Cursor(image, at).word(ImageChecksum(image, from, to));
}

// Regions B and C of the full layout open alike: report day, network address,
// access code, a settings byte, 0x01, the moment and the alternative days.
void writeClock(Cursor& c, const Values& v, std::uint8_t networkAddress, std::uint8_t setting)
{
    c.byte(v.dstart);
    c.byte(networkAddress);
    c.accessCodeTwice();
    c.byte(setting);
    c.byte(0x01);
    c.bytes(v.moment);
    c.bytes(v.altDays);
}

// ...and after their checksum word carry the same season values and power bytes.
void writeSeason(Cursor& c, const Values& v, std::uint8_t noMainsPower)
{
    c.byte(0x01);
    c.byte(kSeasonFlag);
    c.bytes(v.stamp);
    c.real(v.txiz);
    c.real(1.0f);
    c.real(v.txil);
    c.bytes(v.heatingStart);
    c.bytes(v.summerStart);
    c.bytes(v.powerBytes(noMainsPower));
}

void buildFull(DeviceImage& image, const ConfigRecord& rec, const ImageInputs& in, const Values& v)
{
    const SchemeRecord& scheme = chooseSchemeRecord(in.schemes, rec.CXEMA, in.FirmwareStamp);

    // Region A.
    Cursor a(image, 0x4000);
    a.word(125);
    a.bytes(v.stamp);
    a.byte(v.scheme);
    a.byte(v.scheme % 10 == 0 ? 0x0B : 0x11);
    a.bytes(scheme.parameters);
    a.bytes(v.pressures);
    a.reals(v.fimp);
    a.real(v.meterConstant);
    a.bytes(v.r0);
    a.bytes(v.w);
    a.reals(v.tmax);
    a.byte(v.elecFlag);
    a.byte(0x00);
    a.word(v.pulses);
    a.byte(kTariffC1);
    a.byte(static_cast<std::uint8_t>(v.tariffs.size()));
    for (const auto& e : v.tariffs)
        a.bytes(e);

    // Region B; its checksum of region A goes in once the rest is written.
    Cursor b(image, 0x4080);
    writeClock(b, v, v.networkAddress, v.daylightSaving);
    b.seek(0x40CE);
    writeSeason(b, v, 0x00);
    b.reals(v.fmax);
    b.reals(v.minFlows);
    for (std::size_t i = 0; i < 3; ++i)
        b.real(v.tmin[i]);
    const bool row4Unset = rec.secondDigit() == QLatin1Char('5') &&
                           !cellNumber(rec.FlowTable.cell(4, FlowCol::Fimp), in.locale);
    b.real(row4Unset ? 0.0f : v.tmin[3]);
    writeChecksum(image, 0x40CC, 0x4000, 0x407F);

    // Region C.
    Cursor c(image, 0x1080);
    c.word(104);
    writeClock(c, v, 0x01, 0x01); // network address fixed to 1
    c.seek(0x10D0);
    writeSeason(c, v, 0xFF);
    // Covers region A and the first 128 bytes of region B, the first checksum included.
    writeChecksum(image, 0x10CE, 0x4000, 0x40FF);
}

// The short layout is kept byte for byte as the devices have always received it,
// quirks included: its checksum lands on the scheme byte, and the date-time is
// written where the tariff entries begin.
void buildShort(DeviceImage& image, const Values& v)
{
    Cursor a(image, 0x4004);
    a.byte(v.scheme);
    a.byte(0x01);
    a.bytes(v.pressures);
    a.reals(v.fimp);
    a.reals(v.fmax);
    a.reals(v.minFlows);
    a.bytes(v.powerBytes(0x00));
    a.bytes(v.r0);
    a.bytes(v.w);
    a.reals(v.tmax);
    a.reals(v.tmin);
    a.real(1.0f);
    a.real(v.txiz);
    a.real(v.txil);
    a.bytes(v.heatingStart);
    a.bytes(v.summerStart);
    a.byte(kSeasonFlag);
    a.byte(v.elecFlag);
    Cursor(image, 0x4000).word(static_cast<std::uint16_t>(a.position() - 0x4002));
    writeChecksum(image, 0x4004, 0x4000, 0x407F);

    Cursor b(image, 0x4080);
    b.byte(v.dstart);
    b.byte(v.networkAddress);
    b.accessCodeTwice();
    b.real(v.meterConstant);
    b.word(v.pulses);
    b.byte(kTariffC1);
    b.byte(static_cast<std::uint8_t>(v.tariffs.size()));
    const int tariffsAt = b.position();
    for (const auto& e : v.tariffs)
        b.bytes(e);
    b.seek(tariffsAt);
    b.bytes(v.moment);
    b.bytes(v.altDays);
    b.byte(v.daylightSaving);

    Cursor c(image, 0x1080);
    c.word(static_cast<std::uint16_t>(b.position() - 0x1082));
    c.bytes(v.stamp);
}

} // namespace

DeviceImage buildDeviceImage(const ConfigRecord& rec, const ImageInputs& inputs)
{
    const Values v = collect(rec, inputs);
    DeviceImage image;
    if (inputs.ImageLayout == 2)
        buildShort(image, v);
    else
        buildFull(image, rec, inputs, v);
    return image;
}

} // namespace vyn
