// The install sequence on a temporary folder: the installer's folder with its component files and rig
// files, a system folder and a rig folder, with the CAT server's answer, the registrations and the
// run of its setup played by the test (or, on this system's platform, a rigctld and a setup script of
// the test's own); every failure the operator can meet and what each leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include <unistd.h>

#include "installer/install_sequence.h"
#include "installer/linux_installer_platform.h"
#include "test_support/mutation.h"
#include "test_support/recording_fakes.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

namespace fs = std::filesystem;

// Real files in the scratch folder; the CAT server's answer played and the registrations recorded.
class ScratchPlatform : public LinuxInstallerPlatform {
public:
    ScratchPlatform(MessageBoxes& boxes, const std::string& system, const std::string& rigs)
        : LinuxInstallerPlatform(boxes, system, rigs) {}
    std::optional<int> CatServerVersion() override { return version; }
    bool RegisterComponent(const std::string& path) override {
        const std::string name = fs::path(path).filename().string();
        registered.push_back(name);
        return !refused.contains(name);
    }
    std::optional<int> version = 300;
    std::set<std::string> refused;
    std::vector<std::string> registered;
};

// The twelve components of the Windows program, with their check order, and its CAT server's range.
InstallSetup WindowsLikeSetup() {
    InstallSetup setup;
    setup.RequiredComponents = {
        {"/OCX/MSCOMM32.ocx", "/MSCOMM32.OCX", "MSCOMM32.ocx", true},
        {"/OCX/RICHTX32.OCX", "/RICHTX32.OCX", "RICHTX32.ocx", true},
        {"/OCX/MSWINSCK.OCX", "/MSWINSCK.OCX", "MSWINSCK.ocx", false},
        {"/OCX/MSCOMCTL.OCX", "/MSCOMCTL.OCX", "MSCOMCTL.ocx", true},
        {"/OCX/Hook-Menu-2.OCX", "/Hook-Menu-2.OCX", "HOOKMENU.ocx", true},
        {"/OCX/ColorsMenu.ocx", "/ColorsMenu.ocx", "COLORSMENU.ocx", true},
        {"/OCX/MCI32.OCX", "/MCI32.OCX", "MCI32.OCX", false},
        {"/OCX/cdosys.dll", "/cdosys.dll", "CDOSYS.dll", true},
        {"/OCX/msstdfmt.dll", "/msstdfmt.dll", "MSSTDFMT.dll", true},
        {"/OCX/shdocvw.dll", "/shdocvw.dll", "SHDOCVW.dll", true},
        {"/OCX/psapi.dll", "/psapi.dll", "psapi.dll", true},
        {"/OCX/PSKReporter_v1_3.dll", "/PSKReporter_v1_3.dll", "PSKReporter_v1_3.dll", true},
    };
    setup.checkOrder = {0, 1, 2, 6, 3, 4, 5, 7, 8, 10, 9, 11};
    setup.lowestCatServerVersion = 257;
    setup.highestCatServerVersion = 665;
    setup.catServerSetup = "CatSetup";
    return setup;
}

class InstallSequence : public test::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        // A folder name Windows-1252 cannot hold: the messages name it whole.
        installer = Path("Установка");
        system = Path("system");
        rigs = Path("rigs");
        fs::create_directories(installer + "/OCX");
        fs::create_directories(installer + "/Rigs");
        fs::create_directories(system);
        for (const ComponentFile& c : setup.RequiredComponents)
            Write(installer + c.source, "new " + c.displayName);
        Write(installer + "/Rigs/IC-7300", "-m 3073");
        Write(installer + "/Rigs/Dummy", "-m 1");
        platform = std::make_unique<ScratchPlatform>(boxes, system, rigs);
    }
    static void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
    static void WriteProgram(const std::string& path, const std::string& text) {
        Write(path, text);
        fs::permissions(path, fs::perms::owner_all);
    }
    // A rigctld that answers its version as Hamlib 4.5.4 does.
    static void WriteRigctld(const std::string& path) {
        WriteProgram(path, "#!/bin/sh\necho 'rigctl Hamlib 4.5.4 Jan 10 01:31:41Z 2023'\n");
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool Run() { return Install(*platform, setup, installer); }
    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        for (const auto& box : boxes.shown)
            titles.push_back(box.title);
        return titles;
    }

    InstallSetup setup = WindowsLikeSetup();
    test::RecordingBoxes boxes;
    std::unique_ptr<ScratchPlatform> platform;
    std::string installer, system, rigs;
};

