#include "support/TestDatabase.h"

#include "kfstore/server/PgConnection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace {

void Run(const std::string& sql)
{
    TPgConnection server;
    if (server.Open(TTestDatabase::Server()) != 0)
        throw std::runtime_error("cannot reach the test server: " + std::string(PQerrorMessage(server.Handle())));
    const TPgResult result = server.Exec(sql);
    if (!result.Ok())
        throw std::runtime_error(sql + ": " + PQresultErrorMessage(result.Get()));
}

}  // namespace

std::string TTestDatabase::Server()
{
    const char* server = std::getenv(kVariable);
    return server ? server : "";
}

std::string TTestDatabase::Missing()
{
    return std::string(kVariable) + " is not set: run the tests through scripts/test-postgres.sh "
                                    "(./build.sh test does) to test against a PostgreSQL server";
}

bool TTestDatabase::NamedAsServerTest(const std::string& suite, const std::string& name)
{
    return suite.starts_with("Server") || name.ends_with("/Server");
}

TTestDatabase::TTestDatabase()
{
    // ctest labels the server's tests by these names (tests/CMakeLists.txt).
    if (const auto* test = ::testing::UnitTest::GetInstance()->current_test_info()) {
        EXPECT_TRUE(NamedAsServerTest(test->test_suite_name(), test->name()))
            << test->test_suite_name() << "." << test->name()
            << ": a test on the server is named Server... or ends in /Server";
    }
    static std::atomic<int> serial{0};
    Name_ = "orbeko_test_" + std::to_string(getpid()) + "_" + std::to_string(serial++);
    Run("DROP DATABASE IF EXISTS " + Name_ + " WITH (FORCE)");
    Run("CREATE DATABASE " + Name_ + " TEMPLATE template0");
    // A later keyword wins over the server's own dbname.
    Location_ = Server() + " dbname=" + Name_;
}

TTestDatabase::~TTestDatabase()
{
    try {
        Run("DROP DATABASE IF EXISTS " + Name_ + " WITH (FORCE)");
    } catch (const std::exception&) {
        // The server went first; it takes the database with it.
    }
}
