#include "platform/classes/Registry.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

/// A registry file of its own for each test; the default place restored.
class Registry : public ::testing::Test {
protected:
    Registry()
    {
        WriteBytes(Dir.Path() / "registry.ini",
                   "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager]"
                   "\r\nColorName=Metallic\r\n\r\n"
                   "[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\r\n"
                   "ProcessorNameString=  Test CPU  \r\nFeatureSet=dword:0000001f\r\n"
                   "Bad=12x\r\n\r\n"
                   "[HKEY_CLASSES_ROOT\\mailto\\shell\\open\\command]\r\n@=mail %1\r\n\r\n");
        SetRegistryFileName(Dir.File("registry.ini"));
    }
    ~Registry() override { SetRegistryFileName(""); }

    TempDir Dir;
};

TEST_F(Registry, ReadsValuesOfOpenKeys)
{
    TRegistry Reg;
    EXPECT_EQ(Reg.RootKey(), HKEY_CURRENT_USER);
    ASSERT_TRUE(Reg.OpenKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"));
    EXPECT_TRUE(Reg.ValueExists("colorname"));
    EXPECT_EQ(Reg.ReadString("ColorName"), "Metallic");
    EXPECT_EQ(Reg.ReadString("Missing"), "");
    Reg.CloseKey();
    Reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(Reg.OpenKey("HARDWARE\\DESCRIPTION", false));
    ASSERT_TRUE(Reg.OpenKey("System\\CentralProcessor\\0", false));  // below the open key
    EXPECT_EQ(Reg.CurrentPath(), "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0");
    EXPECT_EQ(Reg.ReadString("ProcessorNameString"), "Test CPU");
    EXPECT_EQ(Reg.ReadInteger("FeatureSet"), 31);
    ExpectRaises<ERegistryException>([&] { (void)Reg.ReadInteger("Bad"); },
                                     "Invalid data type for 'Bad'");
    ExpectRaises<ERegistryException>([&] { (void)Reg.ReadInteger("None"); },
                                     "Failed to get data for 'None'");
}

TEST_F(Registry, DefaultValueAndMissingKeys)
{
    TRegistry Reg;
    Reg.SetRootKey(HKEY_CLASSES_ROOT);
    ASSERT_TRUE(Reg.OpenKeyReadOnly("\\mailto\\shell\\open\\command"));
    EXPECT_EQ(Reg.ReadString(""), "mail %1");
    EXPECT_TRUE(Reg.KeyExists("\\mailto"));
    EXPECT_FALSE(Reg.KeyExists("\\mailt"));
    EXPECT_FALSE(Reg.OpenKeyReadOnly("\\SOFTWARE\\Clients\\Mail"));
    EXPECT_TRUE(Reg.OpenKey("\\SOFTWARE\\Clients\\Mail", /*CanCreate=*/true));
    EXPECT_FALSE(Reg.ValueExists(""));
    Reg.SetRootKey(HKEY_USERS);  // another root closes the key
    EXPECT_EQ(Reg.CurrentPath(), "");
}

TEST_F(Registry, MissingFileIsAnEmptyRegistry)
{
    SetRegistryFileName(Dir.File("none.ini"));
    TRegistry Reg;
    EXPECT_FALSE(Reg.OpenKeyReadOnly("\\Software"));
    EXPECT_EQ(Reg.ReadString("x"), "");
    EXPECT_EQ(RegistryFileName(), Dir.File("none.ini"));
}

}  // namespace
