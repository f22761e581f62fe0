// Diagnostics keep their Swedish letters where standard error goes to a file or a pipe (on
// Windows a console's or the ANSI code page would turn them into other letters).
#include "platform/diagnostics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace skymra::test {
namespace {

// What writeDiagnostic wrote with standard error sent to `path`.
std::string writtenTo(const std::string& path, std::string_view line) {
#if defined(_WIN32)
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE before = GetStdHandle(STD_ERROR_HANDLE);
    SetStdHandle(STD_ERROR_HANDLE, file);
    writeDiagnostic(line);
    SetStdHandle(STD_ERROR_HANDLE, before);
    CloseHandle(file);
#else
    std::fflush(stderr);
    const int before = dup(2);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    dup2(fileno(file), 2);
    writeDiagnostic(line);
    dup2(before, 2);
    close(before);
    std::fclose(file);
#endif
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(DiagnosticsTest, SwedishLettersReachARedirectedStandardErrorAsUtf8) {
    const std::string path = ::testing::TempDir() + "skymra-diagnostics.txt";
    const std::string line = "ingen ljudutgång hittades, larmet kan inte höras (ä)";
    const std::string written = writtenTo(path, line);
    std::remove(path.c_str());
    EXPECT_EQ(written.substr(0, line.size()), line);
    EXPECT_TRUE(written.size() == line.size() + 1 || written.size() == line.size() + 2);
}

}  // namespace
}  // namespace skymra::test