TEST_F(InstallSequence, AnAcceptedCatServerGetsEverythingInPlaceAndASuccessMessage) {
    EXPECT_TRUE(Run());
    ASSERT_EQ(platform->registered.size(), 12u);
    EXPECT_EQ(platform->registered.front(), "MSCOMM32.OCX");
    EXPECT_EQ(platform->registered.back(), "PSKReporter_v1_3.dll");
    EXPECT_EQ(Read(system + "/Hook-Menu-2.OCX"), "new HOOKMENU.ocx");
    EXPECT_EQ(Read(rigs + "/IC-7300"), "-m 3073");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "MUV installed successfully");
    EXPECT_EQ(boxes.shown[0].title, "MUV Installation");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Information);

    // Again on a machine that has them all: only the two that are always renewed.
    platform->registered.clear();
    Write(system + "/MSCOMM32.OCX", "old");
    EXPECT_TRUE(Run());
    EXPECT_EQ(platform->registered, (std::vector<std::string>{"MSWINSCK.OCX", "MCI32.OCX"}));
    EXPECT_EQ(Read(system + "/MSCOMM32.OCX"), "old");
}

TEST_F(InstallSequence, TheCatServersVersionRangeIncludesBothEnds) {
    for (int version : {257, 665}) {
        platform->version = version;
        EXPECT_TRUE(Run()) << version;
    }
    for (std::optional<int> version :
         {std::optional<int>(256), std::optional<int>(666), std::optional<int>()}) {
        platform->version = version;
        boxes.shown.clear();
        EXPECT_FALSE(Run());
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "File: " + installer + "/CatSetup not found");
        EXPECT_EQ(boxes.shown[0].title, "Installation Error");
        EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Critical);
    }
}

TEST_F(InstallSequence, TheCatServersSetupRunsToItsEndAndWhatItDidIsTold) {
    // The setup asks for the administrator's consent, which is refused to a program whose parent has
    // gone: it must run as the installer's child, and be waited for.
    const std::string rigctld = Path("bin/rigctld");
    const std::string setupScript = installer + "/hamlib-setup";
    auto useSetup = [&](const std::string& body) {
        WriteProgram(setupScript, "#!/bin/sh\necho $PPID > '" + Path("parent") + "'\nsleep 0.3\n" + body);
    };
    const InstallSetup linux = LinuxInstallSetup();
    LinuxInstallerPlatform real(boxes, system, rigs, rigctld);

    useSetup("mkdir -p '" + Path("bin") + "'\nprintf '#!/bin/sh\\necho rigctl Hamlib 4.5.4\\n' > '" + rigctld +
             "'\nchmod +x '" + rigctld + "'\n");
    EXPECT_TRUE(Install(real, linux, installer));
    EXPECT_EQ(std::stoi(Read(Path("parent"))), static_cast<int>(getpid()));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Hamlib's rigctld has been set up by " + setupScript + ". MUV installed successfully");
    EXPECT_TRUE(fs::exists(rigs + "/IC-7300"));

    // A setup that fails says so with its exit status and what is left to do; the rig files are in place.
    fs::remove(rigctld);
    fs::remove_all(rigs);
    boxes.shown.clear();
    useSetup("exit 100\n");
    EXPECT_FALSE(Install(real, linux, installer));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, setupScript +
                                       " ended with status 100: Hamlib's rigctld has not been set up. To set it "
                                       "up yourself, run as root: apt-get install libhamlib-utils");
    EXPECT_EQ(boxes.shown[0].title, "Installation Error");
    EXPECT_TRUE(fs::exists(rigs + "/IC-7300"));

    // One that cannot be run at all is told as such.
    fs::permissions(setupScript, fs::perms::owner_read | fs::perms::owner_write);
    boxes.shown.clear();
    EXPECT_FALSE(Install(real, linux, installer));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.rfind("File: " + setupScript + " could not be started. ", 0), 0u)
        << boxes.shown[0].text;
}

