// Shader names from the texture paths modellers store.
#include <gtest/gtest.h>

#include "base/shader_name.hpp"

using namespace ossify;

TEST(ShaderName, FromTexturePaths) {
    const struct {
        const char* path;
        const char* prefix;
        std::string name;
    } cases[] = {
        {"C:\\mod\\models\\hero\\body.tga", "", "hero/body.tga"},
        {"C:\\mod\\Models\\hero\\body.tga", "", "hero/body.tga"}, // any ASCII case
        {"/home/me/art/textures/skin/face.jpg", "", "skin/face.jpg"},
        {"D:/a/models/x/textures/y/z.tga", "", "y/z.tga"}, // the last of either
        {"D:/a/textures/x/models/y/z.tga", "", "y/z.tga"},
        {"C:\\art\\body.tga", "models/players/hero/", "models/players/hero/body.tga"},
        {"body.tga", "models/players/hero/", "models/players/hero/body.tga"},
        {"sub/body.tga", "", "body.tga"},
        {"C:body.tga", "", "body.tga"},
        {"D:/mymodels/body.tga", "", "body.tga"}, // "models/" as a whole folder only
        {"", "p/", "p/"},
        // The second byte of a double-byte character is no separator.
        {"C:\\art\\\x95\x5c.tga", "", "\x95\x5c.tga"},
        {"C:\\models\\\x95\x5c\\a.tga", "", "\x95\x5c/a.tga"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shader_name_from_texture(c.path, c.prefix), c.name) << c.path;
}

TEST(ShaderName, CutNameKeepsDoubleByteCharactersWhole) {
    EXPECT_EQ(cut_name("abcdef", 4), "abcd");
    EXPECT_EQ(cut_name("abc", 10), "abc");
    EXPECT_EQ(cut_name("ab\x95\x5c", 3), "ab");
    EXPECT_EQ(cut_name("ab\x95\x5c", 4), "ab\x95\x5c");
    EXPECT_EQ(cut_name("a\x82", 2), "a\x82"); // a lead byte at the end stays a byte
}
