// What start-up finds before any window: the archiver modules in the system folder, and the
// folder the output and source panes start in.
#include "support/EngineFixture.h"

#include "engine/Archivers.h"
#include "engine/PaneStart.h"
#include "platform/SettingsStore.h"

#include <filesystem>

using namespace qbtest;
using qb::engine::FolderPane;
namespace fs = std::filesystem;

namespace {

class DetectTest : public EngineTest {
protected:
    // A system folder in the sandbox holding copies of the named stand-in modules.
    void UseSystemFolder(std::initializer_list<const char*> modules)
    {
        const std::string dir = m_root + "/c/SYSTEM";
        fs::create_directories(dir);
        for (const char* m : modules)
            fs::copy_file(std::string(QB_FAKE_SYSTEM_DIR) + "/" + m, dir + "/" + m);
        ::setenv("QUILLBOX2_SYSTEM_DIR", dir.c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("QUILLBOX2_SYSTEM_DIR");
        ::unsetenv("QB_FAKE_LZH_VERSION");
        EngineTest::TearDown();
    }
};

}  // namespace

TEST_F(DetectTest, AllModulesPresent)
{
    UseSystemFolder({"UNLHA32.DLL", "IZIP32J.DLL", "ZIP32J.DLL", "UNZIP32.DLL"});
    qb::engine::DetectArchivers();
    EXPECT_TRUE(qb::engine::Modules.LzhAvailable);
    EXPECT_TRUE(qb::engine::Modules.ZipAvailable);
    EXPECT_EQ(qb::engine::Modules.LzhVersion, 104);
    EXPECT_EQ(qb::engine::Modules.ZipVersion, 300);  // low 16 bits only
    EXPECT_EQ(qb::engine::Modules.UnZipVersion, 601);
    EXPECT_NE(qb::engine::Archivers().Unlha.Command, nullptr);
}

TEST_F(DetectTest, AnyMissingZipFileDisablesZip)
{
    UseSystemFolder({"UNLHA32.DLL", "ZIP32J.DLL", "UNZIP32.DLL"});
    ::setenv("QB_FAKE_LZH_VERSION", "103", 1);
    qb::engine::DetectArchivers();
    EXPECT_TRUE(qb::engine::Modules.LzhAvailable);
    EXPECT_EQ(qb::engine::Modules.LzhVersion, 103);
    EXPECT_FALSE(qb::engine::Modules.ZipAvailable);
    EXPECT_EQ(qb::engine::Archivers().Zip.Command, nullptr);
}

TEST_F(DetectTest, MissingLzhModule)
{
    UseSystemFolder({"IZIP32J.DLL", "ZIP32J.DLL", "UNZIP32.DLL"});
    qb::engine::DetectArchivers();
    EXPECT_FALSE(qb::engine::Modules.LzhAvailable);
    EXPECT_TRUE(qb::engine::Modules.ZipAvailable);
    EXPECT_EQ(qb::engine::Archivers().Unlha.Command, nullptr);
}

TEST_F(DetectTest, ModuleThatIsNoLibraryCountsAsMissing)
{
    UseSystemFolder({});
    WriteFile("C:\\SYSTEM\\UNLHA32.DLL", "not a shared object");
    qb::engine::DetectArchivers();
    EXPECT_FALSE(qb::engine::Modules.LzhAvailable);
    EXPECT_FALSE(qb::engine::Modules.ZipAvailable);
}

TEST_F(EngineTest, OutputPaneStartsInItsInitialOrLastFolder)
{
    const std::string app = "Brambleworks";
    MakeFolder("D:\\OUT\\NEW");
    // Nothing stored: the working folder.
    EXPECT_EQ(qb::engine::StartingFolder(FolderPane::Out), "C:\\");

    qb::platform::SaveSetting(app, "Quillbox2", "Dir_Out", "d:\\out\\new");
    qb::platform::SaveSetting(app, "Quillbox2", "OldDir_Out", "D:\\OUT");
    EXPECT_EQ(qb::engine::StartingFolder(FolderPane::Out), "D:\\OUT\\NEW");
    qb::platform::SaveSetting(app, "Quillbox2", "Dir_Out_Yuko", "False");
    EXPECT_EQ(qb::engine::StartingFolder(FolderPane::Out), "D:\\OUT");
    // A folder that is gone falls back to the working folder.
    qb::platform::SaveSetting(app, "Quillbox2", "OldDir_Out", "D:\\GONE");
    EXPECT_EQ(qb::engine::StartingFolder(FolderPane::Out), "C:\\");
    // The source pane has keys of its own.
    EXPECT_EQ(qb::engine::StartingFolder(FolderPane::In), "C:\\");

    // The old location wins while it holds the pane's position.
    qb::platform::SaveSetting("Quillbox2", "Quillbox2", "OutDir_Left", "120");
    qb::platform::SaveSetting("Quillbox2", "Quillbox2", "Dir_Out", "D:\\OUT");
    EXPECT_EQ(qb::engine::StartingFolder(FolderPane::Out), "D:\\OUT");
}