TEST_F(InstallSequence, ARunAgainKeepsTheRigFilesTheOperatorChangedAndAddsNewOnes) {
    const std::string rigctld = Path("rigctld");
    WriteRigctld(rigctld);
    LinuxInstallerPlatform real(boxes, system, rigs, rigctld);
    const InstallSetup linux = LinuxInstallSetup();
    ASSERT_TRUE(Install(real, linux, installer));

    // The operator sets the rig's port, as the rig file asks; a later MUV ships a new rig and an
    // improved one that the operator has left alone.
    Write(rigs + "/IC-7300", "-m 3073 -r /dev/ttyUSB3");
    Write(installer + "/Rigs/IC-705", "-m 3085");
    Write(installer + "/Rigs/Dummy", "-m 1 -P RIG");
    boxes.shown.clear();
    EXPECT_TRUE(Install(real, linux, installer));
    EXPECT_EQ(Read(rigs + "/IC-7300"), "-m 3073 -r /dev/ttyUSB3");
    EXPECT_EQ(Read(rigs + "/IC-705"), "-m 3085");
    EXPECT_EQ(Read(rigs + "/Dummy"), "-m 1 -P RIG");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "MUV installed successfully\n\nRig files that you have changed are kept as "
                                   "they are: IC-7300 (in " +
                                       rigs + "; the ones that come with MUV are in " + installer + "/Rigs).");
}

TEST_F(InstallSequence, AComponentMissingFromTheInstallerIsToldAndOnlyFailsWhenTheSystemLacksItToo) {
    // Already on the system: told, and the installation still succeeds.
    fs::remove(installer + "/OCX/MCI32.OCX");
    fs::remove(installer + "/OCX/cdosys.dll");
    Write(system + "/cdosys.dll", "old");
    fs::remove(installer + "/OCX/RICHTX32.OCX");
    Write(system + "/RICHTX32.OCX", "old");
    platform->version = 300;
    setup.RequiredComponents[6].keptWhenPresent = true;  // MCI32 kept for this case
    Write(system + "/MCI32.OCX", "old");
    EXPECT_TRUE(Run());
    ASSERT_EQ(boxes.shown.size(), 2u);
    // Only the first missing file in the check order is told.
    EXPECT_EQ(boxes.shown[0].text, installer + "/OCX/RICHTX32.OCX not found");
    EXPECT_EQ(boxes.shown[0].title, "MUV Installation");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Critical);
    EXPECT_EQ(boxes.shown[1].text, "MUV installed successfully");

    // Not on the system either: the copy fails and names it; nothing after it is copied.
    setup = WindowsLikeSetup();
    boxes.shown.clear();
    platform->registered.clear();
    fs::remove_all(system);
    fs::create_directories(system);
    fs::remove_all(rigs);
    EXPECT_FALSE(Run());
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, installer + "/OCX/RICHTX32.OCX not found");
    EXPECT_EQ(boxes.shown[1].text, "Error registering RICHTX32.ocx");
    EXPECT_EQ(boxes.shown[1].title, "Installation error");
    EXPECT_EQ(platform->registered, std::vector<std::string>{"MSCOMM32.OCX"});
    EXPECT_FALSE(fs::exists(system + "/MSWINSCK.OCX"));
    EXPECT_FALSE(fs::exists(rigs)) << "no rig files after an error";
}

TEST_F(InstallSequence, WithoutTheRigsFolderTheComponentsGoInButNothingSaysSuccess) {
    fs::remove_all(installer + "/Rigs");
    EXPECT_FALSE(Run());
    EXPECT_EQ(Titles(), std::vector<std::string>{"Folder not found"});
    EXPECT_EQ(boxes.shown[0].text, "'Rigs' Directory not found");
    EXPECT_EQ(platform->registered.size(), 12u);
    EXPECT_FALSE(fs::exists(rigs));
}

TEST_F(InstallSequence, ARefusedRegistrationEndsTheInstallationAtThatComponent) {
    platform->refused = {"Hook-Menu-2.OCX"};
    EXPECT_FALSE(Run());
    EXPECT_EQ(Titles(), std::vector<std::string>{"Installation error"});
    EXPECT_EQ(boxes.shown[0].text, "Error registering HOOKMENU.ocx");
    EXPECT_EQ(platform->registered.back(), "Hook-Menu-2.OCX");
    EXPECT_FALSE(fs::exists(system + "/ColorsMenu.ocx"));
}

