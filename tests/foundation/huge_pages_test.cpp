#include "foundation/huge_pages.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

TEST(HugePages, AskedForOnlyWhereTheyPay)
{
    const std::string madvise = "always [madvise] never\n", reporting = "01100101000000000000\n";
    const struct {
        const char* mode;     // transparent_hugepage/enabled
        const char* device;   // a virtio device's id, or none
        const char* features; // and its feature bits
        bool pay;
    } cases[] = {
        {"[always] madvise never\n", nullptr, nullptr, false},         {madvise.c_str(), nullptr, nullptr, true},
        {madvise.c_str(), "0x0002\n", reporting.c_str(), true},        // a disk, not a balloon
        {madvise.c_str(), "0x0005\n", "01100001000000000000\n", true}, // a balloon that keeps free pages
        {madvise.c_str(), "0x0005\n", reporting.c_str(), false},       // free blocks go back to the host
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + (c.device ? c.device : "no device"));
        vyktest::TempDir sys;
        sys.write("kernel/mm/transparent_hugepage/enabled", c.mode);
        if (c.device) {
            sys.write("bus/virtio/devices/virtio1/device", "0x0001\n");
            sys.write("bus/virtio/devices/virtio0/device", c.device);
            sys.write("bus/virtio/devices/virtio0/features", c.features);
        }
        EXPECT_EQ(hugePagesPay(sys.path().c_str()), c.pay);
    }
    EXPECT_FALSE(hugePagesPay("/nonexistent"));
}
