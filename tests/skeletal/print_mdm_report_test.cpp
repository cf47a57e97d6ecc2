// The MDM report, label by label.
#include <algorithm>
#include <gtest/gtest.h>

#include "skeletal_fixture.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

std::string report(bytes file) {
    byte_region r = region_of(file);
    return capture_stdout([&] { EXPECT_EQ(print_mdm_report(r), 1); });
}

} // namespace

// The whole report up to its second tag, the labels' spelling and tabs included.
TEST(PrintMdmReport, EveryLabelExactly) {
    const std::string expected = "\nReport MDM\n\n***--- Header ---***\n\n"
                                 "MDM Identification\t\t\t:MDMW\x03\n"
                                 "MDM Version\t\t\t\t\t:3\n"
                                 "MDM Name\t\t\t\t\t:reference\n"
                                 "LoD Scale\t\t\t\t\t:1.000000\n"
                                 "LoD Bias\t\t\t\t\t:0.000000\n"
                                 "Number of Surfaces\t\t\t:1\n"
                                 "Offset to Surfaces\t\t\t:100\n"
                                 "Number of Tags\t\t\t\t:3\n"
                                 "Offset to Tags\t\t\t\t:328\n"
                                 "Offset to EOF\t\t\t\t:752\n"
                                 "\n***--- Surface ---***\n\n"
                                 "\n--- Surface #0---\n\n"
                                 "Surface Identification\t\t:9\n"
                                 "Surface Name\t\t\t\t:plate\n"
                                 "Shader Name\t\t\t\t\t:models/reference/plate\n"
                                 "Shader Index\t\t\t\t:0\n"
                                 "LoD\tMinimum\t\t\t\t\t:0\n"
                                 "Offset to Surface Header\t:-100\n"
                                 "Number of Vertices\t\t\t:1\n"
                                 "Offset to Vertices\t\t\t:176\n"
                                 "Number of Triangles\t\t\t:0\n"
                                 "Offset to Triangles\t\t\t:220\n"
                                 "Offset to Collapsemap\t\t:220\n"
                                 "Number of Bone Refferences\t:1\n"
                                 "Offset to Bobe Refferences\t:224\n"
                                 "Offset to NextSurface\t\t:228\n"
                                 "\n--- Tag #0 ---\n\n"
                                 "Name\t\t\t\t\t:tag_back\n"
                                 "Coord1\t\t\t\t\t:(0.000000,1.000000,0.000000)\n"
                                 "Coord2\t\t\t\t\t:(-1.000000,0.000000,0.000000)\n"
                                 "Coord3\t\t\t\t\t:(0.000000,0.000000,1.000000)\n"
                                 "Attach Bone Number\t\t:1\n"
                                 "Attach Bone Number\t\t:(0.000000,0.000000,6.000000)\n"
                                 "Number of Bone List\t\t:2\n"
                                 "Offset to Bone List\t\t:128\n"
                                 "Offset to Next Tag\t\t:136\n"
                                 "Bone List\t\t\t\t: 0 1 \n"
                                 "\n--- Tag #1 ---\n\n";
    const std::string out = report(build_mdm(reference_mdm_desc()));
    EXPECT_EQ(out.substr(0, expected.size()), expected);
}

TEST(PrintMdmReport, EndingsAndUnterminatedNames) {
    mdm_desc m = reference_mdm_desc();
    m.tags = {{"t", {}, 5, {}, {0, 1, 5}}};
    EXPECT_TRUE(report(build_mdm(m)).ends_with("Bone List\t\t\t\t: 0 1 5 \n"));
    m.tags.clear();
    EXPECT_TRUE(report(build_mdm(m)).ends_with("Offset to NextSurface\t\t:228\n"));
    // A name without its NUL ends with its 64-byte field.
    bytes file = build_mdm(reference_mdm_desc());
    std::fill_n(file.begin() + mdm_header::name, 64, 'A');
    EXPECT_NE(report(file).find("MDM Name\t\t\t\t\t:" + std::string(64, 'A') + "\n"),
              std::string::npos);
}
