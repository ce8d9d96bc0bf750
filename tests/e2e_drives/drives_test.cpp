// The destination on another drive than Windows': 2000 KB less 680 KB are
// required there (and 680 KB on the Windows drive). D: has 700 KB free and is
// refused with message 1003; E: has 3 MB and takes the installation.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer_driver.h"
#include "under_test.h"

TEST(Drives, TooSmallOtherDriveIsRefusedThenALargerOneTakesTheInstallation) {
    ULARGE_INTEGER freeD{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("D:\\", &freeD, nullptr, nullptr)) << "drive D: is not mapped";
    ASSERT_TRUE(e2e::Exists("E:\\")) << "drive E: is not mapped";
    ASSERT_EQ(toupper(e2e::WindowsDir()[0]), 'C');

    e2e::InstallAnswers answers;
    answers.destinations = {"D:\\VIREO", "E:\\VIREO"};
    e2e::InstallRun run;
    ASSERT_TRUE(e2e::RunInstaller(robot::DistDisk1(), answers, &run));
    EXPECT_EQ(run.exitCode, 0u) << run.transcriptText;

    std::vector<robot::SeenDialog> full = run.BoxesWith("of free disk space");
    ASSERT_EQ(full.size(), 1u) << run.transcriptText;
    const unsigned long freeKb = static_cast<unsigned long>(freeD.QuadPart / 1024);
    const std::string expected = "Drive D: contains " + std::to_string(freeKb) +
                                 "K of free disk space.\nSetup requires a minimum of 1320K.\nPlease select another drive.";
    EXPECT_EQ(full[0].text, expected);
    EXPECT_EQ(full[0].caption, "ORVAN Vireo Setup Warning");

    EXPECT_FALSE(e2e::Exists("D:\\VIREO\\VIREO.EXE")) << "nothing installed on the refused drive";
    EXPECT_TRUE(e2e::Exists("E:\\VIREO\\VIREO.EXE"));
    EXPECT_TRUE(e2e::Exists("E:\\VIREO\\TLDELET.EXE"));
    EXPECT_EQ(e2e::Profile("Applications", "VelmDir", "PELORASD.INI"), "E:\\VIREO");
    EXPECT_EQ(run.BoxesWith("in your Windows's system directory").size(), 0u)
        << "the Windows drive has far more than 680K:\n" << run.transcriptText;
}

TEST(Drives, UnattendedOnTheTooSmallDriveFailsWithItsCodeAndLog) {
    ULARGE_INTEGER freeD{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("D:\\", &freeD, nullptr, nullptr)) << "drive D: is not mapped";
    const std::string set = e2e::OneFolderSet();
    e2e::QuietRun run;
    ASSERT_TRUE(e2e::RunUnattended(set + "\\TLSETUP.EXE", "/S /DIR=D:\\VIREO /LOG=C:\\FULL.LOG", set, &run));
    EXPECT_EQ(run.exitCode, 8u) << "not enough disk space";
    EXPECT_FALSE(e2e::Exists("D:\\VIREO")) << "nothing is made on the refused drive";
    EXPECT_EQ(e2e::Profile("Applications", "VelmDir", "PELORASD.INI"), "<missing>");
    const std::string log = e2e::ReadFileBytes("C:\\FULL.LOG");
    const unsigned long freeKb = static_cast<unsigned long>(freeD.QuadPart / 1024);
    EXPECT_NE(log.find("Destination: D:\\VIREO\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Message 1003 (system error "), std::string::npos) << log;
    EXPECT_NE(log.find("Drive D: contains " + std::to_string(freeKb) + "K of free disk space. Setup requires a minimum "
                       "of 1320K."),
              std::string::npos)
        << log;
    const std::string end = "\r\nExit code 8\r\n";
    EXPECT_EQ(log.size() > end.size() ? log.substr(log.size() - end.size()) : log, end) << log;
}

TEST(Drives, DestinationGivenToAnInteractiveRunIsNotAskedForAndItsFailureIsTold) {
    // With an option, an interactive run gives exit codes too; the given
    // destination takes the dialog's place, and its drive's lack of room
    // ends the run with the messages a user reads.
    e2e::InstallAnswers answers;
    answers.args = "/DIR=D:\\VIREO";
    e2e::InstallRun run;
    ASSERT_TRUE(e2e::RunInstaller(robot::DistDisk1(), answers, &run));
    EXPECT_EQ(run.exitCode, 8u) << run.transcriptText;
    bool portAsked = false;
    for (const robot::SeenDialog& d : run.transcript) {
        for (const robot::ControlInfo& c : d.controls) {
            EXPECT_NE(c.id, e2e::kDestEdit) << "the destination dialog was shown: " << d.Describe();
            portAsked = portAsked || c.id == e2e::kPortConnect;
        }
    }
    EXPECT_TRUE(portAsked) << "the port is still asked for:\n" << run.transcriptText;
    EXPECT_EQ(run.BoxesWith("Setup requires a minimum of 1320K.").size(), 1u) << run.transcriptText;
    EXPECT_EQ(run.BoxesWith("The software has not been installed successfully.").size(), 1u) << run.transcriptText;
    EXPECT_FALSE(e2e::Exists("D:\\VIREO"));
}
