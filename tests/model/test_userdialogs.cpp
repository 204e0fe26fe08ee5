#include "model/userdialogs.h"

#include <gtest/gtest.h>

using namespace vyn;

namespace {

struct Case
{
    const char* input;
    const char* expected;
};

class FilterConversion : public ::testing::TestWithParam<Case>
{
};

TEST_P(FilterConversion, GivesQtSyntax)
{
    EXPECT_EQ(qtFileFilter(QString::fromUtf8(GetParam().input)),
              QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FilterConversion,
    ::testing::Values(
        // The description already names its masks: kept exactly.
        Case{"Файл альтернативных дней(*.alt)|*.alt", "Файл альтернативных дней(*.alt)"},
        Case{"Программатор|*.vyn", "Программатор (*.vyn)"},
        Case{"Базы данных|*.sqlite;*.db|Все файлы|*.*",
             "Базы данных (*.sqlite *.db);;Все файлы (*.*)"},
        Case{"|*.txt", "*.txt"}, Case{"", ""}));

TEST(DefaultSuffix, AddedOnlyToANameWithoutExtension)
{
    EXPECT_EQ(withDefaultSuffix(QStringLiteral("/tmp/days"), QStringLiteral("alt")),
              QStringLiteral("/tmp/days.alt"));
    EXPECT_EQ(withDefaultSuffix(QStringLiteral("/tmp/days."), QStringLiteral("alt")),
              QStringLiteral("/tmp/days.alt"));
    EXPECT_EQ(withDefaultSuffix(QStringLiteral("/tmp/days.bin"), QStringLiteral("alt")),
              QStringLiteral("/tmp/days.bin"));
    EXPECT_EQ(withDefaultSuffix(QStringLiteral("/tmp/v1.0/days"), QStringLiteral(".alt")),
              QStringLiteral("/tmp/v1.0/days.alt"));
    EXPECT_EQ(withDefaultSuffix(QString(), QStringLiteral("alt")), QString());
}

} // namespace
