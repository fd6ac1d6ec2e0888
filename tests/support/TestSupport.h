#pragma once

// Helpers shared by every test program: exact error checks, a private
// temporary folder, reading and writing whole files as bytes, and what a
// shell command prints.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <type_traits>
#include <typeinfo>
#include <string>

/// Runs F and checks that it raises exactly E (or a subclass) with the
/// message Text (CP1251; pass a "..."_a literal for Russian texts).
template <class E, class F>
void ExpectRaises(F&& Fn, const AnsiString& Text)
{
    try {
        Fn();
    } catch (const Exception& Ex) {
        if constexpr (!std::is_same_v<E, Exception>) {
            if (!dynamic_cast<const E*>(&Ex)) {
                ADD_FAILURE() << "raised " << Ex.ClassName() << " " << Ex.Message
                              << ", expected " << typeid(E).name() << " " << Text;
                return;
            }
        }
        EXPECT_EQ(Ex.Message, Text);
        return;
    }
    ADD_FAILURE() << "nothing raised, expected " << Text;
}

/// A fresh temporary folder, removed with everything in it at scope end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    /// Path of a file inside the folder as CP1251 text.
    AnsiString File(const std::string& Name) const;

private:
    std::filesystem::path FPath;
};

/// Makes a folder the current one for the scope, then restores the old one.
class CurrentDirScope {
public:
    explicit CurrentDirScope(const std::filesystem::path& Dir);
    ~CurrentDirScope();
    CurrentDirScope(const CurrentDirScope&) = delete;
    CurrentDirScope& operator=(const CurrentDirScope&) = delete;

private:
    std::filesystem::path FOld;
};

/// Whole file as bytes; fails the test when it cannot be read.
std::string ReadBytes(const std::filesystem::path& File);
/// Writes bytes to a file, replacing it.
void WriteBytes(const std::filesystem::path& File, const std::string& Bytes);

/// Compares Bytes with a golden file byte for byte. On a mismatch writes
/// <golden>.actual beside it and names the first differing offset.
void ExpectMatchesGolden(const std::string& Bytes, const std::filesystem::path& Golden);

/// What a shell command printed on its standard output (empty when it
/// cannot be started).
std::string RunCommand(const std::string& Command);

/// The test data folder (tests/data in the source tree).
std::filesystem::path TestData();

/// A write failure the program must answer (for FolderFaultScope): a full
/// disk or a folder without write permission, with the system's text the
/// operator reads for it (UTF-8).
struct WriteFault {
    const char* Name;
    int Errno;
    const char* Reason;
};

/// Both write failures, for a table of cases.
inline constexpr WriteFault WriteFaults[] = {
    {"full disk", ENOSPC, "Недостаточно места на диске"},
    {"folder without write permission", EACCES, "Отказано в доступе"},
};
