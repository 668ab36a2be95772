#include "foundation/huge_pages.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

TEST(HugePages, AskedForOnlyWhereTheyPay)
{
    const std::string madvise = "always [madvise] never\n", reporting = "01100101\n";
    const struct {
        std::string mode, device, features; // transparent_hugepage/enabled, a virtio device's id and feature bits
        bool pay;
    } cases[] = {
        {"[always] madvise never\n", "", "", false}, {madvise, "", "", true},
        {madvise, "0x0002\n", reporting, true},    // a disk, not a balloon
        {madvise, "0x0005\n", "01100001\n", true}, // a balloon that keeps free pages
        {madvise, "0x0005\n", reporting, false},   // free blocks go back to the host
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode + c.device);
        vyktest::TempDir sys;
        sys.write("kernel/mm/transparent_hugepage/enabled", c.mode);
        if (!c.device.empty()) {
            sys.write("bus/virtio/devices/virtio0/device", c.device);
            sys.write("bus/virtio/devices/virtio0/features", c.features);
        }
        EXPECT_EQ(hugePagesPay(sys.path().c_str()), c.pay);
    }
}
