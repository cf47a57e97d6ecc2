// The MDM report, label by label.
#include <gtest/gtest.h>

#include "skeletal/skeletal_layout.hpp"
#include "skeletal_fixture.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

std::string report(bytes file) {
    byte_region r = region_of(file);
    return capture_stdout([&] { EXPECT_EQ(print_mdm_report(r), 1); });
}

const std::string header_of_reference = "\nReport MDM\n\n***--- Header ---***\n\n"
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
                                        "\n***--- Surface ---***\n\n";

const std::string surface_of_reference = "\n--- Surface #0---\n\n"
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
                                         "Offset to NextSurface\t\t:228\n";

} // namespace

TEST(PrintMdmReport, EveryLabelExactly) {
    const std::string out = report(build_mdm(reference_mdm_desc()));
    ASSERT_EQ(out.substr(0, header_of_reference.size()), header_of_reference);
    const std::string rest = out.substr(header_of_reference.size());
    ASSERT_EQ(rest.substr(0, surface_of_reference.size()), surface_of_reference);
    const std::string first_tag = "\n--- Tag #0 ---\n\n"
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
    EXPECT_EQ(rest.substr(surface_of_reference.size(), first_tag.size()), first_tag);
}

TEST(PrintMdmReport, BoneListAndEndings) {
    mdm_desc m = reference_mdm_desc();
    m.tags = {{"t", {}, 5, {}, {0, 1, 5}}};
    const std::string with_tag = report(build_mdm(m));
    const std::string last = "Bone List\t\t\t\t: 0 1 5 \n";
    EXPECT_EQ(with_tag.substr(with_tag.size() - last.size()), last);
    m.tags.clear();
    const std::string without = report(build_mdm(m));
    const std::string surface_end = "Offset to NextSurface\t\t:228\n";
    EXPECT_EQ(without.substr(without.size() - surface_end.size()), surface_end);
}

TEST(PrintMdmReport, NamesStayWithinTheirField) {
    bytes file = build_mdm(reference_mdm_desc());
    byte_region r = region_of(file);
    for (offset_t k = 0; k < 64; ++k)
        put_i16(r, mdm_header::name + k, 0x4141); // no NUL
    const std::string out = report(file);
    EXPECT_NE(out.find("MDM Name\t\t\t\t\t:" + std::string(64, 'A') + "\n"), std::string::npos);
}