TEST_F(InstallSequence, RigFilesThatCannotBeCopiedAreNotTold) {
    fs::create_directories(Path("blocked"));
    Write(Path("blocked/file"), "x");
    platform = std::make_unique<ScratchPlatform>(boxes, system, Path("blocked/file/rigs"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(Titles(), std::vector<std::string>{"MUV Installation"});
}

TEST_F(InstallSequence, OnThisSystemRigctldIsTheCatServerAndNoComponentIsNeeded) {
    // A rigctld of its own on a path: the version it prints decides.
    const std::string fake = Path("rigctld");
    auto useRigctld = [&](const std::string& version) {
        Write(fake, "#!/bin/sh\necho '" + version + "'\n");
        fs::permissions(fake, fs::perms::owner_all);
    };
    const InstallSetup linux = LinuxInstallSetup();
    EXPECT_TRUE(linux.RequiredComponents.empty());
    useRigctld("rigctl Hamlib 4.5.4 Jan 10 01:31:41Z 2023 SHA=921cc5");
    LinuxInstallerPlatform real(boxes, system, rigs, fake);
    EXPECT_EQ(real.CatServerVersion(), 40504);
    EXPECT_TRUE(Install(real, linux, installer));
    EXPECT_TRUE(fs::exists(rigs + "/IC-7300"));

    useRigctld("rigctl Hamlib 5.0.1");  // no later version is refused
    boxes.shown.clear();
    EXPECT_TRUE(Install(real, linux, installer));
    useRigctld("rigctl Hamlib 1.2.15.3");
    boxes.shown.clear();
    EXPECT_FALSE(Install(real, linux, installer));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "File: " + installer +
                                       "/hamlib-setup not found. To set it up yourself, run as root: apt-get "
                                       "install libhamlib-utils");

    LinuxInstallerPlatform none(boxes, system, rigs, Path("no-such-rigctld"));
    EXPECT_EQ(none.CatServerVersion(), std::nullopt);
    // The system's own rigctld, which MUV's tests use as well, is one MUV drives.
    LinuxInstallerPlatform onPath(boxes, system, rigs);
    const std::optional<int> version = onPath.CatServerVersion();
    ASSERT_TRUE(version.has_value());
    EXPECT_GE(*version, linux.lowestCatServerVersion);
    EXPECT_LE(*version, linux.highestCatServerVersion);
    EXPECT_GE(linux.highestCatServerVersion, 59999);  // Hamlib 5 speaks the same protocol
}

TEST(HamlibVersion, ReadsWhatRigctldPrintsAndNothingElse) {
    EXPECT_EQ(ParseHamlibVersion("rigctl Hamlib 4.5.4 Jan 10 01:31:41Z 2023 SHA=921cc5\n"), 40504);
    EXPECT_EQ(ParseHamlibVersion("rigctld, Hamlib 3.3\n"), 30300);
    EXPECT_EQ(ParseHamlibVersion("rigctl(d), Hamlib 4.6~git 2024"), 40600);
    EXPECT_EQ(ParseHamlibVersion("Hamlib v4.0.1"), 40001);
    EXPECT_EQ(ParseHamlibVersion("Hamlib Hamlib 4.1"), 40100);
    for (const char* text : {"", "rigctld", "Hamlib", "Hamlib 4", "Hamlib .5", "Hamlib 4.", "Hamlib 123.4.5",
                             "Hamlib 4.100", "hamlib 4.5.4"})
        EXPECT_EQ(ParseHamlibVersion(text), std::nullopt) << text;

    // Random and mutated answers: never a crash, and a version only in the range it can name.
    std::mt19937 random(7);
    const std::string seed = "rigctl Hamlib 4.5.4 Jan 10 01:31:41Z 2023 SHA=921cc5\n";
    for (int i = 0; i < 5000; ++i) {
        std::string text = seed;
        test::MutateText(text, random, static_cast<int>(random() % 8), 4, "0123456789.Hamlib ");
        if (i % 5 == 0) text.assign(random() % 64, static_cast<char>(random() % 256));
        const std::optional<int> v = ParseHamlibVersion(text);
        if (v) {
            EXPECT_GE(*v, 0);
            EXPECT_LE(*v, 999999);
        }
    }
}

}  // namespace
}  // namespace muv
