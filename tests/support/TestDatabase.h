#pragma once

#include <string>

// A database of its own on the throwaway PostgreSQL server of the test run
// (scripts/test-postgres.sh names it in ORBEKO_TEST_PG), dropped with the
// object together with every connection still open to it.
class TTestDatabase
{
public:
    static constexpr const char* kVariable = "ORBEKO_TEST_PG";

    // The server's connection string; empty when the run has no server.
    static std::string Server();
    // Why there is no server to test against.
    static std::string Missing();
    // Whether a test of this suite and name is one ctest labels "server".
    static bool NamedAsServerTest(const std::string& suite, const std::string& name);

    // Throws std::runtime_error when the database cannot be made.
    TTestDatabase();
    ~TTestDatabase();
    TTestDatabase(const TTestDatabase&) = delete;
    TTestDatabase& operator=(const TTestDatabase&) = delete;

    // The database location: a libpq connection string.
    const std::string& Location() const { return Location_; }

private:
    std::string Name_;
    std::string Location_;
};
