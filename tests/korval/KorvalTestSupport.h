#pragma once

#include <gtest/gtest.h>

#include <string>

// Closes whatever korval has open (as ClosePort does, stopping a status reader first),
// clears the last error and puts the device paths back to the system's.
void korvalResetForTesting();

// A fresh temporary folder that is the current directory while the object lives, so the
// spool file <cwd>/ombrixtemp.prn of each test lands there and goes with it.
class ScopedWorkDir
{
public:
    ScopedWorkDir();
    ~ScopedWorkDir();
    const std::string &path() const { return dir; }
    std::string file(const std::string &name) const { return dir + "/" + name; }

private:
    std::string dir;
    std::string previous;
};

// A fake tree of USB printers: sysfs entries class/usbmisc/lpN -> device with idVendor,
// idProduct and serial, and a regular file or a FIFO standing for /dev/usb/lpN.
class FakeUsbTree
{
public:
    enum class Node
    {
        File,
        Fifo,
        Missing
    };

    explicit FakeUsbTree(const std::string &root);

    // serial empty: the device has no serial file (its bus path names it instead).
    void addPrinter(int index, const std::string &vendor, const std::string &product,
                    const std::string &serial, Node node = Node::File);
    // Points the library's device paths at this tree.
    void install() const;
    // Adds a supported printer as lp0, opens it as the output and starts a spool file;
    // false when any step fails.
    bool openOutput();

    std::string sysfsRoot() const { return root + "/sys"; }
    std::string devRoot() const { return root + "/dev"; }
    std::string deviceNode(int index) const;

private:
    std::string root;
};

// The set-up of the program's device label, shared by the tests and benchmarks that print
// one: a new spool file, then a 529 x 529 dot label with a 2-dot gap, darkness 14, speed 5,
// printed bottom first. Returns 0, or the code of the first builder that failed.
int startDeviceLabel();
// The bytes startDeviceLabel() writes.
extern const char kDeviceLabelSetup[];

// A new spool file and a square label of side dots without a gap: room for one symbol.
int startSquareLabel(int side);

std::string readWholeFile(const std::string &path);
bool fileExists(const std::string &path);
void writeWholeFile(const std::string &path, const std::string &data);

// Base of tests that need an open output: a fake USB printer (lp0, a supported id) is
// opened and a spool file started; writtenSince() gives what the builders appended.
class KorvalOutputTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    std::string spoolPath() const { return work.file("ombrixtemp.prn"); }
    std::string spool() const { return readWholeFile(spoolPath()); }
    // Bytes appended to the spool file since the last call (or since OBX_ClearBuffer).
    std::string writtenSince();

    ScopedWorkDir work;
    FakeUsbTree usb{work.path()};
    size_t seen = 0;
};
