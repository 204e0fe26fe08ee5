// main() of the tests that run on both database engines: one throw-away
// PostgreSQL server serves them all and is stopped at the end.
#include "tests/support/pgserver.h"

#include <QCoreApplication>
#include <cstdio>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    vyntest::stopSharedPgServer();
    // CTest shows the server half as skipped, not as passed.
    if (result == 0 && vyntest::PgServer::binDir().isEmpty()) {
        std::fprintf(stderr, "PostgreSQL tests skipped: the server programs are missing "
                             "(Debian package postgresql)\n");
        return 77;
    }
    return result;
}
